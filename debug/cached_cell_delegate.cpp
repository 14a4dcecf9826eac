#include "debug/cached_cell_delegate.h"

#include "chart/image_copy.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QPaintEvent>
#include <QTableView>
#include <QVarLengthArray>
#include <QPaintEngine>
#include <QPainter>
#include <QStyle>
#include <cmath>
#include <optional>

size_t qHash(const CachedCellDelegate::Key& key, size_t seed)
{
    return qHashMulti(seed, key.text, key.size.width(), key.size.height(), key.state, key.alignment,
                      key.background, key.palette);
}

CachedCellDelegate::CachedCellDelegate(QObject* parent, int capacity, qsizetype byteCapacity)
    : CachedCellDelegate(parent, MakeStore(capacity, byteCapacity))
{
}

CachedCellDelegate::CachedCellDelegate(QObject* parent, std::shared_ptr<PictureStore> store)
    : QStyledItemDelegate(parent), m_store(store ? std::move(store) : MakeStore(256))
{
}

std::shared_ptr<CachedCellDelegate::PictureStore> CachedCellDelegate::MakeStore(int capacity, qsizetype byteCapacity)
{
    return std::make_shared<PictureStore>(capacity, byteCapacity);
}

int CachedCellDelegate::StoredCount() const { return m_store->Count(); }
qsizetype CachedCellDelegate::StoredBytes() const { return m_store->Bytes(); }
int CachedCellDelegate::ReusedCount() const { return m_store->Reused(); }

namespace {
bool IsOpaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

// The smallest rectangle of an image of 32-bit pixels holding every pixel other than `pixel`
// (empty when there is none).
QRect Ink(const QImage& image, QRgb pixel)
{
    int top = image.height(), bottom = -1, left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width() && line[x] == pixel)
            ++x;
        if (x == image.width())
            continue;
        int last = image.width() - 1;
        while (line[last] == pixel)
            --last;
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, x);
        right = std::max(right, last);
    }
    return bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

qsizetype BytesOf(const CachedCellDelegate::Picture& picture) { return picture.ink.sizeInBytes(); }
} // namespace

// Shows a kept picture with the cell's top left at `at`: copied into the painter's image where
// the target allows, painted through the painter elsewhere.
void CachedCellDelegate::Show(QPainter& painter, const OpaqueImageTarget& target, const QPoint& at, const Picture& picture)
{
    if (!picture.ground.isValid()) {
        target.Draw(painter, at, picture.ink, picture.ink.rect());
        return;
    }
    const QRect cell(at, picture.cell);
    if (target.CopyOnGround(cell, picture.ground, at + picture.inkAt, picture.ink))
        return;
    // The ink is opaque: drawn over the filled cell, it shows as the whole picture would.
    painter.fillRect(cell, picture.ground);
    if (!picture.ink.isNull())
        painter.drawImage(at + picture.inkAt, picture.ink);
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
    const CellId cell{option.widget, index.row(), index.column()};
    if (!plain) {
        m_lastPlain.remove(cell);
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

    m_lastPlain.insert(cell, {option, key});
    if (const Picture* kept = m_store->Find(key)) {
        Show(*painter, OpaqueImageTarget(*painter), opt.rect.topLeft(), *kept);
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
    // A picture without any see-through pixel shows the same drawn over anything: taken as one
    // without alpha, it is shown by copying its pixels.
    if (picture.format() == QImage::Format_ARGB32_Premultiplied && ratio == 1 && IsOpaque(picture))
        picture.reinterpretAsFormat(QImage::Format_RGB32);
    Picture kept{picture, QPoint(), picture.size(), QColor()};
    // An opaque picture of one pixel a unit is the background's colour outside its ink: only the
    // ink is kept (the background fill made pixels of this value).
    if (picture.format() == QImage::Format_RGB32 && ratio == 1) {
        const QRect ink = Ink(picture, 0xFF000000u | ground.color().rgb());
        kept.ink = ink.isEmpty() ? QImage() : picture.copy(ink);
        kept.inkAt = ink.topLeft();
        kept.ground = ground.color();
    }
    m_store->Keep(key, kept);
    Show(*painter, OpaqueImageTarget(*painter), opt.rect.topLeft(), kept);
}

const CachedCellDelegate::Picture* CachedCellDelegate::PictureStore::Find(const Key& key)
{
    auto found = m_recent.constFind(key);
    if (found != m_recent.constEnd()) {
        ++m_reused;
        return &*found;
    }
    auto older = m_older.find(key);
    if (older == m_older.end())
        return nullptr;
    ++m_reused;
    const Picture picture = *older;
    m_olderBytes -= BytesOf(picture);
    m_older.erase(older);
    Keep(key, picture);
    const auto kept = m_recent.constFind(key);
    return kept == m_recent.constEnd() ? nullptr : &*kept;
}

void CachedCellDelegate::RepaintBand(QTableView* view, int column, int firstRow, int lastRow, const QRect& area)
{
    QWidget* viewport = view ? view->viewport() : nullptr;
    if (!viewport)
        return;
    // What of it the viewport shows: all that a repaint of it can cover.
    const QRect shown = area & viewport->rect();
    if (shown.isEmpty())
        return;
    if (m_filtered != viewport) {
        StopWatching();
        viewport->installEventFilter(this);
        m_filtered = viewport;
    }
    m_band = {view, column, firstRow, lastRow, shown};
    // The band's pictures and grid lines cover it whole: the viewport's background need not be
    // filled under them first. Only for a plain solid background, which the paint below fills
    // itself when the repaint is left to the view after all.
    if (!m_groundSkipped) { // else still marked from the band before
        const QBrush ground = viewport->palette().brush(viewport->backgroundRole());
        if (!viewport->testAttribute(Qt::WA_OpaquePaintEvent) && viewport->autoFillBackground() &&
            ground.style() == Qt::SolidPattern && ground.isOpaque() && !viewport->testAttribute(Qt::WA_StyledBackground) &&
            !viewport->testAttribute(Qt::WA_NoSystemBackground) && BandCoversItself(view)) {
            viewport->setAttribute(Qt::WA_OpaquePaintEvent);
            m_groundSkipped = true;
        }
    }
    viewport->update(shown);
}

CachedCellDelegate::~CachedCellDelegate()
{
    StopWatching();
}

void CachedCellDelegate::StopWatching()
{
    if (!m_filtered)
        return;
    // A viewport left to paint itself would show no background where its view paints none.
    if (m_groundSkipped)
        m_filtered->setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_groundSkipped = false;
    m_filtered->removeEventFilter(this);
    m_filtered = nullptr;
}

bool CachedCellDelegate::BandCoversItself(const QTableView* view)
{
    return !view->showGrid() || (view->gridStyle() == Qt::SolidLine && view->viewport()->devicePixelRatio() == 1);
}

bool CachedCellDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Paint || watched != m_filtered)
        return QStyledItemDelegate::eventFilter(watched, event);
    auto* viewport = static_cast<QWidget*>(watched);
    const QRegion& region = static_cast<QPaintEvent*>(event)->region();
    const bool groundSkipped = m_groundSkipped;
    // Only the repaint asked for, alone; anything more is the view's to paint.
    if (m_band.view && m_band.view->viewport() == viewport && region == QRegion(m_band.area) &&
        (!groundSkipped || BandCoversItself(m_band.view)) && CopyBand(region)) {
        // The viewport keeps painting itself for the next band (live lists ask for one a tick);
        // any other repaint gives it its own background back below.
        m_band = {};
        ++m_bandsCopied;
        return true;
    }
    if (groundSkipped) {
        viewport->setAttribute(Qt::WA_OpaquePaintEvent, false);
        m_groundSkipped = false;
        // What the widget's own painting would have done first (its settings may have changed
        // since the first band of this run).
        if (viewport->autoFillBackground() && !viewport->testAttribute(Qt::WA_NoSystemBackground)) {
            QPainter painter(viewport);
            const QBrush ground = viewport->palette().brush(viewport->backgroundRole());
            for (const QRect& r : region)
                painter.fillRect(r, ground);
        }
    }
    return false;
}

// Paints what the view's own painting would for a region within one column's cells of rows
// first..last: each cell the region touches, then the grid lines across the region. The cells
// are copied from the kept pictures, or painted as usual where none is kept; false (nothing
// painted) when a cell was not last painted as a plain one or the view is laid out in a way this
// does not follow.
bool CachedCellDelegate::CopyBand(const QRegion& region)
{
    QTableView* view = m_band.view;
    const QAbstractItemModel* model = view->model();
    const int column = m_band.column;
    if (!model || view->itemDelegate() != this || view->isRightToLeft() || view->dragDropMode() != QAbstractItemView::NoDragDrop ||
        column < 0 || column >= model->columnCount(view->rootIndex()) || view->isColumnHidden(column) ||
        view->itemDelegateForColumn(column) || m_band.first < 0 || m_band.last < m_band.first ||
        m_band.last >= model->rowCount(view->rootIndex()))
        return false;
    const int grid = view->showGrid() ? 1 : 0;
    const int left = view->columnViewportPosition(column);
    const int width = view->columnWidth(column);
    const QRect bounds = region.boundingRect();
    if (bounds.left() < left || bounds.right() > left + width - 1 ||
        bounds.top() < view->rowViewportPosition(m_band.first) ||
        bounds.bottom() > view->rowViewportPosition(m_band.last) + view->rowHeight(m_band.last) - 1)
        return false;

    struct Cell {
        int row;
        QPoint at;
        std::optional<Picture> picture; // when kept: the cell needs no painting
    };
    QVarLengthArray<Cell, 16> cells;
    for (int row = m_band.first; row <= m_band.last; ++row) {
        if (view->isRowHidden(row) || view->rowSpan(row, column) != 1 || view->columnSpan(row, column) != 1 ||
            view->itemDelegateForRow(row))
            return false;
        const QRect rect(left, view->rowViewportPosition(row), width - grid, view->rowHeight(row) - grid);
        if (!rect.intersects(bounds))
            continue;
        const auto last = m_lastPlain.constFind(CellId{view, row, column});
        if (last == m_lastPlain.constEnd() || last->option.rect != rect)
            return false;
        Cell cell{row, rect.topLeft(), std::nullopt};
        // A text shown as it is (the delegate turns line breaks into line separators), neither it
        // nor the last one empty (so that the cell's display features are those of its last
        // painting): the picture kept for it, if any. Anything else is painted.
        const QVariant value = model->index(row, column, view->rootIndex()).data(Qt::DisplayRole);
        if (!last->key.text.isEmpty() && value.typeId() == QMetaType::QString) {
            Key key = last->key;
            key.text = value.toString();
            if (!key.text.isEmpty() && !key.text.contains(QLatin1Char('\n')))
                if (const Picture* kept = m_store->Find(key))
                    cell.picture = *kept;
        }
        cells.append(cell);
    }

    QPainter painter(view->viewport());
    const OpaqueImageTarget target(painter);
    for (const Cell& c : cells) {
        if (c.picture) {
            Show(painter, target, c.at, *c.picture);
        } else {
            // Painted as the view would have, with the options it gave the cell last time (a copy:
            // painting it records them anew).
            const QStyleOptionViewItem option = m_lastPlain.value(CellId{view, c.row, column}).option;
            paint(&painter, option, model->index(c.row, column, view->rootIndex()));
        }
    }
    if (!grid)
        return true;
    QStyleOptionViewItem option;
    option.initFrom(view);
    const QColor colour = QColor::fromRgba(static_cast<QRgb>(view->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, view)));
    // A solid one-pixel line without antialiasing on a device of one pixel a unit covers exactly
    // the pixels of a one-pixel-high or -wide rectangle: filled as one, without the line
    // drawing's setup.
    const bool solid = view->gridStyle() == Qt::SolidLine && !painter.testRenderHint(QPainter::Antialiasing) &&
                       painter.device()->devicePixelRatio() == 1;
    const auto line = [&](int x1, int y1, int x2, int y2) {
        if (solid) {
            const QRect r(QPoint(x1, y1), QPoint(x2, y2));
            if (!target.Fill(r, colour))
                painter.fillRect(r, colour);
        } else {
            painter.drawLine(x1, y1, x2, y2);
        }
    };
    if (!solid)
        painter.setPen(QPen(colour, 1, view->gridStyle()));
    const QHeaderView* rows = view->verticalHeader();
    const QHeaderView* columns = view->horizontalHeader();
    for (QRect dirty : region) {
        dirty.setBottom(std::min(dirty.bottom(), rows->length() - rows->offset() - 1));
        dirty.setRight(std::min(dirty.right(), columns->length() - columns->offset() - 1));
        if (!dirty.isValid())
            continue;
        for (int row = m_band.first; row <= m_band.last; ++row) {
            const int top = view->rowViewportPosition(row), height = view->rowHeight(row);
            if (top <= dirty.bottom() && top + height - 1 >= dirty.top())
                line(dirty.left(), top + height - grid, dirty.right(), top + height - grid);
        }
        const int x = left + width - grid;
        line(x, dirty.top(), x, dirty.bottom());
    }
    return true;
}

void CachedCellDelegate::PictureStore::Keep(const Key& key, const Picture& picture)
{
    const qsizetype bytes = BytesOf(picture);
    if (m_byteCapacity >= 0 && bytes > m_byteCapacity / 2)
        return; // more than a generation may hold: painted anew each time
    if (m_recent.size() >= (m_capacity + 1) / 2 ||
        (m_byteCapacity >= 0 && !m_recent.isEmpty() && m_recentBytes + bytes > m_byteCapacity / 2)) {
        m_older.swap(m_recent);
        m_olderBytes = m_recentBytes;
        m_recent.clear();
        m_recentBytes = 0;
    }
    m_recent.insert(key, picture);
    m_recentBytes += bytes;
}
