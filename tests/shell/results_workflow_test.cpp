// From measurement to header across both pages: the confirmation dialog itself, and a whole run
// against the simulated board whose suggested thresholds end up in an exported header.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common/simulated_board.h"
#include "common/ui_spy.h"
#include "shell/morvek_dlg.h"
#include "app/threshold_review_dialog.h"
#include "app/ui_services.h"
#include "app/zcstatic.h"
#include "debug/dlgsub2.h"
#include "debug/mscomm.h"
#include "debug/procedure.h"
#include "debug/result_table.h"
#include "params/dlgsub1.h"
#include "params/header_codec.h"
#include "tests/debug/gtest_wait.h"

namespace {

ThresholdReview SampleReview()
{
    ThresholdReview r;
    r.changes = {{0, 15, 175, true}, {2, 15, 180, false}};
    r.skipped = {{1, "TK1", "检测异常"}, {3, "TK6", "头文件中没有该键位的阈值宏"}, {8, "", "该行没有键位名"}};
    return r;
}

TEST(ThresholdReviewDialog, ListsChangesAndSkipsAndAnswersTheKeyboard)
{
    const ThresholdReview review = SampleReview();
    {
        CThresholdReviewDlg dlg(review);
        EXPECT_EQ(dlg.windowTitle(), "应用阈值到参数页");
        ASSERT_EQ(dlg.Changes()->rowCount(), 2);
        EXPECT_EQ(dlg.Changes()->item(1, 0)->text(), "TK2");
        EXPECT_EQ(dlg.Changes()->item(1, 1)->text(), "15");
        EXPECT_EQ(dlg.Changes()->item(1, 2)->text(), "180");
        EXPECT_EQ(dlg.Changes()->item(1, 3)->text(), "未勾选");
        ASSERT_NE(dlg.Skipped(), nullptr);
        ASSERT_EQ(dlg.Skipped()->rowCount(), 3);
        EXPECT_EQ(dlg.Skipped()->item(2, 0)->text(), "9");
        EXPECT_EQ(dlg.Skipped()->item(1, 2)->text(), "头文件中没有该键位的阈值宏");
        EXPECT_TRUE(dlg.TickBox()->isChecked());
        EXPECT_EQ(dlg.Changes()->accessibleName(), "将应用的阈值");
        EXPECT_EQ(dlg.Skipped()->accessibleName(), "跳过的行");
        EXPECT_EQ(dlg.TickBox()->accessibleName(), "同时勾选这些键位");
        EXPECT_EQ(dlg.Buttons()->button(QDialogButtonBox::Ok)->accessibleName(), "确定");
        EXPECT_EQ(dlg.Buttons()->button(QDialogButtonBox::Cancel)->accessibleName(), "取消");
    }

    // Through the real service: Space clears the check box, Return confirms; Escape cancels.
    ThresholdReview asked = review;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CThresholdReviewDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        seen = true;
        dlg->TickBox()->setFocus();
        QTest::keyClick(dlg->TickBox(), Qt::Key_Space);
        QTest::keyClick(dlg, Qt::Key_Return);
    });
    EXPECT_TRUE(DefaultUiServices().ConfirmThresholds(nullptr, asked));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(asked.tickKeys);

    asked.tickKeys = true;
    QTimer::singleShot(0, [&] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    EXPECT_FALSE(DefaultUiServices().ConfirmThresholds(nullptr, asked));
    EXPECT_TRUE(asked.tickKeys);

    // Nothing to apply: OK is unavailable, only Cancel.
    ThresholdReview none;
    none.skipped = review.skipped;
    CThresholdReviewDlg empty(none);
    EXPECT_FALSE(empty.Buttons()->button(QDialogButtonBox::Ok)->isEnabled());
    EXPECT_FALSE(empty.TickBox()->isEnabled());
}

#if defined(Q_OS_LINUX) || defined(Q_OS_MACOS)

QByteArray AllMacrosHeader()
{
    QByteArray h = "/* touch configuration */\n";
    for (const ParamMacro& m : ParamMacroTable)
        h += QByteArray("#define ") + m.name + "        " + (m.hex ? "0x00" : "0") + "\n";
    return h;
}

// The board streams TK0, TK2 and TK5; the test plays the user through "开始检测", touching all
// keys in the press step, then applies the thresholds, exports the header from the parameter
// page and reads it back with morvek-header.
TEST(ResultsWorkflowEndToEnd, MeasuredThresholdsReachTheExportedHeader)
{
    const QString sim = BuiltTool("morvek-board-sim");
    const QString headerTool = BuiltTool("morvek-header");
    if (sim.isEmpty() || headerTool.isEmpty())
        GTEST_SKIP() << "morvek-board-sim or morvek-header not built";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimulatedBoard board;
    ASSERT_TRUE(board.Start(sim, dir.filePath("board"),
                            {"--mask", "0x25", "--cycle", "0", "--delta", "300", "--noise", "3", "--seconds", "120",
                             "--seed", "5"}));

    UiSpy ui;
    CMorvekDlg dlg(nullptr, &ui);
    DlgSub2* debug = dlg.DebugPage();
    DlgSub1* params = dlg.ParamPage();
    debug->SetPortFinder([] { return 50; });
    dlg.Tab()->Bar()->setCurrentIndex(1);
    debug->OnPortButton();
    ASSERT_TRUE(debug->Comm()->GetPortOpen()) << ui.warnings.join(' ').toStdString();
    ResultCells& results = debug->Results();
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.Text(2, 0) == "TK5"; }, 10000));
    auto* apply = debug->controlAs<QPushButton>(1055);
    ASSERT_NE(apply, nullptr);
    EXPECT_FALSE(apply->isEnabled());

    ASSERT_TRUE(PlayDetection(
        *debug, board, [&] { QTest::mouseClick(debug->controlAs<QPushButton>(1025), Qt::LeftButton); }, "a\n",
        [](const LiveState& live) { // every key touched
            return live.m_slots[0].diff > 250 && live.m_slots[1].diff > 250 && live.m_slots[2].diff > 250;
        }));
    EXPECT_TRUE(board.Finger("r\n"));
    debug->OnPortButton();
    board.Stop();
    ASSERT_EQ(debug->controlAs<ZCStatic>(1053)->text(), "检测完成！");

    // Every key measured: a threshold near 60 % of 300, less 5, and a passing ratio.
    int expected[3];
    for (int row = 0; row < 3; ++row) {
        bool ok = false;
        expected[row] = results.Text(row, ResultCol::Threshold).toInt(&ok);
        ASSERT_TRUE(ok) << results.Text(row, ResultCol::Threshold).toStdString();
        EXPECT_NEAR(expected[row], 175, 20);
        const auto* snr = debug->controlAs<QTableWidget>(1030)->item(row, ResultCol::Snr);
        EXPECT_EQ(snr->data(Qt::AccessibleDescriptionRole).toString(), "合格");
    }

    ASSERT_TRUE(apply->isEnabled());
    QTest::mouseClick(apply, Qt::LeftButton);
    ASSERT_EQ(ui.reviews.size(), 1);
    ASSERT_EQ(ui.reviews[0].changes.size(), 3u);
    EXPECT_EQ(ui.reviews[0].changes[2].key, 5);
    EXPECT_EQ(ui.reviews[0].changes[2].oldValue, 15);
    const QString status = QStringLiteral("阈值已应用：TK0=%1, TK2=%2, TK5=%3").arg(expected[0]).arg(expected[1]).arg(expected[2]);
    EXPECT_EQ(params->controlAs<ZCStatic>(1117)->text(), status);

    dlg.Tab()->Bar()->setCurrentIndex(0);
    const QString header = dir.filePath("touch_cfg.h");
    {
        QFile f(header);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(AllMacrosHeader()), AllMacrosHeader().size());
    }
    ui.nextPath = header;
    QTest::mouseClick(params->controlAs<QPushButton>(1025), Qt::LeftButton);
    ASSERT_TRUE(ui.warnings.isEmpty()) << ui.warnings.join(' ').toStdString();

    QProcess show;
    show.start(headerTool, {"show", header});
    ASSERT_TRUE(show.waitForFinished(10000));
    ASSERT_EQ(show.exitCode(), 0);
    const QString out = QString::fromLocal8Bit(show.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("TKLib_TK0_F_THRESHOLD=%1\n").arg(expected[0]))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("TKLib_TK2_F_THRESHOLD=%1\n").arg(expected[1]))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("TKLib_TK5_F_THRESHOLD=%1\n").arg(expected[2]))) << out.toStdString();
    EXPECT_TRUE(out.contains("TKLib_TK1_F_THRESHOLD=15\n"));
    for (const char* key : {"EnTk0=1\n", "EnTk2=1\n", "EnTk5=1\n", "EnTk1=0\n"})
        EXPECT_TRUE(out.contains(key)) << key;
}

#endif

} // namespace
