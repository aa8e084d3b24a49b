#pragma once

// Draws a report's bar or line chart with a painter: title, value axis with round steps and
// grid, the points' labels along the category axis, axis titles, the series in their colours
// and a legend. QPainter only, so it goes into a page image like any other control.

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <functional>
#include <string>
#include <vector>

#include "reportframe/report.h"

namespace koreq::reportframe {

// The steps of a value axis: round numbers (1, 2, 2.5 or 5 times a power of ten) from the
// first at or below `low` to the last at or above `high`, about `wanted` of them. With
// `keepBounds` the ends are `low` and `high` themselves and the round steps fall between.
std::vector<double> axisSteps(double low, double high, int wanted, bool keepBounds);

// A value as the axis labels it: thousands separated, as many places as the step needs.
std::string axisLabel(double value, double step);

// `box` in the painter's units, `unit` of them a point; `font` gives a font of the report at a
// size in points.
void paintChart(QPainter& painter, const QRectF& box, double unit, const PrintedControl& chart,
                const std::function<QFont(const FontSpec&)>& font);

}  // namespace koreq::reportframe
