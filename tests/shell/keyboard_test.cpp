// The keyboard alone: Tab reaches every enabled control of each page once, in reading order,
// lists and tables included (Tab leaves them).

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include "common/ui_spy.h"
#include "debug/dlgsub2.h"
#include "debug/frame_receiver.h"
#include "debug/result_table.h"
#include "params/dlgsub1.h"
#include "shell/morvek_dlg.h"
#include "tests/debug/fake_serial.h"

namespace {

// The layout ids of the controls Tab reaches from the tab row until it is back there.
QList<int> Walk(CMorvekDlg& dlg)
{
    dlg.Tab()->Bar()->setFocus();
    QList<int> ids;
    for (int i = 0; i < 100 && (i == 0 || QApplication::focusWidget() != dlg.Tab()->Bar()); ++i) {
        if (i > 0)
            ids << QApplication::focusWidget()->property("controlId").toInt();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
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

    // Keys 0 to 5 and the low-power section on (keys 6 and 7 stay disabled).
    dlg.ParamPage()->controlAs<QCheckBox>(1065)->click();
    dlg.ParamPage()->controlAs<QCheckBox>(1075)->click();
    EXPECT_EQ(Walk(dlg), QList<int>({1029, 1024, 1025, 1059, 1060, 1057, 1058, 1055, 1056, 1061, 1062, 1063, 1064,
                                     1075, 1076, 1077, 1081, 1082, 1083, 1084, 1086, 1087, 1080, 1078, 1079, 1065,
                                     1066, 1067, 1068, 1069, 1070, 1071, 1072, 1101, 1108, 1102, 1103, 1104, 1105}));

    // The port open, eight keys and a measured row: every control enabled.
    dlg.Tab()->Bar()->setCurrentIndex(1);
    DlgSub2* debug = dlg.DebugPage();
    auto device = std::make_unique<FakeSerialDevice>();
    FakeSerialDevice* board = device.get();
    debug->SetSerialDevice(std::move(device));
    debug->SetPortFinder([] { return 2; });
    debug->OnPortButton();
    const std::uint16_t values[8] = {};
    const auto frame = EncodeFrame(0xFF, values, values);
    board->Receive(QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size())));
    debug->OnTimerTick();
    for (const auto& [col, text] :
         {std::pair{ResultCol::NoKey, "1000"}, {ResultCol::Pressed, "700"}, {ResultCol::Noise, "-12"}})
        debug->Results().SetText(0, col, text);
    debug->EvaluateResults();
    EXPECT_EQ(Walk(dlg), QList<int>({1024, 1054, 1025, 1026, 1029, 1028, 1035, 1036, 1037, 1038, 1039, 1040, 1041,
                                     1042, 1052, 1055, 1056, 1057, 1058, 1005, 1013, 1120, 1032, 1006, 1014, 1121,
                                     1033, 1007, 1015, 1016, 1034, 1030}));
}
