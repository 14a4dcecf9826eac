#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "app/build_info.h"
#include "common/accessible_walk.h"
#include "shell/morvek_dlg.h"
#include "app/resources.h"
#include "debug/dlgsub2.h"
#include "params/dlgsub1.h"

TEST(MainWindow, CaptionTabsAndPages)
{
    CMorvekDlg dlg;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Morvek_V1.1.1.240701"));
    CFixedTabBar* bar = dlg.Tab()->Bar();
    ASSERT_EQ(bar->count(), 2);
    EXPECT_EQ(bar->tabText(0), QStringLiteral("参数设定"));
    EXPECT_EQ(bar->tabText(1), QStringLiteral("调试"));
    EXPECT_EQ(bar->tabRect(0).size(), QSize(100, 30));
    EXPECT_EQ(bar->tabRect(1).size(), QSize(100, 30));
    EXPECT_EQ(bar->font().family().isEmpty(), false);
    EXPECT_EQ(dlg.Body()->control(1002), dlg.Tab());

    // The pages sit 14 pixels below the tab row, 2 pixels inside the right and bottom edges.
    const QRect item = dlg.Tab()->ItemRect(0);
    const QRect page = dlg.Page(0)->geometry();
    EXPECT_EQ(page.left(), item.left());
    EXPECT_EQ(page.top(), item.bottom() + 1 + 14);
    EXPECT_EQ(page.right() + 1, dlg.Tab()->width() - 2);
    EXPECT_EQ(page.bottom() + 1, dlg.Tab()->height() - 2);
    EXPECT_EQ(dlg.Page(1)->geometry(), page);
    EXPECT_EQ(dlg.Page(0), static_cast<QWidget*>(dlg.ParamPage()));
    EXPECT_EQ(dlg.Page(1), static_cast<QWidget*>(dlg.DebugPage()));
    EXPECT_EQ(dlg.Page(2), nullptr);
}

TEST(MainWindow, SwitchingTabsShowsExactlyOnePage)
{
    CMorvekDlg dlg;
    dlg.show();
    QWidget* p0 = dlg.Page(0);
    QWidget* p1 = dlg.Page(1);
    EXPECT_TRUE(p0->isVisible());
    EXPECT_FALSE(p1->isVisible());

    dlg.Tab()->Bar()->setCurrentIndex(1);
    EXPECT_FALSE(p0->isVisible());
    EXPECT_TRUE(p1->isVisible());

    // From the keyboard: Ctrl+Tab style navigation is the bar's own; arrow keys move the tab.
    dlg.Tab()->Bar()->setFocus();
    QTest::keyClick(dlg.Tab()->Bar(), Qt::Key_Left);
    EXPECT_EQ(dlg.Tab()->Bar()->currentIndex(), 0);
    EXPECT_TRUE(p0->isVisible());
    EXPECT_FALSE(p1->isVisible());

    // The same page objects live on: nothing is re-created.
    dlg.OnTabSelChange(1);
    dlg.OnTabSelChange(7);
    EXPECT_TRUE(p1->isVisible());
    EXPECT_EQ(dlg.Page(1), p1);
}

TEST(MainWindow, AboutEntryOpensTheAboutBoxModally)
{
    EXPECT_EQ(LoadResourceString(101), QStringLiteral("关于 Morvek(&A)..."));
    EXPECT_TRUE(LoadResourceString(999).isEmpty());

    CMorvekDlg dlg;
    dlg.show();
    ASSERT_NE(dlg.AboutAction(), nullptr);
    EXPECT_EQ(dlg.AboutAction()->text(), QStringLiteral("关于 Morvek(&A)..."));
    // The entry is offered from the tab row's context menu, after a separator.
    const QList<QAction*> actions = dlg.Tab()->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    EXPECT_EQ(actions.last(), dlg.AboutAction());

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->windowTitle(), QStringLiteral("关于 Morvek"));
        auto* ok = box->Body()->controlAs<QPushButton>(1);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("确定"));
        EXPECT_FALSE(box->Body()->controlAs<QLabel>(128)->pixmap().isNull());
        // The second line gives the version that --version prints, the one in the caption.
        auto* version = box->Body()->controlAs<QLabel>(CAboutDlg::kIdVersionLine);
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), QStringLiteral("版本 ") + MorvekVersion());
        EXPECT_EQ(QStringLiteral("Morvek_V") + MorvekVersion(), dlg.windowTitle());
        EXPECT_LE(version->sizeHint().width(), version->width()) << "the version line is clipped";
        for (QWidget* w : box->Body()->controls())
            EXPECT_TRUE(HasAccessibleName(w)) << w->property("controlId").toInt();
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    dlg.AboutAction()->trigger();
    EXPECT_TRUE(seen);
}

TEST(MainWindow, IconIsDrawn)
{
    const QImage img = AppIconPixmap(64).toImage();
    EXPECT_EQ(img.size(), QSize(64, 64));
    EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0);
    EXPECT_GT(img.pixelColor(32, 12).alpha(), 0);
    EXPECT_FALSE(AppIcon().isNull());
}

TEST(MainWindow, StringTableParsing)
{
    const QString table = QStringLiteral("# c\n101\tabc\r\n102\t\n x\ty\n103\tone\ttwo\n");
    EXPECT_EQ(FindResourceString(table, 101), QStringLiteral("abc"));
    EXPECT_TRUE(FindResourceString(table, 102).isEmpty());
    EXPECT_EQ(FindResourceString(table, 103), QStringLiteral("one\ttwo"));
    EXPECT_TRUE(FindResourceString(table, 104).isEmpty());
}

TEST(MainWindow, EveryControlOfBothPagesHasAnAccessibleName)
{
    CMorvekDlg dlg;
    for (DialogPage* page : {static_cast<DialogPage*>(dlg.ParamPage()), static_cast<DialogPage*>(dlg.DebugPage())}) {
        ASSERT_FALSE(page->controls().empty());
        for (QWidget* w : page->controls()) {
            const int id = w->property("controlId").toInt();
            EXPECT_TRUE(HasAccessibleName(w))
                << page->layout().id << ": control " << id << " (" << w->metaObject()->className() << ")";
        }
    }
    EXPECT_FALSE(dlg.Tab()->Bar()->accessibleName().isEmpty());
}
