#pragma once
// Showing a picture that is a plain copy of pixels (an opaque image at a whole-pixel offset on an
// image of 32-bit pixels) without the painter's image drawing: its setup and clipping cost more
// than the copy for the many small areas a live chart or list repaints each time.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QRegion>

// What a painter paints into, looked at once for several copies while its state stays as it is.
class OpaqueImageTarget {
public:
    explicit OpaqueImageTarget(QPainter& painter);

    // Copies `part` of `picture` to `at` (in the painter's coordinates) as painter.drawImage(at,
    // picture, part) would, within the area the painter may paint (its system clip), and returns
    // true; when that drawing is more than a copy of pixels (another format, a scaled or rotated
    // painter, opacity, a clip of the painter's own, a device that is not an image...), does
    // nothing and returns false.
    bool Copy(const QPoint& at, const QImage& picture, const QRect& part) const;
    // Fills `rect` (in the painter's coordinates) with an opaque colour as painter.fillRect(rect,
    // colour) would, within the same area; false, with nothing done, where Copy would refuse or
    // the colour is not opaque.
    bool Fill(const QRect& rect, const QColor& colour) const;
    // Shows `picture` at `at` on `around` (which holds it) filled with the opaque colour `ground`,
    // as Fill(around, ground) and then Copy(at, picture, picture.rect()) would, in one pass over
    // the rows; a null picture leaves `around` filled. False, with nothing done, where either of
    // those would refuse.
    bool CopyOnGround(const QRect& around, const QColor& ground, const QPoint& at, const QImage& picture) const;
    // Copy, or where copying is not possible, painter.drawImage (the painter this target was made
    // for, in the same state).
    void Draw(QPainter& painter, const QPoint& at, const QImage& picture, const QRect& part) const
    {
        if (!Copy(at, picture, part))
            painter.drawImage(at, picture, part);
    }

private:
    const QImage* m_target = nullptr; // null: nothing is copied
    QPoint m_offset;                  // painter coordinates to the image's
    QRegion m_allowed;                // where the painter may paint, in the image's coordinates
};

inline bool CopyOpaqueImage(QPainter& painter, const QPoint& at, const QImage& picture, const QRect& part)
{
    return OpaqueImageTarget(painter).Copy(at, picture, part);
}

// The same, drawing through the painter where copying is not possible.
inline void DrawOpaqueImage(QPainter& painter, const QPoint& at, const QImage& picture, const QRect& part)
{
    OpaqueImageTarget(painter).Draw(painter, at, picture, part);
}
