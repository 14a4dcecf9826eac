#pragma once
// The read-out cursor of a chart: a vertical line across the plotting rectangle at one x value,
// and beside it a box with one line of text per entry ("TK2 3120"), each after a small square
// in its colour. The chart knows nothing of what the texts mean: its owner supplies them for a
// given x through a ChartReadout function.
//
// The cursor is drawn over the chart's picture when the window is painted, so moving it costs
// a repaint of the area it covers and never a redraw of the chart.

#include <QRect>
#include <QString>
#include <functional>
#include <vector>

#include "chart/chart_surface.h"

class QFont;
class QPainter;

struct ChartReadoutLine {
    QString text;
    ChartColour colour = 0x000000;
};

// The texts to show at x (a value of the bottom axis). May return nothing.
using ChartReadout = std::function<std::vector<ChartReadoutLine>(double x)>;

namespace ChartCursorOverlay {

// The area the cursor covers: the line from the top to the bottom of plot at pixel column px,
// and the text box beside it (right of the line, or left of it where the right has no room).
QRect Bounds(const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines);
// The box alone.
QRect BoxRect(const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines);
void Paint(QPainter& painter, const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines);

} // namespace ChartCursorOverlay
