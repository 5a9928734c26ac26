// SPDX-License-Identifier: MIT
#pragma once

// The plan's drawing painted by Qt: the PDF report, the workbook's plan pane and PNG export
// all walk the same display list as the SVG does.

#include <QByteArray>
#include <QRectF>

#include "extcalc/plan/drawing.h"

class QPainter;

namespace extcalc::report {

// Scaled to fit target (keeping its proportions, at the top left of it). Returns the scale
// from the drawing's page units to the painter's units.
double paintPlan(QPainter& painter, const plan::draw::Drawing& drawing, const QRectF& target);

// The drawing as a PNG image, one pixel per page unit, on white. Needs a QGuiApplication.
QByteArray planPng(const plan::draw::Drawing& drawing);

}  // namespace extcalc::report
