// The detection procedure, results table and help on the debug page itself: buttons, status
// line, progress bar, key choice, editor, help, the link closed and reopened mid-way, and an
// end-to-end run against the simulated board on a pseudo-terminal.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QAccessible>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

#include "common/simulated_board.h"
#include "common/ui_spy.h"
#include "app/zcstatic.h"
#include "debug/cell_editor.h"
#include "debug/dlgsub2.h"
#include "debug/frame_receiver.h"
#include "debug/help_manual.h"
#include "debug/procedure.h"
#include "debug/procedure_panel.h"
#include "debug/result_table.h"
#include "tests/debug/fake_serial.h"
#include "tests/debug/gtest_wait.h"

namespace {

using Phase = CDetectionProcedure::Phase;

using ServicesSpy = UiSpy; // OpenDocument answers false, as if the file were missing

QByteArray FrameBytes(std::uint8_t mask, std::uint16_t sample, std::uint16_t baseline)
{
    std::uint16_t s[8], b[8];
    for (int j = 0; j < 8; ++j) {
        s[j] = sample;
        b[j] = baseline;
    }
    const auto f = EncodeFrame(mask, s, b);
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

struct DetectionPage : ::testing::Test {
    ServicesSpy ui;
    DlgSub2 page{nullptr, &ui};
    FakeSerialDevice* device = nullptr;

    DetectionPage()
    {
        auto d = std::make_unique<FakeSerialDevice>();
        device = d.get();
        page.SetSerialDevice(std::move(d));
        page.SetPortFinder([] { return 4; });
    }
    template <class T> T* Ctl(int id) { return page.controlAs<T>(id); }
    QPushButton* Button(int id) { return Ctl<QPushButton>(id); }
    ZCStatic* Status() { return Ctl<ZCStatic>(1053); }
    QProgressBar* Progress() { return Ctl<QProgressBar>(1051); }
    QString Result(int row, int col) { return page.Results().Text(row, col); }
    void Open()
    {
        page.OnPortButton();
        ASSERT_TRUE(page.Comm()->GetPortOpen());
    }
    // A frame arrives, then a tick.
    void Tick(std::uint8_t mask = 0x25, std::uint16_t sample = 3000, std::uint16_t baseline = 3000)
    {
        device->Receive(FrameBytes(mask, sample, baseline));
        page.OnTimerTick();
    }
    bool StartControlsEnabled()
    {
        return Button(1025)->isEnabled() && Button(1026)->isEnabled() && Button(1028)->isEnabled() &&
               Ctl<QComboBox>(1029)->isEnabled();
    }
    bool StartControlsDisabled()
    {
        return !Button(1025)->isEnabled() && !Button(1026)->isEnabled() && !Button(1028)->isEnabled() &&
               !Ctl<QComboBox>(1029)->isEnabled();
    }
};

TEST_F(DetectionPage, StartUpState)
{
    EXPECT_EQ(Status()->text(), "未开始检测");
    EXPECT_EQ(Status()->TextColor(), kStatusBlack);
    EXPECT_EQ(Progress()->maximum(), 100);
    auto* combo = Ctl<QComboBox>(1029);
    ASSERT_EQ(combo->count(), 8);
    EXPECT_EQ(combo->itemText(5), "TK5");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_TRUE(StartControlsDisabled());
    EXPECT_FALSE(Button(1052)->isEnabled());
    EXPECT_TRUE(Button(1054)->isEnabled());
    EXPECT_FALSE(Ctl<QLineEdit>(1031)->isVisible());
    EXPECT_FALSE(Ctl<QLineEdit>(1031)->accessibleName().isEmpty());
    EXPECT_EQ(page.Results().RowCount(), 8);
}

// The page's own list 1030: headers, widths, eight empty rows; cells written later are centred.
TEST_F(DetectionPage, ResultsListColumns)
{
    auto* list = Ctl<QTableWidget>(1030);
    const char* headers[] = {"键位", "无按键", "按键按下", "实际噪声值", "负载影响值", "按下其他键影响的差值",
                             "触摸差值", "信噪比", "灵敏度百分比", "噪声设定值", "触摸阈值设定", "可靠性评估"};
    const int widths[] = {60, 80, 80, 80, 80, 80, 80, 80, 90, 90, 90, 90};
    ASSERT_EQ(list->columnCount(), 12);
    ASSERT_EQ(list->rowCount(), 8);
    for (int c = 0; c < 12; ++c) {
        EXPECT_EQ(list->horizontalHeaderItem(c)->text(), QString::fromUtf8(headers[c])) << c;
        EXPECT_EQ(list->horizontalHeaderItem(c)->textAlignment(), int(Qt::AlignCenter)) << c;
        EXPECT_EQ(list->columnWidth(c), widths[c]) << c;
        for (int r = 0; r < 8; ++r)
            EXPECT_TRUE(Result(r, c).isEmpty());
    }
    Open();
    Tick(); // TK0, TK2, TK5
    ASSERT_NE(list->item(2, 0), nullptr);
    EXPECT_EQ(list->item(2, 0)->text(), "TK5");
    EXPECT_EQ(list->item(2, 0)->textAlignment(), int(Qt::AlignCenter));
    EXPECT_EQ(list->item(2, ResultCol::Sensitivity)->textAlignment(), int(Qt::AlignCenter));
}

// A caption wider than its column ends in "…" within the column instead of losing both its ends;
// every header's tooltip, read by assistive technology as the header's description, gives the
// whole caption and what the column means.
TEST_F(DetectionPage, NarrowHeadersAreElidedAndExplained)
{
    page.resize(page.sizeHint());
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    auto* list = Ctl<QTableWidget>(1030);
    const int col = ResultCol::Crosstalk;
    QTableWidgetItem* item = list->horizontalHeaderItem(col);
    const QString caption = item->text();
    // The caption's ink at a column width: the header drawn with it less the header without it.
    auto ink = [&](int width) {
        list->setColumnWidth(col, width);
        const QImage with = list->horizontalHeader()->grab().toImage();
        item->setText(QString());
        const QImage without = list->horizontalHeader()->grab().toImage();
        item->setText(caption);
        QRect box;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                box |= with.pixel(x, y) != without.pixel(x, y) ? QRect(x, y, 1, 1) : QRect();
        return with.copy(box);
    };
    // In its 80 pixels it starts as it does in full, and ends sooner.
    const QImage elided = ink(80);
    const QImage whole = ink(400);
    ASSERT_LT(elided.width(), whole.width());
    const QRect start(0, 0, elided.width() / 3, elided.height());
    EXPECT_EQ(elided.copy(start), whole.copy(start));

    const QString tip = list->model()->headerData(col, Qt::Horizontal, Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith(caption + QString::fromUtf8("：输入值"))) << tip.toStdString();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
    QString described;
    for (int i = 0; i < table->childCount(); ++i)
        if (table->child(i)->role() == QAccessible::ColumnHeader && table->child(i)->text(QAccessible::Name) == caption)
            described = table->child(i)->text(QAccessible::Description);
    EXPECT_EQ(described, tip);
}

TEST_F(DetectionPage, AutomaticFlowThroughTheButtons)
{
    Open();
    Tick(); // TK0, TK2, TK5
    EXPECT_EQ(Result(2, 0), "TK5");
    EXPECT_EQ(Result(2, ResultCol::Sensitivity), "60");
    ASSERT_TRUE(StartControlsEnabled());

    QTest::mouseClick(Button(1025), Qt::LeftButton);
    EXPECT_TRUE(StartControlsDisabled());
    EXPECT_TRUE(Button(1052)->isEnabled());
    EXPECT_TRUE(Button(1024)->isEnabled());
    EXPECT_EQ(Progress()->maximum(), 630);
    EXPECT_EQ(Progress()->value(), 1);
    Tick();
    EXPECT_EQ(Status()->text(), "[准备时间4秒] 请不要触摸面板");
    EXPECT_EQ(Status()->TextColor(), kStatusRed);
    EXPECT_EQ(Progress()->value(), 2);

    for (int i = 2; i <= 320; ++i)
        Tick();
    EXPECT_EQ(Status()->text(), "检测完成！");
    EXPECT_EQ(Status()->TextColor(), kStatusDarkGreen);
    EXPECT_EQ(Result(0, ResultCol::NoKey), "3000");
    for (int i = 321; i <= 640; ++i)
        Tick(0x25, 2700, 3000);
    EXPECT_EQ(Status()->text(), "检测完成！");
    EXPECT_EQ(Progress()->value(), 630);
    EXPECT_TRUE(StartControlsEnabled());
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Result(row, ResultCol::Pressed), "2700");
        EXPECT_EQ(Result(row, ResultCol::Delta), "300");
        EXPECT_EQ(Result(row, ResultCol::Snr), "300"); // no noise at all: the ratio is d
        EXPECT_EQ(Result(row, ResultCol::Threshold), "175");
        EXPECT_EQ(Result(row, ResultCol::Reliability), "180.0");
    }
    EXPECT_TRUE(Result(3, 0).isEmpty());
}

TEST_F(DetectionPage, KeyChoiceAndTheKeyNotPresentMessage)
{
    Open();
    Tick(0x23); // TK0, TK1, TK5
    Ctl<QComboBox>(1029)->setCurrentIndex(3);
    QTest::mouseClick(Button(1028), Qt::LeftButton);
    ASSERT_EQ(ui.warnings.size(), 1);
    EXPECT_EQ(ui.warnings[0], QString::fromUtf8("未使能键位：TK3\n"));
    EXPECT_TRUE(StartControlsEnabled());
    EXPECT_EQ(Status()->text(), "未开始检测");

    Ctl<QComboBox>(1029)->setCurrentIndex(5);
    QTest::mouseClick(Button(1028), Qt::LeftButton);
    EXPECT_EQ(ui.warnings.size(), 1);
    EXPECT_EQ(Progress()->maximum(), 310);
    EXPECT_EQ(page.Procedure().CurrentPhase(), Phase::PressCountdown);
    EXPECT_EQ(page.Live().m_slots[2].pressFlag, 1);

    QTest::mouseClick(Button(1052), Qt::LeftButton);
    EXPECT_EQ(Status()->text(), "操作已终止！");
    EXPECT_EQ(Status()->TextColor(), kStatusRed);
    EXPECT_TRUE(StartControlsEnabled());
}

TEST_F(DetectionPage, ClosingTheLinkFreezesTheProcedureAndReopeningResumesIt)
{
    Open();
    Tick();
    QTest::mouseClick(Button(1026), Qt::LeftButton);
    EXPECT_EQ(Progress()->maximum(), 310);
    for (int i = 0; i < 200; ++i)
        Tick();
    ASSERT_EQ(page.Procedure().CurrentPhase(), Phase::NoKeyRecording);
    const int left = page.Procedure().TicksLeft();

    page.OnPortButton(); // close
    EXPECT_EQ(page.TimerId(), 0);
    EXPECT_FALSE(Button(1052)->isEnabled());
    EXPECT_FALSE(Button(1025)->isEnabled());
    EXPECT_EQ(page.Procedure().TicksLeft(), left);

    page.OnPortButton(); // reopen
    EXPECT_NE(page.TimerId(), 0);
    EXPECT_EQ(page.Procedure().CurrentPhase(), Phase::NoKeyRecording);
    EXPECT_EQ(page.Procedure().TicksLeft(), left);
    Tick();
    EXPECT_EQ(page.Procedure().TicksLeft(), left - 1);
}

// A port lost during a detection: the procedure stands still and the status line says so.
// "终止操作" stays usable: it aborts as with the port open (the evaluation pass runs once), and
// nothing starts before the port is back.
TEST_F(DetectionPage, APortLostDuringADetectionCanBeAborted)
{
    bool present = false;
    page.SetPortProbe([&](int) { return present; });
    Open();
    Tick(0x03); // TK0 and TK1; TK1's row holds figures and a stale delta
    for (const auto& [col, text] : {std::pair{ResultCol::NoKey, "1000"}, {ResultCol::Pressed, "700"},
                                    {ResultCol::Noise, "-12"}, {ResultCol::Delta, "999"}})
        page.Results().SetText(1, col, text);
    QTest::mouseClick(Button(1028), Qt::LeftButton);
    Tick(0x03);
    device->Vanish();
    EXPECT_EQ(Status()->text(), ProcedurePanel::PortLostText());
    QTest::mouseClick(Button(1052), Qt::LeftButton);
    EXPECT_EQ(Status()->text(), "操作已终止！");
    EXPECT_EQ(page.Procedure().CurrentPhase(), Phase::None);
    EXPECT_EQ(Result(1, ResultCol::Delta), "300");
    EXPECT_TRUE(StartControlsDisabled());
    present = true;
    page.OnReconnectTick();
    EXPECT_TRUE(StartControlsEnabled());
}

TEST_F(DetectionPage, AHiddenPageKeepsRunningOnItsTimer)
{
    page.show();
    Open();
    Tick();
    QTest::mouseClick(Button(1026), Qt::LeftButton);
    page.hide();
    Tick();
    const int left = page.Procedure().TicksLeft();
    EXPECT_TRUE(QTest::qWaitFor([&] { return page.Procedure().TicksLeft() <= left - 3; }, 10000));
}

// Help opens the manual under the current folder by its relative path; a viewer that cannot
// start and a manual found nowhere are both told to the user; the page stays as it was.
TEST_F(DetectionPage, HelpOpensTheManualOrSaysWhereItLooked)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    struct Restore {
        QString path;
        ~Restore() { QDir::setCurrent(path); }
    } restore{previous};
    const QString status = Status()->text();

    // Nowhere: one message that lists the current folder's path among the places looked at.
    QStringList elsewhere;
    if (!FindHelpDocument(&elsewhere).isEmpty())
        GTEST_SKIP() << "a manual is installed on this machine";
    QTest::mouseClick(Button(1054), Qt::LeftButton);
    EXPECT_TRUE(ui.documents.isEmpty());
    ASSERT_EQ(ui.warnings.size(), 1);
    EXPECT_TRUE(ui.warnings[0].startsWith(QString::fromUtf8("找不到使用说明文档")));
    EXPECT_TRUE(ui.warnings[0].contains(QDir::toNativeSeparators(QDir(dir.path()).filePath(QString::fromUtf8("说明文档/Morvek使用说明.pdf")))));
    EXPECT_EQ(Status()->text(), status);

    // Under the current folder: opened by the relative path.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QString::fromUtf8("说明文档")));
    QFile manual(QDir(dir.path()).filePath(QString::fromUtf8("说明文档/Morvek使用说明.pdf")));
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.close();
    ui.warnings.clear();
    ui.documentOpens = true;
    QTest::mouseClick(Button(1054), Qt::LeftButton);
    ASSERT_EQ(ui.documents.size(), 1);
    EXPECT_EQ(ui.documents[0], QString::fromUtf8("说明文档/Morvek使用说明.pdf"));
    EXPECT_TRUE(ui.warnings.isEmpty());

    // No viewer starts, or one gives up after it started (xdg-open without a PDF viewer): a box
    // gives the manual's whole path and offers its folder or the path on the clipboard.
    const QString absolute = QDir::toNativeSeparators(QFileInfo(manual).absoluteFilePath());
    const QString folder = QFileInfo(manual).absolutePath();
    ui.documentOpens = false;
    ui.answers = {1}; // "复制路径"
    QTest::mouseClick(Button(1054), Qt::LeftButton);
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].contains(absolute)) << ui.questions[0].toStdString();
    EXPECT_EQ(ui.questionButtons[0], QStringList({"打开所在文件夹", "复制路径", "关闭"}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), absolute);

    ui.documentOpens = true; // started, the viewer gives up later
    ui.answers = {0};        // "打开所在文件夹", which gives up as well
    QTest::mouseClick(Button(1054), Qt::LeftButton);
    ui.failedLater();
    ASSERT_EQ(ui.questions.size(), 2);
    EXPECT_EQ(QFileInfo(ui.documents.last()).absoluteFilePath(), QFileInfo(folder).absoluteFilePath());
    ui.failedLater();
    ASSERT_EQ(ui.warnings.size(), 1);
    EXPECT_TRUE(ui.warnings[0].contains(QDir::toNativeSeparators(folder))) << ui.warnings[0].toStdString();
    EXPECT_EQ(Status()->text(), status);
}

TEST_F(DetectionPage, EditorOnTheResultsList)
{
    page.resize(page.sizeHint());
    page.show();
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    Open();
    Tick(0x01);
    page.Results().SetText(0, ResultCol::NoKey, "1000");
    page.Results().SetText(0, ResultCol::Pressed, "700");
    page.Results().SetText(0, ResultCol::Noise, "-12");
    page.EvaluateResults();
    EXPECT_EQ(Result(0, ResultCol::Threshold), "175");

    auto* list = Ctl<QTableWidget>(1030);
    auto* edit = Ctl<QLineEdit>(1031);
    const QRect cell = list->visualRect(list->model()->index(0, ResultCol::Sensitivity));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->text(), "60");
    GTEST_TRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, "80");
    Button(1054)->setFocus(); // focus elsewhere
    GTEST_TRY_VERIFY(!edit->isVisible());
    EXPECT_EQ(Result(0, ResultCol::Sensitivity), "80");
    EXPECT_EQ(Result(0, ResultCol::Threshold), "235");

    page.OnResultDblClk(7, 2);
    EXPECT_EQ(page.Results().RowCount(), 9);
    page.OnCellEditKillFocus();
    EXPECT_FALSE(edit->isVisible());
}

// The results table from the keyboard alone: arrows choose the cell, F2 opens the editor, Return
// writes the text back and returns to the table, and Tab leaves the table like any other control
// instead of walking through its cells.
TEST_F(DetectionPage, ResultsTableFromTheKeyboard)
{
    page.resize(page.sizeHint());
    page.show();
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    Open();
    Tick(0x01);
    auto* list = Ctl<QTableWidget>(1030);
    auto* edit = Ctl<QLineEdit>(1031);
    list->setFocus(Qt::TabFocusReason);
    GTEST_TRY_VERIFY(list->hasFocus());
    list->setCurrentCell(0, 0);
    for (int i = 0; i < ResultCol::Load; ++i)
        QTest::keyClick(list, Qt::Key_Right);
    ASSERT_EQ(list->currentColumn(), ResultCol::Load);
    QTest::keyClick(list, Qt::Key_F2);
    ASSERT_TRUE(edit->isVisible());
    GTEST_TRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, "5");
    QTest::keyClick(edit, Qt::Key_Return);
    GTEST_TRY_VERIFY(!edit->isVisible());
    EXPECT_EQ(Result(0, ResultCol::Load), "05");
    EXPECT_TRUE(list->hasFocus());

    QTest::keyClick(list, Qt::Key_Tab);
    GTEST_TRY_VERIFY(!list->hasFocus());
    EXPECT_EQ(list->currentColumn(), ResultCol::Load);
}

// The page goes away while the cell editor is open and has the focus: its focus loss during the
// teardown must not reach the table (the sanitizer build checks the memory).
TEST(DetectionPageTeardown, PageClosedWhileTheEditorIsOpen)
{
    ServicesSpy ui;
    auto page = std::make_unique<DlgSub2>(nullptr, &ui);
    page->resize(page->sizeHint());
    page->show();
    QApplication::setActiveWindow(page.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    page->OnResultDblClk(0, 4);
    auto* edit = page->controlAs<QLineEdit>(1031);
    ASSERT_TRUE(edit->isVisible());
    GTEST_TRY_VERIFY(edit->hasFocus());
    page.reset();
    SUCCEED();
}

#if defined(Q_OS_LINUX) || defined(Q_OS_MACOS)

// The whole automatic flow against the simulated board with TK0, TK2 and TK5. The test plays the
// user: it steps the procedure through the countdowns at once, waits in each recording phase for
// its 100 frames, and touches TK2 (by 300 counts, through the simulator's stdin) only after the
// no-key recording is complete, going on with the press countdown once the touch shows in the
// live difference. The page's own timer is held back, so no phase ends early.
TEST(DetectionEndToEnd, SimulatedBoardFillsTheResultsTable)
{
    const QString sim = BuiltTool("morvek-board-sim");
    if (sim.isEmpty())
        GTEST_SKIP() << "morvek-board-sim not built";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimulatedBoard board;
    ASSERT_TRUE(board.Start(sim, dir.filePath("board"),
                            {"--mask", "0x25", "--cycle", "0", "--delta", "300", "--noise", "3", "--seconds", "120",
                             "--seed", "11"}));

    ServicesSpy ui;
    auto page = std::make_unique<DlgSub2>(nullptr, &ui);
    page->SetPortFinder([] { return 50; });
    page->OnPortButton();
    ASSERT_TRUE(page->Comm()->GetPortOpen()) << ui.warnings.join(' ').toStdString();
    ResultCells& results = page->Results();
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.Text(2, 0) == "TK5"; }, 10000));

    int pressedDiff = 0; // TK2's live difference when the press countdown went on
    ASSERT_TRUE(PlayDetection(*page, board, [&] { page->OnStartDetection(); }, "2\n", [&](const LiveState& live) {
        pressedDiff = live.m_slots[1].diff;
        return pressedDiff > 250;
    }));
    EXPECT_GT(pressedDiff, 250);
    EXPECT_TRUE(board.Finger("r\n")); // release
    page->OnPortButton();
    board.Stop();

    EXPECT_EQ(page->controlAs<ZCStatic>(1053)->text(), "检测完成！");
    auto number = [&](int row, int col) {
        bool ok = false;
        const int v = results.Text(row, col).toInt(&ok);
        EXPECT_TRUE(ok) << row << "," << col << ": " << results.Text(row, col).toStdString();
        return v;
    };
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        const int level = 3000 + 137 * (row == 0 ? 0 : row == 1 ? 2 : 5);
        EXPECT_NEAR(number(row, ResultCol::NoKey), level, 60);
        EXPECT_LE(std::abs(number(row, ResultCol::Noise)), 20);
        EXPECT_FALSE(results.Text(row, ResultCol::Snr).isEmpty());
        EXPECT_FALSE(results.Text(row, ResultCol::Reliability).isEmpty());
    }
    // The touched key: a delta of about 300, a clear ratio and a threshold near 60 % of it.
    const int d = number(1, ResultCol::Delta);
    EXPECT_NEAR(d, 300, 30);
    EXPECT_GE(number(1, ResultCol::Snr), 10);
    EXPECT_NEAR(number(1, ResultCol::Threshold), d * 60 / 100 - 5, 1);
    EXPECT_GT(results.Text(1, ResultCol::Reliability).toDouble(), 5.0);
    // The untouched keys barely move.
    EXPECT_LE(std::abs(number(0, ResultCol::Delta)), 30);
    EXPECT_LE(std::abs(number(2, ResultCol::Delta)), 30);
}

#endif

} // namespace
