#pragma once
// Showing a picture that is a plain copy of pixels (an opaque image at a whole-pixel offset on an
// image of 32-bit pixels) without the painter's image drawing: its setup and clipping cost
// more than the copy for the many small areas a live chart or list repaints each time.

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

// Copies `part` of `picture` to `at` (in the painter's coordinates) as painter.drawImage(at,
// picture, part) would, within the area the painter may paint (its system clip), and returns
// true; when that drawing is more than a copy of pixels (another format, a scaled or rotated
// painter, opacity, a clip of the painter's own, a device that is not an image...), does
// nothing and returns false.
bool CopyOpaqueImage(QPainter& painter, const QPoint& at, const QImage& picture, const QRect& part);

// The same, drawing through the painter where copying is not possible.
inline void DrawOpaqueImage(QPainter& painter, const QPoint& at, const QImage& picture, const QRect& part)
{
    if (!CopyOpaqueImage(painter, at, picture, part))
        painter.drawImage(at, picture, part);
}
