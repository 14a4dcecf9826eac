#include "chart/chart_ctrl.h"

#include "chart/image_copy.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// The next run of set bits in bits (not zero): its first bit and its length; clears it.
void TakeRun(std::uint64_t& bits, int& first, int& length)
{
#if defined(__GNUC__)
    first = __builtin_ctzll(bits);
    const std::uint64_t rest = ~(bits >> first);
    length = rest ? __builtin_ctzll(rest) : 64;
#else
    first = 0;
    while (!(bits >> first & 1))
        ++first;
    length = 0;
    while (first + length < 64 && (bits >> (first + length) & 1))
        ++length;
#endif
    bits = first + length >= 64 ? 0 : bits & ~(((std::uint64_t(1) << length) - 1) << first);
}

} // namespace

const std::array<ChartColour, 10> CChartCtrl::kPalette = {
    0x0000FF, 0x009600, 0xFF0000, 0x00FFFF, 0xFFFF00, 0x0080FF, 0x800080, 0x008080, 0xFF00FF, 0x808040,
};

CChartCtrl::CChartCtrl(QWidget* parent) : QWidget(parent)
{
    // The widget paints every pixel from the off-screen image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("图表"));
    m_backColour = FromQColor(palette().color(QPalette::Button));
    m_legend = std::make_unique<CChartLegend>(this);
    m_title = std::make_unique<CChartTitle>(this);
}

CChartCtrl::~CChartCtrl()
{
    // Series first (they unregister from their axes), then the axes in slot order (each with
    // its grid, label and scroll bar), then legend and title.
    m_seriesOrder.clear();
    m_series.clear();
    for (auto& axis : m_axes)
        axis.reset();
    m_legend.reset();
    m_title.reset();
}

int CChartCtrl::Dpi() const
{
    const int dpi = logicalDpiY();
    return dpi > 0 ? dpi : 96;
}

void CChartCtrl::SetBackColor(ChartColour colour)
{
    m_backColour = colour;
    RedrawChart();
}

// --- axes ---------------------------------------------------------------------------------

CChartStandardAxis* CChartCtrl::CreateAxisAt(AxisPosition position)
{
    if (position < LeftAxis || position > TopAxis)
        return nullptr;
    auto axis = std::make_unique<CChartStandardAxis>();
    axis->Attach(this, position);
    axis->SetScrollBar(new CChartScrollBar(axis.get(), this));
    CChartStandardAxis* result = axis.get();

    // Series still bound to the axis being replaced move to the new one, so that none keeps
    // a pointer to a deleted axis.
    if (CChartAxis* old = m_axes[position].get()) {
        for (auto& entry : m_series) {
            CChartSerie* s = entry.second.get();
            const bool vert = s->VerticalAxis() == old;
            const bool horz = s->HorizontalAxis() == old;
            if (!vert && !horz)
                continue;
            old->UnregisterSerie(s);
            s->BindAxes(vert ? result : s->VerticalAxis(), horz ? result : s->HorizontalAxis());
            result->RegisterSerie(s);
        }
    }
    m_axes[position] = std::move(axis);
    return result;
}

CChartAxis* CChartCtrl::AxisAt(AxisPosition position) const
{
    if (position < LeftAxis || position > TopAxis)
        return nullptr;
    return m_axes[position].get();
}

// --- series -------------------------------------------------------------------------------

CChartLineSerie* CChartCtrl::AddLineSerie()
{
    CChartAxis* left = m_axes[LeftAxis].get();
    CChartAxis* bottom = m_axes[BottomAxis].get();
    if (!left || !bottom)
        return nullptr;
    auto serie = std::make_unique<CChartLineSerie>(this);
    CChartLineSerie* s = serie.get();
    s->SetDrawRect(m_plotRect);
    s->SetSerieColor(kPalette[m_series.size() % kPalette.size()]);
    s->BindAxes(left, bottom);
    m_series[s->Id()] = std::move(serie);
    m_seriesOrder.push_back(s); // ids only grow: the map's last

    EnableRedraw(false);
    left->RegisterSerie(s);
    left->RefreshAutoRange();
    bottom->RegisterSerie(s);
    bottom->RefreshAutoRange();
    RedrawChart();
    EnableRedraw(true);
    return s;
}

void CChartCtrl::DeleteAllSeries()
{
    // Scroll bars waiting for new points are worked out while those points still exist.
    CatchUpScrollBars();
    m_seriesOrder.clear();
    m_series.clear();
    RedrawChart();
}

// --- redrawing ----------------------------------------------------------------------------

void CChartCtrl::RedrawChart()
{
    if (m_redrawCounter < 1) {
        m_redrawPending = true;
        return;
    }
    const ChartRect client{0, 0, width(), height()};
    if (client.IsEmpty()) {
        m_plotRect = client;
        m_offscreen = QImage();
        m_frame = QImage();
        return;
    }
    // A missing image, or one of a size the widget no longer has (a resize not yet delivered
    // to a hidden widget), is made anew.
    const bool newPicture = EnsureImage(m_offscreen, client);

    if (!m_frameCache) {
        m_plotRect = client;
        QPainterChartSurface surface(&m_offscreen, Dpi());
        DrawBackground(surface, client);
        DrawChart(surface, client.Deflated(3));
        ++m_renderCount;
        PlaceScrollBars();
        update();
        return;
    }

    // The frame is re-made when anything it is drawn from has changed since it was made.
    MakeFrameKey(m_scratchKey);
    const bool newFrame = EnsureImage(m_frame, client) || m_frameRenderCount == 0 || m_scratchKey != m_frameKey;
    if (newFrame) {
        m_plotRect = client;
        {
            QPainterChartSurface surface(&m_frame, Dpi());
            DrawBackground(surface, client);
            DrawFrame(surface, client.Deflated(3));
        }
        ++m_frameRenderCount;
        // The key of the state the layout left (tick increments, axis places): drawing again
        // from it gives the same frame.
        MakeFrameKey(m_frameKey);
    }

    // Between two redraws on the same frame only the curves and the legend change: the rows and
    // strips the last ones covered are restored from the frame, the new ones are drawn, and the
    // window repaints both areas.
    const bool legend = m_legend->IsVisible() || m_legendInPicture;
    m_legendInPicture = m_legend->IsVisible();
    const bool whole = newPicture || newFrame || legend;
    const QRect imageRect(0, 0, client.right, client.bottom);
    if (whole) {
        CopyFromFrame(imageRect);
        m_dataRows.clear(); // no curve of before is left on the picture
    } else {
        CopyFromFrame(m_dataRows);
    }
    m_dataRows.swap(m_lastRows);
    {
        QPainterChartSurface surface(&m_offscreen, Dpi());
        if (!newFrame) {
            // The legend's entries follow the series; where it stands does not change the frame
            // unless it is docked and shown, and then the frame is always re-made.
            ChartRect space = m_legendSpace;
            m_legend->Layout(surface, space);
        }
        DrawData(surface);
    }
    ++m_renderCount;
    PlaceScrollBars();
    if (whole)
        update();
    else if (const QRegion changed = DataRegion(m_lastRows, m_dataRows); !changed.isEmpty())
        update(changed);
}

QRect CChartCtrl::ToQRect(const ChartRect& r)
{
    return r.IsEmpty() ? QRect() : QRect(r.left, r.top, r.Width(), r.Height());
}

void CChartCtrl::CopyFromFrame(const QRect& area)
{
    const QRect r = area.intersected(m_frame.rect()).intersected(m_offscreen.rect());
    if (r.isEmpty())
        return;
    const size_t bytes = size_t(r.width()) * 4;
    const uchar* from = m_frame.constBits();
    uchar* to = m_offscreen.bits();
    const qsizetype fromStride = m_frame.bytesPerLine(), toStride = m_offscreen.bytesPerLine();
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memcpy(to + y * toStride + r.left() * 4, from + y * fromStride + r.left() * 4, bytes);
}

void CChartCtrl::CopyFromFrame(const std::vector<std::uint64_t>& rows)
{
    if (m_frame.size() != m_offscreen.size())
        return;
    const int height = m_frame.height(), width = m_frame.width();
    const uchar* from = m_frame.constBits();
    uchar* to = m_offscreen.bits();
    const qsizetype fromStride = m_frame.bytesPerLine(), toStride = m_offscreen.bytesPerLine();
    for (size_t band = 0; band < rows.size(); ++band)
        for (std::uint64_t bits = rows[band]; bits;) {
            int first, run;
            TakeRun(bits, first, run);
            const int left = first * m_stripWidth;
            const int right = std::min(width, (first + run) * m_stripWidth);
            if (left >= right)
                continue;
            const int top = int(band) * kDataBand, bottom = std::min(height, top + kDataBand);
            for (int y = top; y < bottom; ++y)
                std::memcpy(to + y * toStride + left * 4, from + y * fromStride + left * 4, size_t(right - left) * 4);
        }
}

QRegion CChartCtrl::DataRegion(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b) const
{
    // Bands with the same strips make one band, each run of strips one rectangle: sorted by y
    // then x, bands of one height, no two touching side by side, as QRegion keeps them.
    const int bands = int(std::min(a.size(), b.size()));
    const int width = m_offscreen.width(), height = m_offscreen.height();
    std::vector<QRect>& rects = m_regionScratch;
    rects.clear();
    for (int band = 0; band < bands;) {
        const std::uint64_t mask = a[size_t(band)] | b[size_t(band)];
        int end = band + 1;
        while (end < bands && (a[size_t(end)] | b[size_t(end)]) == mask)
            ++end;
        const int top = band * kDataBand, bottom = std::min(height, end * kDataBand);
        for (std::uint64_t bits = mask; bits && top < bottom;) {
            int first, run;
            TakeRun(bits, first, run);
            const int left = first * m_stripWidth;
            const int right = std::min(width, (first + run) * m_stripWidth);
            if (left < right)
                rects.emplace_back(left, top, right - left, bottom - top);
        }
        band = end;
    }
    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), int(rects.size()));
    return region;
}

void CChartCtrl::MarkData(const ChartRect& r)
{
    // Inclusive pixel bounds within the picture.
    const int left = std::max(r.left, 0), right = std::min(r.right, m_offscreen.width()) - 1;
    const int top = std::max(r.top, 0), bottom = std::min(r.bottom, m_offscreen.height()) - 1;
    if (left > right || top > bottom)
        return;
    const int from = left / m_stripWidth, to = right / m_stripWidth;
    const std::uint64_t bits = (to >= 63 ? ~std::uint64_t(0) : (std::uint64_t(1) << (to + 1)) - 1) & ~((std::uint64_t(1) << from) - 1);
    const size_t last = std::min(m_dataRows.size() - 1, size_t(bottom / kDataBand));
    for (size_t band = size_t(top / kDataBand); band <= last; ++band)
        m_dataRows[band] |= bits;
}

void CChartCtrl::SetFrameCache(bool enabled)
{
    if (m_frameCache == enabled)
        return;
    m_frameCache = enabled;
    m_frame = QImage();
    m_frameRenderCount = 0;
    RedrawChart();
}

bool CChartCtrl::EnsureImage(QImage& image, const ChartRect& client) const
{
    if (!image.isNull() && image.width() == client.right && image.height() == client.bottom)
        return false;
    image = QImage(client.right, client.bottom, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(Dpi() / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return true;
}

void CChartCtrl::MakeFrameKey(ChartFrameKey& key) const
{
    key.Clear();
    key.Add(width());
    key.Add(height());
    key.Add(Dpi());
    key.Add(m_backColour);
    key.Add(m_borderColour);
    key.Add(m_plotRect);
    m_title->AddFrameKey(key);
    // A docked legend takes room from the axes by the names of the series: such a frame
    // depends on the series and is never reused.
    key.Add(m_legend->IsVisible() && m_legend->IsDocked() ? double(m_renderCount) : -1.0);
    for (const auto& axis : m_axes) {
        key.Add(axis ? 1 : 0);
        if (axis)
            axis->AddFrameKey(key);
    }
}

void CChartCtrl::EnableRedraw(bool enable)
{
    if (enable)
        ++m_redrawCounter;
    else
        --m_redrawCounter;
    if (m_redrawCounter > 0)
        CatchUpScrollBars();
    if (m_redrawCounter > 0 && m_redrawPending) {
        m_redrawPending = false;
        RedrawChart();
    }
}

void CChartCtrl::CatchUpScrollBars()
{
    for (auto& axis : m_axes)
        if (axis)
            axis->CatchUpScrollBar();
}

void CChartCtrl::DrawBackground(ChartSurface& surface, const ChartRect& clientRect)
{
    surface.FillRect(clientRect, m_backColour);
    surface.DrawRaisedEdge(clientRect);
}

void CChartCtrl::DrawChart(ChartSurface& surface, ChartRect r)
{
    DrawFrame(surface, r);
    DrawData(surface);
}

void CChartCtrl::DrawFrame(ChartSurface& surface, ChartRect r)
{
    m_plotRect = r;

    const ChartSize title = m_title->Measure(surface);
    m_title->SetRect({r.left, r.top, r.right, r.top + title.cy});
    r.top += title.cy;
    m_title->Draw(surface);

    m_legendSpace = r;
    m_legend->Layout(surface, r);

    for (auto& axis : m_axes) {
        if (!axis)
            continue;
        axis->Place(m_plotRect, r);
        axis->ComputeTickIncrement();
        axis->ComputeFirstTick();
        axis->BandSize(surface, r, m_plotRect);
    }
    for (auto& axis : m_axes) {
        if (!axis)
            continue;
        axis->Place(m_plotRect, r);
        axis->ComputeTickIncrement();
        axis->ComputeFirstTick();
        axis->Draw(surface);
    }

    surface.SetPen(ChartPenStyle::Solid, 1, m_borderColour);
    surface.MoveTo(m_plotRect.left, m_plotRect.top);
    surface.LineTo(m_plotRect.right, m_plotRect.top);
    surface.LineTo(m_plotRect.right, m_plotRect.bottom);
    surface.LineTo(m_plotRect.left, m_plotRect.bottom);
    surface.LineTo(m_plotRect.left, m_plotRect.top);
}

void CChartCtrl::DrawData(ChartSurface& surface)
{
    const ChartRect drawRect{m_plotRect.left, m_plotRect.top, m_plotRect.right + 1, m_plotRect.bottom + 1};
    // Where the series draw, as strips of bands of rows: a line by its segments (widened by its
    // pen on every side, more than any pen or cap reaches, within the clip), those in one strip
    // taken together; any other series by the area it reports.
    m_stripWidth = std::max(1, (m_offscreen.width() + kDataStrips - 1) / kDataStrips);
    // The strip of each column of the picture, looked up rather than divided for each segment.
    if (m_stripOf.size() != size_t(std::max(1, m_offscreen.width()))) {
        m_stripOf.resize(size_t(std::max(1, m_offscreen.width())));
        for (size_t x = 0; x < m_stripOf.size(); ++x)
            m_stripOf[x] = std::uint8_t(std::min<size_t>(kDataStrips - 1, x / size_t(m_stripWidth)));
    }
    m_dataRows.assign(size_t(std::max(0, (m_offscreen.height() + kDataBand - 1) / kDataBand)), 0);
    for (CChartSerie* serie : m_seriesOrder) {
        serie->SetDrawRect(drawRect);
        serie->DrawAll(surface);
        const auto* line = dynamic_cast<const CChartLineSerie*>(serie);
        if (!line) {
            MarkData(serie->DrawnArea());
            continue;
        }
        const std::vector<ChartPoint>& px = line->LastPixels();
        if (px.size() < 2 || line->DrawnArea().IsEmpty() || m_dataRows.empty())
            continue;
        const int reach = std::max(1, line->LineWidth()) + 1;
        // Each strip's rows that the segments reaching into it cover, taken together per strip.
        int top[kDataStrips], bottom[kDataStrips];
        std::fill(std::begin(top), std::end(top), INT_MAX);
        std::fill(std::begin(bottom), std::end(bottom), INT_MIN);
        const std::uint8_t* stripOf = m_stripOf.data();
        const int lastX = int(m_stripOf.size()) - 1;
        for (size_t i = 1; i < px.size(); ++i) {
            const ChartPoint a = px[i - 1], b = px[i];
            const int left = std::max(drawRect.left, std::min(a.x, b.x) - reach);
            const int right = std::min(drawRect.right, std::max(a.x, b.x) + reach + 1);
            const int rowTop = std::max(drawRect.top, std::min(a.y, b.y) - reach);
            const int rowEnd = std::min(drawRect.bottom, std::max(a.y, b.y) + reach + 1);
            if (left >= right || rowTop >= rowEnd)
                continue;
            const int from = stripOf[std::clamp(left, 0, lastX)], to = stripOf[std::clamp(right - 1, 0, lastX)];
            for (int strip = from; strip <= to; ++strip) {
                top[strip] = std::min(top[strip], rowTop);
                bottom[strip] = std::max(bottom[strip], rowEnd);
            }
        }
        for (int strip = 0; strip < kDataStrips; ++strip)
            if (top[strip] < bottom[strip])
                MarkData(ChartRect{strip * m_stripWidth, top[strip], (strip + 1) * m_stripWidth, bottom[strip]});
    }

    m_legend->Draw(surface);
}

void CChartCtrl::PlaceScrollBars()
{
    for (auto& axis : m_axes)
        if (axis && axis->ScrollBar())
            axis->ScrollBar()->Place(m_plotRect);
}

// --- window events ------------------------------------------------------------------------

void CChartCtrl::paintEvent(QPaintEvent* event)
{
    if (!m_painted) {
        m_painted = true;
        RedrawChart();
    }
    QPainter painter(this);
    // Only the area asked for is copied.
    if (!m_offscreen.isNull() && !CopyOpaqueImage(painter, QPoint(0, 0), m_offscreen, m_offscreen.rect()))
        for (const QRect& area : event->region()) {
            const QRect part = area.intersected(m_offscreen.rect());
            if (!part.isEmpty())
                painter.drawImage(part.topLeft(), m_offscreen, part);
        }
    if (m_offscreen.isNull() || m_offscreen.width() < width() || m_offscreen.height() < height()) {
        // Nothing rendered yet for this size (redrawing suspended): show the background.
        const QRegion rest = QRegion(rect()) - QRegion(m_offscreen.rect());
        for (const QRect& r : rest)
            painter.fillRect(r, ToQColor(m_backColour));
    }
    PaintOverlay(painter);
}

void CChartCtrl::PaintOverlay(QPainter& painter)
{
    if (hasFocus()) {
        // Keyboard focus: a dotted frame just inside the raised edge.
        QPen pen(Qt::black, 0, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
    if (m_zoomEnabled && m_zooming) {
        painter.setPen(QPen(ToQColor(m_zoomRectColour), 0));
        const QPoint pts[5] = {{m_zoomStart.x, m_zoomStart.y}, {m_zoomEnd.x, m_zoomStart.y}, {m_zoomEnd.x, m_zoomEnd.y},
                               {m_zoomStart.x, m_zoomEnd.y}, {m_zoomStart.x, m_zoomStart.y}};
        painter.drawPolyline(pts, 5);
    }
}

void CChartCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Repeated notices of an unchanged size (sent when a hidden widget is grabbed) keep the
    // image, which is already up to date.
    if (!m_offscreen.isNull() && m_offscreen.size() == event->size())
        return;
    m_offscreen = QImage();
    RedrawChart();
}

void CChartCtrl::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        OnLeftDown({p.x(), p.y()});
    else if (event->button() == Qt::RightButton)
        OnRightDown({p.x(), p.y()});
    QWidget::mousePressEvent(event);
}

void CChartCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        OnLeftUp({p.x(), p.y()});
    else if (event->button() == Qt::RightButton)
        OnRightUp({p.x(), p.y()});
    QWidget::mouseReleaseEvent(event);
}

void CChartCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    OnMouseMove({p.x(), p.y()});
    QWidget::mouseMoveEvent(event);
}

void CChartCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event); // a press as well
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked();
}

// --- mouse --------------------------------------------------------------------------------

void CChartCtrl::OnLeftDown(ChartPoint pt)
{
    if (m_zoomEnabled) {
        m_zooming = true;
        m_zoomStart = m_zoomEnd = pt;
    }
    if (m_plotRect.Contains(pt))
        update();
}

void CChartCtrl::OnMouseMove(ChartPoint pt)
{
    if (m_panning && m_panEnabled && pt != m_panLast) {
        PanAxes(m_panLast, pt);
        repaint();
        m_panLast = pt;
        m_panMoved = true;
    }
    if (m_zooming && m_zoomEnabled) {
        m_zoomEnd = pt;
        update();
    }

    // Auto-hiding scroll bars show only while the mouse is over them.
    CChartScrollBar* under = nullptr;
    for (auto& axis : m_axes) {
        CChartScrollBar* bar = axis ? axis->ScrollBar() : nullptr;
        if (!bar || !bar->IsEnabledBar() || !bar->IsAutoHide())
            continue;
        if (bar->geometry().contains(QPoint(pt.x, pt.y)))
            under = bar;
        else
            bar->hide();
    }
    if (under)
        under->show();

    const bool inPlot = m_plotRect.Contains(pt);
    if (inPlot)
        update();
    const bool hide = !m_showCursorInPlot && inPlot;
    if (hide != m_cursorHidden) {
        m_cursorHidden = hide;
        if (hide)
            setCursor(Qt::BlankCursor);
        else
            setCursor(Qt::ArrowCursor);
    }
}

void CChartCtrl::OnLeftUp(ChartPoint pt)
{
    m_zooming = false;
    if (m_zoomEnabled) {
        const ChartPoint s = m_zoomStart;
        const ChartPoint e = m_zoomEnd;
        if (e.x < s.x || e.y < s.y)
            UndoZoomAll();
        else if (e.x != s.x && e.y != s.y)
            ZoomToRect(s, e);
    }
    if (m_plotRect.Contains(pt))
        update();
}

void CChartCtrl::OnRightDown(ChartPoint pt)
{
    m_panning = true;
    m_panMoved = false;
    if (m_panEnabled)
        m_panLast = pt;
}

void CChartCtrl::OnRightUp(ChartPoint pt)
{
    const bool click = m_panning && !m_panMoved;
    m_panning = false;
    if (click)
        emit ContextMenuRequested(mapToGlobal(QPoint(pt.x, pt.y)));
}

void CChartCtrl::OnScroll(CChartScrollBar* bar, CChartScrollBar::ScrollCode code, int thumb)
{
    CChartAxis* axis = bar ? bar->Axis() : nullptr;
    bool ours = false;
    for (auto& a : m_axes)
        ours = ours || (a && a.get() == axis);
    CatchUpScrollBars();
    // The end of a scroll gesture moves nothing: neither the bar nor the range.
    if (ours && code != CChartScrollBar::EndScroll) {
        const int previous = bar->Position();
        // The range follows the position the bar keeps (at most its last page), so a step
        // past the end never scrolls the view beyond the data.
        const int current = bar->OnScroll(code, thumb);
        axis->ScrollToStep(previous, current, !axis->IsHorizontal());
        for (auto& a : m_axes) {
            if (!a)
                continue;
            a->UpdateScrollBar();
            if (a->AutoMode() == VisibleRange)
                a->RefreshAutoRange();
        }
    }
    RedrawChart();
    if (ours && code != CChartScrollBar::EndScroll)
        emit UserRangeChanged();
}

// --- shared by mouse and keyboard ---------------------------------------------------------

void CChartCtrl::PanAxes(ChartPoint from, ChartPoint to)
{
    EnableRedraw(false);
    for (AxisPosition pos : {LeftAxis, RightAxis})
        if (CChartAxis* a = m_axes[pos].get())
            a->PanBy(from.y, to.y);
    for (AxisPosition pos : {BottomAxis, TopAxis})
        if (CChartAxis* a = m_axes[pos].get())
            a->PanBy(from.x, to.x);
    RedrawChart();
    EnableRedraw(true);
    emit UserRangeChanged();
}

void CChartCtrl::ZoomToRect(ChartPoint start, ChartPoint end)
{
    for (AxisPosition pos : {BottomAxis, TopAxis})
        if (CChartAxis* a = m_axes[pos].get())
            a->ZoomTo(a->ScreenToValue(start.x), a->ScreenToValue(end.x));
    for (AxisPosition pos : {LeftAxis, RightAxis})
        if (CChartAxis* a = m_axes[pos].get())
            a->ZoomTo(a->ScreenToValue(end.y), a->ScreenToValue(start.y));
    RedrawChart();
    emit UserRangeChanged();
}

void CChartCtrl::UndoZoomAll()
{
    EnableRedraw(false);
    for (auto& axis : m_axes)
        if (axis)
            axis->UndoZoom();
    EnableRedraw(true);
    emit UserRangeChanged();
}

bool CChartCtrl::HandleKey(int key)
{
    const ChartPoint centre{(m_plotRect.left + m_plotRect.right) / 2, (m_plotRect.top + m_plotRect.bottom) / 2};
    const int d = kKeyPanPixels;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (!m_panEnabled)
            return false;
        // Moving the content the other way shows the values beyond that side.
        ChartPoint to = centre;
        if (key == Qt::Key_Left)
            to.x += d;
        else if (key == Qt::Key_Right)
            to.x -= d;
        else if (key == Qt::Key_Up)
            to.y += d;
        else
            to.y -= d;
        PanAxes(centre, to);
        return true;
    }
    case Qt::Key_Plus:
    case Qt::Key_Equal: {
        if (!m_zoomEnabled)
            return false;
        const int w = m_plotRect.Width() / 4, h = m_plotRect.Height() / 4;
        if (w < 1 || h < 1)
            return false;
        ZoomToRect({centre.x - w, centre.y - h}, {centre.x + w, centre.y + h});
        return true;
    }
    case Qt::Key_Minus:
    case Qt::Key_Backspace:
    case Qt::Key_Home:
        if (!m_zoomEnabled)
            return false;
        UndoZoomAll();
        return true;
    default:
        return false;
    }
}

void CChartCtrl::keyPressEvent(QKeyEvent* event)
{
    if (HandleKey(event->key()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void CChartCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse's right button pans; its click is told apart in OnRightUp.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const ChartRect& p = m_plotRect;
        emit ContextMenuRequested(mapToGlobal(QPoint((p.left + p.right) / 2, (p.top + p.bottom) / 2)));
    }
    event->accept();
}
