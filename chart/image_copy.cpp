#include "chart/image_copy.h"

#include <QPaintEngine>
#include <QTransform>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <cstring>

OpaqueImageTarget::OpaqueImageTarget(QPainter& painter)
{
    // An RGB32 picture drawn at full opacity on an RGB32 image, or on a premultiplied ARGB32 one
    // (what windows paint into on X11), is copied as it is, its alpha byte included: that is the
    // case handled here.
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return;
    const auto* target = static_cast<const QImage*>(device);
    if ((target->format() != QImage::Format_RGB32 && target->format() != QImage::Format_ARGB32_Premultiplied) ||
        target->devicePixelRatio() != 1)
        return;
    const QPainter::CompositionMode mode = painter.compositionMode();
    if (painter.opacity() != 1.0 || painter.hasClipping() ||
        (mode != QPainter::CompositionMode_SourceOver && mode != QPainter::CompositionMode_Source))
        return;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return;
    // Painting into a window's image is always limited to the area being repainted; without
    // such a limit the painter is left to decide.
    m_allowed = engine->systemClip();
    if (m_allowed.isEmpty())
        return;
    m_offset = QPoint(int(t.dx()), int(t.dy()));
    m_target = target;
}

bool OpaqueImageTarget::Copy(const QPoint& at, const QImage& picture, const QRect& part) const
{
    if (!m_target || picture.format() != QImage::Format_RGB32 || picture.devicePixelRatio() != 1)
        return false;
    // A pixel p of the picture lands on p + shift of the image.
    const QPoint shift = at + m_offset - part.topLeft();
    const QRect to = (part & picture.rect()).translated(shift) & m_target->rect();
    if (to.isEmpty())
        return true;
    // The painter draws into the image's pixels as they were when it began (it is not detached
    // here, which would leave the painter drawing elsewhere).
    uchar* bits = const_cast<uchar*>(m_target->constBits());
    const uchar* source = picture.constBits();
    const qsizetype toStride = m_target->bytesPerLine(), fromStride = picture.bytesPerLine();
    for (const QRect& area : m_allowed) {
        const QRect r = area & to;
        if (r.isEmpty())
            continue;
        const size_t bytes = size_t(r.width()) * 4;
        const uchar* in = source + qsizetype(r.top() - shift.y()) * fromStride + qsizetype(r.left() - shift.x()) * 4;
        uchar* out = bits + qsizetype(r.top()) * toStride + qsizetype(r.left()) * 4;
        for (int y = 0; y < r.height(); ++y, in += fromStride, out += toStride)
            std::memcpy(out, in, bytes);
    }
    return true;
}

bool OpaqueImageTarget::Fill(const QRect& rect, const QColor& colour) const
{
    return CopyOnGround(rect, colour, rect.topLeft(), QImage());
}

bool OpaqueImageTarget::CopyOnGround(const QRect& around, const QColor& ground, const QPoint& at, const QImage& picture) const
{
    if (!m_target || ground.alpha() != 255 ||
        (!picture.isNull() && (picture.format() != QImage::Format_RGB32 || picture.devicePixelRatio() != 1)))
        return false;
    const QRect cell = around.normalized().translated(m_offset) & m_target->rect();
    if (cell.isEmpty())
        return true;
    // A pixel p of the picture lands on p + shift of the image.
    const QPoint shift = at + m_offset;
    const QRect ink = QRect(shift, picture.size()) & cell;
    // The ground's pixels, copied from here into each row (an opaque colour is the same pixel in
    // both formats).
    QVarLengthArray<QRgb, 256> line(cell.width());
    std::fill(line.begin(), line.end(), 0xFF000000u | ground.rgb());
    uchar* bits = const_cast<uchar*>(m_target->constBits());
    const qsizetype stride = m_target->bytesPerLine();
    for (const QRect& area : m_allowed) {
        const QRect r = area & cell;
        if (r.isEmpty())
            continue;
        const QRect i = ink & r;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* out = reinterpret_cast<QRgb*>(bits + qsizetype(y) * stride);
            if (i.isEmpty() || y < i.top() || y > i.bottom()) {
                std::memcpy(out + r.left(), line.constData(), size_t(r.width()) * 4);
                continue;
            }
            const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y - shift.y())) + (i.left() - shift.x());
            std::memcpy(out + r.left(), line.constData(), size_t(i.left() - r.left()) * 4);
            std::memcpy(out + i.left(), in, size_t(i.width()) * 4);
            std::memcpy(out + i.right() + 1, line.constData(), size_t(r.right() - i.right()) * 4);
        }
    }
    return true;
}
