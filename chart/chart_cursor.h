#pragma once
// The read-out cursor of a chart: a vertical line across the plotting rectangle at one value of
// the bottom axis, and beside it a box with one line of text per entry ("TK2 3120"), each after
// a small square in its colour. The chart stays generic: its owner supplies the texts for a given
// x through a ChartReadout function.
//
// The cursor lives in a transparent layer over the chart, so moving it repaints only the area it
// covers from the chart's picture and never redraws the chart. The layer is there only while the
// cursor is shown, so a chart without a cursor repaints as if it had none. It follows the mouse over the
// plotting rectangle (and goes when the mouse leaves the chart), and the keyboard while the chart
// has the focus:
//   Shift+Left / Shift+Right   show the cursor (in the middle of the axis first), move it one step
//   Shift+Home / Shift+End     to the start / end of the bottom axis' range
//   Escape                     hide it
// The plain arrows, '+', '-' and Home keep panning and zooming the chart. While the keyboard
// moves the cursor, the chart's accessible description reads the values at it.
//
//   auto* cursor = new CChartCursor(chart, [](double x) { return std::vector<ChartReadoutLine>{...}; });
//   cursor->SetStep(1);            // one data point; the mouse snaps to it as well
//   ...                            // after the data under the cursor changed:
//   cursor->Refresh();

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

#include "chart/chart_surface.h"

class CChartCtrl;
class QFont;
class QPainter;
class QWidget;

struct ChartReadoutLine {
    QString text;
    ChartColour colour = 0x000000;
};

// The texts to show at x (a value of the bottom axis). May return nothing.
using ChartReadout = std::function<std::vector<ChartReadoutLine>(double x)>;

class CChartCursor : public QObject {
    Q_OBJECT
public:
    // Attaches to the chart (and is deleted with it).
    CChartCursor(CChartCtrl* chart, ChartReadout readout);
    ~CChartCursor() override;

    // Keyboard step in bottom-axis units (default 1); with snapping on (the default), mouse
    // positions are rounded to whole steps as well.
    void SetStep(double step, bool snap = true);
    double Step() const { return m_step; }

    bool IsShown() const { return m_shown; }
    // The cursor's value on the bottom axis (meaningful while shown).
    double Value() const { return m_value; }
    void ShowAt(double x);
    void Hide();
    // The texts at the cursor now; nothing while hidden.
    std::vector<ChartReadoutLine> Lines() const;
    // Repaints the cursor (the values under it have changed) and, for a keyboard cursor, renews
    // what it says to assistive technology; nothing while hidden.
    void Refresh();
    // Handles a key as the chart would pass it on; true if it was a cursor key.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    // Where the cursor is drawn in chart pixels (empty while hidden or off the plot).
    QRect Bounds() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Layer;
    void Paint(QPainter& painter);
    int PixelOfValue() const;
    double Snapped(double x) const;
    void Moved(bool byKeyboard);
    // Puts the values at a keyboard cursor into the chart's accessible description.
    void Describe();

    CChartCtrl* m_chart; // the parent: outlives the cursor
    ChartReadout m_readout;
    QPointer<QWidget> m_layer;
    double m_step = 1;
    bool m_snap = true;
    bool m_shown = false;
    bool m_byMouse = false;
    double m_value = 0;
    QRect m_painted; // area covered by the last paint, repainted when the cursor moves
    QString m_description; // the chart's own accessible description, put back when hidden
};

namespace ChartCursorOverlay {

// The text box beside the line at pixel column px: right of it, or left where the right has no
// room inside plot.
QRect BoxRect(const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines);
// The line from the top to the bottom of plot at px and the box.
QRect Bounds(const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines);
void Paint(QPainter& painter, const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines);

} // namespace ChartCursorOverlay
