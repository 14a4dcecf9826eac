#pragma once
// Basic value types of the chart component and the abstract drawing surface every part of the
// chart draws through. QPainterChartSurface paints into an image; RecordingChartSurface keeps
// a list of the calls with fixed text metrics, so layouts can be checked without a screen.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QLine>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Colour laid out 0x00BBGGRR (red in the low byte).
using ChartColour = std::uint32_t;

constexpr ChartColour ChartRgb(int r, int g, int b)
{
    return ChartColour(r & 0xFF) | (ChartColour(g & 0xFF) << 8) | (ChartColour(b & 0xFF) << 16);
}
QColor ToQColor(ChartColour colour);
ChartColour FromQColor(const QColor& colour);

// Axis slots of a chart control.
enum AxisPosition { LeftAxis = 0, BottomAxis = 1, RightAxis = 2, TopAxis = 3 };

struct ChartPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ChartPoint& a, const ChartPoint& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const ChartPoint& a, const ChartPoint& b) { return !(a == b); }
};

struct ChartSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const ChartSize& a, const ChartSize& b) { return a.cx == b.cx && a.cy == b.cy; }
};

// Rectangle in client pixels; right and bottom are exclusive for fills and hit tests.
struct ChartRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    // left <= x < right and top <= y < bottom.
    bool Contains(const ChartPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    ChartRect Deflated(int d) const { return {left + d, top + d, right - d, bottom - d}; }
    ChartRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    friend bool operator==(const ChartRect& a, const ChartRect& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend bool operator!=(const ChartRect& a, const ChartRect& b) { return !(a == b); }
};

// A font description: size in tenths of a point, converted to pixels at the surface's
// resolution. A vertical font draws text turned 90 degrees counter-clockwise (reading upwards).
struct ChartFont {
    QString face = QStringLiteral("Microsoft Sans Serif");
    int size = 100;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool vertical = false;

    friend bool operator==(const ChartFont& a, const ChartFont& b)
    {
        return a.face == b.face && a.size == b.size && a.bold == b.bold && a.italic == b.italic &&
               a.underline == b.underline && a.vertical == b.vertical;
    }
};

enum class ChartPenStyle { Solid, Dash, Dot, Null };

// Everything the chart draws goes through these operations.
class ChartSurface {
public:
    virtual ~ChartSurface() = default;

    // Solid fill of [left, right) x [top, bottom).
    virtual void FillRect(const ChartRect& rect, ChartColour colour) = 0;
    // 2-pixel raised 3-D border just inside the rectangle, on all four sides.
    virtual void DrawRaisedEdge(const ChartRect& rect) = 0;
    // Width 0 or 1 is the thinnest line.
    virtual void SetPen(ChartPenStyle style, int width, ChartColour colour) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // Straight line from the current position with the current pen; the end pixel is not drawn.
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(const ChartPoint* points, int count) = 0;
    // Text with transparent background; (x, y) is the top-left corner of the text box, for
    // vertical text the point the rotated text starts from (the text runs upwards from there).
    virtual void DrawText(int x, int y, const QString& text, const ChartFont& font, ChartColour colour) = 0;
    // Width and height of the unrotated text box in pixels.
    virtual ChartSize MeasureText(const QString& text, const ChartFont& font) = 0;
    virtual void IntersectClip(const ChartRect& rect) = 0;
    virtual void ResetClip() = 0;
};

// Pixel size of a font of `tenthsOfPoint` at `dpi` dots per inch (rounded as MulDiv does).
int ChartFontPixelSize(int tenthsOfPoint, int dpi);
// The platform font for a chart font: the classic Windows faces fall back to metric-compatible
// faces where they are missing, and CJK text falls back to the system's CJK face.
QFont ChartQFont(const ChartFont& font, int dpi);

// Paints into a QImage (or any paint device). On 32-bit images solid lines and polylines of any
// width are rasterised directly into the pixels (the raster engine strokes wide pens through
// its general path stroker, which is many times slower); elsewhere 1-pixel lines are collected
// and drawn in batches, and wide polylines are drawn as separate segments.
class QPainterChartSurface : public ChartSurface {
public:
    explicit QPainterChartSurface(QPaintDevice* device, int dpi = 96);
    ~QPainterChartSurface() override;

    void FillRect(const ChartRect& rect, ChartColour colour) override;
    void DrawRaisedEdge(const ChartRect& rect) override;
    void SetPen(ChartPenStyle style, int width, ChartColour colour) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const ChartPoint* points, int count) override;
    void DrawText(int x, int y, const QString& text, const ChartFont& font, ChartColour colour) override;
    ChartSize MeasureText(const QString& text, const ChartFont& font) override;
    void IntersectClip(const ChartRect& rect) override;
    void ResetClip() override;

    // Draws what is still batched; called by every other operation and by the destructor.
    void Flush();
    // Solid lines 1 or 2 pixels wide that lie wholly inside the clip take a shorter path on
    // 32-bit images (on by default); off, they go the way of every other line. The pixels are
    // the same either way (tests compare the two).
    void SetShortLinePath(bool enabled) { m_shortPath = enabled; }
    // The painter on the device (started on first use).
    QPainter& Painter();

private:
    // Platform fonts and their metrics, kept across renders (the chart draws on the
    // user-interface thread only).
    struct FontEntry {
        FontEntry(const ChartFont& f, int d, const QFont& q) : font(f), dpi(d), qfont(q), metrics(q) {}
        ChartFont font;
        int dpi;
        QFont qfont;
        QFontMetrics metrics;
    };
    static std::vector<FontEntry>& FontCache();
    FontEntry& Font(const ChartFont& font);
    void ApplyPen();
    // Solid lines straight into the image's pixels: a Bresenham line `width` pixels thick,
    // clipped to the current clip and the image. Returns false when this path is unavailable.
    bool FastLine(ChartPoint from, ChartPoint to, bool withEnd);
    // The pen and clip of FastLine, worked out once for many segments.
    struct FastPen {
        int w = 1;
        int cl = 0, ct = 0, cr = -1, cb = -1; // visible pixels, inclusive
        // The points from which the pen sets only visible pixels, whichever way the line runs
        // (inclusive; empty when the short path is off or the pen is wider than 2 pixels).
        int il = 0, it = 0, ir = -1, ib = -1;
        std::uint32_t colour = 0;
        bool Inner(ChartPoint p) const { return p.x >= il && p.x <= ir && p.y >= it && p.y <= ib; }
    };
    bool FastPenSetup(FastPen& pen);
    void FastSegment(const FastPen& pen, ChartPoint from, ChartPoint to, bool withEnd);
    // Polyline of a W-pixel pen (1 or 2): segments between inner points straight into the
    // pixels, the others through FastSegment.
    template <int W>
    void FastPolyline(const FastPen& pen, const ChartPoint* points, int count);

    QPaintDevice* m_device = nullptr;
    QPainter m_painter;
    int m_dpi;
    ChartPenStyle m_penStyle = ChartPenStyle::Solid;
    int m_penWidth = 1;
    ChartColour m_penColour = 0;
    bool m_penDirty = true;
    ChartPoint m_pos;
    std::vector<QLine> m_pending;   // 1-pixel segments waiting to be drawn
    std::vector<QLine> m_segments;  // scratch for wide polylines
    std::vector<QPoint> m_points;   // scratch for thin polylines
    bool m_clipped = false;
    ChartRect m_clip;
    // Direct pixel access (32-bit images only).
    bool m_fast = false;
    bool m_shortPath = true;
    unsigned char* m_bits = nullptr;
    qsizetype m_stride = 0;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    int m_lastFont = -1;
};

// Records every call as one line of text, for tests and diagnostics. Text measures
// charWidth pixels per character (CJK characters count double) and the font's pixel size plus
// 2 in height (at 96 dpi: 8 points -> 13, 10 points -> 15).
class RecordingChartSurface : public ChartSurface {
public:
    explicit RecordingChartSurface(int charWidth = 6) : m_charWidth(charWidth) {}

    void FillRect(const ChartRect& rect, ChartColour colour) override;
    void DrawRaisedEdge(const ChartRect& rect) override;
    void SetPen(ChartPenStyle style, int width, ChartColour colour) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const ChartPoint* points, int count) override;
    void DrawText(int x, int y, const QString& text, const ChartFont& font, ChartColour colour) override;
    ChartSize MeasureText(const QString& text, const ChartFont& font) override;
    void IntersectClip(const ChartRect& rect) override;
    void ResetClip() override;

    // Calls such as "FillRect 0 0 500 150 #f0f0f0", "SetPen solid 2 #0000ff", "Line 3 4 10 4",
    // "Polyline 3: 1,2 3,4 5,6", "Text 10 20 \"100\" size=80 v=0 #000000", "Clip 1 2 3 4",
    // "ResetClip", "Edge 0 0 500 150". Colours are written #rrggbb.
    QStringList calls;
    // Polylines as drawn, in order.
    std::vector<std::vector<ChartPoint>> polylines;

    // Recorded lines starting with prefix.
    QStringList Matching(const QString& prefix) const;
    void Clear() { calls.clear(); polylines.clear(); }

private:
    int m_charWidth;
    ChartPoint m_pos;
};

QString ChartColourName(ChartColour colour);
