#pragma once
// An item delegate for lists whose cells keep coming back to the same texts (the live value
// lists of the debug page, rewritten 40 times a second). It paints a cell exactly as
// QStyledItemDelegate does, but keeps the picture of every plain cell it painted, by text, size,
// state, font and colours, so that showing a text again copies that picture instead of laying
// the text out and drawing it anew.
//
// Only plain text cells on the view's own solid background are kept: a selected, alternating,
// checkable or decorated cell, a cell with its own background, or a painter that is scaled or
// rotated is painted the usual way every time.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStyledItemDelegate>

class CachedCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // capacity: the most cell pictures kept. The store keeps the pictures used most recently:
    // when it is full, those not used since it was last full are dropped.
    explicit CachedCellDelegate(QObject* parent = nullptr, int capacity = 256);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int StoredCount() const { return int(m_recent.size() + m_older.size()); }
    // Paints that copied a kept picture (for tests and diagnostics).
    int ReusedCount() const { return m_reused; }

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

private:
    void Keep(const Key& key, const QImage& picture) const;

    // Pictures used since the store was last full, and those used before that.
    int m_capacity;
    mutable QHash<Key, QImage> m_recent;
    mutable QHash<Key, QImage> m_older;
    mutable int m_reused = 0;
};

size_t qHash(const CachedCellDelegate::Key& key, size_t seed = 0);
