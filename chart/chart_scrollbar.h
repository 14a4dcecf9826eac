#pragma once
// The scroll bar of an axis: tracks where the current (zoomed) range lies within the data of
// the axis' series, one step being a tenth of the visible range. Hidden unless enabled.

#include "chart/chart_surface.h"

#include <QScrollBar>

class CChartAxis;

class CChartScrollBar : public QScrollBar {
    Q_OBJECT
public:
    // Scroll requests, as the platform's scroll bar reports them.
    enum ScrollCode { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Top, Bottom, EndScroll, Other };

    // A hidden child of the chart control, oriented after the axis.
    CChartScrollBar(CChartAxis* axis, QWidget* chart);

    // The bar may be shown (an auto-hiding bar only while the mouse is over it).
    void SetEnabled(bool enabled);
    bool IsEnabledBar() const { return m_enabled; }
    void SetAutoHide(bool autoHide);
    bool IsAutoHide() const { return m_autoHide; }
    CChartAxis* Axis() const { return m_axis; }

    // Moves the bar inside the plotting rectangle along its axis' edge.
    void Place(const ChartRect& plot);
    // Reads steps and position from the axis.
    void Refresh();
    // Applies a scroll request; returns the new position.
    int OnScroll(ScrollCode code, int thumb);

    int Lo() const { return 0; }
    int Hi() const { return m_hi; }
    int Position() const { return m_pos; }
    int Thickness() const;

protected:
    bool event(QEvent* event) override;

private:
    void SetPosition(int pos);
    void OnAction(int action);

    CChartAxis* m_axis;
    bool m_enabled = false;
    bool m_autoHide = true;
    int m_hi = 0;
    int m_pos = 1;
    bool m_updating = false;
    // The plotting rectangle the bar was last placed in (asked again on every redraw of the
    // curves), while its style has not changed since.
    ChartRect m_placedIn;
    bool m_placed = false;
};
