#include "debug/cached_cell_delegate.h"

#include <QAbstractItemView>
#include <QPaintEngine>
#include <QPainter>
#include <QStyle>
#include <cmath>

size_t qHash(const CachedCellDelegate::Key& key, size_t seed)
{
    return qHashMulti(seed, key.text, key.size.width(), key.size.height(), key.state, key.alignment,
                      key.background, key.palette);
}

CachedCellDelegate::CachedCellDelegate(QObject* parent, int capacity)
    : QStyledItemDelegate(parent), m_capacity(capacity > 0 ? capacity : 1)
{
}

void CachedCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);

    // What lies under the cell: the view's background, as the view fills it.
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const QWidget* viewport = view ? view->viewport() : nullptr;
    const QBrush ground = viewport ? viewport->palette().brush(viewport->backgroundRole()) : QBrush();
    const QTransform& t = painter->transform();
    const bool plain =
        viewport && viewport->autoFillBackground() && ground.style() == Qt::SolidPattern && ground.color().alpha() == 255 &&
        !(opt.state & QStyle::State_Selected) &&
        !(opt.features & (QStyleOptionViewItem::Alternate | QStyleOptionViewItem::HasCheckIndicator |
                          QStyleOptionViewItem::HasDecoration)) &&
        opt.backgroundBrush.style() == Qt::NoBrush && opt.rect.isValid() && painter->opacity() == 1.0 &&
        t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy());
    if (!plain) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }

    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    // Pictures take the format of the image the view paints into, so the text is drawn in them
    // as it would be there, and showing one is a plain copy.
    QImage::Format format = QImage::Format_ARGB32_Premultiplied;
    const QPaintDevice* target = painter->paintEngine() ? painter->paintEngine()->paintDevice() : nullptr;
    if (target && target->devType() == QInternal::Image) {
        const QImage::Format f = static_cast<const QImage*>(target)->format();
        if (f == QImage::Format_RGB32)
            format = f;
    }
    Key key;
    key.text = opt.text;
    key.size = opt.rect.size();
    key.state = int(opt.state);
    key.features = int(opt.features);
    key.alignment = int(opt.displayAlignment);
    key.elide = int(opt.textElideMode);
    key.direction = int(opt.direction);
    key.palette = opt.palette.cacheKey();
    key.background = ground.color().rgba();
    key.pixelRatio = ratio;
    key.font = opt.font;
    key.style = opt.widget ? static_cast<const void*>(opt.widget->style()) : nullptr;
    key.format = int(format);

    auto found = m_recent.constFind(key);
    if (found != m_recent.constEnd()) {
        ++m_reused;
        painter->drawImage(opt.rect.topLeft(), *found);
        return;
    }
    auto older = m_older.find(key);
    if (older != m_older.end()) {
        ++m_reused;
        const QImage picture = *older;
        m_older.erase(older);
        Keep(key, picture);
        painter->drawImage(opt.rect.topLeft(), picture);
        return;
    }

    // Painted the usual way, at the origin of an image on the view's background.
    QImage picture(opt.rect.size() * ratio, format);
    picture.setDevicePixelRatio(ratio);
    picture.fill(ground.color());
    {
        QPainter p(&picture);
        p.setRenderHints(painter->renderHints());
        p.setFont(painter->font());
        p.setPen(painter->pen());
        p.setBrush(painter->brush());
        p.setLayoutDirection(painter->layoutDirection());
        QStyleOptionViewItem at = option;
        at.rect.moveTo(0, 0);
        QStyledItemDelegate::paint(&p, at, index);
    }
    Keep(key, picture);
    painter->drawImage(opt.rect.topLeft(), picture);
}

void CachedCellDelegate::Keep(const Key& key, const QImage& picture) const
{
    if (m_recent.size() >= (m_capacity + 1) / 2) {
        m_older.swap(m_recent);
        m_recent.clear();
    }
    m_recent.insert(key, picture);
}
