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
        const QStringList row1 = {dlg.Changes()->item(1, 0)->text(), dlg.Changes()->item(1, 1)->text(),
                                  dlg.Changes()->item(1, 2)->text(), dlg.Changes()->item(1, 3)->text()};
        EXPECT_EQ(row1, QStringList({"2", "EnTk4", "（无）", "1"}));
        EXPECT_EQ(dlg.Changes()->item(2, 3)->text(), "0x0");
        EXPECT_EQ(dlg.Kept()->text(), QStringLiteral("其余 1 个参数宏的数值不变。"));
        dlg.show();
        const AccessibleWalk walk = WalkAccessibleTree(&dlg);
        EXPECT_TRUE(walk.mismatches.isEmpty()) << walk.mismatches.join(QLatin1Char('\n')).toStdString();
        for (QWidget* w : {static_cast<QWidget*>(dlg.Warning()), static_cast<QWidget*>(dlg.Kept()),
                           static_cast<QWidget*>(dlg.Changes())}) {
            EXPECT_TRUE(walk.Reached(w));
            EXPECT_TRUE(HasAccessibleName(w));
        }
        EXPECT_TRUE(AccessibleText(dlg.Warning()).startsWith(QStringLiteral("页面上的参数尚未从任何文件导入")));
        EXPECT_EQ(dlg.Buttons()->button(QDialogButtonBox::Ok)->accessibleName(), QStringLiteral("确定"));
        EXPECT_EQ(dlg.Buttons()->button(QDialogButtonBox::Cancel)->accessibleName(), QStringLiteral("取消"));
    }
    // Imported from this file: no warning.
    HeaderExportReview same = review;
    same.warning.clear();
    EXPECT_EQ(CHeaderExportDlg(same).Warning(), nullptr);

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
