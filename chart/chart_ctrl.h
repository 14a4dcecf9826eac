#pragma once
// CChartCtrl: a self-drawing chart widget with up to four numeric axes, XY line series, grid,
// axis titles, title, legend, mouse zoom (left button) and pan (right button) and per-axis
// scroll bars. Everything is rendered into an off-screen image whenever something changes;
// painting only copies that image.
//
// Typical use (the live charts of the debug page):
//
//   auto* chart = new CChartCtrl(page);                 // or created for a "ChartCtrl" control
//   chart->setGeometry(250, 0, 500, 150);
//   CChartStandardAxis* bottom = chart->CreateAxisAt(BottomAxis);
//   bottom->SetRange(0, 200);                           // manual range (the default mode)
//   CChartStandardAxis* left = chart->CreateAxisAt(LeftAxis);
//   left->SetAutomatic(false);                          // already manual; shown for clarity
//   left->SetRange(0, 500);
//   left->Label()->SetText(QStringLiteral("采样值"));
//
//   // on every refresh: suspend redrawing, rebuild the curves, resume (one render)
//   chart->EnableRedraw(false);                         // EnableRefresh(false) is the same
//   chart->DeleteAllSeries();
//   CChartLineSerie* s = chart->AddLineSerie();         // bound to LeftAxis and BottomAxis
//   s->SetPointOrder(NoOrder);
//   s->SetXYData(xs, ys, 200);
//   s->SetLineWidth(2);
//   s->SetSerieColor(0x0000FF);                         // 0x00BBGGRR: red
//   chart->EnableRedraw(true);                          // renders once, brackets nest
//
//   // the spin buttons: read and set the current range
//   left->SetRange(left->RangeMin(), left->RangeMax() + 20);
//
// The control owns its axes, series, title and legend; pointers handed out stay valid until
// the axis slot is re-created, DeleteAllSeries() runs or the control is destroyed.
//
// Drawing is done in three layers, so that a redraw costs little more than the curves:
//   - the frame: background, raised edge, title, axes with their tick labels, titles and grids,
//     and the outline of the plotting rectangle. It is kept as an image and re-made only when
//     something it is drawn from changes (size, ranges, fonts, colours, texts; see
//     ChartFrameKey), and never while only the series change;
//   - the picture (OffscreenImage()): the frame with the curves and the legend drawn over it,
//     made by every redraw. While the frame stays the same, only the area the last curves
//     covered is restored from the frame, and only that area and the new curves' are repainted;
//   - the overlay: drawn on the window over the picture when it is painted (PaintOverlay: the
//     focus frame, the zoom rectangle), so marks that follow the mouse cost a repaint of the
//     area they cover, never a redraw.

#include "chart/chart_axis.h"
#include "chart/chart_frame_key.h"
#include "chart/chart_scrollbar.h"
#include "chart/chart_serie.h"
#include "chart/chart_surface.h"
#include "chart/chart_title.h"

#include <QImage>
#include <QRegion>
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>
#include <memory>

class CChartCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CChartCtrl(QWidget* parent = nullptr);
    ~CChartCtrl() override;

    // --- axes ----------------------------------------------------------------------------
    // Creates a standard axis in the slot (replacing the one there); the control owns it.
    // Create axes before adding series.
    CChartStandardAxis* CreateAxisAt(AxisPosition position);
    CChartAxis* AxisAt(AxisPosition position) const;
    CChartAxis* GetLeftAxis() const { return AxisAt(LeftAxis); }
    CChartAxis* GetBottomAxis() const { return AxisAt(BottomAxis); }

    // --- series --------------------------------------------------------------------------
    // New line series bound to LeftAxis and BottomAxis (both must exist; nullptr otherwise),
    // coloured from the palette by the number of series already present.
    CChartLineSerie* AddLineSerie();
    // Deletes every series and redraws. Pointers to the deleted series become invalid.
    void DeleteAllSeries();
    std::size_t SeriesCount() const { return m_series.size(); }
    // Series in drawing (ascending id, that is creation) order.
    const std::vector<CChartSerie*>& Series() const { return m_seriesOrder; }

    // --- title and legend ----------------------------------------------------------------
    CChartTitle* GetTitle() const { return m_title.get(); }
    CChartLegend* GetLegend() const { return m_legend.get(); }

    // --- redrawing -----------------------------------------------------------------------
    // Renders into the off-screen image and schedules a paint; only marks a pending redraw
    // while redrawing is suspended.
    void RedrawChart();
    // false suspends redrawing, true resumes it; calls nest. Resuming to a positive counter
    // performs a pending redraw.
    void EnableRedraw(bool enable);
    void EnableRefresh(bool enable) { EnableRedraw(enable); }
    int RedrawCounter() const { return m_redrawCounter; }
    bool RedrawPending() const { return m_redrawPending; }
    // Number of renders done so far (for tests and diagnostics).
    int RenderCount() const { return m_renderCount; }

    // Lays out and draws title, legend, axes, grid and series inside r: DrawFrame, then
    // DrawData. Used as a whole only while the frame cache is off: a subclass that overrides
    // this or DrawBackground to draw something else turns the cache off.
    virtual void DrawChart(ChartSurface& surface, ChartRect r);
    // The frame inside r: title, legend placement, both axis passes, the plot outline. Sets the
    // plotting rectangle.
    void DrawFrame(ChartSurface& surface, ChartRect r);
    // The series in id order, clipped to the plotting rectangle, and the legend over them.
    void DrawData(ChartSurface& surface);
    // Fills the client rectangle and draws the raised edge.
    virtual void DrawBackground(ChartSurface& surface, const ChartRect& clientRect);

    const QImage& OffscreenImage() const { return m_offscreen; }
    // The frame cache (on by default). Off, every redraw draws the whole chart through
    // DrawBackground and DrawChart; the pictures are the same either way.
    void SetFrameCache(bool enabled);
    bool FrameCache() const { return m_frameCache; }
    // Number of times the frame has been drawn (for tests and diagnostics).
    int FrameRenderCount() const { return m_frameRenderCount; }
    // The plotting rectangle of the last redraw.
    const ChartRect& PlotRect() const { return m_plotRect; }
    ChartColour BackColor() const { return m_backColour; }
    void SetBackColor(ChartColour colour);
    ChartColour BorderColor() const { return m_borderColour; }
    // Resolution used for font sizes.
    int Dpi() const;

    // --- mouse (also reachable from tests; the widget's mouse events call these) -----------
    void OnLeftDown(ChartPoint pt);
    void OnLeftUp(ChartPoint pt);
    void OnMouseMove(ChartPoint pt);
    void OnRightDown(ChartPoint pt);
    void OnRightUp(ChartPoint pt);
    void SetZoomEnabled(bool enabled) { m_zoomEnabled = enabled; }
    bool IsZoomEnabled() const { return m_zoomEnabled; }
    void SetPanEnabled(bool enabled) { m_panEnabled = enabled; }
    bool IsPanEnabled() const { return m_panEnabled; }
    bool IsZooming() const { return m_zooming; }
    bool IsPanning() const { return m_panning; }
    ChartPoint ZoomStart() const { return m_zoomStart; }
    ChartPoint ZoomEnd() const { return m_zoomEnd; }
    void SetShowCursorInPlot(bool show) { m_showCursorInPlot = show; }
    // A scroll request from one of the axes' scroll bars; redraws.
    void OnScroll(CChartScrollBar* bar, CChartScrollBar::ScrollCode code, int thumb);

    // --- keyboard (the same operations as the mouse) ---------------------------------------
    // Arrow keys pan by kKeyPanPixels (Right/Up show higher values), '+' zooms into the middle
    // half of the plot, '-', Backspace and Home undo the zoom.
    static constexpr int kKeyPanPixels = 10;
    bool HandleKey(int key);

    // The default series colours, applied as palette[n mod 10].
    static const std::array<ChartColour, 10> kPalette;

signals:
    // The user changed the axes' ranges: a zoom, its undoing, a pan or a scroll (mouse, keys or
    // scroll bars); never for SetRange or the automatic range.
    void UserRangeChanged();
    // A right click that did not pan, or the keyboard's context-menu key: where to show a menu.
    void ContextMenuRequested(const QPoint& globalPos);
    // A double click of the left button.
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Marks drawn on the window over the picture, in window pixels: the focus frame and, while
    // the left button drags, the zoom rectangle. Painting clips to the area being repainted.
    virtual void PaintOverlay(QPainter& painter);
    // The right button pans: no context menu (of this control or of a parent) opens over it.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void PlaceScrollBars();
    // Brings the scroll bars that wait for new points up to date (see CChartAxis::FollowNewPoints).
    void CatchUpScrollBars();
    // The frame's inputs as they are now.
    void MakeFrameKey(ChartFrameKey& key) const;
    // Copies the frame's pixels in area into the picture.
    void CopyFromFrame(const QRect& area);
    // The same for the strips of rows marked in rows (see m_dataRows).
    void CopyFromFrame(const std::vector<std::uint64_t>& rows);
    // The strips of rows marked in a or b, as a region of the picture.
    QRegion DataRegion(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b) const;
    // Marks the strips r covers in m_dataRows.
    void MarkData(const ChartRect& r);
    static QRect ToQRect(const ChartRect& r);
    // Makes image the size of client (keeping it when it already is); true if it was made anew.
    bool EnsureImage(QImage& image, const ChartRect& client) const;
    void PanAxes(ChartPoint from, ChartPoint to);
    void ZoomToRect(ChartPoint start, ChartPoint end);
    void UndoZoomAll();

    int m_redrawCounter = 1;
    bool m_redrawPending = false;
    int m_renderCount = 0;
    QImage m_offscreen;
    // The frame layer, what it was drawn from, and the rectangle the legend was laid out in.
    bool m_frameCache = true;
    QImage m_frame;
    ChartFrameKey m_frameKey;
    ChartFrameKey m_scratchKey;
    ChartRect m_legendSpace;
    bool m_legendInPicture = false;
    // Where the series of the last redraw drew (the legend aside): per band of kDataBand rows of
    // the picture, a bit for each of kDataStrips strips m_stripWidth pixels wide. Coarse enough
    // to keep the repainted region a handful of rectangles. m_lastRows holds the redraw before.
    static constexpr int kDataBand = 4;
    static constexpr int kDataStrips = 16;
    std::vector<std::uint64_t> m_dataRows;
    std::vector<std::uint64_t> m_lastRows;
    int m_stripWidth = 1;
    std::vector<std::uint8_t> m_stripOf; // strip of each column of the picture
    mutable std::vector<QRect> m_regionScratch;
    int m_frameRenderCount = 0;
    bool m_painted = false;
    ChartColour m_backColour;
    ChartColour m_borderColour = 0x000000;
    ChartRect m_plotRect;
    std::map<unsigned, std::unique_ptr<CChartSerie>> m_series;
    std::vector<CChartSerie*> m_seriesOrder; // the same series, in the map's order
    std::array<std::unique_ptr<CChartAxis>, 4> m_axes;
    std::unique_ptr<CChartLegend> m_legend;
    std::unique_ptr<CChartTitle> m_title;
    bool m_panEnabled = true;
    bool m_panning = false;
    bool m_panMoved = false; // since the right button went down
    ChartPoint m_panLast;
    bool m_zoomEnabled = true;
    bool m_zooming = false;
    ChartPoint m_zoomStart;
    ChartPoint m_zoomEnd;
    ChartColour m_zoomRectColour = 0xFFFFFF;
    bool m_showCursorInPlot = true;
    bool m_cursorHidden = false;
};
