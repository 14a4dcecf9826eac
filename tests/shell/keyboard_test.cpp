// The keyboard alone through the main window: Tab reaches every enabled control of each page once,
// in reading order, lists and tables included (Tab leaves them; the arrows move between cells),
// and Shift+Tab walks the same way back.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTableWidget>
#include <algorithm>
#include <QTest>

#include "common/ui_spy.h"
#include "debug/dlgsub2.h"
#include "debug/frame_receiver.h"
#include "debug/result_table.h"
#include "params/dlgsub1.h"
#include "shell/morvek_dlg.h"
#include "tests/debug/fake_serial.h"

namespace {

// The controls the key reaches from the tab row until it is back there, by layout id.
QList<int> Walk(CMorvekDlg& dlg, Qt::Key key)
{
    QWidget* bar = dlg.Tab()->Bar();
    bar->setFocus();
    QList<int> ids;
    for (int i = 0; i < 100; ++i) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QWidget* w = QApplication::focusWidget();
        if (w == bar)
            return ids;
        ids << (w ? w->property("controlId").toInt() : 0);
    }
    return ids << -1; // never back
}

QList<int> Reversed(QList<int> ids)
{
    std::reverse(ids.begin(), ids.end());
    return ids;
}

} // namespace

TEST(Keyboard, TabWalksEachPageInReadingOrder)
{
    UiSpy ui;
    CMorvekDlg dlg(nullptr, &ui);
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));

    // The parameter page with keys 0 to 5 and the low-power section on (keys 6, 7 stay disabled).
    DlgSub1* params = dlg.ParamPage();
    params->controlAs<QCheckBox>(1065)->click();
    params->controlAs<QCheckBox>(1075)->click();
    const QList<int> paramOrder = {1029, 1024, 1025, 1059, 1060, 1057, 1058, 1055, 1056, 1061, 1062, 1063, 1064,
                                   1075, 1076, 1077, 1081, 1082, 1083, 1084, 1086, 1087, 1080, 1078, 1079,
                                   1065, 1066, 1067, 1068, 1069, 1070, 1071, 1072,
                                   1101, 1108, 1102, 1103, 1104, 1105};
    EXPECT_EQ(Walk(dlg, Qt::Key_Tab), paramOrder);
    EXPECT_EQ(Walk(dlg, Qt::Key_Backtab), Reversed(paramOrder));

    // The debug page with the port open, eight keys and a measured row: everything enabled.
    dlg.Tab()->Bar()->setCurrentIndex(1);
    DlgSub2* debug = dlg.DebugPage();
    auto device = std::make_unique<FakeSerialDevice>();
    FakeSerialDevice* board = device.get();
    debug->SetSerialDevice(std::move(device));
    debug->SetPortFinder([] { return 2; });
    debug->OnPortButton();
    std::uint16_t sample[8] = {700, 700, 700, 700, 700, 700, 700, 700};
    std::uint16_t baseline[8] = {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000};
    const auto frame = EncodeFrame(0xFF, sample, baseline);
    board->Receive(QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size())));
    debug->OnTimerTick();
    for (int col : {ResultCol::NoKey, ResultCol::Pressed, ResultCol::Noise})
        debug->Results().SetText(0, col, col == ResultCol::Noise ? "-12" : col == ResultCol::NoKey ? "1000" : "700");
    debug->EvaluateResults();
    const QList<int> debugOrder = {1024, 1054, 1025, 1026, 1029, 1028, 1035, 1036, 1037, 1038, 1039, 1040, 1041, 1042,
                                   1052, 1055, 1056, 1057, 1058, 1005, 1013, 1032, 1006, 1014, 1033,
                                   1007, 1015, 1016, 1034, 1030};
    EXPECT_EQ(Walk(dlg, Qt::Key_Tab), debugOrder);
    EXPECT_EQ(Walk(dlg, Qt::Key_Backtab), Reversed(debugOrder));

    // In a table the arrows still choose the cell.
    auto* results = debug->controlAs<QTableWidget>(1030);
    results->setFocus();
    results->setCurrentCell(0, 0);
    QTest::keyClick(results, Qt::Key_Right);
    QTest::keyClick(results, Qt::Key_Down);
    EXPECT_EQ(results->currentRow(), 1);
    EXPECT_EQ(results->currentColumn(), 1);
}
