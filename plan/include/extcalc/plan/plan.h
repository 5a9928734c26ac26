// SPDX-License-Identifier: MIT
#pragma once

// Rooms as outlines in metres, the walking distance inside them, the check that every spot is
// within the maximum protection distance of a setting point, and the placement of points.
// Qt-free and without the rules of the standards: the distance R is given by the caller.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace extcalc::plan {

struct Point {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const Point&, const Point&) = default;
};

// A closed ring without its closing point repeated.
using Ring = std::vector<Point>;

// One room: a simple polygon with holes (shafts, cores, columns). The orientation of the rings
// does not matter; it is put right when the room is prepared.
struct Outline {
    Ring outer;
    std::vector<Ring> holes;
    friend bool operator==(const Outline&, const Outline&) = default;
};

// A rectangle length × width with its lower-left corner at the origin.
Outline rectangle(double length, double width);

struct OutlineText {
    std::optional<Outline> outline;
    std::string error;  // Chinese, empty when outline is set
};
// "68x30" (also 68×30, 68*30) or WKT "POLYGON((x y, …), (hole …))", in metres.
OutlineText parseOutline(std::string_view text);
// WKT of the outline, coordinates with up to 3 decimals.
std::string outlineText(const Outline& outline);

// One or more rooms in one frame: as parseOutline, or WKT "MULTIPOLYGON(((…)), ((…)))" whose
// polygons must not overlap (rooms side by side may share a wall).
struct OutlinesText {
    std::optional<std::vector<Outline>> outlines;
    std::string error;  // Chinese, empty when outlines is set
};
OutlinesText parseOutlines(std::string_view text);
// POLYGON for one outline, MULTIPOLYGON for several; empty for none.
std::string outlinesText(std::span<const Outline> outlines);

struct PointsText {
    std::optional<std::vector<Point>> points;
    std::string error;
};
// "x y; x y; …" (commas also separate x and y).
PointsText parsePoints(std::string_view text);
std::string pointsText(std::span<const Point> points);

// Why an outline cannot be used, in Chinese; empty when it can.
std::string outlineProblem(const Outline& outline);
double area(const Outline& outline);

// An outline ready for distances: rings oriented, the vertices where a shortest path can bend
// (the reflex corners of the floor) and the paths between them.
class Room {
  public:
    // The outline must have no problem (outlineProblem empty).
    explicit Room(const Outline& outline);

    const Outline& outline() const { return outline_; }
    // On or inside the boundary.
    bool contains(Point p) const;
    // The straight segment stays in the room (it may run along a wall or touch a corner).
    bool visible(Point a, Point b) const;
    std::span<const Point> corners() const { return corners_; }
    // The shortest walking distance inside the room; both points must be in it.
    double distance(Point a, Point b) const;

    // Shortest distances from the nearest of several sources to every corner, with the corner
    // (or source) a path arrives from: a field from which the distance to any spot follows.
    struct Field {
        std::vector<double> corner;            // per corner
        std::vector<std::vector<int>> before;  // per corner: corners ≥ 0, sources -1-i
    };
    Field field(std::span<const Point> sources) const;
    // The distance from the nearest source to p through a field.
    double distance(const Field& field, std::span<const Point> sources, Point p) const;

    double scale() const { return scale_; }

  private:
    // Where a hole touches the wall or another hole at a point, the floor around it falls apart
    // into sectors (counter-clockwise from, by sweep) with no passage between them.
    struct Sector {
        Point at;
        double from = 0.0;
        double sweep = 0.0;
        bool holds(double angle) const;
    };
    // Whether a path may leave the corner towards p: always, except a corner at such a point,
    // which serves its own sector only.
    bool opens(std::size_t corner, Point p) const;
    void findPinches(double tol);
    // Whether the segment from a to b may pass the wall's vertex q that it touches.
    bool passes(Point q, Point a, Point b, double tol) const;

    Outline outline_;
    std::vector<Point> corners_;
    std::vector<Sector> pinches_;
    std::vector<int> cornerSector_;                 // per corner: into pinches_, or -1
    std::vector<std::vector<double>> cornerGraph_;  // between corners, infinity if hidden
    double scale_ = 1.0;
    double minX_ = 0.0;
    double minY_ = 0.0;
    double maxX_ = 0.0;
    double maxY_ = 0.0;
};

struct Check {
    double worstDistance = 0.0;  // from the least favourable spot to its nearest point
    Point worstAt;
    bool ok = false;                 // worstDistance ≤ R (to the centimetre)
    std::vector<Outline> uncovered;  // spots farther than R; empty when ok
};

// Every spot of the room against the points (none: nothing is covered). Exact within 1 mm:
// the maximum is found among the vertices of the distance's pieces, not on a grid.
Check check(const Room& room, std::span<const Point> points, double radius);

// The spots within radius of one point by walking (a disk in a convex room), as polygons: the
// point's reach, for drawings.
std::vector<Outline> reach(const Room& room, Point point, double radius);

struct PlaceOptions {
    double radius = 0.0;
    // Points stand along walls and holes, at most wallDistance inside the boundary; false lets
    // them stand anywhere.
    bool alongWalls = true;
    double wallDistance = 0.5;
};

struct Placement {
    std::vector<Point> points;
    Check check;
    int lowerBound = 0;  // no placement can have fewer points
};

// Few points (a greedy cover improved locally) such that the check passes. Along the walls a
// large room may have spots no wall is within R of: the check then fails and says where.
Placement place(const Room& room, const PlaceOptions& options);

// Spots pairwise more than 2R apart by walking: each needs its own point, so their number is a
// lower bound on any placement.
int lowerBound(const Room& room, double radius);

}  // namespace extcalc::plan
