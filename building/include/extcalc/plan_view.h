// SPDX-License-Identifier: MIT
#pragma once

// How a unit's plan is shown: the figure that the report, the workbook's plan pane and image
// export all draw, the report's line on the maximum protection distance, and the outline as a
// designer types it into the pane.

#include <optional>
#include <string>
#include <string_view>

#include "extcalc/plan/drawing.h"
#include "extcalc/units.h"

namespace extcalc::building {

// The figure of a 2005 unit with a usable plan: its rooms, its points (fixed or proposed) each
// labelled with the model and the count that stands there, R, and every room's check. None
// for a unit without a plan or whose plan cannot be used.
std::optional<plan::draw::Figure> planFigure(const UnitOutcome& outcome);

// The figure with its points where a pane has them while one is dragged: rooms, labels and R
// as they were, every room checked again against the points as they now stand (a point off
// every room is not drawn), and the reach of each point that did not move kept from before.
plan::draw::Figure movedFigure(const plan::draw::Figure& figure,
                               const std::vector<plan::Point>& points);

// The report's check of 5.2.1 (class A) or 5.2.2 (classes B, C; E by its basis):
// "最大保护距离 20 m，最不利点 (68, 0) 距最近的设置点 22.66 m > 20 m".
struct DistanceLine {
    std::string clause;
    std::string text;
    bool ok = false;
};
std::optional<DistanceLine> distanceLine(const UnitOutcome& outcome);

// What a unit's plan gives its row in a grid: S and the number of points where the designer
// typed none, as the calculation took them, and the distance from the least favourable spot to
// its nearest point. A grid shows them apart from typed values, saying where they come from.
struct PlanRow {
    std::string area;           // "2040.00"; empty where S was typed or no plan gave it
    std::string points;         // "3"; empty where 设置点数 was typed or no plan gave it
    std::string worstDistance;  // "22.66 m", or kNoPointsText; empty without a usable plan
    bool ok = false;            // every spot within R
};
PlanRow planRow(const UnitOutcome& outcome);

inline constexpr std::string_view kWorstDistanceHeader = "最不利点距离";
inline constexpr std::string_view kNoPointsText = "无设置点";
// The tooltip of a value a grid took from the plan.
inline constexpr std::string_view kFromPlanNote = "由平面得出；输入数值可取代";
// The tooltip of the worst distance: what it measures.
inline constexpr std::string_view kWorstDistanceNote =
    "平面上离最近的设置点最远之处的行走距离，由平面得出";

// What the plan pane's field turns into the 平面 cell: a rectangle "68x30" or WKT as the cell
// takes them, or the outline's vertices "x y; x y; …" (at least three), written as WKT.
struct TypedOutline {
    std::string cell;
    std::string error;  // Chinese; empty when cell is set
};
TypedOutline typedOutline(std::string_view text);

// The setting points as the 设置点 cell holds them, for a pane that moved, added or took one.
std::string pointsCell(const std::vector<plan::Point>& points);

// The frame of an exported image: wide enough for a wall plan, its texts readable.
inline constexpr plan::draw::Frame kPlanImageFrame{1200.0, 1000.0, 18.0};

// The caption of a unit's figure in the report and the name of its image file.
std::string figureCaption(std::string_view unitName);

}  // namespace extcalc::building
