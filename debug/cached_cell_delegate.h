#pragma once
// An item delegate for lists whose cells keep coming back to the same texts (the live value
// lists of the debug page, rewritten 40 times a second). It paints a cell exactly as
// QStyledItemDelegate does, but keeps the picture of every plain cell it painted, by text, size,
// state, font and colours, so that showing a text again copies that picture instead of laying
// the text out and drawing it anew. A picture keeps only the part of the cell where the painting
// left something other than the background (for a number, a few digits' width of a wide cell):
// the rest is filled with the background's colour when it is shown.
//
// Only plain text cells on the view's own solid background are kept: a selected, alternating,
// checkable or decorated cell, a cell with its own background, or a painter that is scaled or
// rotated is painted the usual way every time.
//
// A table view whose texts are set behind its back (the model's signals held) can also have the
// changed cells of one column repainted from the kept pictures alone, without the view's own
// painting: see RepaintBand.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStyledItemDelegate>
#include <memory>

class OpaqueImageTarget;
class QTableView;

class CachedCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    class PictureStore;
    static constexpr qsizetype kNoByteLimit = -1;
    // capacity: the most cell pictures kept, and the most bytes of pixels they may hold (a picture
    // of more than half of that is not kept). The store keeps the pictures used most recently:
    // when it is full, those not used since it was last full are dropped.
    explicit CachedCellDelegate(QObject* parent = nullptr, int capacity = 256, qsizetype byteCapacity = kNoByteLimit);
    // With a store shared with other delegates: lists that show the same texts in cells of the
    // same look use the pictures any of them made.
    CachedCellDelegate(QObject* parent, std::shared_ptr<PictureStore> store);
    static std::shared_ptr<PictureStore> MakeStore(int capacity, qsizetype byteCapacity = kNoByteLimit);
    ~CachedCellDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Asks for the repaint of `area` of a table view's viewport, which covers only cells of
    // `column` in rows firstRow..lastRow whose texts were set without the model telling the view.
    // When that repaint comes on its own (nothing else of the view asked to be painted with it),
    // each of those cells is painted as this delegate paints it, with the options the view gave
    // it last time (mostly a copy of the picture kept for its text), and the view's grid lines
    // are drawn over them, without the view's own painting. A repaint of anything more, a cell not
    // last painted as a plain one, or a view laid out otherwise than in plain rows and columns is
    // left to the view.
    void RepaintBand(QTableView* view, int column, int firstRow, int lastRow, const QRect& area);
    // Repaints done that way (for tests and diagnostics).
    int BandsCopied() const { return m_bandsCopied; }

    // Pictures in the store, the bytes of their pixels, and paints that copied a kept picture
    // (shared with the delegates sharing the store; for tests and diagnostics).
    int StoredCount() const;
    qsizetype StoredBytes() const;
    int ReusedCount() const;

    struct Key {
        QString text;
        QSize size;
        int state = 0;
        int features = 0;
        int alignment = 0;
        int elide = 0;
        int direction = 0;
        qint64 palette = 0;
        QRgb background = 0;
        qreal pixelRatio = 1;
        QFont font;
        const void* style = nullptr;
        int format = 0;
        friend bool operator==(const Key& a, const Key& b)
        {
            return a.text == b.text && a.size == b.size && a.state == b.state && a.features == b.features && a.alignment == b.alignment &&
                   a.elide == b.elide && a.direction == b.direction && a.palette == b.palette &&
                   a.background == b.background && a.pixelRatio == b.pixelRatio && a.style == b.style && a.format == b.format &&
                   a.font == b.font;
        }
    };

    // A kept cell picture: `ink` is what the painting left over the background, cut to the
    // smallest rectangle holding every pixel of another colour, at `inkAt` within the cell (of
    // `cell` pixels); the rest of the cell is `ground`. A picture that is not cut (not opaque, or
    // of a device with more pixels than units) has an invalid ground and its ink is the cell.
    struct Picture {
        QImage ink;
        QPoint inkAt;
        QSize cell;
        QColor ground;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool CopyBand(const QRegion& region);
    // Stops watching the viewport, leaving it to paint its background again.
    void StopWatching();
    // Whether a band painted from pictures and solid grid lines covers every pixel of itself.
    static bool BandCoversItself(const QTableView* view);
    static void Show(QPainter& painter, const OpaqueImageTarget& target, const QPoint& at, const Picture& picture);

    struct CellId {
        const QWidget* view = nullptr;
        int row = 0;
        int column = 0;
        friend bool operator==(const CellId& a, const CellId& b)
        {
            return a.view == b.view && a.row == b.row && a.column == b.column;
        }
        friend size_t qHash(const CellId& id, size_t seed = 0) { return qHashMulti(seed, id.view, id.row, id.column); }
    };
    // Per cell, how it was last painted when it was painted as a plain cell: the view's options
    // for it and the key of its picture (whose text is then replaced by the cell's new one).
    struct LastPlain {
        QStyleOptionViewItem option;
        Key key;
    };
    mutable QHash<CellId, LastPlain> m_lastPlain;
    // The repaint asked for by RepaintBand and not yet done.
    struct Band {
        QPointer<QTableView> view;
        int column = -1;
        int first = -1;
        int last = -1;
        QRect area;
    } m_band;
    QPointer<QWidget> m_filtered; // the viewport this delegate watches for that repaint
    // Set while that viewport is marked as painting all of itself, so that its background is not
    // filled before a band that covers every pixel of itself; kept from one band to the next
    // until a repaint is left to the view.
    bool m_groundSkipped = false;
    int m_bandsCopied = 0;

    std::shared_ptr<PictureStore> m_store;
};

size_t qHash(const CachedCellDelegate::Key& key, size_t seed = 0);

class CachedCellDelegate::PictureStore {
public:
    PictureStore(int capacity, qsizetype byteCapacity)
        : m_capacity(capacity > 0 ? capacity : 1), m_byteCapacity(byteCapacity)
    {
    }
    // The kept picture for key (kept on as one used now), or null.
    const Picture* Find(const Key& key);
    void Keep(const Key& key, const Picture& picture);
    int Count() const { return int(m_recent.size() + m_older.size()); }
    qsizetype Bytes() const { return m_recentBytes + m_olderBytes; }
    int Reused() const { return m_reused; }

private:
    // Pictures used since the store was last full, and those used before that: each generation
    // holds at most half of the store.
    int m_capacity;
    qsizetype m_byteCapacity;
    QHash<Key, Picture> m_recent;
    QHash<Key, Picture> m_older;
    qsizetype m_recentBytes = 0;
    qsizetype m_olderBytes = 0;
    int m_reused = 0;
};
