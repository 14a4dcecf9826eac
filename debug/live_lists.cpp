#include "debug/live_lists.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "app/dialog_page.h"
#include "debug/live_value_item.h"

namespace {

constexpr int kIdListSample = 1032;

void SetCellText(QTableWidget* list, int row, int col, const QString& text)
{
    QTableWidgetItem* item = list->item(row, col);
    if (item && item->text() != text) // unchanged texts cost nothing
        item->setText(text);
}

QString CellText(const QTableWidget* list, int row, int col)
{
    const QTableWidgetItem* item = list->item(row, col);
    return item ? item->text() : QString();
}

} // namespace

const char LiveLists::kTouchedMark[] = "触摸";

LiveLists::LiveLists(DialogPage& page)
{
    // The three lists show numbers of the same range in cells of the same look: a text one of
    // them has shown is copied by the others too. A drifting board keeps showing numbers it has
    // not shown before for minutes (the simulated one about a thousand in its first four) and
    // comes back to them: room for four thousand pictures (of a number's digits only, a kilobyte
    // or two each), within 8 MiB, keeps nearly all it returns to.
    m_cellPictures = CachedCellDelegate::MakeStore(4096, 8 << 20);
    for (int c = 0; c < 3; ++c) {
        QTableWidget* list = m_list[c] = page.controlAs<QTableWidget>(kIdListSample + c);
        if (!list)
            continue;
        list->setShowGrid(true);
        list->setColumnCount(2);
        list->setRowCount(kSlotCount);
        const char* headers[] = {"键位", "数据"};
        const int widths[] = {60, 150};
        for (int col = 0; col < 2; ++col) {
            auto* header = new QTableWidgetItem(QString::fromUtf8(headers[col]));
            header->setTextAlignment(Qt::AlignCenter);
            list->setHorizontalHeaderItem(col, header);
            list->setColumnWidth(col, widths[col]);
            for (int row = 0; row < kSlotCount; ++row) {
                auto* item = col == 1 ? new LiveValueItem : new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                list->setItem(row, col, item);
            }
        }
        list->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        // The values come back to the same few texts tick after tick: their cells are copied,
        // not drawn anew.
        list->setItemDelegate(new CachedCellDelegate(list, m_cellPictures));
    }
}

void LiveLists::SetCachedPaint(bool cached)
{
    for (QTableWidget* list : m_list)
        if (list) {
            QAbstractItemDelegate* old = list->itemDelegate();
            if (cached)
                list->setItemDelegate(new CachedCellDelegate(list, m_cellPictures));
            else
                list->setItemDelegate(new QStyledItemDelegate(list));
            delete old;
        }
}

void LiveLists::Begin(bool full, bool quiet)
{
    m_full = full;
    for (int c = 0; c < 3; ++c)
        m_changed[c].emplace(m_list[c], 1, quiet);
}

void LiveLists::Row(int j, std::int32_t channel, const std::int32_t (&values)[3], bool shown, bool touched)
{
    if (!Have())
        return;
    if (m_full || m_shownChannel[j] != channel) {
        const QString name = QStringLiteral("TK%1").arg(channel);
        if (CellText(m_list[0], j, 0) != name)
            for (QTableWidget* list : m_list)
                SetCellText(list, j, 0, name);
        m_shownChannel[j] = channel;
    }
    for (int c = 0; c < 3; ++c) {
        ShownValue& last = m_shownValues[c][j];
        const bool mark = c == 2 && shown && touched;
        if (!m_full && last.known && last.shown == shown && (!shown || (last.value == values[c] && last.touched == mark)))
            continue;
        QString text;
        if (shown) {
            text = QString::number(values[c]);
            if (mark)
                text += QStringLiteral("  ") + QString::fromUtf8(kTouchedMark);
        }
        // A cell last set to another plain number here still shows it: not read back.
        const bool showsNumber = !m_full && last.known && last.shown && !last.touched && shown;
        m_changed[c]->Set(j, text, showsNumber ? &last.value : nullptr);
        last = {true, shown, mark, values[c]};
    }
}

void LiveLists::Clear(int j)
{
    if (Have() && !CellText(m_list[0], j, 0).isEmpty())
        for (QTableWidget* list : m_list) {
            SetCellText(list, j, 0, QString());
            SetCellText(list, j, 1, QString());
        }
    m_shownChannel[j] = kNoChannel;
    for (auto& list : m_shownValues)
        list[j].known = false;
}

void LiveLists::End()
{
    if (Have())
        for (const auto& c : m_changed)
            c->Repaint();
    for (auto& c : m_changed)
        c.reset();
}
