#pragma once
// Chart series: XY points drawn as a polyline against one horizontal and one vertical axis.

#include "chart/chart_axis.h"
#include "chart/chart_surface.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

class CChartCtrl;

struct SChartXYPoint {
    double X = 0;
    double Y = 0;
};

enum PointOrder { NoOrder = 0, OrderByX = 1, OrderByY = 2 };

// Base of all series. Created and owned by the control; deleting a series unregisters it from
// its axes.
class CChartSerie {
public:
    explicit CChartSerie(CChartCtrl* ctrl);
    virtual ~CChartSerie();
    CChartSerie(const CChartSerie&) = delete;
    CChartSerie& operator=(const CChartSerie&) = delete;

    virtual unsigned PointCount() const = 0;
    virtual ChartPoint PointPixel(unsigned i) const = 0;
    virtual bool YRange(double& min, double& max) const = 0;
    virtual bool XRange(double& min, double& max) const = 0;
    virtual bool VisibleXRange(double& min, double& max) const = 0;
    virtual bool VisibleYRange(double& min, double& max) const = 0;
    virtual bool VisiblePoints(unsigned& first, unsigned& last) const = 0;
    virtual void DrawLegendKey(ChartSurface& surface, const ChartRect& rect) = 0;
    virtual void DrawAll(ChartSurface& surface) = 0;
    // A rectangle holding every pixel the last DrawAll drew (empty when it drew nothing). By
    // default the whole clip rectangle.
    virtual ChartRect DrawnArea() const { return m_drawRect; }

    unsigned Id() const { return m_id; }
    void SetName(const QString& name);
    const QString& Name() const { return m_name; }
    void SetVisible(bool visible);
    bool IsVisible() const { return m_visible; }
    // Sets the line colour (0x00BBGGRR) and redraws.
    void SetSerieColor(ChartColour colour);
    ChartColour SerieColor() const { return m_colour; }

    // Binds the series to its axes (the control registers it with them).
    void BindAxes(CChartAxis* vertical, CChartAxis* horizontal);
    CChartAxis* VerticalAxis() const { return m_vertAxis; }
    CChartAxis* HorizontalAxis() const { return m_horzAxis; }
    void SetDrawRect(const ChartRect& rect) { m_drawRect = rect; }
    const ChartRect& DrawRect() const { return m_drawRect; }

    // Next id the process-wide counter will hand out.
    static unsigned NextId();

protected:
    void Redraw() const;

    CChartCtrl* m_ctrl;
    CChartAxis* m_vertAxis = nullptr;
    CChartAxis* m_horzAxis = nullptr;
    QString m_name;
    bool m_visible = true;
    ChartColour m_colour = 0x000000;
    unsigned m_id;
    ChartRect m_drawRect;
};

// Point storage, ordering, ranges and the visible-point search.
template <class PointT>
class CChartSerieBase : public CChartSerie {
public:
    explicit CChartSerieBase(CChartCtrl* ctrl) : CChartSerie(ctrl), m_points(kInitialCapacity) {}

    unsigned PointCount() const override { return m_count; }
    ChartPoint PointPixel(unsigned i) const override
    {
        return {m_horzAxis->PixelOf(m_points[i].X), m_vertAxis->PixelOf(m_points[i].Y)};
    }
    bool XRange(double& min, double& max) const override
    {
        if (!m_visible || m_count == 0)
            return false;
        min = m_minX;
        max = m_maxX;
        return true;
    }
    bool YRange(double& min, double& max) const override
    {
        if (!m_visible || m_count == 0)
            return false;
        min = m_minY;
        max = m_maxY;
        return true;
    }
    bool VisibleXRange(double& min, double& max) const override { return VisibleRangeOf(OrderByY, true, min, max); }
    bool VisibleYRange(double& min, double& max) const override { return VisibleRangeOf(OrderByX, false, min, max); }

    bool VisiblePoints(unsigned& first, unsigned& last) const override
    {
        if (m_count == 0)
            return false;
        if (m_order == NoOrder) {
            first = 0;
            last = m_count - 1;
            return true;
        }
        const CChartAxis* axis = m_order == OrderByX ? m_horzAxis : m_vertAxis;
        if (!axis)
            return false;
        first = Search(axis->RangeMin(), 0, m_count - 1);
        last = Search(axis->RangeMax(), first, m_count - 1);
        return true;
    }

    // Stores the order; an ordered setting sorts the stored points at once. Does not redraw.
    virtual void SetPointOrder(PointOrder order)
    {
        m_order = order;
        Sort();
    }
    PointOrder GetPointOrder() const { return m_order; }

    const PointT& Point(unsigned i) const { return m_points[i]; }
    unsigned Capacity() const { return m_capacity; }
    const PointT* PointData() const { return m_points.data(); }

    static constexpr unsigned kInitialCapacity = 1000;

protected:
    // Replaces the points: storage is reused when they fit; sorts, recomputes the extremes.
    void SetPoints(const PointT* points, unsigned n)
    {
        StorePoints(n, [points](unsigned i) { return points[i]; });
    }

    // Replaces the points by point(0) .. point(n - 1) as SetPoints does. Unordered points are
    // measured as they are stored, in one pass; ordered ones are sorted first and measured
    // after, in their new order.
    template <class Make>
    void StorePoints(unsigned n, Make point)
    {
        if (m_capacity < n) {
            std::vector<PointT>().swap(m_points);
            m_points.resize(n);
            m_capacity = n;
        }
        m_count = n;
        PointT* out = m_points.data();
        if (m_order != NoOrder) {
            for (unsigned i = 0; i < n; ++i)
                out[i] = point(i);
            Sort();
            RecomputeExtremes();
            return;
        }
        // The same comparisons as ExtremesOf, in the same order: starting from the infinities
        // gives the first value with a number (or an infinity equal to it).
        constexpr double inf = std::numeric_limits<double>::infinity();
        double minX = inf, maxX = -inf, minY = inf, maxY = -inf;
        for (unsigned i = 0; i < n; ++i) {
            const PointT p = point(i);
            out[i] = p;
            minX = p.X < minX ? p.X : minX;
            maxX = p.X > maxX ? p.X : maxX;
            minY = p.Y < minY ? p.Y : minY;
            maxY = p.Y > maxY ? p.Y : maxY;
        }
        // Only a coordinate without any number leaves its minimum above its maximum.
        if (minX > maxX)
            minX = maxX = 0;
        if (minY > maxY)
            minY = maxY = 0;
        m_minX = minX;
        m_maxX = maxX;
        m_minY = minY;
        m_maxY = maxY;
    }

    double Key(const PointT& p) const { return m_order == OrderByY ? p.Y : p.X; }

    // Search of Key against v in [lo, hi] (unsigned indices).
    unsigned Search(double v, unsigned lo, unsigned hi) const
    {
        for (;;) {
            const unsigned mid = lo + (hi - lo) / 2;
            if (Key(m_points[mid]) > v) {
                if (lo >= mid)
                    return lo;
                hi = mid - 1;
            } else {
                if (mid >= hi)
                    return hi;
                lo = mid + 1;
            }
        }
    }

    void Sort()
    {
        if (m_order == NoOrder || m_count < 2)
            return;
        const bool byY = m_order == OrderByY;
        // NaN keys sort last, so the comparison stays a strict weak ordering.
        std::sort(m_points.begin(), m_points.begin() + m_count, [byY](const PointT& a, const PointT& b) {
            const double ka = byY ? a.Y : a.X;
            const double kb = byY ? b.Y : b.X;
            if (std::isnan(ka))
                return false;
            return std::isnan(kb) || ka < kb;
        });
    }

    // Extremes of the stored points; values without a number (NaN) are left out, so one
    // missing value cannot make a whole automatic range undefined.
    void RecomputeExtremes()
    {
        ExtremesOf(&PointT::X, m_minX, m_maxX);
        ExtremesOf(&PointT::Y, m_minY, m_maxY);
    }
    // Smallest and largest of one coordinate (0 and 0 when no point has a number).
    void ExtremesOf(double PointT::*coordinate, double& min, double& max) const
    {
        unsigned i = 0;
        while (i < m_count && std::isnan(m_points[i].*coordinate))
            ++i;
        min = max = i < m_count ? m_points[i].*coordinate : 0;
        for (++i; i < m_count; ++i) {
            // A NaN fails both comparisons.
            const double v = m_points[i].*coordinate;
            min = v < min ? v : min;
            max = v > max ? v : max;
        }
    }

    bool VisibleRangeOf(PointOrder needed, bool xValues, double& min, double& max) const
    {
        unsigned first = 0, last = 0;
        if (!m_visible || m_order != needed || !VisiblePoints(first, last))
            return false;
        min = max = xValues ? m_points[first].X : m_points[first].Y;
        for (unsigned i = first + 1; i <= last; ++i) {
            const double v = xValues ? m_points[i].X : m_points[i].Y;
            min = std::min(min, v);
            max = std::max(max, v);
        }
        return true;
    }

    std::vector<PointT> m_points;
    unsigned m_capacity = kInitialCapacity;
    unsigned m_count = 0;
    PointOrder m_order = OrderByX;
    double m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
};

class CChartXYSerie : public CChartSerieBase<SChartXYPoint> {
public:
    explicit CChartXYSerie(CChartCtrl* ctrl) : CChartSerieBase<SChartXYPoint>(ctrl) {}

    // Replaces all points by (xs[i], ys[i]), i < n; refreshes the axes' automatic ranges and
    // redraws (inside an EnableRedraw(false) bracket this only marks the chart for redrawing).
    void SetXYData(const double* xs, const double* ys, unsigned n);
    void SetPoints(const SChartXYPoint* points, unsigned n);

private:
    // After new points: the axes' automatic ranges follow them and the chart redraws once.
    void RefreshAfterNewPoints();
};

class CChartLineSerie : public CChartXYSerie {
public:
    explicit CChartLineSerie(CChartCtrl* ctrl) : CChartXYSerie(ctrl) {}

    // Line width in pixels; redraws.
    void SetLineWidth(int px);
    int LineWidth() const { return m_lineWidth; }
    // Solid (the default), dashed or dotted; redraws.
    void SetPenStyle(ChartPenStyle style);
    ChartPenStyle PenStyle() const { return m_penStyle; }

    void DrawLegendKey(ChartSurface& surface, const ChartRect& rect) override;
    void DrawAll(ChartSurface& surface) override;
    ChartRect DrawnArea() const override { return m_drawnArea; }

    // The pixels the last DrawAll drew through (after merging repeated pixels).
    const std::vector<ChartPoint>& LastPixels() const { return m_pixels; }

private:
    int m_lineWidth = 1;
    ChartPenStyle m_penStyle = ChartPenStyle::Solid;
    std::vector<ChartPoint> m_pixels;
    ChartRect m_drawnArea;
};
