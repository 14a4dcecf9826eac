#include "chart/chart_serie.h"

#include "chart/chart_ctrl.h"

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
    if (m_capacity < n) {
        std::vector<SChartXYPoint>().swap(m_points);
        m_points.resize(n);
        m_capacity = n;
    }
    for (unsigned i = 0; i < n; ++i)
        m_points[i] = {xs[i], ys[i]};
    m_count = n;
    Sort();
    RecomputeExtremes();

    RefreshAfterNewPoints();
}

void CChartXYSerie::RefreshAfterNewPoints()
{
    if (!m_ctrl)
        return;
    m_ctrl->EnableRedraw(false);
    if (m_horzAxis)
        m_horzAxis->RefreshAutoRange();
    if (m_vertAxis)
        m_vertAxis->RefreshAutoRange();
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

void CChartLineSerie::DrawLegendKey(ChartSurface& surface, const ChartRect& rect)
{
    if (m_name.isEmpty())
        return;
    surface.SetPen(ChartPenStyle::Solid, m_lineWidth, m_colour);
    const int y = (rect.top + rect.bottom) / 2;
    surface.MoveTo(rect.left, y);
    surface.LineTo(rect.right, y);
}

void CChartLineSerie::DrawAll(ChartSurface& surface)
{
    m_pixels.clear();
    m_drawnArea = {};
    if (!m_visible || !m_horzAxis || !m_vertAxis)
        return;
    unsigned first = 0, last = 0;
    if (!VisiblePoints(first, last))
        return;
    if (first > 0)
        --first;
    if (last < m_count - 1)
        ++last;
    if (last < first + 1)
        return;
    // A curve that lies wholly beyond one edge of the clip (widened by the pen) draws nothing:
    // the axes map values monotonically, so the pixels of its extremes bound all of its points.
    const int reach = std::max(1, m_lineWidth) + 1;
    const int x1 = m_horzAxis->PixelOf(m_minX), x2 = m_horzAxis->PixelOf(m_maxX);
    const int y1 = m_vertAxis->PixelOf(m_minY), y2 = m_vertAxis->PixelOf(m_maxY);
    if (std::max(x1, x2) < m_drawRect.left - reach || std::min(x1, x2) >= m_drawRect.right + reach ||
        std::max(y1, y2) < m_drawRect.top - reach || std::min(y1, y2) >= m_drawRect.bottom + reach)
        return;

    surface.SetPen(ChartPenStyle::Solid, m_lineWidth, m_colour);
    surface.IntersectClip(m_drawRect);
    // Written in place: the buffer keeps its size from one drawing to the next.
    m_pixels.resize(last - first + 1);
    ChartPoint* out = m_pixels.data();
    std::size_t n = 0;
    const ChartPixelMap mapX = m_horzAxis->PixelMap(), mapY = m_vertAxis->PixelMap();
    const bool mapped = mapX.valid && mapY.valid;
    for (unsigned i = first; i <= last; ++i) {
        const SChartXYPoint& p = m_points[i];
        // A point without a value (NaN) has no place on the chart: the curve joins its
        // neighbours.
        if (std::isnan(p.X) || std::isnan(p.Y))
            continue;
        const ChartPoint px = mapped ? ChartPoint{mapX(p.X), mapY(p.Y)} : PointPixel(i);
        if (n == 0 || out[n - 1] != px)
            out[n++] = px;
    }
    m_pixels.resize(n);
    surface.Polyline(m_pixels.data(), int(m_pixels.size()));
    surface.ResetClip();

    // Where the polyline can have touched: its points' box, widened by the pen on every side
    // (more than any pen or cap reaches), within the clip.
    if (m_pixels.size() >= 2) {
        ChartRect box{m_pixels[0].x, m_pixels[0].y, m_pixels[0].x, m_pixels[0].y};
        for (const ChartPoint& p : m_pixels) {
            box.left = std::min(box.left, p.x);
            box.right = std::max(box.right, p.x);
            box.top = std::min(box.top, p.y);
            box.bottom = std::max(box.bottom, p.y);
        }
        box = {std::max(m_drawRect.left, box.left - reach), std::max(m_drawRect.top, box.top - reach),
               std::min(m_drawRect.right, box.right + reach + 1), std::min(m_drawRect.bottom, box.bottom + reach + 1)};
        if (!box.IsEmpty())
            m_drawnArea = box;
    }
}
