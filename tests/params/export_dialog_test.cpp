// The confirmation "导出头文件" shows before writing: what it lists, what assistive technology
// reads, and the keyboard.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/header_export_dialog.h"
#include "app/ui_services.h"
#include "common/accessible_walk.h"
#include "params/export_review.h"

namespace {

HeaderExportReview SampleReview()
{
    const QByteArray header = "#define TKLib_TOUCH_NUM 2 /* keys that may be touched at once */\n"
                              "#define EnTk4\n"
                              "#define TKLib_TKLPGroup0_MASK 0x0f\n"
                              "#define TKLib_TKCKS 2\n";
    TouchParamSet p;
    p.touchNum = 1;
    p.keyEnable[4] = 1;
    p.tkCks = 2;
    return MakeExportReview(QStringLiteral("/home/user/project/touch_cfg.h"),
                            HeaderCodec::PlanExport(header, RecordValues(p)), ParamsOrigin::NoFile);
}

TEST(HeaderExportDialog, ListsTheChangesReadablyAndAnswersTheKeyboard)
{
    const HeaderExportReview review = SampleReview();
    {
        CHeaderExportDlg dlg(review);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("导出头文件"));
        ASSERT_NE(dlg.Warning(), nullptr);
        EXPECT_EQ(dlg.Warning()->text(), ExportWarning(ParamsOrigin::NoFile));
        ASSERT_EQ(dlg.Changes()->rowCount(), 3);
        QStringList row1;
        for (int col = 0; col < 4; ++col)
            row1 << dlg.Changes()->item(1, col)->text();
        EXPECT_EQ(row1, QStringList({"2", "EnTk4", "（无）", "1"}));
        EXPECT_EQ(dlg.Changes()->item(2, 3)->text(), "0x0");
        EXPECT_EQ(dlg.Kept()->text(), QStringLiteral("其余 1 个参数宏的数值不变。"));
        dlg.show();
        // Every text and cell reaches assistive technology as shown.
        const AccessibleWalk walk = WalkAccessibleTree(&dlg);
        EXPECT_TRUE(walk.mismatches.isEmpty()) << walk.mismatches.join(QLatin1Char('\n')).toStdString();
        for (QWidget* w : std::initializer_list<QWidget*>{dlg.Warning(), dlg.Kept(), dlg.Changes()})
            EXPECT_TRUE(walk.Reached(w) && HasAccessibleName(w));
    }

    // Through the real service: Return confirms, Escape cancels.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* dlg = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<CHeaderExportDlg*>(dlg), nullptr);
        seen = true;
        QTest::keyClick(dlg, Qt::Key_Return);
    });
    EXPECT_TRUE(DefaultUiServices().ConfirmHeaderExport(nullptr, review));
    EXPECT_TRUE(seen);
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    EXPECT_FALSE(DefaultUiServices().ConfirmHeaderExport(nullptr, review));
}

} // namespace
