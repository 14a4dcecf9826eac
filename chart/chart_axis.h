#pragma once
// Numeric chart axes: value <-> pixel mapping along one edge of the plotting rectangle, ticks
// at 1, 2 or 5 times a power of ten, tick labels, a dashed grid and an axis title.

#include "chart/chart_frame_key.h"
#include "chart/chart_surface.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

class CChartCtrl;
class CChartSerie;
class CChartScrollBar;

enum AutoRangeMode { ManualRange = 0, FullRange = 1, VisibleRange = 2 };

// Pixel offsets are kept within this many pixels of an axis' start, so that far-away values
// still give defined integer positions that the clip removes.
constexpr int kChartPixelLimit = 1 << 20;

// floor(q) as a pixel offset: limited to +-kChartPixelLimit, 0 for NaN. Within the limit by
// truncating and stepping down below a negative fraction, which gives floor's result in fewer
// instructions.
inline int ChartPixelOffset(double q)
{
    constexpr int kLimit = kChartPixelLimit;
    if (q > -kLimit && q < kLimit) {
        const int t = static_cast<int>(q);
        return t > q ? t - 1 : t;
    }
    if (std::isnan(q))
        return 0;
    return q < 0 ? -kLimit : kLimit;
}

// An axis' value -> pixel mapping (CChartAxis::PixelOf) as plain numbers, for mapping many
// values without a call each; the same arithmetic, so the same pixels. An empty range, which
// maps every value to the middle of the axis, is a map of length 0 that starts there.
struct ChartPixelMap {
    bool valid = false; // false: the axis maps its own way, use PixelOf
    int start = 0;
    int direction = 1;  // 1 along a horizontal axis, -1 up a vertical one
    double length = 0;
    double min = 0;
    double range = 1;
    int operator()(double v) const { return start + direction * ChartPixelOffset(length * (v - min) / range); }
};

// Dashed grid lines across the plotting rectangle at the tick positions of its axis.
class CChartGrid {
public:
    CChartGrid(CChartCtrl* ctrl, bool horizontal);

    void SetVisible(bool visible);
    bool IsVisible() const { return m_visible; }
    void SetColor(ChartColour colour);
    ChartColour Color() const { return m_colour; }
    bool IsHorizontal() const { return m_horizontal; }
    void Bind(CChartCtrl* ctrl, bool horizontal)
    {
        m_ctrl = ctrl;
        m_horizontal = horizontal;
    }

    void ClearTicks() { m_ticks.clear(); }
    void AddTick(int px) { m_ticks.push_back(px); }
    const std::vector<int>& Ticks() const { return m_ticks; }
    // Draws the grid clipped to `plot` (the control's plotting rectangle).
    void Draw(ChartSurface& surface, const ChartRect& plot) const;

private:
    CChartCtrl* m_ctrl;
    ChartColour m_colour = 0x808080;
    bool m_visible = true;
    bool m_horizontal;
    std::vector<int> m_ticks;
};

// The title of an axis.
class CChartAxisLabel {
public:
    CChartAxisLabel(CChartCtrl* ctrl, bool horizontal);

    // Sets the text and redraws the chart.
    void SetText(const QString& text);
    const QString& Text() const { return m_text; }
    void SetVisible(bool visible);
    bool IsVisible() const { return m_visible; }
    void SetColor(ChartColour colour);
    ChartColour Color() const { return m_colour; }
    void SetFont(int tenthsOfPoint, const QString& face);
    const ChartFont& Font() const { return m_font; }
    void SetVerticalFont(bool vertical) { m_font.vertical = vertical; }
    bool IsHorizontal() const { return m_horizontal; }
    void Bind(CChartCtrl* ctrl, bool horizontal)
    {
        m_ctrl = ctrl;
        m_horizontal = horizontal;
    }

    // (0, 0) when hidden or empty; else the text size plus 4 each way, swapped for a vertical axis.
    ChartSize Size(ChartSurface& surface) const;
    void SetRect(const ChartRect& rect) { m_rect = rect; }
    const ChartRect& Rect() const { return m_rect; }
    void Draw(ChartSurface& surface) const;

private:
    CChartCtrl* m_ctrl;
    bool m_visible = true;
    ChartRect m_rect;
    ChartColour m_colour = 0x000000;
    bool m_horizontal;
    ChartFont m_font;
    QString m_text;
};

// Base of all axes. The owning control places and draws it; series register with it.
class CChartAxis {
public:
    explicit CChartAxis();
    virtual ~CChartAxis();
    CChartAxis(const CChartAxis&) = delete;
    CChartAxis& operator=(const CChartAxis&) = delete;

    // --- range -------------------------------------------------------------------------
    // Sets the current and the un-zoomed range, updates the scroll bar and redraws.
    void SetRange(double min, double max);
    double RangeMin() const { return m_min; }
    double RangeMax() const { return m_max; }
    void GetMinMax(double& min, double& max) const { min = m_min; max = m_max; }
    double UnzoomedMin() const { return m_unzoomedMin; }
    double UnzoomedMax() const { return m_unzoomedMax; }
    // ManualRange keeps the range given by SetRange; FullRange / VisibleRange follow the data.
    void SetAutoMode(AutoRangeMode mode);
    AutoRangeMode AutoMode() const { return m_autoMode; }
    // true = FullRange, false = ManualRange.
    void SetAutomatic(bool automatic) { SetAutoMode(automatic ? FullRange : ManualRange); }

    // Sets the range without touching the un-zoomed range and without redrawing. Nothing
    // happens while zooming is off, for an empty range or for non-finite bounds.
    virtual void ZoomTo(double min, double max);
    // Back to the last range given by SetRange; redraws.
    void UndoZoom();
    // Shifts the range so that the value under fromPx moves to toPx.
    virtual void PanBy(int fromPx, int toPx);
    void SetZoomEnabled(bool enabled) { m_zoomEnabled = enabled; }
    bool IsZoomEnabled() const { return m_zoomEnabled; }
    void SetZoomLimit(double limit) { m_zoomLimit = limit; }
    double ZoomLimit() const { return m_zoomLimit; }

    // --- appearance ----------------------------------------------------------------------
    void SetVisible(bool visible);
    bool IsVisible() const { return m_visible; }
    void SetTextColor(ChartColour colour);
    ChartColour TextColor() const { return m_textColour; }
    void SetAxisColor(ChartColour colour);
    ChartColour AxisColor() const { return m_lineColour; }
    void SetFont(int tenthsOfPoint, const QString& face);
    ChartFont TickFont() const;
    // Automatic band size (the default) or a fixed one in pixels.
    void SetAutoBandSize(bool automatic) { m_autoBand = automatic; }
    void SetBandSize(int px) { m_bandSize = px; }
    int BandSizeValue() const { return m_bandSize; }
    CChartAxisLabel* Label() { return m_label.get(); }
    const CChartAxisLabel* Label() const { return m_label.get(); }
    CChartGrid* Grid() { return m_grid.get(); }
    const CChartGrid* Grid() const { return m_grid.get(); }
    CChartScrollBar* ScrollBar() const { return m_scrollBar; }

    // --- attachment ----------------------------------------------------------------------
    // Called by CChartCtrl::CreateAxisAt.
    void Attach(CChartCtrl* ctrl, AxisPosition position);
    void SetScrollBar(CChartScrollBar* bar) { m_scrollBar = bar; }
    CChartCtrl* Ctrl() const { return m_ctrl; }
    bool IsHorizontal() const { return m_horizontal; }
    bool IsSecondary() const { return m_secondary; }
    AxisPosition Position() const;

    // --- series --------------------------------------------------------------------------
    void RegisterSerie(CChartSerie* serie);
    void UnregisterSerie(CChartSerie* serie);
    const std::vector<CChartSerie*>& Series() const { return m_series; }
    // Follows the data when the automatic mode is on (and always updates the scroll bar).
    void RefreshAutoRange();
    // A bound series has new points. As RefreshAutoRange, except that with a manual range and
    // deferBar set the scroll bar is only marked: it catches up in CatchUpScrollBar, which the
    // control calls when its redrawing resumes and before anything else changes what the bar is
    // worked out from (a series shown or hidden, added or deleted). The bar ends the same as if
    // it had followed every new set of points, at the cost of one update instead of one each.
    void FollowNewPoints(bool deferBar);
    void CatchUpScrollBar()
    {
        if (m_scrollBarBehind)
            UpdateScrollBar();
    }
    // Range of the bound series' data (FullRange rule) or of their visible points.
    void DataRange(bool visibleOnly, double& min, double& max) const;

    // --- mapping -------------------------------------------------------------------------
    virtual double ScreenToValue(int px) const;
    virtual int ValueToPixel(double v) const;
    // ValueToPixel, or the middle of the axis for an empty range.
    int PixelOf(double v) const;
    // PixelOf as a map. A subclass that overrides ValueToPixel must override this too, returning
    // an invalid map, so that its own mapping is used point by point.
    virtual ChartPixelMap PixelMap() const;
    int StartPx() const { return m_startPx; }
    int EndPx() const { return m_endPx; }
    const ChartRect& BandRect() const { return m_bandRect; }

    // --- ticks (implemented by the concrete axis) ----------------------------------------
    virtual double FirstTickValue() const = 0;
    virtual bool NextTickValue(double v, double& next) const = 0;
    virtual int TickPosition(double v) const = 0;
    virtual QString TickLabelText(double v) const = 0;
    virtual void ComputeTickIncrement() = 0;
    virtual void ComputeFirstTick() = 0;
    void SetAutoTicks(bool automatic) { m_autoTicks = automatic; }
    bool AutoTicks() const { return m_autoTicks; }

    // --- scrolling -----------------------------------------------------------------------
    virtual void ScrollSteps(int& steps, int& pos) const;
    virtual void ScrollToStep(int previous, int current, bool reversed);
    void UpdateScrollBar();

    // --- layout and drawing (called by the control) ---------------------------------------
    void Place(const ChartRect& plotRect, const ChartRect& r);
    // Shrinks plotRect by the band this axis needs; returns the band size (0 when hidden).
    int BandSize(ChartSurface& surface, const ChartRect& r, ChartRect& plotRect);
    ChartSize MaxTickLabelSize(ChartSurface& surface) const;
    void Draw(ChartSurface& surface);
    // What the axis' band, ticks, labels, title and grid are drawn from, including the place
    // and tick state the last layout left.
    virtual void AddFrameKey(ChartFrameKey& key) const;

    // Upper bound of ticks walked in one pass, so that a range that cannot be divided
    // sensibly still ends.
    static constexpr int kMaxTicks = 10000;

protected:
    void DrawTick(ChartSurface& surface, double v, const ChartSize& titleSize, bool labelOnly);
    bool InSpan(int px) const;
    void Redraw() const;

    CChartCtrl* m_ctrl = nullptr;
    bool m_horizontal = false;
    bool m_secondary = false;
    bool m_visible = true;
    AutoRangeMode m_autoMode = ManualRange;
    double m_min = 0;
    double m_max = 0;
    double m_unzoomedMin = 0;
    double m_unzoomedMax = 0;
    bool m_autoTicks = true;
    int m_startPx = 0;
    int m_endPx = 0;
    ChartRect m_bandRect;
    int m_fontSize = 80;
    QString m_fontFace = QStringLiteral("Microsoft Sans Serif");
    ChartColour m_textColour = 0x000000;
    ChartColour m_lineColour = 0x000000;
    std::unique_ptr<CChartGrid> m_grid;
    std::unique_ptr<CChartAxisLabel> m_label;
    std::vector<CChartSerie*> m_series;
    bool m_autoBand = true;
    int m_bandSize = 0;
    bool m_zoomEnabled = true;
    double m_zoomLimit = 0.001;
    CChartScrollBar* m_scrollBar = nullptr;  // owned: deleted by the destructor
    bool m_scrollBarBehind = false;  // new points came since the bar was last worked out
};

// The standard numeric axis.
class CChartStandardAxis : public CChartAxis {
public:
    CChartStandardAxis() = default;

    double FirstTickValue() const override { return m_firstTick; }
    bool NextTickValue(double v, double& next) const override;
    int TickPosition(double v) const override { return ValueToPixel(v); }
    QString TickLabelText(double v) const override;
    void ComputeTickIncrement() override;
    void ComputeFirstTick() override;

    double TickIncrement() const { return m_tickIncrement; }
    int Decimals() const { return m_decimals; }
    double FirstTick() const { return m_firstTick; }
    // A fixed increment (turns automatic ticks off); 0 draws a single tick at the minimum.
    void SetTickIncrement(double increment, int decimals);
    void AddFrameKey(ChartFrameKey& key) const override;

private:
    double m_firstTick = 0;
    double m_tickIncrement = 1.0;
    int m_decimals = 0;
};
