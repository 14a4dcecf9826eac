// The live lists' delegate: the cells it copies look exactly like cells painted the usual way.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableWidget>

#include "debug/cached_cell_delegate.h"

namespace {

struct List : QTableWidget {
    explicit List(bool cached)
    {
        setColumnCount(2);
        setRowCount(4);
        verticalHeader()->hide();
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setColumnWidth(0, 60);
        setColumnWidth(1, 80);
        resize(170, 120);
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 2; ++col) {
                auto* item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                setItem(row, col, item);
            }
        if (cached)
            setItemDelegate(new CachedCellDelegate(this, 16));
    }
    void Fill(int round)
    {
        for (int row = 0; row < 4; ++row) {
            item(row, 0)->setText(QStringLiteral("TK%1").arg(row));
            item(row, 1)->setText(QString::number((row * 37 + round * 3) % 9 - 4));
        }
        item(3, 1)->setText(round % 2 ? QStringLiteral("一段放不下的很长的文字 123456789") : QString());
    }
};

TEST(CachedCellDelegate, CopiedCellsLookLikePaintedOnes)
{
    List cached(true), plain(false);
    auto* delegate = qobject_cast<CachedCellDelegate*>(cached.itemDelegate());
    ASSERT_NE(delegate, nullptr);
    auto same = [&](const char* what) {
        for (int round = 0; round < 6; ++round) {
            cached.Fill(round);
            plain.Fill(round);
            ASSERT_TRUE(cached.grab().toImage() == plain.grab().toImage()) << what << ", round " << round;
        }
    };
    same("plain cells");
    EXPECT_GT(delegate->ReusedCount(), 0);
    EXPECT_LE(delegate->StoredCount(), 16) << "the store starts afresh when full";

    for (List* l : {&cached, &plain}) {
        l->selectRow(1);
        l->setCurrentCell(2, 1);
    }
    same("a selected row and a current cell");
    for (List* l : {&cached, &plain})
        l->setEnabled(false);
    same("disabled");
    for (List* l : {&cached, &plain}) {
        l->setEnabled(true);
        l->setStyleSheet(QStringLiteral("QTableWidget { background: #ffe0e0; }"));
    }
    same("another background");
}

} // namespace
