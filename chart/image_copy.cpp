#include "chart/image_copy.h"

#include <QPaintEngine>
#include <QRegion>
#include <QTransform>
#include <cmath>
#include <cstring>

bool CopyOpaqueImage(QPainter& painter, const QPoint& at, const QImage& picture, const QRect& part)
{
    // An RGB32 picture drawn at full opacity on an RGB32 image, or on a premultiplied ARGB32 one
    // (what windows paint into on X11), is copied as it is, its alpha byte included: that is the
    // case handled here.
    if (picture.format() != QImage::Format_RGB32 || picture.devicePixelRatio() != 1)
        return false;
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return false;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return false;
    const auto* target = static_cast<const QImage*>(device);
    if ((target->format() != QImage::Format_RGB32 && target->format() != QImage::Format_ARGB32_Premultiplied) ||
        target->devicePixelRatio() != 1)
        return false;
    const QPainter::CompositionMode mode = painter.compositionMode();
    if (painter.opacity() != 1.0 || painter.hasClipping() ||
        (mode != QPainter::CompositionMode_SourceOver && mode != QPainter::CompositionMode_Source))
        return false;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return false;
    // Painting into a window's image is always limited to the area being repainted; without
    // such a limit the painter is left to decide.
    const QRegion allowed = engine->systemClip();
    if (allowed.isEmpty())
        return false;

    // A pixel p of the picture lands on p + shift of the image.
    const QPoint shift = at + QPoint(int(t.dx()), int(t.dy())) - part.topLeft();
    const QRect from = part & picture.rect();
    const QRect to = from.translated(shift) & target->rect();
    // The painter draws into the image's pixels as they were when it began (it is not detached
    // here, which would leave the painter drawing elsewhere).
    uchar* bits = const_cast<uchar*>(target->constBits());
    const uchar* source = picture.constBits();
    const qsizetype toStride = target->bytesPerLine(), fromStride = picture.bytesPerLine();
    for (const QRect& area : allowed) {
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
