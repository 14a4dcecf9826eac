#pragma once
// A live value cell of the debug page's lists. Its text can also be set quietly: the model is not
// told (while its signals are held it would not pass that on anyway), and the value is not
// compared, wrapped and announced as setting it through the item does each time. Everything
// reads the cell through data(), so sees a quiet text as any other; a text set the usual way
// afterwards is announced as usual.

#include <QTableWidgetItem>
#include <QVariant>

class LiveValueItem : public QTableWidgetItem {
public:
    static constexpr int kType = QTableWidgetItem::UserType + 1;
    LiveValueItem() : QTableWidgetItem(kType) {}

    QVariant data(int role) const override
    {
        if ((role == Qt::DisplayRole || role == Qt::EditRole) && m_shown)
            return m_value;
        return QTableWidgetItem::data(role);
    }
    void setData(int role, const QVariant& value) override
    {
        if (role == Qt::FontRole)
            m_ownFont = value.isValid();
        else if (role == Qt::TextAlignmentRole)
            m_alignment = value.toInt();
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            if (m_shown && m_value == value)
                return;
            m_value = value;
            m_shown = true;
            // The item's own copy may still hold the value from before a quiet text: cleared
            // first, as it would otherwise see no change and announce none.
            if (QTableWidgetItem::data(Qt::DisplayRole) == value)
                QTableWidgetItem::setData(Qt::DisplayRole, QVariant());
        }
        QTableWidgetItem::setData(role, value);
    }
    // Whether the cell has a font of its own, and its alignment, as data() gives them (kept as
    // they are set: asked for every changed value, without going through the item's data).
    bool HasOwnFont() const { return m_ownFont; }
    int Alignment() const { return m_alignment; }
    void SetTextQuietly(const QString& text)
    {
        m_value = text;
        m_shown = true;
    }

private:
    QVariant m_value; // what the cell shows, once anything was set
    bool m_shown = false;
    bool m_ownFont = false;
    int m_alignment = 0;
};
