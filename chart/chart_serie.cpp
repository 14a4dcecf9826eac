#include "chart/chart_serie.h"

#include "chart/chart_ctrl.h"

#include <climits>
#include <cmath>

namespace {
// Process-wide: every series of every chart takes the next id; never reset.
unsigned g_nextSerieId = 0;
}  // namespace

CChartSerie::CChartSerie(CChartCtrl* ctrl) : m_ctrl(ctrl), m_id(g_nextSerieId++) {}

CChartSerie::~CChartSerie()
{
    if (m_horzAxis)
        m_horzAxis->UnregisterSerie(this);
    if (m_vertAxis)
        m_vertAxis->UnregisterSerie(this);
}

unsigned CChartSerie::NextId()
{
    return g_nextSerieId;
}

void CChartSerie::Redraw() const
{
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartSerie::SetName(const QString& name)
{
    m_name = name;
    Redraw();
}

void CChartSerie::SetVisible(bool visible)
{
    // The scroll bars worked out from the points so far see the series as it was.
    for (CChartAxis* axis : {m_horzAxis, m_vertAxis})
        if (axis)
            axis->CatchUpScrollBar();
    m_visible = visible;
    Redraw();
}

void CChartSerie::SetSerieColor(ChartColour colour)
{
    m_colour = colour;
    Redraw();
}

void CChartSerie::BindAxes(CChartAxis* vertical, CChartAxis* horizontal)
{
    m_vertAxis = vertical;
    m_horzAxis = horizontal;
}

// ------------------------------------------------------------------------------------------

void CChartXYSerie::SetXYData(const double* xs, const double* ys, unsigned n)
{
    if (!xs || !ys)
        n = 0;
    StorePoints(n, [xs, ys](unsigned i) { return SChartXYPoint{xs[i], ys[i]}; });
    RefreshAfterNewPoints();
}

void CChartXYSerie::RefreshAfterNewPoints()
{
    if (!m_ctrl)
        return;
    // While the control's redrawing is suspended, the scroll bars of its manual axes wait for
    // it to resume (one update for all the series set meanwhile); automatic ranges follow now.
    const bool suspended = m_ctrl->RedrawCounter() < 1;
    m_ctrl->EnableRedraw(false);
    if (m_horzAxis)
        m_horzAxis->FollowNewPoints(suspended && m_horzAxis->Ctrl() == m_ctrl);
    if (m_vertAxis)
        m_vertAxis->FollowNewPoints(suspended && m_vertAxis->Ctrl() == m_ctrl);
    m_ctrl->RedrawChart();
    m_ctrl->EnableRedraw(true);
}

void CChartXYSerie::SetPoints(const SChartXYPoint* points, unsigned n)
{
    if (!points)
        n = 0;
    CChartSerieBase<SChartXYPoint>::SetPoints(points, n);
    RefreshAfterNewPoints();
}

// ------------------------------------------------------------------------------------------

void CChartLineSerie::SetLineWidth(int px)
{
    m_lineWidth = px;
    Redraw();
}

void CChartLineSerie::SetPenStyle(ChartPenStyle style)
{
    m_penStyle = style;
    Redraw();
}

void CChartLineSerie::DrawLegendKey(ChartSurface& surface, const ChartRect& rect)
{
    if (m_name.isEmpty())
        return;
    surface.SetPen(m_penStyle, m_lineWidth, m_colour);
    const int y = (rect.top + rect.bottom) / 2;
    surface.MoveTo(rect.left, y);
    surface.LineTo(rect.right, y);
}

void CChartLineSerie::DrawAll(ChartSurface& surface)
{
    // The pixel buffer keeps its size from one drawing to the next (filled in place below);
    // a drawing that stops early leaves it empty.
    m_drawnArea = {};
    unsigned first = 0, last = 0;
    if (!m_visible || !m_horzAxis || !m_vertAxis || !VisiblePoints(first, last)) {
        m_pixels.clear();
        return;
    }
    if (first > 0)
        --first;
    if (last < m_count - 1)
        ++last;
    if (last < first + 1) {
        m_pixels.clear();
        return;
    }
    // A curve that lies wholly beyond one edge of the clip (widened by the pen) draws nothing:
    // the axes map values monotonically, so the pixels of its extremes bound all of its points.
    const int reach = std::max(1, m_lineWidth) + 1;
    const int x1 = m_horzAxis->PixelOf(m_minX), x2 = m_horzAxis->PixelOf(m_maxX);
    const int y1 = m_vertAxis->PixelOf(m_minY), y2 = m_vertAxis->PixelOf(m_maxY);
    if (std::max(x1, x2) < m_drawRect.left - reach || std::min(x1, x2) >= m_drawRect.right + reach ||
        std::max(y1, y2) < m_drawRect.top - reach || std::min(y1, y2) >= m_drawRect.bottom + reach) {
        m_pixels.clear();
        return;
    }

    surface.SetPen(m_penStyle, m_lineWidth, m_colour);
    surface.IntersectClip(m_drawRect);
    if (m_pixels.size() < last - first + 1)
        m_pixels.resize(last - first + 1);
    ChartPoint* out = m_pixels.data();
    std::size_t n = 0;
    // The box of the pixels, taken as they are made.
    ChartRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    const ChartPixelMap mapX = m_horzAxis->PixelMap(), mapY = m_vertAxis->PixelMap();
    const bool mapped = mapX.valid && mapY.valid;
    for (unsigned i = first; i <= last; ++i) {
        const SChartXYPoint& p = m_points[i];
        // A point without a value (NaN) has no place on the chart: the curve joins its
        // neighbours.
        if (std::isnan(p.X) || std::isnan(p.Y))
            continue;
        const ChartPoint px = mapped ? ChartPoint{mapX(p.X), mapY(p.Y)} : PointPixel(i);
        if (n == 0 || out[n - 1] != px) {
            out[n++] = px;
            box.left = std::min(box.left, px.x);
            box.right = std::max(box.right, px.x);
            box.top = std::min(box.top, px.y);
            box.bottom = std::max(box.bottom, px.y);
        }
    }
    m_pixels.resize(n);
    surface.Polyline(m_pixels.data(), int(m_pixels.size()));
    surface.ResetClip();

    // Where the polyline can have touched: its points' box, widened by the pen on every side
    // (more than any pen or cap reaches), within the clip.
    if (m_pixels.size() >= 2) {
        box = {std::max(m_drawRect.left, box.left - reach), std::max(m_drawRect.top, box.top - reach),
               std::min(m_drawRect.right, box.right + reach + 1), std::min(m_drawRect.bottom, box.bottom + reach + 1)};
        if (!box.IsEmpty())
            m_drawnArea = box;
    }
}
