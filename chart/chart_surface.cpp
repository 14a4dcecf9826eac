#include "chart/chart_surface.h"

#include <QFontDatabase>
#include <QImage>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

QColor ToQColor(ChartColour colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

ChartColour FromQColor(const QColor& colour)
{
    return ChartRgb(colour.red(), colour.green(), colour.blue());
}

QString ChartColourName(ChartColour colour)
{
    return QString::asprintf("#%02x%02x%02x", unsigned(colour & 0xFF), unsigned((colour >> 8) & 0xFF),
                             unsigned((colour >> 16) & 0xFF));
}

int ChartFontPixelSize(int tenthsOfPoint, int dpi)
{
    // MulDiv(size, dpi, 720): rounded to nearest, halves away from zero.
    const long long num = static_cast<long long>(tenthsOfPoint) * dpi;
    const long long q = (std::llabs(num) * 2 + 720) / (2 * 720);
    const int px = static_cast<int>(num < 0 ? -q : q);
    return std::max(1, px);
}

namespace {

// Faces the classic Windows layouts name, with metric-compatible or close substitutes.
QStringList FamiliesFor(const QString& face)
{
    QStringList families{face};
    const QString lower = face.toLower();
    const bool serif = lower.contains(QLatin1String("serif")) && !lower.contains(QLatin1String("sans"));
    if (lower == QLatin1String("times new roman") || serif)
        families << QStringLiteral("Liberation Serif") << QStringLiteral("DejaVu Serif");
    else if (lower.contains(QLatin1String("courier")) || lower.contains(QLatin1String("mono")))
        families << QStringLiteral("Liberation Mono") << QStringLiteral("DejaVu Sans Mono");
    else
        families << QStringLiteral("Liberation Sans") << QStringLiteral("Arial") << QStringLiteral("DejaVu Sans");
    families << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Noto Sans SC");
    return families;
}

}  // namespace

QFont ChartQFont(const ChartFont& font, int dpi)
{
    QFont f;
    f.setFamilies(FamiliesFor(font.face));
    f.setPixelSize(ChartFontPixelSize(font.size, dpi));
    f.setWeight(font.bold ? QFont::Bold : QFont::Normal);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    return f;
}

// ------------------------------------------------------------------------------------------
// QPainterChartSurface

QPainterChartSurface::QPainterChartSurface(QPaintDevice* device, int dpi) : m_dpi(dpi > 0 ? dpi : 96)
{
    if (device && device->devType() == QInternal::Image) {
        auto* image = static_cast<QImage*>(device);
        const QImage::Format f = image->format();
        if (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied) {
            // Detach before the painter starts, so painter and direct writes share one buffer.
            m_bits = image->bits();
            m_stride = image->bytesPerLine();
            m_imageWidth = image->width();
            m_imageHeight = image->height();
            m_fast = m_bits != nullptr;
        }
    }
    m_device = device;
    // On a 32-bit image the painter starts only when something needs it: drawing nothing but
    // solid lines (the curves over a kept frame) writes the pixels directly.
    if (!m_fast)
        Painter();
}

QPainter& QPainterChartSurface::Painter()
{
    if (!m_painter.isActive() && m_device) {
        m_painter.begin(m_device);
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setBackgroundMode(Qt::TransparentMode);
        if (m_clipped)
            m_painter.setClipRect(QRect(m_clip.left, m_clip.top, std::max(0, m_clip.Width()), std::max(0, m_clip.Height())));
        m_penDirty = true;
    }
    return m_painter;
}

QPainterChartSurface::~QPainterChartSurface()
{
    Flush();
    if (m_painter.isActive())
        m_painter.end();
}

void QPainterChartSurface::Flush()
{
    if (m_pending.empty())
        return;
    ApplyPen();
    Painter().drawLines(m_pending.data(), int(m_pending.size()));
    m_pending.clear();
}

void QPainterChartSurface::ApplyPen()
{
    if (!m_penDirty)
        return;
    if (m_penStyle == ChartPenStyle::Null) {
        Painter().setPen(Qt::NoPen);
    } else {
        QPen pen(ToQColor(m_penColour));
        // Width 0 and 1 are the cosmetic 1-pixel pen, which has the fastest path.
        pen.setWidth(m_penWidth <= 1 ? 0 : m_penWidth);
        pen.setStyle(m_penStyle == ChartPenStyle::Dash ? Qt::DashLine
                     : m_penStyle == ChartPenStyle::Dot ? Qt::DotLine
                                                        : Qt::SolidLine);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::BevelJoin);
        Painter().setPen(pen);
    }
    Painter().setBrush(Qt::NoBrush);
    m_penDirty = false;
}

void QPainterChartSurface::FillRect(const ChartRect& rect, ChartColour colour)
{
    Flush();
    if (rect.IsEmpty())
        return;
    Painter().fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQColor(colour));
}

void QPainterChartSurface::DrawRaisedEdge(const ChartRect& rect)
{
    // Outer edge: light top/left, dark shadow bottom/right; inner edge: highlight top/left,
    // shadow bottom/right (the classic 3-D colours).
    const ChartColour light = ChartRgb(227, 227, 227);
    const ChartColour highlight = ChartRgb(255, 255, 255);
    const ChartColour shadow = ChartRgb(160, 160, 160);
    const ChartColour darkShadow = ChartRgb(105, 105, 105);
    ChartRect r = rect;
    for (int ring = 0; ring < 2 && !r.IsEmpty(); ++ring) {
        const ChartColour topLeft = ring == 0 ? light : highlight;
        const ChartColour bottomRight = ring == 0 ? darkShadow : shadow;
        FillRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        FillRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        FillRect({r.left, r.top, r.right - 1, r.top + 1}, topLeft);
        FillRect({r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
        r = r.Deflated(1);
    }
}

void QPainterChartSurface::SetPen(ChartPenStyle style, int width, ChartColour colour)
{
    if (style == m_penStyle && width == m_penWidth && colour == m_penColour)
        return;
    Flush();
    m_penStyle = style;
    m_penWidth = width;
    m_penColour = colour;
    m_penDirty = true;
}

void QPainterChartSurface::MoveTo(int x, int y)
{
    m_pos = {x, y};
}

bool QPainterChartSurface::FastPenSetup(FastPen& pen)
{
    if (!m_fast || m_penStyle != ChartPenStyle::Solid)
        return false;
    Flush();
    pen.w = std::max(1, m_penWidth);
    // Visible pixel range, inclusive.
    pen.cl = 0;
    pen.ct = 0;
    pen.cr = m_imageWidth - 1;
    pen.cb = m_imageHeight - 1;
    if (m_clipped) {
        pen.cl = std::max(pen.cl, m_clip.left);
        pen.ct = std::max(pen.ct, m_clip.top);
        pen.cr = std::min(pen.cr, m_clip.right - 1);
        pen.cb = std::min(pen.cb, m_clip.bottom - 1);
    }
    pen.colour = 0xFF000000u | ((m_penColour & 0xFFu) << 16) | (m_penColour & 0xFF00u) | ((m_penColour >> 16) & 0xFFu);
    if (m_shortPath && pen.w <= 2) {
        // Pens 1 and 2 pixels wide start at the line's pixel (no offset before it) and reach
        // w - 1 pixels beyond it, down or right.
        pen.il = pen.cl;
        pen.it = pen.ct;
        pen.ir = pen.cr - (pen.w - 1);
        pen.ib = pen.cb - (pen.w - 1);
    }
    return true;
}

namespace {

// A segment whose every pixel, pen included, is visible: the Bresenham line of FastSegment with
// the pen's width fixed, walked by offsets into the pixels (bits + y * stride + x, in pixels).
// A 2-pixel pen also sets the neighbour across the major direction: below a line that runs
// more sideways than up or down, right of the others.
// Always inlined: the call would cost about as much as a short segment.
template <int W>
[[gnu::always_inline]] inline void InnerSegment(std::uint32_t* bits, qsizetype stride, ChartPoint a, ChartPoint b,
                                                bool withEnd, std::uint32_t colour)
{
    static_assert(W == 1 || W == 2, "pens of 1 or 2 pixels");
    int adx = b.x - a.x, ady = b.y - a.y;
    qsizetype stepX = 1, stepY = stride;
    if (adx < 0) {
        adx = -adx;
        stepX = -1;
    }
    if (ady < 0) {
        ady = -ady;
        stepY = -stride;
    }
    qsizetype major = stepX, minor = stepY, across = stride;
    int n = adx, m = ady;
    if (adx < ady) {
        major = stepY;
        minor = stepX;
        across = 1;
        n = ady;
        m = adx;
    }
    qsizetype at = qsizetype(a.y) * stride + a.x;
    // The error term and its steps: d > 0 moves one pixel along the minor direction too.
    int d = 2 * m - n;
    const int flat = 2 * m, slant = 2 * m - 2 * n;
    const qsizetype diagonal = major + minor;
    for (int k = withEnd ? n + 1 : n; k > 0; --k) {
        bits[at] = colour;
        if (W == 2)
            bits[at + across] = colour;
        const bool step = d > 0;
        at += step ? diagonal : major;
        d += step ? slant : flat;
    }
}

}  // namespace

bool QPainterChartSurface::FastLine(ChartPoint from, ChartPoint to, bool withEnd)
{
    FastPen pen;
    if (!FastPenSetup(pen))
        return false;
    if (pen.Inner(from) && pen.Inner(to)) {
        auto* bits = reinterpret_cast<std::uint32_t*>(m_bits);
        if (pen.w == 1)
            InnerSegment<1>(bits, m_stride / 4, from, to, withEnd, pen.colour);
        else
            InnerSegment<2>(bits, m_stride / 4, from, to, withEnd, pen.colour);
        return true;
    }
    FastSegment(pen, from, to, withEnd);
    return true;
}

template <int W>
void QPainterChartSurface::FastPolyline(const FastPen& pen, const ChartPoint* points, int count)
{
    auto* bits = reinterpret_cast<std::uint32_t*>(m_bits);
    const qsizetype stride = m_stride / 4;
    bool innerFrom = pen.Inner(points[0]);
    for (int i = 1; i < count; ++i) {
        const bool innerTo = pen.Inner(points[i]);
        if (innerFrom && innerTo)
            InnerSegment<W>(bits, stride, points[i - 1], points[i], true, pen.colour);
        else
            FastSegment(pen, points[i - 1], points[i], true);
        innerFrom = innerTo;
    }
}

void QPainterChartSurface::FastSegment(const FastPen& pen, ChartPoint from, ChartPoint to, bool withEnd)
{
    const int w = pen.w, cl = pen.cl, ct = pen.ct, cr = pen.cr, cb = pen.cb;
    if (cl > cr || ct > cb)
        return;
    // Both ends beyond the same edge (widened by the pen): nothing to draw. Curves far outside
    // the axis range end here at the cost of four comparisons a segment.
    const int reach = w + 1;
    if ((from.x < cl - reach && to.x < cl - reach) || (from.x > cr + reach && to.x > cr + reach) ||
        (from.y < ct - reach && to.y < ct - reach) || (from.y > cb + reach && to.y > cb + reach))
        return;

    const std::uint32_t colour = pen.colour;
    const int o0 = -((w - 1) / 2);
    if (from.y == to.y || from.x == to.x) {
        // Horizontal or vertical: a filled band, clipped in integers.
        const bool horizontal = from.y == to.y;
        int a = horizontal ? from.x : from.y;
        int b = horizontal ? to.x : to.y;
        if (!withEnd) {
            if (a == b)
                return;
            b += b > a ? -1 : 1;
        }
        if (a > b)
            std::swap(a, b);
        const int across = horizontal ? from.y : from.x;
        const int x1 = horizontal ? std::max(a, cl) : std::max(across + o0, cl);
        const int x2 = horizontal ? std::min(b, cr) : std::min(across + o0 + w - 1, cr);
        const int y1 = horizontal ? std::max(across + o0, ct) : std::max(a, ct);
        const int y2 = horizontal ? std::min(across + o0 + w - 1, cb) : std::min(b, cb);
        for (int yy = y1; yy <= y2; ++yy) {
            auto* row = reinterpret_cast<std::uint32_t*>(m_bits + yy * m_stride);
            for (int xx = x1; xx <= x2; ++xx)
                row[xx] = colour;
        }
        return;
    }

    int ax = from.x, ay = from.y, bx = to.x, by = to.y;
    const bool inside = from.x >= cl && from.x <= cr && to.x >= cl && to.x <= cr && from.y >= ct && from.y <= cb &&
                        to.y >= ct && to.y <= cb;
    if (!inside) {
        // Cut the segment to the visible range widened by the pen (Liang-Barsky), so far-away
        // points cost nothing.
        const double x0 = from.x, y0 = from.y;
        const double dx = double(to.x) - from.x, dy = double(to.y) - from.y;
        const double margin = w + 1;
        double t0 = 0, t1 = 1;
        const auto cut = [&](double p, double q) {
            if (p == 0)
                return q >= 0;
            const double r = q / p;
            if (p < 0) {
                if (r > t1)
                    return false;
                t0 = std::max(t0, r);
            } else {
                if (r < t0)
                    return false;
                t1 = std::min(t1, r);
            }
            return true;
        };
        if (!cut(-dx, x0 - (cl - margin)) || !cut(dx, (cr + margin) - x0) || !cut(-dy, y0 - (ct - margin)) ||
            !cut(dy, (cb + margin) - y0))
            return;
        if (t0 > 0) {
            ax = int(std::lround(x0 + t0 * dx));
            ay = int(std::lround(y0 + t0 * dy));
        }
        if (t1 < 1) {
            bx = int(std::lround(x0 + t1 * dx));
            by = int(std::lround(y0 + t1 * dy));
            withEnd = true;  // the true end lies outside anyway
        }
    }

    const int adx = std::abs(bx - ax), ady = std::abs(by - ay);
    const int sx = bx >= ax ? 1 : -1, sy = by >= ay ? 1 : -1;
    const bool xMajor = adx >= ady;
    const int n = std::max(adx, ady);
    const int pixels = withEnd ? n + 1 : n;
    int x = ax, y = ay;
    // Whether every pixel the pen sets lies within the clip, so that the loops need no checks
    // (the usual case for a curve inside the plot).
    const bool unchecked = inside && (xMajor ? std::min(ay, by) + o0 >= ct && std::max(ay, by) + o0 + w - 1 <= cb
                                             : std::min(ax, bx) + o0 >= cl && std::max(ax, bx) + o0 + w - 1 <= cr);
    if (xMajor) {
        int d = 2 * ady - adx;
        for (int i = 0; i < pixels; ++i) {
            if (unchecked) {
                unsigned char* p = m_bits + (y + o0) * m_stride + qsizetype(x) * 4;
                for (int k = 0; k < w; ++k, p += m_stride)
                    *reinterpret_cast<std::uint32_t*>(p) = colour;
            } else if (x >= cl && x <= cr) {
                const int yFrom = std::max(ct, y + o0), yTo = std::min(cb, y + o0 + w - 1);
                for (int yy = yFrom; yy <= yTo; ++yy)
                    reinterpret_cast<std::uint32_t*>(m_bits + yy * m_stride)[x] = colour;
            }
            if (d > 0) {
                y += sy;
                d -= 2 * adx;
            }
            d += 2 * ady;
            x += sx;
        }
    } else {
        int d = 2 * adx - ady;
        for (int i = 0; i < pixels; ++i) {
            if (unchecked) {
                auto* row = reinterpret_cast<std::uint32_t*>(m_bits + y * m_stride) + (x + o0);
                for (int k = 0; k < w; ++k)
                    row[k] = colour;
            } else if (y >= ct && y <= cb) {
                const int xFrom = std::max(cl, x + o0), xTo = std::min(cr, x + o0 + w - 1);
                auto* row = reinterpret_cast<std::uint32_t*>(m_bits + y * m_stride);
                for (int xx = xFrom; xx <= xTo; ++xx)
                    row[xx] = colour;
            }
            if (d > 0) {
                x += sx;
                d -= 2 * ady;
            }
            d += 2 * adx;
            y += sy;
        }
    }
}

void QPainterChartSurface::LineTo(int x, int y)
{
    const ChartPoint from = m_pos;
    m_pos = {x, y};
    if (m_penStyle == ChartPenStyle::Null)
        return;
    // Thin lines leave out their end pixel; wide ones are drawn to the end.
    if (FastLine(from, {x, y}, m_penWidth > 1))
        return;
    const int dx = x - from.x;
    const int dy = y - from.y;
    if (dx == 0 && dy == 0)
        return;
    if (m_penWidth > 1) {
        Flush();
        ApplyPen();
        Painter().drawLine(from.x, from.y, x, y);
        return;
    }
    // Thin line without its end pixel: step back one pixel along the major direction.
    const int n = std::max(std::abs(dx), std::abs(dy));
    QLine line;
    if (n == 1) {
        line = QLine(from.x, from.y, from.x, from.y);
    } else {
        const auto scaled = [n](int d) {
            const long long v = static_cast<long long>(d) * (n - 1);
            return int(v >= 0 ? (v + n / 2) / n : -((-v + n / 2) / n));
        };
        line = QLine(from.x, from.y, from.x + scaled(dx), from.y + scaled(dy));
    }
    if (m_pending.capacity() == 0)
        m_pending.reserve(512); // room for a whole chart's worth, made only when lines come
    m_pending.push_back(line);
}

void QPainterChartSurface::Polyline(const ChartPoint* points, int count)
{
    if (count < 2 || m_penStyle == ChartPenStyle::Null)
        return;
    FastPen pen;
    if (FastPenSetup(pen)) {
        if (pen.w == 1)
            FastPolyline<1>(pen, points, count);
        else if (pen.w == 2)
            FastPolyline<2>(pen, points, count);
        else
            for (int i = 1; i < count; ++i)
                FastSegment(pen, points[i - 1], points[i], true);
        return;
    }
    Flush();
    ApplyPen();
    if (m_penWidth > 1 && m_penStyle == ChartPenStyle::Solid) {
        // Separate segments: the raster engine fills wide solid lines directly, while one
        // polyline goes through the general path stroker.
        m_segments.clear();
        m_segments.reserve(size_t(count));
        for (int i = 1; i < count; ++i)
            m_segments.emplace_back(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
        Painter().drawLines(m_segments.data(), int(m_segments.size()));
        return;
    }
    m_points.clear();
    m_points.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        m_points.emplace_back(points[i].x, points[i].y);
    Painter().drawPolyline(m_points.data(), count);
}

std::vector<QPainterChartSurface::FontEntry>& QPainterChartSurface::FontCache()
{
    static std::vector<FontEntry> cache;
    return cache;
}

QPainterChartSurface::FontEntry& QPainterChartSurface::Font(const ChartFont& font)
{
    std::vector<FontEntry>& cache = FontCache();
    if (m_lastFont >= 0 && size_t(m_lastFont) < cache.size() && cache[size_t(m_lastFont)].dpi == m_dpi &&
        cache[size_t(m_lastFont)].font == font)
        return cache[size_t(m_lastFont)];
    for (size_t i = 0; i < cache.size(); ++i)
        if (cache[i].dpi == m_dpi && cache[i].font == font) {
            m_lastFont = int(i);
            return cache[i];
        }
    // A handful of fonts are in use; a program that keeps inventing new ones starts afresh.
    if (cache.size() >= 64)
        cache.clear();
    cache.emplace_back(font, m_dpi, ChartQFont(font, m_dpi));
    m_lastFont = int(cache.size() - 1);
    return cache.back();
}

void QPainterChartSurface::DrawText(int x, int y, const QString& text, const ChartFont& font, ChartColour colour)
{
    if (text.isEmpty())
        return;
    Flush();
    FontEntry& f = Font(font);
    Painter().setFont(f.qfont);
    Painter().setPen(ToQColor(colour));
    m_penDirty = true;
    if (font.vertical) {
        Painter().save();
        Painter().translate(x, y);
        Painter().rotate(-90);
        Painter().drawText(0, f.metrics.ascent(), text);
        Painter().restore();
    } else {
        Painter().drawText(x, y + f.metrics.ascent(), text);
    }
}

ChartSize QPainterChartSurface::MeasureText(const QString& text, const ChartFont& font)
{
    FontEntry& f = Font(font);
    return {f.metrics.horizontalAdvance(text), f.metrics.height()};
}

void QPainterChartSurface::IntersectClip(const ChartRect& rect)
{
    Flush();
    const QRect r(rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height()));
    if (m_painter.isActive())
        m_painter.setClipRect(r, m_clipped ? Qt::IntersectClip : Qt::ReplaceClip);
    // The direct pixel path clips to the same area as the painter: the intersection.
    if (m_clipped)
        m_clip = {std::max(m_clip.left, rect.left), std::max(m_clip.top, rect.top), std::min(m_clip.right, rect.right),
                  std::min(m_clip.bottom, rect.bottom)};
    else
        m_clip = rect;
    m_clipped = true;
}

void QPainterChartSurface::ResetClip()
{
    Flush();
    if (m_painter.isActive())
        m_painter.setClipping(false);
    m_clipped = false;
}

// ------------------------------------------------------------------------------------------
// RecordingChartSurface

namespace {
QString RectText(const ChartRect& r)
{
    return QStringLiteral("%1 %2 %3 %4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
}
}  // namespace

void RecordingChartSurface::FillRect(const ChartRect& rect, ChartColour colour)
{
    calls << QStringLiteral("FillRect %1 %2").arg(RectText(rect), ChartColourName(colour));
}

void RecordingChartSurface::DrawRaisedEdge(const ChartRect& rect)
{
    calls << QStringLiteral("Edge %1").arg(RectText(rect));
}

void RecordingChartSurface::SetPen(ChartPenStyle style, int width, ChartColour colour)
{
    static const char* const names[] = {"solid", "dash", "dot", "null"};
    calls << QStringLiteral("SetPen %1 %2 %3")
                 .arg(QLatin1String(names[int(style)]))
                 .arg(width)
                 .arg(ChartColourName(colour));
}

void RecordingChartSurface::MoveTo(int x, int y)
{
    m_pos = {x, y};
}

void RecordingChartSurface::LineTo(int x, int y)
{
    calls << QStringLiteral("Line %1 %2 %3 %4").arg(m_pos.x).arg(m_pos.y).arg(x).arg(y);
    m_pos = {x, y};
}

void RecordingChartSurface::Polyline(const ChartPoint* points, int count)
{
    QString text = QStringLiteral("Polyline %1:").arg(count);
    for (int i = 0; i < count && i < 8; ++i)
        text += QStringLiteral(" %1,%2").arg(points[i].x).arg(points[i].y);
    if (count > 8)
        text += QStringLiteral(" ...");
    calls << text;
    polylines.emplace_back(points, points + std::max(0, count));
}

void RecordingChartSurface::DrawText(int x, int y, const QString& text, const ChartFont& font, ChartColour colour)
{
    calls << QStringLiteral("Text %1 %2 \"%3\" size=%4 v=%5 %6")
                 .arg(x)
                 .arg(y)
                 .arg(text)
                 .arg(font.size)
                 .arg(font.vertical ? 1 : 0)
                 .arg(ChartColourName(colour));
}

ChartSize RecordingChartSurface::MeasureText(const QString& text, const ChartFont& font)
{
    int units = 0;
    for (QChar c : text)
        units += c.unicode() >= 0x2E80 ? 2 : 1;
    return {units * m_charWidth, ChartFontPixelSize(font.size, 96) + 2};
}

void RecordingChartSurface::IntersectClip(const ChartRect& rect)
{
    calls << QStringLiteral("Clip %1").arg(RectText(rect));
}

void RecordingChartSurface::ResetClip()
{
    calls << QStringLiteral("ResetClip");
}

QStringList RecordingChartSurface::Matching(const QString& prefix) const
{
    QStringList out;
    for (const QString& c : calls)
        if (c.startsWith(prefix))
            out << c;
    return out;
}
