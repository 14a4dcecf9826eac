#include "chart/chart_axis.h"

#include "chart/chart_ctrl.h"
#include "chart/chart_scrollbar.h"
#include "chart/chart_serie.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int TruncHalf(double v)
{
    return static_cast<int>(std::fabs(v));
}

}  // namespace

// ------------------------------------------------------------------------------------------
// CChartGrid

CChartGrid::CChartGrid(CChartCtrl* ctrl, bool horizontal) : m_ctrl(ctrl), m_horizontal(horizontal) {}

void CChartGrid::SetVisible(bool visible)
{
    m_visible = visible;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartGrid::SetColor(ChartColour colour)
{
    m_colour = colour;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartGrid::Draw(ChartSurface& surface, const ChartRect& plot) const
{
    if (!m_visible)
        return;
    surface.IntersectClip(plot);
    surface.SetPen(ChartPenStyle::Solid, 1, m_colour);
    for (int p : m_ticks) {
        if (m_horizontal) {
            for (int y = plot.bottom; y > plot.top; y -= 6) {
                surface.MoveTo(p, y);
                surface.LineTo(p, y - 3);
            }
        } else {
            for (int x = plot.left; x < plot.right; x += 6) {
                surface.MoveTo(x, p);
                surface.LineTo(x + 3, p);
            }
        }
    }
    surface.ResetClip();
}

// ------------------------------------------------------------------------------------------
// CChartAxisLabel

CChartAxisLabel::CChartAxisLabel(CChartCtrl* ctrl, bool horizontal) : m_ctrl(ctrl), m_horizontal(horizontal)
{
    m_font.face = QStringLiteral("Microsoft Sans Serif");
    m_font.size = 100;
    m_font.vertical = !horizontal;
}

void CChartAxisLabel::SetText(const QString& text)
{
    m_text = text;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartAxisLabel::SetVisible(bool visible)
{
    m_visible = visible;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartAxisLabel::SetColor(ChartColour colour)
{
    m_colour = colour;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartAxisLabel::SetFont(int tenthsOfPoint, const QString& face)
{
    m_font.size = tenthsOfPoint;
    m_font.face = face;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

ChartSize CChartAxisLabel::Size(ChartSurface& surface) const
{
    if (!m_visible || m_text.isEmpty())
        return {0, 0};
    const ChartSize s = surface.MeasureText(m_text, m_font);
    if (m_horizontal)
        return {s.cx + 4, s.cy + 4};
    return {s.cy + 4, s.cx + 4};
}

void CChartAxisLabel::Draw(ChartSurface& surface) const
{
    if (!m_visible || m_text.isEmpty())
        return;
    if (m_horizontal)
        surface.DrawText(m_rect.left, m_rect.top + 2, m_text, m_font, m_colour);
    else
        surface.DrawText(m_rect.left + 2, m_rect.top, m_text, m_font, m_colour);
}

// ------------------------------------------------------------------------------------------
// CChartAxis

CChartAxis::CChartAxis()
    : m_grid(std::make_unique<CChartGrid>(nullptr, false)), m_label(std::make_unique<CChartAxisLabel>(nullptr, false))
{
}

CChartAxis::~CChartAxis()
{
    delete m_scrollBar;
}

void CChartAxis::Attach(CChartCtrl* ctrl, AxisPosition position)
{
    m_ctrl = ctrl;
    m_secondary = position == RightAxis || position == TopAxis;
    m_horizontal = position == BottomAxis || position == TopAxis;
    m_grid->Bind(ctrl, m_horizontal);
    m_label->Bind(ctrl, m_horizontal);
    m_label->SetVerticalFont(!m_horizontal);
}

AxisPosition CChartAxis::Position() const
{
    if (m_horizontal)
        return m_secondary ? TopAxis : BottomAxis;
    return m_secondary ? RightAxis : LeftAxis;
}

void CChartAxis::Redraw() const
{
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartAxis::SetRange(double min, double max)
{
    m_min = m_unzoomedMin = min;
    m_max = m_unzoomedMax = max;
    UpdateScrollBar();
    Redraw();
}

void CChartAxis::SetAutoMode(AutoRangeMode mode)
{
    m_autoMode = mode;
    RefreshAutoRange();
}

void CChartAxis::ZoomTo(double min, double max)
{
    if (!m_zoomEnabled || m_min == m_max)
        return;
    // A zoom or pan never leaves the finite numbers: such a request is ignored.
    if (!std::isfinite(min) || !std::isfinite(max))
        return;
    m_min = min;
    m_max = (max - min < m_zoomLimit) ? min + m_zoomLimit : max;
    if (!std::isfinite(m_max))
        m_max = min;
    UpdateScrollBar();
}

void CChartAxis::UndoZoom()
{
    m_min = m_unzoomedMin;
    m_max = m_unzoomedMax;
    UpdateScrollBar();
    Redraw();
}

void CChartAxis::PanBy(int fromPx, int toPx)
{
    const double delta = ScreenToValue(fromPx) - ScreenToValue(toPx);
    ZoomTo(m_min + delta, m_max + delta);
}

void CChartAxis::SetVisible(bool visible)
{
    m_visible = visible;
    Redraw();
}

void CChartAxis::SetTextColor(ChartColour colour)
{
    m_textColour = colour;
    Redraw();
}

void CChartAxis::SetAxisColor(ChartColour colour)
{
    m_lineColour = colour;
    Redraw();
}

void CChartAxis::SetFont(int tenthsOfPoint, const QString& face)
{
    m_fontSize = tenthsOfPoint;
    m_fontFace = face;
    Redraw();
}

ChartFont CChartAxis::TickFont() const
{
    ChartFont f;
    f.face = m_fontFace;
    f.size = m_fontSize;
    return f;
}

// --- series -------------------------------------------------------------------------------

void CChartAxis::RegisterSerie(CChartSerie* serie)
{
    CatchUpScrollBar();
    if (serie && std::find(m_series.begin(), m_series.end(), serie) == m_series.end())
        m_series.push_back(serie);
}

void CChartAxis::UnregisterSerie(CChartSerie* serie)
{
    m_series.erase(std::remove(m_series.begin(), m_series.end(), serie), m_series.end());
}

void CChartAxis::DataRange(bool visibleOnly, double& min, double& max) const
{
    // Series that report nothing (hidden, empty, or not ordered for the visible search) are
    // left out; without any report the range is 0..0.
    bool any = false;
    min = max = 0;
    for (const CChartSerie* s : m_series) {
        double lo = 0, hi = 0;
        bool ok;
        if (visibleOnly)
            ok = m_horizontal ? s->VisibleXRange(lo, hi) : s->VisibleYRange(lo, hi);
        else
            ok = m_horizontal ? s->XRange(lo, hi) : s->YRange(lo, hi);
        if (!ok)
            continue;
        if (!any) {
            min = lo;
            max = hi;
            any = true;
        } else {
            min = std::min(min, lo);
            max = std::max(max, hi);
        }
    }
}

void CChartAxis::RefreshAutoRange()
{
    UpdateScrollBar();
    if (m_autoMode == ManualRange)
        return;
    double min = 0, max = 0;
    DataRange(m_autoMode == VisibleRange, min, max);
    if (min != m_min || max != m_max) {
        m_min = m_unzoomedMin = min;
        m_max = m_unzoomedMax = max;
        UpdateScrollBar();
        Redraw();
    }
}

void CChartAxis::FollowNewPoints(bool deferBar)
{
    if (deferBar && m_autoMode == ManualRange)
        m_scrollBarBehind = true;
    else
        RefreshAutoRange();
}

// --- mapping ------------------------------------------------------------------------------

double CChartAxis::ScreenToValue(int px) const
{
    if (m_min == m_max)
        return m_min;
    const int length = std::abs(m_endPx - m_startPx);
    if (length == 0)
        return m_min;
    const int offset = m_horizontal ? px - m_startPx : m_startPx - px;
    return m_min + double(offset) / length * (m_max - m_min);
}

int CChartAxis::ValueToPixel(double v) const
{
    const int length = std::abs(m_endPx - m_startPx);
    const int offset = ChartPixelOffset(length * (v - m_min) / (m_max - m_min));
    return m_horizontal ? m_startPx + offset : m_startPx - offset;
}

ChartPixelMap CChartAxis::PixelMap() const
{
    ChartPixelMap map;
    map.valid = true;
    map.direction = m_horizontal ? 1 : -1;
    if (m_min == m_max) {
        // 0 * anything / 1 is 0 or NaN, either an offset of 0: every value maps to the middle.
        map.start = PixelOf(m_min);
        return map;
    }
    map.start = m_startPx;
    map.length = std::abs(m_endPx - m_startPx);
    map.min = m_min;
    map.range = m_max - m_min;
    return map;
}

int CChartAxis::PixelOf(double v) const
{
    if (m_min == m_max) {
        const int half = TruncHalf((m_endPx - m_startPx) * 0.5);
        return m_horizontal ? m_startPx + half : m_startPx - half;
    }
    return ValueToPixel(v);
}

bool CChartAxis::InSpan(int px) const
{
    return px >= std::min(m_startPx, m_endPx) && px <= std::max(m_startPx, m_endPx);
}

// --- scrolling ----------------------------------------------------------------------------

void CChartAxis::ScrollSteps(int& steps, int& pos) const
{
    double dMin = 0, dMax = 0;
    DataRange(false, dMin, dMax);
    const double range = m_max - m_min;
    const double data = dMax - dMin;
    steps = 1;
    pos = 1;
    if (range == 0 || data == 0 || !std::isfinite(range) || !std::isfinite(data))
        return;
    // Far-zoomed ranges would need more steps than a bar can hold; keep the count bounded.
    constexpr double kMaxSteps = 1e6;
    const double s = std::ceil(data / (range / 10));
    if (!std::isfinite(s) || s < 1)
        return;
    steps = static_cast<int>(std::min(s, kMaxSteps));
    const double p = std::trunc((m_min - dMin) / data * steps);
    pos = std::isfinite(p) ? static_cast<int>(std::clamp(p, -kMaxSteps, kMaxSteps)) : 0;
}

void CChartAxis::ScrollToStep(int previous, int current, bool reversed)
{
    const double shift = (m_max - m_min) / 10 * (current - previous);
    if (reversed)
        ZoomTo(m_min - shift, m_max - shift);
    else
        ZoomTo(m_min + shift, m_max + shift);
}

void CChartAxis::UpdateScrollBar()
{
    m_scrollBarBehind = false;
    if (m_scrollBar)
        m_scrollBar->Refresh();
}

// --- layout and drawing -------------------------------------------------------------------

void CChartAxis::Place(const ChartRect& plotRect, const ChartRect& r)
{
    if (m_horizontal) {
        m_startPx = plotRect.left;
        m_endPx = plotRect.right;
    } else {
        m_startPx = plotRect.bottom;
        m_endPx = plotRect.top;
    }
    m_bandRect = r;
    switch (Position()) {
    case LeftAxis: m_bandRect.right = plotRect.left; break;
    case RightAxis: m_bandRect.left = plotRect.right; break;
    case BottomAxis: m_bandRect.top = plotRect.bottom; break;
    case TopAxis: m_bandRect.bottom = plotRect.top; break;
    }
}

ChartSize CChartAxis::MaxTickLabelSize(ChartSurface& surface) const
{
    const ChartFont font = TickFont();
    if (m_min == m_max)
        return surface.MeasureText(TickLabelText(m_min), font);
    ChartSize size;
    double v = FirstTickValue();
    for (int count = 0; count < kMaxTicks; ++count) {
        if (InSpan(PixelOf(v))) {
            const ChartSize s = surface.MeasureText(TickLabelText(v), font);
            size.cx = std::max(size.cx, s.cx);
            size.cy = std::max(size.cy, s.cy);
        }
        if (!NextTickValue(v, v))
            break;
    }
    return size;
}

int CChartAxis::BandSize(ChartSurface& surface, const ChartRect& r, ChartRect& plotRect)
{
    if (!m_visible)
        return 0;
    const ChartSize tick = MaxTickLabelSize(surface);
    const ChartSize title = m_label->Size(surface);
    int size;
    if (m_horizontal) {
        size = title.cy + tick.cy + 6;
        if (m_autoBand)
            m_bandSize = size;
        else
            size = m_bandSize;
        if (m_secondary)
            plotRect.top = std::max(plotRect.top, r.top + size);
        else
            plotRect.bottom = std::min(plotRect.bottom, r.bottom - size);
        plotRect.right = std::min(plotRect.right, r.right - 3 - tick.cx / 2);
    } else {
        size = title.cx + tick.cx + 10;
        if (m_autoBand)
            m_bandSize = size;
        else
            size = m_bandSize;
        plotRect.top = std::max(plotRect.top, r.top + tick.cy / 2 + 3);
        if (m_secondary)
            plotRect.right = std::min(plotRect.right, r.right - size);
        else
            plotRect.left = std::max(plotRect.left, r.left + size);
    }
    return size;
}

void CChartAxis::Draw(ChartSurface& surface)
{
    if (!m_visible)
        return;
    surface.SetPen(ChartPenStyle::Solid, 1, m_lineColour);

    const ChartRect& band = m_bandRect;
    switch (Position()) {
    case TopAxis:
        surface.MoveTo(m_startPx, band.bottom - 1);
        surface.LineTo(m_endPx, band.bottom - 1);
        break;
    case BottomAxis:
        surface.MoveTo(m_startPx, band.top + 1);
        surface.LineTo(m_endPx, band.top + 1);
        break;
    case RightAxis:
        surface.MoveTo(band.left + 1, m_startPx);
        surface.LineTo(band.left + 1, m_endPx);
        break;
    case LeftAxis:
        surface.MoveTo(band.right - 1, m_startPx);
        surface.LineTo(band.right - 1, m_endPx);
        break;
    }

    // Title.
    const ChartSize title = m_label->Size(surface);
    const ChartSize maxTick = MaxTickLabelSize(surface);
    const int mid = TruncHalf((m_startPx + m_endPx) * 0.5);
    int left = 0, top = 0;
    switch (Position()) {
    case BottomAxis:
        top = band.top + maxTick.cy + 2;
        left = mid - title.cx / 2;
        break;
    case TopAxis:
        top = band.top;
        left = mid - title.cx / 2;
        break;
    case LeftAxis:
        top = mid + title.cy / 2;
        left = band.left;
        break;
    case RightAxis:
        top = mid + title.cy / 2;
        left = band.right - title.cx - 2;
        break;
    }
    m_label->SetRect({left, top, left + title.cx, top + title.cy});
    m_label->Draw(surface);

    m_grid->ClearTicks();
    if (m_min != m_max) {
        double v = FirstTickValue();
        for (int count = 0; count < kMaxTicks; ++count) {
            DrawTick(surface, v, title, false);
            if (!NextTickValue(v, v))
                break;
        }
    } else {
        DrawTick(surface, m_min, title, true);
    }
    if (m_ctrl)
        m_grid->Draw(surface, m_ctrl->PlotRect());
}

void CChartAxis::AddFrameKey(ChartFrameKey& key) const
{
    key.Add(m_horizontal);
    key.Add(m_secondary);
    key.Add(m_visible);
    key.Add(m_min);
    key.Add(m_max);
    key.Add(m_autoTicks);
    key.Add(m_startPx);
    key.Add(m_endPx);
    key.Add(m_bandRect);
    key.Add(m_fontSize);
    key.Add(m_fontFace);
    key.Add(m_textColour);
    key.Add(m_lineColour);
    key.Add(m_autoBand);
    key.Add(m_bandSize);
    key.Add(m_label->IsVisible());
    key.Add(m_label->IsHorizontal());
    key.Add(m_label->Color());
    key.Add(m_label->Font());
    key.Add(m_label->Text());
    key.Add(m_grid->IsVisible());
    key.Add(m_grid->IsHorizontal());
    key.Add(m_grid->Color());
}

void CChartAxis::DrawTick(ChartSurface& surface, double v, const ChartSize& titleSize, bool labelOnly)
{
    const int tp = TickPosition(v);
    const int lp = PixelOf(v);
    const QString text = TickLabelText(v);
    const ChartFont font = TickFont();
    const ChartSize ts = surface.MeasureText(text, font);
    const ChartRect& band = m_bandRect;
    const bool mark = !labelOnly && InSpan(tp);
    const bool label = InSpan(lp);
    surface.SetPen(ChartPenStyle::Solid, 1, m_lineColour);
    int lx = 0, ly = 0;
    switch (Position()) {
    case BottomAxis:
        if (mark) {
            surface.MoveTo(tp, band.top + 1);
            surface.LineTo(tp, band.top + 4);
        }
        lx = lp - ts.cx / 2;
        ly = band.top + 5;
        break;
    case TopAxis:
        if (mark) {
            surface.MoveTo(tp, band.bottom - 1);
            surface.LineTo(tp, band.bottom - 4);
        }
        lx = lp - ts.cx / 2;
        ly = band.bottom - ts.cy - 5;
        break;
    case LeftAxis:
        if (mark) {
            surface.MoveTo(band.right - 1, tp);
            surface.LineTo(band.right - 4, tp);
        }
        lx = band.left + titleSize.cx + 4;
        ly = lp - ts.cy / 2;
        break;
    case RightAxis:
        if (mark) {
            surface.MoveTo(band.left + 1, tp);
            surface.LineTo(band.left + 4, tp);
        }
        lx = band.left + 6;
        ly = lp - ts.cy / 2;
        break;
    }
    if (label)
        surface.DrawText(lx, ly, text, font, m_textColour);
    if (!labelOnly)
        m_grid->AddTick(tp);
}

// ------------------------------------------------------------------------------------------
// CChartStandardAxis

void CChartStandardAxis::SetTickIncrement(double increment, int decimals)
{
    m_autoTicks = false;
    m_tickIncrement = (std::isfinite(increment) && increment > 0) ? increment : 0;
    m_decimals = std::clamp(decimals, 0, 30);
    Redraw();
}

void CChartStandardAxis::AddFrameKey(ChartFrameKey& key) const
{
    CChartAxis::AddFrameKey(key);
    key.Add(m_firstTick);
    key.Add(m_tickIncrement);
    key.Add(m_decimals);
}

bool CChartStandardAxis::NextTickValue(double v, double& next) const
{
    if (m_tickIncrement == 0)
        return false;
    const double n = v + m_tickIncrement;
    if (!(n > v))  // the increment no longer advances at this magnitude
        return false;
    // A little slack so that a maximum reached through rounding (0.1 + 0.1 + 0.1) still
    // gets its tick.
    if (n > m_max + m_tickIncrement * 1e-9)
        return false;
    next = n;
    return true;
}

QString CChartStandardAxis::TickLabelText(double v) const
{
    QString text = QString::number(v, 'f', m_decimals);
    // A value that rounds to zero is written without a sign.
    if (text.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (int i = 1; i < text.size() && zero; ++i)
            zero = text[i] == QLatin1Char('0') || text[i] == QLatin1Char('.');
        if (zero)
            text.remove(0, 1);
    }
    return text;
}

void CChartStandardAxis::ComputeTickIncrement()
{
    if (!m_autoTicks)
        return;
    if (m_min == m_max) {
        m_tickIncrement = 0;
        return;
    }
    // A range that cannot be divided (non-finite bounds, a reversed range) gets a single tick
    // at its minimum.
    if (!std::isfinite(m_min) || !std::isfinite(m_max) || m_max < m_min || !std::isfinite(m_max - m_min)) {
        m_tickIncrement = 0;
        m_decimals = 0;
        return;
    }
    const int spacing = m_horizontal ? 30 : 20;
    const int n = std::abs((m_endPx - m_startPx) / spacing);
    if (n == 0)
        return;
    const double step = (m_max - m_min) / n;
    if (!(step > 0) || !std::isfinite(step)) {
        m_tickIncrement = 0;
        m_decimals = 0;
        return;
    }
    const int e = static_cast<int>(std::floor(std::log10(step)));
    const double g = std::pow(10.0, e);
    const int decimals = e < 0 ? -e : 0;
    double increment;
    int dec = decimals;
    if (g >= step)
        increment = g;
    else if (2 * g >= step)
        increment = 2 * g;
    else if (5 * g >= step)
        increment = 5 * g;
    else {
        increment = 10 * g;
        dec = std::max(0, decimals - 1);
    }
    // An increment too small to advance a value of this magnitude (huge values zoomed very
    // far in) cannot walk the range: draw a single tick at the minimum instead.
    const double magnitude = std::max(std::fabs(m_min), std::fabs(m_max));
    if (!(magnitude + increment > magnitude) || !std::isfinite(increment) || increment <= 0) {
        m_tickIncrement = 0;
        m_decimals = 0;
        return;
    }
    m_tickIncrement = increment;
    m_decimals = dec;
}

void CChartStandardAxis::ComputeFirstTick()
{
    if (m_tickIncrement == 0 || !std::isfinite(m_min)) {
        m_firstTick = m_min;
        return;
    }
    if (m_min == 0) {
        m_firstTick = 0;
        return;
    }
    const double q = std::trunc(m_min / m_tickIncrement);
    // Quotients beyond 2^53 cannot be walked exactly; start at the minimum itself.
    if (!std::isfinite(q) || std::fabs(q) > 9007199254740992.0) {
        m_firstTick = m_min;
        return;
    }
    double first = q * m_tickIncrement;
    int guard = 0;
    if (m_min > 0) {
        while (first < m_min && guard++ < kMaxTicks)
            first += m_tickIncrement;
    } else {
        while (first > m_min && guard++ < kMaxTicks)
            first -= m_tickIncrement;
        if (first != m_min)
            first += m_tickIncrement;
    }
    if (guard >= kMaxTicks)
        first = m_min;
    m_firstTick = first;
}
