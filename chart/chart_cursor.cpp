#include "chart/chart_cursor.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int kPadding = 3;   // inside the box
constexpr int kGap = 6;       // between the line and the box
constexpr int kSwatchGap = 4; // between a colour square and its text
const QColor kLineColour(64, 64, 64);
const QColor kBoxColour(255, 255, 255, 225);
const QColor kBoxBorder(96, 96, 96);

int SwatchSize(const QFontMetrics& fm) { return qMax(4, fm.ascent() - 2); }

} // namespace

namespace ChartCursorOverlay {

QRect BoxRect(const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines)
{
    if (lines.empty())
        return {};
    const QFontMetrics fm(font);
    int textWidth = 0;
    for (const ChartReadoutLine& l : lines)
        textWidth = qMax(textWidth, fm.horizontalAdvance(l.text));
    const int w = 2 * kPadding + SwatchSize(fm) + kSwatchGap + textWidth;
    const int h = 2 * kPadding + fm.height() * static_cast<int>(lines.size());
    // Right of the line where it fits inside the plot, else left of it.
    int x = px + kGap;
    if (x + w > plot.right() && px - kGap - w >= plot.left())
        x = px - kGap - w;
    return QRect(x, plot.top() + 2, w, h);
}

QRect Bounds(const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines)
{
    const QRect line(px - 1, plot.top(), 3, plot.height());
    return line.united(BoxRect(font, plot, px, lines)).adjusted(-1, -1, 1, 1);
}

void Paint(QPainter& painter, const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines)
{
    painter.save();
    painter.setClipRect(plot.adjusted(0, 0, 1, 1), Qt::IntersectClip);
    painter.setPen(QPen(kLineColour, 1, Qt::DashLine));
    painter.drawLine(px, plot.top(), px, plot.bottom());
    painter.setClipping(false);

    const QRect box = BoxRect(font, plot, px, lines);
    if (!box.isEmpty()) {
        const QFontMetrics fm(font);
        painter.setFont(font);
        painter.setPen(kBoxBorder);
        painter.setBrush(kBoxColour);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        const int swatch = SwatchSize(fm);
        int y = box.top() + kPadding;
        for (const ChartReadoutLine& l : lines) {
            const QRect square(box.left() + kPadding, y + (fm.height() - swatch) / 2, swatch, swatch);
            painter.setPen(kBoxBorder);
            painter.setBrush(ToQColor(l.colour));
            painter.drawRect(square.adjusted(0, 0, -1, -1));
            painter.setPen(Qt::black);
            painter.drawText(square.right() + 1 + kSwatchGap, y + fm.ascent(), l.text);
            y += fm.height();
        }
    }
    painter.restore();
}

} // namespace ChartCursorOverlay
