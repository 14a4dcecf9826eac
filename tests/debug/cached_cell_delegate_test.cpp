// The live lists' delegate: the cells it copies look exactly like cells painted the usual way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QHeaderView>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
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
            // Into window images of either kind (X11 windows paint into premultiplied ARGB32).
            for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
                QImage a(cached.size(), format), b(plain.size(), format);
                a.fill(Qt::magenta);
                b.fill(Qt::magenta);
                cached.render(&a);
                plain.render(&b);
                ASSERT_TRUE(a == b) << what << ", round " << round << ", format " << format;
            }
        }
    };
    same("plain cells");
    EXPECT_GT(delegate->ReusedCount(), 0);
    EXPECT_LE(delegate->StoredCount(), 16) << "the store starts afresh when full";
    const QSize cell = cached.visualRect(cached.model()->index(0, 1)).size();
    EXPECT_LT(delegate->StoredBytes(), delegate->StoredCount() * cell.width() * cell.height() * 4 / 2)
        << "pictures keep the cells' ink, not their background";

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

    // A store of few bytes holds no more, and what it cannot hold is painted as usual.
    constexpr qsizetype budget = 2048;
    for (List* l : {&cached, &plain})
        l->setStyleSheet(QString());
    delegate = new CachedCellDelegate(&cached, 100, budget);
    cached.setItemDelegate(delegate);
    same("few bytes kept");
    EXPECT_GT(delegate->StoredCount(), 0);
    EXPECT_LE(delegate->StoredBytes(), budget);
}

// Texts set behind the view's back and repainted as a band: what the window shows is what the
// view shows of the same texts set the usual way, whether the band was copied or left to the view.
TEST(CachedCellDelegate, BandsRepaintedFromPicturesLookLikeTheViewsOwn)
{
    List cached(true), plain(false);
    auto* delegate = qobject_cast<CachedCellDelegate*>(cached.itemDelegate());
    ASSERT_NE(delegate, nullptr);
    for (List* l : {&cached, &plain}) {
        l->item(3, 1)->setText(QStringLiteral("7"));
        l->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(l));
    }
    auto shown = [](List& l) {
        QCoreApplication::sendPostedEvents(&l, QEvent::UpdateRequest);
        QCoreApplication::sendPostedEvents(l.viewport(), QEvent::UpdateRequest);
        return l.screen()->grabWindow(l.winId()).toImage();
    };
    int round = 0;
    // Sets new numbers in rows 0..3 of column 1 on both lists without their views hearing of it,
    // and has the same band of them repainted: by the cached list's delegate, and by the other
    // list's view. copied: whether the delegate is expected to do it itself (1, 0; -1: either).
    auto step = [&](const char* what, int copied, QMargins widen = QMargins(-20, 0, -20, 0)) {
        ++round;
        const int before = delegate->BandsCopied();
        for (List* l : {&cached, &plain}) {
            const QSignalBlocker hold(l->model());
            for (int row = 0; row < 4; ++row)
                l->item(row, 1)->setText(QString::number((row * 37 + round * 5) % 11 - 5));
        }
        const QRect area =
            (cached.visualRect(cached.model()->index(0, 1)) | cached.visualRect(cached.model()->index(3, 1))).marginsAdded(widen);
        delegate->RepaintBand(&cached, 1, 0, 3, area);
        plain.viewport()->update(area);
        const QImage a = shown(cached), b = shown(plain);
        ASSERT_FALSE(a.isNull());
        EXPECT_TRUE(a == b) << what;
        if (copied >= 0) {
            EXPECT_EQ(delegate->BandsCopied() > before, copied == 1) << what;
        }
    };
    for (List* l : {&cached, &plain})
        l->repaint(); // every cell painted once as a plain one
    step("plain cells", 1);
    step("again, texts seen before", 1);
    step("whole cells and the grid lines right of and below them", 1, QMargins(0, 0, 1, 1));
    for (List* l : {&cached, &plain})
        l->selectRow(2);
    QCoreApplication::processEvents();
    step("a selected row in the band", 0);
    for (List* l : {&cached, &plain})
        l->clearSelection();
    QCoreApplication::processEvents();
    step("selection gone", 1);
    for (List* l : {&cached, &plain})
        l->setGridStyle(Qt::DashLine);
    QCoreApplication::processEvents();
    step("dashed grid", 1);
    for (List* l : {&cached, &plain})
        l->setShowGrid(false);
    QCoreApplication::processEvents();
    step("no grid", 1);
    for (List* l : {&cached, &plain}) {
        l->setShowGrid(true);
        l->setRowHidden(1, true);
    }
    QCoreApplication::processEvents();
    step("a hidden row", -1);

    // The delegate goes away between asking for a band and its repaint: the view paints it, on
    // its background.
    for (List* l : {&cached, &plain}) {
        l->setRowHidden(1, false);
        l->setGridStyle(Qt::SolidLine);
    }
    QCoreApplication::processEvents();
    step("all rows shown again", -1);
    for (List* l : {&cached, &plain}) {
        const QSignalBlocker hold(l->model());
        l->item(0, 1)->setText(QStringLiteral("一"));
    }
    const QRect first = cached.visualRect(cached.model()->index(0, 1));
    delegate->RepaintBand(&cached, 1, 0, 0, first);
    plain.viewport()->update(first);
    cached.setItemDelegate(new QStyledItemDelegate(&cached));
    delete delegate;
    EXPECT_TRUE(shown(cached) == shown(plain)) << "delegate replaced before the repaint";
}

} // namespace
