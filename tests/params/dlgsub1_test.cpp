// The parameter page: initial state, handlers driven by simulated clicks and keys, and the
// header import and export through a stand-in for the dialogs.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/ui_services.h"
#include "app/zcstatic.h"
#include "params/dlgsub1.h"
#include "common/accessible_walk.h"
#include "common/ui_spy.h"
#include "params/export_review.h"
#include "params/failing_writer.h"
#include "params/header_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

using FakeUi = UiSpy;

QByteArray FullHeader()
{
    QByteArray h = "/* configuration */\n";
    for (const ParamMacro& m : ParamMacroTable)
        h += QByteArray("#define ") + m.name + "        " + (m.hex ? "0x00" : "0") + "\n";
    h += "#define TKLib_OPENED_TK_AMOUNT (EnTk0+EnTk1)\n";
    return h;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        page = std::make_unique<DlgSub1>(nullptr, &ui);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        page->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    }

    QCheckBox* Check(int id) { return page->controlAs<QCheckBox>(id); }
    QComboBox* Combo(int id) { return page->controlAs<QComboBox>(id); }
    QLineEdit* Edit(int id) { return page->controlAs<QLineEdit>(id); }
    ZCStatic* Label(int id) { return page->controlAs<ZCStatic>(id); }
    QCheckBox* Key(int i) { return Check(DlgSub1::kKeyCheckIds[i]); }
    QCheckBox* LowPowerKey(int i) { return Check(DlgSub1::kLowPowerKeyIds[i]); }
    QLineEdit* Threshold(int i) { return Edit(DlgSub1::kThresholdEditIds[i]); }

    void Click(int id)
    {
        QWidget* w = page->control(id);
        ASSERT_NE(w, nullptr) << id;
        ASSERT_TRUE(w->isEnabled()) << id;
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }

    QString HeaderPath(const QString& name = QStringLiteral("tkcfg.h")) { return dir.filePath(name); }

    // Exports the page's record into a fresh full header and reads the values back.
    HeaderValues ExportAndRead()
    {
        const QString path = HeaderPath(QStringLiteral("export_cfg.h"));
        EXPECT_TRUE(WriteFile(path, FullHeader()));
        ui.nextPath = path;
        page->OnExportHeader();
        EXPECT_TRUE(ui.warnings.isEmpty()) << ui.warnings.join(QLatin1Char('|')).toStdString();
        return HeaderCodec::Import(ReadFile(path));
    }

    QTemporaryDir dir;
    FakeUi ui;
    std::unique_ptr<DlgSub1> page;
};

TEST_F(PageTest, TemplateControlsAreBuiltNamedAndPlaced)
{
    const std::vector<int> ids = {1099, 1098, 1029, 1024, 1025, 1088, 1059, 1089, 1060, 1090, 1057, 1091, 1058,
                                  1092, 1055, 1093, 1056, 1094, 1061, 1095, 1062, 1096, 1063, 1097, 1064, 1117,
                                  1075, 1076, 1077, 1081, 1082, 1083, 1084, 1085, 1118, 1086, 1046, 1087, 1116,
                                  1080, 1078, 1079, 1065, 1066, 1067, 1068, 1069, 1070, 1071, 1072, 1073, 1074,
                                  1100, 1109, 1110, 1111, 1112, 1113, 1114, 1115, 1101, 1108, 1102, 1103, 1104,
                                  1105, 1106, 1107};
    for (int id : ids)
        EXPECT_NE(page->control(id), nullptr) << id;
    // Every control, frames and plain labels included, carries an accessible name.
    for (QWidget* w : page->controls())
        EXPECT_TRUE(HasAccessibleName(w)) << w->property("controlId").toInt();
    EXPECT_EQ(Combo(1029)->accessibleName(), QStringLiteral("IC型号"));
    EXPECT_EQ(Combo(1059)->accessibleName(), QStringLiteral("按下消抖次数"));
    EXPECT_EQ(Edit(1101)->accessibleName(), QStringLiteral("TH0"));
    EXPECT_EQ(Edit(1107)->accessibleName(), QStringLiteral("TH7"));
    EXPECT_EQ(Edit(1079)->accessibleName(), QStringLiteral("低功耗下触摸阈值(3~255)"));
    EXPECT_EQ(Combo(1080)->accessibleName(), QStringLiteral("无触摸下超时睡眠时间"));
    EXPECT_EQ(page->controlAs<QLabel>(1088)->buddy(), Combo(1059));
    EXPECT_EQ(page->controlAs<QPushButton>(1024)->text(), QStringLiteral("导入头文件"));
    // Moved to fixed pixel positions at initialisation.
    EXPECT_EQ(page->control(1098)->geometry(), QRect(30, 40, 50, 15));
    EXPECT_EQ(page->control(1024)->geometry(), QRect(210, 34, 100, 25));
    EXPECT_EQ(page->control(1025)->geometry(), QRect(350, 34, 100, 25));
    EXPECT_EQ(page->control(1058)->geometry(), QRect(480, 100, 120, 15));
    EXPECT_EQ(page->control(1095)->geometry(), QRect(480, 130, 120, 15));
    EXPECT_EQ(page->control(1064)->geometry(), QRect(180, 200, 120, 15));
    EXPECT_EQ(page->control(1029)->geometry(), page->units().ToPixels(QRect(52, 22, 64, 13)));
}

TEST_F(PageTest, InitialStateShowsTheRecord)
{
    EXPECT_EQ(page->Params(), TouchParamSet());
    EXPECT_EQ(Combo(1029)->currentText(), QStringLiteral("RV5M2630"));
    EXPECT_EQ(Combo(1056)->currentText(), QStringLiteral("8 S"));
    EXPECT_EQ(Combo(1062)->currentText(), QStringLiteral("FOSC/4"));
    EXPECT_EQ(Combo(1064)->currentIndex(), 0);
    EXPECT_EQ(Combo(1078)->currentText(), QStringLiteral("70"));
    EXPECT_EQ(Combo(1080)->currentText(), QStringLiteral("2.0 S"));
    EXPECT_EQ(Edit(1079)->text(), QStringLiteral("10"));
    for (int i = 0; i < 8; ++i) {
        EXPECT_FALSE(Key(i)->isChecked());
        EXPECT_EQ(Key(i)->isEnabled(), i < 6);
        EXPECT_FALSE(Threshold(i)->isEnabled());
        EXPECT_EQ(Threshold(i)->text(), i < 6 ? QStringLiteral("15") : QString());
        EXPECT_FALSE(LowPowerKey(i)->isEnabled());
    }
    for (int id : {1086, 1087, 1080, 1078, 1079})
        EXPECT_FALSE(page->control(id)->isEnabled()) << id;
    EXPECT_EQ(Label(1046)->text(), QStringLiteral(" "));
    EXPECT_EQ(Label(1116)->text(), QStringLiteral(" "));
    EXPECT_TRUE(Label(1117)->text().isEmpty());

    // An export before any change writes the settings on screen.
    const HeaderValues v = ExportAndRead();
    EXPECT_EQ(v[FindParamMacro("TKLib_LONG_TOUCH_TIME")], 2);
    EXPECT_EQ(v[FindParamMacro("TKLib_TKCKS")], 2);
    EXPECT_EQ(v[FindParamMacro("TKLib_TK_VCS")], 0);
    EXPECT_EQ(v[FindParamMacro("TKlib_Sleep_Wake_Up_Rate")], 70);
    EXPECT_EQ(v[FindParamMacro("TKLib_Sleep_F_THRESHOLD")], 10);
    EXPECT_EQ(v[FindParamMacro("TKLib_TK3_F_THRESHOLD")], 15);
    EXPECT_EQ(Label(1117)->text(), QStringLiteral("文件已导出：") + HeaderPath(QStringLiteral("export_cfg.h")));
    EXPECT_EQ(Label(1117)->TextColor(), 0x0000FFu);
    EXPECT_EQ(ui.lastFilter, DlgSub1::HeaderFileFilter());
}

TEST_F(PageTest, SelectAllAndInvertSkipDisabledKeys)
{
    Click(1065);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Key(i)->isChecked(), i < 6) << i;
        EXPECT_EQ(page->Params().keyEnable[i], i < 6 ? 1 : 0) << i;
        EXPECT_EQ(Threshold(i)->isEnabled(), i < 6) << i;
    }
    Click(1067);  // key 0 off
    Click(1066);  // invert: key 0 on, keys 1..5 off, 6 and 7 untouched
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Key(i)->isChecked(), i == 0) << i;
        EXPECT_EQ(page->Params().keyEnable[i], i == 0 ? 1 : 0) << i;
    }
    // Keys 6 and 7 cannot be checked by the user either.
    QTest::mouseClick(Key(6), Qt::LeftButton, {}, Key(6)->rect().center());
    EXPECT_FALSE(Key(6)->isChecked());
    EXPECT_EQ(page->Params().keyEnable[6], 0);
}

TEST_F(PageTest, KeyboardFollowsTheLayout)
{
    // Tab walks the controls in layout order; disabled ones are skipped.
    Combo(1029)->setFocus();
    const std::vector<int> order = {1024, 1025, 1059, 1060, 1057, 1058, 1055, 1056, 1061, 1062, 1063, 1064, 1075, 1065};
    for (int id : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), page->control(id)) << id;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Key(0));
    QTest::keyClick(Key(0), Qt::Key_Space);  // space toggles a check box and runs its handler
    EXPECT_TRUE(Key(0)->isChecked());
    EXPECT_EQ(page->Params().keyEnable[0], 1);
    EXPECT_TRUE(Threshold(0)->isEnabled());
}

// Every kind of check box acts the same whichever way its state changes: through the
// accessibility toggle action, by setChecked, or (elsewhere) by mouse and Space. Each change is
// handled exactly once ("反选" inverts once), and the boxes a handler sets itself run nothing.
TEST_F(PageTest, CheckBoxesFollowTheAccessibilityActionAndSetChecked)
{
    std::vector<TouchParamSet> records;
    for (const bool viaAction : {true, false}) {
        SCOPED_TRACE(viaAction ? "toggle action" : "setChecked");
        page = std::make_unique<DlgSub1>(nullptr, &ui);
        auto flip = [&](int id) {
            QCheckBox* box = Check(id);
            if (viaAction)
                ASSERT_TRUE(ToggleThroughAccessibility(box)) << id;
            else
                box->setChecked(!box->isChecked());
        };
        auto keys = [&] {
            unsigned bits = 0;
            for (int i = 0; i < 8; ++i)
                if (Key(i)->isChecked() && page->Params().keyEnable[i] == 1 && Threshold(i)->isEnabled())
                    bits |= 1u << i;
            return bits;
        };

        flip(1065); // 全选: the six usable keys
        EXPECT_EQ(keys(), 0b111111u);
        flip(1067); // key 0 off
        EXPECT_EQ(keys(), 0b111110u);
        EXPECT_EQ(page->Params().keyEnable[0], 0);
        flip(1066); // 反选, once
        EXPECT_EQ(keys(), 0b000001u);
        flip(1068); // key 1 on
        EXPECT_EQ(keys(), 0b000011u);

        flip(1075); // low power on: channel 0 with it
        EXPECT_EQ(page->Params().touchLowerPower, 1);
        EXPECT_TRUE(Check(1086)->isChecked());
        EXPECT_EQ(page->Params().lpGroup0, 1);
        EXPECT_TRUE(LowPowerKey(1)->isEnabled());
        flip(DlgSub1::kLowPowerKeyIds[0]);
        flip(DlgSub1::kLowPowerKeyIds[1]);
        EXPECT_EQ(Label(1046)->text(), QStringLiteral("TK0    TK1    "));
        flip(1087); // both channels split the two keys
        EXPECT_EQ(page->Params().lpGroup1, 1);
        EXPECT_EQ(Label(1046)->text(), QStringLiteral("TK0    "));
        EXPECT_EQ(Label(1116)->text(), QStringLiteral("TK1    "));
        flip(1086); // channel 0 off: channel 1 takes both
        EXPECT_EQ(page->Params().lpGroup0, 0);
        EXPECT_EQ(Label(1116)->text(), QStringLiteral("TK0    TK1    "));
        flip(1068); // key 1 off takes it out of the low-power selection
        EXPECT_FALSE(LowPowerKey(1)->isChecked());
        EXPECT_EQ(Label(1116)->text(), QStringLiteral("TK0    "));
        EXPECT_EQ(page->Params().lpGroup1Mask, 0b1);

        flip(1075); // low power off clears the section
        EXPECT_EQ(page->Params().touchLowerPower, 0);
        EXPECT_FALSE(Check(1087)->isChecked());
        EXPECT_FALSE(Check(1087)->isEnabled());
        EXPECT_FALSE(LowPowerKey(0)->isChecked());
        EXPECT_EQ(Label(1046)->text(), QStringLiteral(" "));
        records.push_back(page->Params());
    }
    EXPECT_EQ(records[0], records[1]);

    // A disabled box offers no action.
    EXPECT_FALSE(ToggleThroughAccessibility(Key(6)));
    EXPECT_FALSE(Key(6)->isChecked());
    EXPECT_EQ(page->Params().keyEnable[6], 0);
}

TEST_F(PageTest, LowPowerChannelSplit)
{
    for (int i = 0; i < 5; ++i)
        Click(DlgSub1::kKeyCheckIds[i]);
    Click(1075);
    EXPECT_EQ(page->Params().touchLowerPower, 1);
    EXPECT_TRUE(Check(1086)->isChecked());
    EXPECT_EQ(page->Params().lpGroup0, 1);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(LowPowerKey(i)->isEnabled(), i < 5) << i;
        EXPECT_FALSE(LowPowerKey(i)->isChecked());
    }
    for (int id : {1086, 1087, 1080, 1078, 1079})
        EXPECT_TRUE(page->control(id)->isEnabled()) << id;

    Click(DlgSub1::kLowPowerKeyIds[0]);
    Click(DlgSub1::kLowPowerKeyIds[1]);
    EXPECT_EQ(Label(1046)->text(), QStringLiteral("TK0    TK1    "));
    EXPECT_EQ(Label(1116)->text(), QString());
    EXPECT_EQ(Label(1046)->TextColor(), 0x0000FFu);
    EXPECT_EQ(page->Params().lpGroup0Mask, 0b11);

    Click(1087);  // both channels
    Click(DlgSub1::kLowPowerKeyIds[2]);
    EXPECT_EQ(Label(1046)->text(), QStringLiteral("TK0    TK1    "));
    EXPECT_EQ(Label(1116)->text(), QStringLiteral("TK1    TK2    "));
    Click(DlgSub1::kLowPowerKeyIds[3]);
    EXPECT_EQ(Label(1046)->text(), QStringLiteral("TK0    TK1    "));
    EXPECT_EQ(Label(1116)->text(), QStringLiteral("TK2    TK3    "));
    EXPECT_EQ(page->Params().lpGroup0Mask, 0b0011);
    EXPECT_EQ(page->Params().lpGroup1Mask, 0b1100);

    // Unchecking key 1 takes it out of the low-power selection and both masks.
    Click(1068);
    EXPECT_FALSE(LowPowerKey(1)->isChecked());
    EXPECT_FALSE(LowPowerKey(1)->isEnabled());
    EXPECT_EQ(page->Params().lpGroup0Mask, 0b0101);
    EXPECT_EQ(page->Params().lpGroup1Mask, 0b1100);

    for (int i : {0, 2, 3})
        Click(DlgSub1::kLowPowerKeyIds[i]);
    Click(DlgSub1::kLowPowerKeyIds[4]);
    EXPECT_EQ(Label(1046)->text(), QStringLiteral("TK4    "));
    EXPECT_EQ(Label(1116)->text(), QStringLiteral("TK4    "));

    // Switching low power off clears the section; the masks stay as last worked out.
    Click(1075);
    for (int i = 0; i < 8; ++i) {
        EXPECT_FALSE(LowPowerKey(i)->isChecked());
        EXPECT_FALSE(LowPowerKey(i)->isEnabled());
    }
    EXPECT_FALSE(Check(1086)->isChecked());
    EXPECT_FALSE(Check(1087)->isEnabled());
    EXPECT_EQ(Label(1046)->text(), QStringLiteral(" "));
    EXPECT_EQ(Label(1116)->text(), QStringLiteral(" "));
    const HeaderValues v = ExportAndRead();
    EXPECT_EQ(v[FindParamMacro("TKLib_TouchLowerPower")], 0);
    EXPECT_EQ(v[FindParamMacro("TKLPGroup0")], 0);
    EXPECT_EQ(v[FindParamMacro("TKLPGroup1")], 0);
    EXPECT_EQ(v[FindParamMacro("TKLib_TKLPGroup0_MASK")], 0b10000);
    EXPECT_EQ(v[FindParamMacro("TKLib_TKLPGroup1_MASK")], 0b10000);
}

TEST_F(PageTest, EditsStoreOnFocusLossOnly)
{
    Click(1067);
    QLineEdit* th0 = Threshold(0);
    ASSERT_TRUE(th0->isEnabled());
    th0->setFocus();
    ASSERT_TRUE(th0->hasFocus());
    th0->selectAll();
    QTest::keyClicks(th0, QStringLiteral("abc"));
    QTest::keyClick(th0, Qt::Key_Return);
    EXPECT_EQ(page->Params().keyThreshold[0], 15);  // typing and Return store nothing
    QTest::keyClick(th0, Qt::Key_Tab);
    EXPECT_FALSE(th0->hasFocus());
    EXPECT_EQ(page->Params().keyThreshold[0], 0);

    th0->setFocus();
    th0->selectAll();
    QTest::keyClicks(th0, QStringLiteral("99999999999"));
    Click(1024);  // the import button takes the focus; its dialog is cancelled
    EXPECT_EQ(page->Params().keyThreshold[0], std::numeric_limits<std::int32_t>::max());

    Click(1075);
    QLineEdit* sleep = Edit(1079);
    sleep->setFocus();
    sleep->selectAll();
    QTest::keyClicks(sleep, QStringLiteral("300"));
    EXPECT_EQ(page->Params().sleepThreshold, 10);
    Edit(1101)->setFocus();
    EXPECT_EQ(page->Params().sleepThreshold, 300);
    sleep->setFocus();
    sleep->clear();
    Edit(1101)->setFocus();
    EXPECT_EQ(page->Params().sleepThreshold, 0);
}

TEST_F(PageTest, CombosStoreTheirCodes)
{
    QComboBox* longTouch = Combo(1056);
    longTouch->setFocus();
    QTest::keyClick(longTouch, Qt::Key_Up);  // "8 S" -> "禁止"
    EXPECT_EQ(longTouch->currentIndex(), 0);
    EXPECT_EQ(page->Params().longTouchTime, 0);
    longTouch->setCurrentIndex(4);
    EXPECT_EQ(page->Params().longTouchTime, 5);
    Combo(1080)->setCurrentIndex(0);
    EXPECT_EQ(page->Params().gotoLowPowerTime, 50);
    Combo(1078)->setCurrentIndex(12);
    EXPECT_EQ(page->Params().sleepWakeUpRate, 250);
    Combo(1055)->setCurrentIndex(3);
    EXPECT_EQ(page->Params().touchNum, 4);
    Combo(1063)->setCurrentIndex(0);
    EXPECT_EQ(page->Params().tkVchg, 0);
    Combo(1029)->setCurrentIndex(0);
    EXPECT_TRUE(Combo(1057)->isEnabled());
}

TEST_F(PageTest, PickingTheShownItemStoresItsCode)
{
    // After an import a combo may show an item that stands for another code; the user choosing
    // that very item from the list stores the item's own code.
    ASSERT_TRUE(WriteFile(HeaderPath(), "#define TKLib_LONG_TOUCH_TIME 1\n#define TKLib_TouchLowerPower 1\n"
                                        "#define T_GOTOLOWPOWERMODE_C_Init_DF 120\n"));
    ui.nextPath = HeaderPath();
    page->OnImportHeader();
    ASSERT_TRUE(ui.warnings.isEmpty());
    ASSERT_EQ(page->Params().longTouchTime, 1);
    ASSERT_EQ(Combo(1056)->currentText(), QStringLiteral("禁止"));
    ASSERT_EQ(page->Params().gotoLowPowerTime, 120);
    ASSERT_EQ(Combo(1080)->currentText(), QStringLiteral("1.0 S"));

    for (int id : {1056, 1080}) {
        QComboBox* combo = Combo(id);
        ASSERT_TRUE(combo->isEnabled()) << id;
        combo->setFocus();
        combo->showPopup();
        QWidget* list = combo->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window())) << id;
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([list] { return !list->window()->isVisible(); })) << id;
    }
    EXPECT_EQ(page->Params().longTouchTime, 0);
    EXPECT_EQ(page->Params().gotoLowPowerTime, 100);
}

TEST_F(PageTest, ImportSetsControlsAndKeepsLowPowerChecks)
{
    // Keys 0, 1, 3 on, low power on, low-power key 3 checked by the user.
    for (int i : {0, 1, 3})
        Click(DlgSub1::kKeyCheckIds[i]);
    Click(1075);
    Click(DlgSub1::kLowPowerKeyIds[3]);
    Click(1065);  // leaves the select-all box checked

    const QByteArray header = "#define EnTk0 1\n#define EnTk1 1\n#define EnTk2 0\n#define EnTk3 1\n"
                              "#define TKLib_TOUCH_NUM 9\n#define TKLib_LONG_TOUCH_TIME 0\n"
                              "#define TKLib_TK0_F_THRESHOLD 33\n#define TKLib_TouchLowerPower 1\n"
                              "#define TKLPGroup0 1\n#define TKLPGroup1 0\n#define TKLib_TKLPGroup0_MASK 0x1\n"
                              "#define T_GOTOLOWPOWERMODE_C_Init_DF 449\n#define TKlib_Sleep_Wake_Up_Rate 60\n"
                              "#define TKLib_Sleep_F_THRESHOLD 77\n";
    ASSERT_TRUE(WriteFile(HeaderPath(), header));
    ui.nextPath = HeaderPath();
    page->OnImportHeader();
    ASSERT_TRUE(ui.warnings.isEmpty());

    EXPECT_EQ(page->Params().touchNum, 9);
    EXPECT_EQ(Combo(1055)->currentIndex(), -1);
    EXPECT_EQ(Combo(1056)->currentText(), QStringLiteral("禁止"));
    EXPECT_EQ(Combo(1080)->currentText(), QStringLiteral("4.0 S"));
    EXPECT_EQ(Combo(1078)->currentText(), QStringLiteral("50"));
    EXPECT_EQ(Edit(1079)->text(), QStringLiteral("77"));
    EXPECT_EQ(Threshold(0)->text(), QStringLiteral("33"));
    EXPECT_TRUE(Key(0)->isChecked());
    EXPECT_FALSE(Key(2)->isChecked());
    EXPECT_TRUE(Key(3)->isChecked());
    EXPECT_FALSE(Check(1065)->isChecked());
    EXPECT_FALSE(Check(1066)->isChecked());
    // The user's check on key 3 stays, the file's mask adds key 0.
    EXPECT_TRUE(LowPowerKey(0)->isChecked());
    EXPECT_TRUE(LowPowerKey(3)->isChecked());
    EXPECT_EQ(page->Params().lpGroup0Mask, 0b1001);
    EXPECT_EQ(Label(1046)->text(), QStringLiteral("TK0    TK3    "));
    EXPECT_EQ(Label(1117)->text(), QStringLiteral("文件已导入：") + HeaderPath());
    EXPECT_EQ(Label(1117)->TextColor(), 0x0000FFu);
    // Macros the file lacks keep their values.
    EXPECT_EQ(page->Params().caliBaseTime, 100);

    // An out-of-range value goes back out as read.
    const HeaderValues v = ExportAndRead();
    EXPECT_EQ(v[FindParamMacro("TKLib_TOUCH_NUM")], 9);
    EXPECT_EQ(v[FindParamMacro("T_GOTOLOWPOWERMODE_C_Init_DF")], 449);
}

// The sample headers shipped with the program give every macro a value the page can show, and an
// export of the same values writes nothing.
TEST_F(PageTest, TheSampleHeadersImportAndExportCleanly)
{
    const QDir examples(QDir(qEnvironmentVariable("MORVEK_SOURCE_DIR")).filePath(QStringLiteral("docs/examples")));
    for (const char* name : {"morvek_example_cfg.h", "morvek_example_cfg.ash"}) {
        SCOPED_TRACE(name);
        const QByteArray original = ReadFile(examples.filePath(QString::fromLatin1(name)));
        ASSERT_FALSE(original.isEmpty());
        const HeaderValues values = HeaderCodec::Import(original);
        EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](const auto& v) { return v.has_value(); }));
        const QString copy = HeaderPath(QString::fromLatin1(name));
        ASSERT_TRUE(WriteFile(copy, original));
        ui.nextPath = copy;
        ui.notes.clear();
        page->OnImportHeader();
        EXPECT_EQ(ui.lastTitle, "导入头文件");
        EXPECT_EQ(RecordValues(page->Params()), values);
        for (int id : {1059, 1060, 1057, 1058, 1055, 1056, 1061, 1062, 1063, 1064, 1080, 1078})
            EXPECT_GE(Combo(id)->currentIndex(), 0) << id;

        page->OnExportHeader();
        EXPECT_EQ(ui.lastTitle, "导出头文件");
        EXPECT_EQ(ui.notes.size(), 1);
        EXPECT_EQ(ReadFile(copy), original);
    }
}

TEST_F(PageTest, FileErrorsLeaveRecordAndFileAlone)
{
    const TouchParamSet before = page->Params();

    ui.nextPath.clear();  // cancelled
    page->OnImportHeader();
    page->OnExportHeader();
    EXPECT_TRUE(ui.warnings.isEmpty());

    const QString plain = dir.filePath(QStringLiteral("settings.h"));
    ASSERT_TRUE(WriteFile(plain, "#define TKLib_TOUCH_NUM 3\n"));
    ui.nextPath = plain;
    page->OnImportHeader();
    page->OnExportHeader();
    const QString notCfg = "File Error: " + plain + "\n文件路径中必须含有“cfg”或“CFG”。";
    EXPECT_EQ(ui.warnings, QStringList({notCfg, notCfg}));
    EXPECT_EQ(ReadFile(plain), "#define TKLib_TOUCH_NUM 3\n");

    ui.warnings.clear();
    const QString missing = HeaderPath(QStringLiteral("missing_cfg.h"));
    ui.nextPath = missing;
    page->OnImportHeader();
    page->OnExportHeader();
    const QString notThere = "Open file failed: " + missing + "\n文件不存在。";
    EXPECT_EQ(ui.warnings, QStringList({notThere, notThere}));
    EXPECT_FALSE(QFile::exists(missing));

    ui.warnings.clear();
    const QString readOnly = HeaderPath(QStringLiteral("ro_cfg.h"));
    ASSERT_TRUE(WriteFile(readOnly, "#define TKLib_TOUCH_NUM 3\n"));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    ui.nextPath = readOnly;
    page->OnExportHeader();
    EXPECT_EQ(ui.warnings, QStringList({"Open file failed: " + readOnly + "\n文件为只读，未被改动。"}));
    EXPECT_EQ(ReadFile(readOnly), "#define TKLib_TOUCH_NUM 3\n");
    // Reading a read-only header is fine.
    ui.warnings.clear();
    page->OnImportHeader();
    EXPECT_TRUE(ui.warnings.isEmpty());
    EXPECT_EQ(page->Params().touchNum, 3);
    EXPECT_EQ(Combo(1055)->currentText(), QStringLiteral("3"));

    EXPECT_TRUE(Label(1117)->text().startsWith(QStringLiteral("文件已导入：")));
    TouchParamSet expected = before;
    expected.touchNum = 3;
    EXPECT_EQ(page->Params(), expected);
}

TEST_F(PageTest, ExportKeepsPermissionsAndSurroundingText)
{
    const QString path = HeaderPath(QStringLiteral("keep_cfg.ash"));
    const QByteArray in = "; assembler include\r\nTKLib_TOUCH_NUM   ==   2\r\nOTHER == 5\r\n";
    ASSERT_TRUE(WriteFile(path, in));
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path, perms));
    ui.nextPath = path;
    page->OnExportHeader();
    EXPECT_TRUE(ui.warnings.isEmpty());
    EXPECT_EQ(ReadFile(path), "; assembler include\r\nTKLib_TOUCH_NUM   == \t1\r\nOTHER == 5\r\n");
    EXPECT_EQ(QFile::permissions(path) & 0x7077, perms & 0x7077);
}

// The export shows its changes first: with a warning while the page's values did not come from
// the header, not at all when there is nothing to change; Cancel, or an edit made to the file
// while the dialog is open, writes nothing.
TEST_F(PageTest, ExportShowsTheChangesFirst)
{
    const QString path = HeaderPath(QStringLiteral("board_cfg.h"));
    const QByteArray header = "#define TKLib_TOUCH_NUM 2 /* keys that may be touched at once */\r\n"
                              "#define TKLib_TKLPGroup0_MASK 0x0f\r\n"
                              "#define TKLib_TK0_F_THRESHOLD 15\r\n"
                              "#define TKLib_TouchLowerPower 0\r\n";
    ASSERT_TRUE(WriteFile(path, header));
    auto listed = [](const HeaderExportReview& r) {
        QStringList rows;
        for (const HeaderValueChange& c : r.changes)
            rows << QStringLiteral("%1 %2 %3→%4").arg(c.line).arg(c.macro, c.oldValue, c.newValue);
        return rows;
    };

    ui.nextPath = path;
    ui.confirmExport = false;
    page->OnExportHeader();
    ASSERT_EQ(ui.exportReviews.size(), 1);
    EXPECT_EQ(ui.exportReviews[0].path, path);
    EXPECT_EQ(ui.exportReviews[0].warning, ExportWarning(ParamsOrigin::NoFile));
    EXPECT_EQ(listed(ui.exportReviews[0]), QStringList({"1 TKLib_TOUCH_NUM 2→1", "2 TKLib_TKLPGroup0_MASK 0x0f→0x0"}));
    EXPECT_EQ(ui.exportReviews[0].keptMacros, 2);
    EXPECT_EQ(ReadFile(path), header);
    EXPECT_TRUE(Label(1117)->text().isEmpty());

    ui.confirmExport = true;
    page->OnImportHeader();
    page->OnExportHeader();
    EXPECT_EQ(ui.notes, QStringList({QStringLiteral("文件中已是这些数值，无需写入：") + path}));
    EXPECT_EQ(ui.exportReviews.size(), 1);
    EXPECT_EQ(ReadFile(path), header);

    page->EnterThreshold(0, 120);
    page->OnExportHeader();
    ASSERT_EQ(ui.exportReviews.size(), 2);
    EXPECT_TRUE(ui.exportReviews[1].warning.isEmpty());
    EXPECT_EQ(listed(ui.exportReviews[1]), QStringList({"3 TKLib_TK0_F_THRESHOLD 15→120"}));
    EXPECT_EQ(ui.exportReviews[1].keptMacros, 3);
    EXPECT_EQ(ReadFile(path), QByteArray(header).replace("THRESHOLD 15", "THRESHOLD \t120"));
    EXPECT_EQ(Label(1117)->text(), QStringLiteral("文件已导出：") + path);

    const QString other = HeaderPath(QStringLiteral("other_cfg.h"));
    const QByteArray edited = header + "// edited meanwhile\r\n";
    ASSERT_TRUE(WriteFile(other, header));
    ui.nextPath = other;
    ui.whileExportShown = [&] { WriteFile(other, edited); };
    page->OnExportHeader();
    ASSERT_EQ(ui.exportReviews.size(), 3);
    EXPECT_EQ(ui.exportReviews[2].warning, ExportWarning(ParamsOrigin::OtherFile));
    EXPECT_EQ(ui.warnings, QStringList({QStringLiteral("文件在确认期间已被修改，未写入：") + other}));
    EXPECT_EQ(ReadFile(other), edited);
    EXPECT_EQ(Label(1117)->text(), QStringLiteral("文件已导出：") + path);
    EXPECT_EQ(page->HeaderSource(), QFileInfo(path).canonicalFilePath());
}

TEST_F(PageTest, FailedWritesAndFilesWithoutMacrosAreReportedAndChangeNothing)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the stand-in writer fails POSIX calls";
#endif
    ASSERT_TRUE(WriteFile(HeaderPath(), "#define TKLib_TOUCH_NUM 3\n"));
    ui.nextPath = HeaderPath();
    page->OnImportHeader();
    const QString status = Label(1117)->text();
    const TouchParamSet before = page->Params();
    ASSERT_EQ(before.touchNum, 3);

    // The disk fills up while the new text is flushed.
    FailingWriter full(FailingWriter::Step::Flush, ENOSPC);
    page->SetHeaderWriter(&full);
    const QString path = HeaderPath(QStringLiteral("full_cfg.h"));
    const QByteArray header = FullHeader();
    ASSERT_TRUE(WriteFile(path, header));
    ui.nextPath = path;
    page->OnExportHeader();
    EXPECT_EQ(ui.warnings,
              QStringList({"Write file failed: " + path + "\n" + QString::fromLocal8Bit(std::strerror(ENOSPC))}));
    EXPECT_EQ(ReadFile(path), header);
    page->SetHeaderWriter(nullptr);

    // Lines ended by carriage returns alone, or simply not a header: both ways a warning naming
    // the cause, from the import as from the export, and nothing changes.
    ui.warnings.clear();
    const QString crOnly = HeaderPath(QStringLiteral("mac_cfg.h"));
    const QByteArray crText = "#define TKLib_TOUCH_NUM 4\r#define EnTk0 1\r";
    const QString other = HeaderPath(QStringLiteral("notes_cfg.h"));
    const QByteArray otherText = "int main() { return 0; }\n#define VERSION 2\n";
    ASSERT_TRUE(WriteFile(crOnly, crText));
    ASSERT_TRUE(WriteFile(other, otherText));
    ui.nextPath = crOnly;
    page->OnExportHeader();
    page->OnImportHeader();
    ui.nextPath = other;
    page->OnExportHeader();
    page->OnImportHeader();
    const QString none = QStringLiteral("文件中未找到任何参数宏：");
    const QString cr = HeaderErrorMessage(HeaderFileError::CrLineEnds, crOnly);
    EXPECT_TRUE(cr.startsWith(QStringLiteral("文件的各行以单独的回车符（CR）结尾：") + crOnly + "\n")) << cr.toStdString();
    EXPECT_EQ(ui.warnings, QStringList({cr, cr, none + other, none + other}));
    EXPECT_EQ(ReadFile(crOnly), crText);
    EXPECT_EQ(ReadFile(other), otherText);
    EXPECT_EQ(page->Params(), before);
    EXPECT_EQ(Label(1117)->text(), status);
}

// Thresholds handed over from the debug page go in as the user would enter them: unticked keys
// are ticked through their box (the low-power section follows), each value lands in its edit and
// in the record, and the status line names them; keys 6 and 7 are not taken.
TEST_F(PageTest, ThresholdsAppliedFromTheDebugPage)
{
    Click(1067);                                    // key 0 ticked by the user
    Click(1075);                                    // low power on: key boxes follow the ticks
    ASSERT_TRUE(LowPowerKey(0)->isEnabled());
    ASSERT_FALSE(LowPowerKey(2)->isEnabled());

    page->ApplyThresholds({{0, 175}, {2, 180}, {6, 99}}, true);
    EXPECT_TRUE(Key(0)->isChecked());               // ticked already: not clicked off again
    EXPECT_TRUE(Key(2)->isChecked());
    EXPECT_EQ(page->Params().keyEnable[2], 1);
    EXPECT_TRUE(LowPowerKey(2)->isEnabled());
    EXPECT_TRUE(Threshold(2)->isEnabled());
    EXPECT_EQ(Threshold(0)->text(), QStringLiteral("175"));
    EXPECT_EQ(Threshold(2)->text(), QStringLiteral("180"));
    EXPECT_EQ(page->Params().keyThreshold[0], 175);
    EXPECT_EQ(page->Params().keyThreshold[2], 180);
    EXPECT_EQ(page->Params().keyThreshold[6], 0);
    EXPECT_FALSE(Key(6)->isChecked());
    EXPECT_EQ(Label(1117)->text(), QStringLiteral("阈值已应用：TK0=175, TK2=180"));
    EXPECT_EQ(Label(1117)->TextColor(), 0x0000FFu);

    // Without ticking, an unticked key still takes its value (its edit stays disabled).
    page->ApplyThresholds({{4, 60}}, false);
    EXPECT_FALSE(Key(4)->isChecked());
    EXPECT_EQ(page->Params().keyEnable[4], 0);
    EXPECT_EQ(page->Params().keyThreshold[4], 60);
    EXPECT_EQ(Threshold(4)->text(), QStringLiteral("60"));
    EXPECT_FALSE(Threshold(4)->isEnabled());

    const HeaderValues v = ExportAndRead();
    EXPECT_EQ(v[FindParamMacro("TKLib_TK0_F_THRESHOLD")], 175);
    EXPECT_EQ(v[FindParamMacro("TKLib_TK2_F_THRESHOLD")], 180);
    EXPECT_EQ(v[FindParamMacro("TKLib_TK4_F_THRESHOLD")], 60);
    EXPECT_EQ(v[FindParamMacro("EnTk2")], 1);
}

} // namespace
