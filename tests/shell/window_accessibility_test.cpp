// The main window through the eyes of assistive technology, state after state.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app/accessibility.h"
#include "shell/morvek_dlg.h"
#include "common/accessible_walk.h"
#include "common/ui_spy.h"
#include "debug/cell_editor.h"
#include "debug/dlgsub2.h"
#include "debug/frame_receiver.h"
#include "debug/result_table.h"
#include "params/dlgsub1.h"
#include "tests/debug/fake_serial.h"

namespace {

QByteArray Frame(std::uint8_t mask, std::uint16_t sample, std::uint16_t baseline)
{
    std::uint16_t s[8], b[8];
    for (int j = 0; j < 8; ++j) {
        s[j] = static_cast<std::uint16_t>(sample + j);
        b[j] = baseline;
    }
    const auto f = EncodeFrame(mask, s, b);
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

} // namespace

// After every state the pages go through (low-power splits, export and import results, the port
// open, closed and lost, the procedure's phases, the cell editor open), a walk over the whole
// accessibility tree reaches every control of both pages, and every name, value, cell and check
// mark reads what the screen shows. The status lines are announced as they change.
TEST(WindowAccessibility, EveryControlReadsWhatTheScreenShowsInEveryState)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    UiSpy ui;
    CMorvekDlg dlg(nullptr, &ui);
    DlgSub1* params = dlg.ParamPage();
    DlgSub2* debug = dlg.DebugPage();
    auto owned = std::make_unique<FakeSerialDevice>();
    FakeSerialDevice* device = owned.get();
    debug->SetSerialDevice(std::move(owned));
    debug->SetPortFinder([] { return 50; });
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

    QStringList alerts;
    SetAccessibleEventObserver([&alerts](QAccessibleEvent* e) {
        if (e->type() == QAccessible::Alert)
            alerts << e->accessibleInterface()->text(QAccessible::Name);
    });
    auto walk = [&](const char* state) {
        SCOPED_TRACE(state);
        const AccessibleWalk w = WalkAccessibleTree(&dlg);
        EXPECT_TRUE(w.mismatches.isEmpty()) << w.mismatches.join(QLatin1Char('\n')).toStdString();
        for (DialogPage* page : {static_cast<DialogPage*>(params), static_cast<DialogPage*>(debug)})
            for (QWidget* c : page->controls())
                EXPECT_TRUE(w.Reached(c)) << "not in the tree: " << c->property("controlId").toInt();
        return w;
    };
    auto box = [](DialogPage* page, int id) { return page->controlAs<QCheckBox>(id); };
    walk("start");

    // Parameter page: keys, low power on both channels, the keys split between them.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(ToggleThroughAccessibility(box(params, DlgSub1::kKeyCheckIds[i])));
    box(params, 1075)->setChecked(true);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(ToggleThroughAccessibility(box(params, DlgSub1::kLowPowerKeyIds[i])));
    box(params, 1087)->setChecked(true);
    ASSERT_EQ(params->controlAs<QLabel>(1116)->text(), QStringLiteral("TK1    TK2    "));
    walk("low-power keys split");

    const QString header = dir.filePath(QStringLiteral("touch_cfg.h"));
    QFile f(header);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#define TKLib_TOUCH_NUM 2\n#define EnTk0 0\n");
    f.close();
    ui.nextPath = header;
    params->OnExportHeader();
    walk("exported");
    EXPECT_TRUE(alerts.contains(QStringLiteral("文件已导出：") + header));
    ui.nextPath = dir.filePath(QStringLiteral("missing_cfg.h"));
    params->OnImportHeader();
    ASSERT_EQ(ui.warnings.size(), 1);
    walk("import refused");
    ui.nextPath = header;
    params->OnImportHeader();
    walk("imported");
    box(params, 1075)->setChecked(false);
    walk("low power off");

    // Debug page: the port, live values, the procedure, the editor.
    dlg.Tab()->Bar()->setCurrentIndex(1);
    walk("debug page");
    debug->OnPortButton();
    EXPECT_EQ(AccessibleText(debug->control(1024)).toStdString(), "串口50已打开");
    walk("port open");
    auto tick = [&] {
        device->Receive(Frame(0x0B, 3000, 3100));
        debug->OnTimerTick();
    };
    tick();
    walk("live values");

    debug->OnNoKeyDetection();
    tick();
    walk("countdown");
    EXPECT_EQ(alerts.last().toStdString(), "[准备时间4秒] 请不要触摸面板");
    for (int i = 1; i < 161; ++i)
        tick();
    walk("recording");
    EXPECT_EQ(alerts.last().toStdString(), "[准备时间4秒] 检测中...");
    for (int i = 161; i < 320; ++i)
        tick();
    ASSERT_EQ(debug->controlAs<QLabel>(1053)->text(), QStringLiteral("检测完成！"));
    EXPECT_EQ(alerts.last().toStdString(), "检测完成！");
    walk("no-key step done");
    debug->OnStartDetection();
    tick();
    debug->OnAbortProcedure();
    walk("aborted");
    EXPECT_EQ(alerts.last().toStdString(), "操作已终止！");
    tick();

    debug->OnResultDblClk(1, ResultCol::Threshold);
    auto* editor = debug->controlAs<QLineEdit>(1031);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_TRUE(walk("editor open").Reached(editor));
    EXPECT_EQ(AccessibleText(editor).toStdString(), "触摸阈值设定 TK1");
    debug->CellEditor().Cancel();

    ASSERT_TRUE(ToggleThroughAccessibility(box(debug, 1036)));
    tick();
    walk("channel 1 hidden");
    debug->OnPortButton();
    walk("port closed");
    debug->OnPortButton();
    tick();
    device->Vanish(); // the adapter is pulled while open
    EXPECT_EQ(AccessibleText(debug->control(1024)).toStdString(), "串口50已断开");
    walk("port lost");
    SetAccessibleEventObserver({});
}
