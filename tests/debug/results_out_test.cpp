// The results going out of the debug page: suggested thresholds reviewed against the parameter
// page, the clipboard and CSV texts, the pass / fail shading of the ratio column, and the page's
// buttons, shortcut and context menu for all of it.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "common/accessible_walk.h"
#include "common/other_user.h"
#include "common/ui_spy.h"
#include "app/zcstatic.h"
#include "debug/dlgsub2.h"
#include "debug/evaluation.h"
#include "debug/frame_receiver.h"
#include "debug/result_export.h"
#include "debug/result_table.h"
#include "debug/snr_verdict.h"
#include "debug/threshold_apply.h"
#include "tests/debug/fake_serial.h"
#include "tests/params/failing_writer.h"

namespace {

// The parameter page as the debug page sees it: keys 0 … 5 carried, thresholds 15, key 0 ticked.
struct FakeTarget : ThresholdTarget {
    KeyThresholdState keys[8];
    std::vector<std::vector<ThresholdChange>> applied;
    std::vector<bool> ticked;
    FakeTarget()
    {
        for (int k = 0; k < 8; ++k)
            keys[k] = {k < 6, 15, k == 0};
    }
    KeyThresholdState KeyState(int key) const override { return keys[key]; }
    void ApplyThresholds(const std::vector<ThresholdChange>& changes, bool tickKeys) override
    {
        applied.push_back(changes);
        ticked.push_back(tickKeys);
    }
};

void SetRow(ResultCells& cells, int row, const QStringList& texts)
{
    for (int c = 0; c < texts.size(); ++c)
        cells.SetText(row, c, texts[c]);
}

QString Reason(const char* r) { return QString::fromUtf8(r); }
QString SystemText(int error) { return QString::fromUtf8(std::strerror(error)); }

TEST(ThresholdReview, RowsMapToKeysAndTheOthersAreSkippedWithTheirReason)
{
    ResultTable cells(10);
    const auto set = [&](int row, const QString& key, const QString& threshold) {
        cells.SetText(row, ResultCol::Key, key);
        cells.SetText(row, ResultCol::Threshold, threshold);
    };
    set(0, "TK0", "175");
    set(1, "TK2", "检测异常");
    set(2, "TK3", "");
    set(3, "TK4", "abc");
    set(4, "TK5", "0");
    set(5, "TK6", "120");
    set(6, "TK7", "");
    set(7, "TK1", " 88 ");
    set(8, "", "50");      // appended by the editor: no key name
    // row 9: nothing at all, not listed
    FakeTarget target;
    target.keys[1].threshold = 40;
    EXPECT_TRUE(HasSuggestedThreshold(cells));

    const ThresholdReview r = ReviewThresholds(cells, target);
    ASSERT_EQ(r.changes.size(), 2u);
    EXPECT_EQ(r.changes[0].key, 0);
    EXPECT_EQ(r.changes[0].oldValue, 15);
    EXPECT_EQ(r.changes[0].newValue, 175);
    EXPECT_TRUE(r.changes[0].ticked);
    EXPECT_EQ(r.changes[1].key, 1);
    EXPECT_EQ(r.changes[1].oldValue, 40);
    EXPECT_EQ(r.changes[1].newValue, 88);
    EXPECT_FALSE(r.changes[1].ticked);
    EXPECT_TRUE(r.tickKeys);

    using namespace ThresholdSkipReason;
    const std::vector<std::pair<int, QString>> skipped = {
        {1, Reason(kAbnormal)}, {2, Reason(kEmpty)},   {3, Reason(kNotNumber)}, {4, Reason(kNotPositive)},
        {5, Reason(kNoMacro)},  {6, Reason(kNoMacro)}, {8, Reason(kNoKey)}};
    ASSERT_EQ(r.skipped.size(), skipped.size());
    for (size_t i = 0; i < skipped.size(); ++i) {
        EXPECT_EQ(r.skipped[i].row, skipped[i].first) << i;
        EXPECT_EQ(r.skipped[i].reason, skipped[i].second) << i;
    }
    EXPECT_EQ(r.skipped[4].key, "TK6");

    // A key named twice takes its first row; a table without a usable number enables nothing.
    ResultTable twice(3);
    SetRow(twice, 0, {"TK3"});
    SetRow(twice, 1, {"TK3"});
    SetRow(twice, 2, {"TK4"});
    twice.SetText(0, ResultCol::Threshold, "30");
    twice.SetText(1, ResultCol::Threshold, "31");
    twice.SetText(2, ResultCol::Threshold, "99999999999");
    const ThresholdReview t = ReviewThresholds(twice, target);
    ASSERT_EQ(t.changes.size(), 1u);
    EXPECT_EQ(t.changes[0].newValue, 30);
    ASSERT_EQ(t.skipped.size(), 2u);
    EXPECT_EQ(t.skipped[0].reason, Reason(kDuplicate));
    EXPECT_EQ(t.skipped[1].reason, Reason(kOutOfRange));
    twice.SetText(0, ResultCol::Threshold, "检测异常");
    twice.SetText(1, ResultCol::Threshold, "");
    twice.SetText(2, ResultCol::Threshold, "-4");
    EXPECT_FALSE(HasSuggestedThreshold(twice));
    EXPECT_EQ(KeyFromName("TK7"), 7);
    EXPECT_EQ(KeyFromName("TK8"), -1);
    EXPECT_EQ(KeyFromName("tk1"), -1);
}

TEST(ResultExport, CsvAndClipboardTexts)
{
    ResultTable cells(9);
    SetRow(cells, 0, {"TK0", "1000", "700", "-12", "0", "0", "300", "25", "60", "10", "175", "15.0"});
    SetRow(cells, 2, {"TK5", "a,b", "say \"hi\"", "two\nlines", "tab\there"});
    cells.SetText(8, ResultCol::Load, "x"); // a row the editor appended
    const QList<int> rows = RowsWithContent(cells);
    EXPECT_EQ(rows, QList<int>({0, 2, 8}));

    const ResultExportInfo info{QDateTime(QDate(2024, 7, 1), QTime(9, 30, 5)), 50, "TK0 TK2 TK5"};
    const QByteArray csv = ResultsAsCsv(cells, rows, info);
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(csv.mid(3));
    const QString header = "键位,无按键,按键按下,实际噪声值,负载影响值,按下其他键影响的差值,触摸差值,信噪比,"
                           "灵敏度百分比,噪声设定值,触摸阈值设定,可靠性评估";
    EXPECT_EQ(text, "导出时间,2024-07-01 09:30:05\r\n"
                    "串口号,50\r\n"
                    "键位,TK0 TK2 TK5\r\n"
                    "\r\n" + header + "\r\n"
                    "TK0,1000,700,-12,0,0,300,25,60,10,175,15.0\r\n"
                    "TK5,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",tab\there,,,,,,,\r\n"
                    ",,,,x,,,,,,,\r\n");
    // No port opened, no key reported.
    const QString empty = QString::fromUtf8(ResultsAsCsv(ResultTable(0), {}, {info.when, -1, {}}).mid(3));
    EXPECT_TRUE(empty.startsWith("导出时间,2024-07-01 09:30:05\r\n串口号,未打开\r\n键位,无\r\n\r\n" + header + "\r\n"));

    EXPECT_EQ(ResultsAsTsv(cells, {2}), QString(header).replace(',', '\t') + "\n"
                                         "TK5\ta,b\t\"say \"\"hi\"\"\"\t\"two\nlines\"\t\"tab\there\"\t\t\t\t\t\t\t\n");
    EXPECT_EQ(SuggestedResultFileName(info.when), "检测结果_20240701_093005.csv");
}

// A text cell a spreadsheet would run as a formula goes out after an apostrophe, to the file and to
// the clipboard; numbers (signed ones too) and other texts go out as they are.
TEST(ResultExport, FormulaLikeTextCellsGetAnApostrophe)
{
    ResultTable cells(1);
    SetRow(cells, 0, {"TK0", "=1+2", "+5", "-12", "@SUM(A1:A2)", "-x", "\tcmd", "\rcmd", "-1.5e3", "+", "检测异常", ".5"});
    const QString csv = QString::fromUtf8(ResultsAsCsv(cells, {0}, {QDateTime(QDate(2024, 7, 1), QTime()), 1, "TK0"}));
    EXPECT_TRUE(csv.endsWith("\r\nTK0,'=1+2,+5,-12,'@SUM(A1:A2),'-x,'\tcmd,\"'\rcmd\",-1.5e3,'+,检测异常,.5\r\n"))
        << csv.toStdString();
    EXPECT_EQ(ResultsAsTsv(cells, {0}).section('\n', 1),
              "TK0\t'=1+2\t+5\t-12\t'@SUM(A1:A2)\t'-x\t\"'\tcmd\"\t\"'\rcmd\"\t-1.5e3\t'+\t检测异常\t.5\n");
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The CSV file is written whole or not at all; a read-only file, a folder or a full disk leave
// what was there.
TEST(ResultExport, SavedWholeOrNotAtAll)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("results.csv");
    QString reason;
    ASSERT_TRUE(SaveResultsFile(path, "first", DefaultFileReplacer(), &reason)) << reason.toStdString();
    ASSERT_TRUE(SaveResultsFile(path, "second", DefaultFileReplacer(), &reason));
    EXPECT_EQ(Read(path), "second");

    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    EXPECT_FALSE(SaveResultsFile(path, "third", DefaultFileReplacer(), &reason));
    EXPECT_TRUE(reason.contains("只读"));
    EXPECT_EQ(Read(path), "second");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    reason.clear();
    EXPECT_FALSE(SaveResultsFile(dir.path(), "x", DefaultFileReplacer(), &reason));
    EXPECT_FALSE(reason.isEmpty());
#ifndef Q_OS_WIN
    // The reason is the one the system gives, for a full disk as for a folder that is not there.
    FailingWriter full(FailingWriter::Step::Flush, ENOSPC);
    EXPECT_FALSE(SaveResultsFile(path, QByteArray(100, 'x'), full, &reason));
    EXPECT_EQ(reason, "写入失败，原有文件未被改动：" + SystemText(ENOSPC));
    EXPECT_EQ(Read(path), "second");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"results.csv"});
    EXPECT_FALSE(SaveResultsFile(dir.filePath("gone/results.csv"), "x", DefaultFileReplacer(), &reason));
    EXPECT_EQ(reason, "写入失败：" + SystemText(ENOENT));
#endif
}

// A root's file, mode 0644, in a folder anyone may write (a rename would replace it): another
// user is refused with the reason, and the file stays as it was; that user's own new file is made.
TEST(ResultExport, AnotherUsersFileIsRefusedThoughTheFolderIsOpen)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("results.csv"), own = dir.filePath("mine.csv");
    QString reason, ownReason;
    ASSERT_TRUE(SaveResultsFile(path, QByteArray(3200, 'r'), DefaultFileReplacer(), &reason));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    bool replaced = true, created = false;
    std::string why;
    if (!RunAsOtherUser([&] {
            replaced = SaveResultsFile(path, QByteArray(400, 'x'), DefaultFileReplacer(), &reason);
            created = SaveResultsFile(own, "x", DefaultFileReplacer(), &ownReason);
        }, &why))
        GTEST_SKIP() << why;
    EXPECT_FALSE(replaced);
    EXPECT_EQ(reason, "无法写入该文件（" + SystemText(EACCES) + "），未被改动。");
    EXPECT_EQ(Read(path), QByteArray(3200, 'r'));
    EXPECT_EQ(QFileInfo(path).ownerId(), 0u);
    EXPECT_TRUE(created && QFileInfo(own).ownerId() == kOtherUserId) << ownReason.toStdString();
}

TEST(SnrVerdict, FiveOrMorePasses)
{
    EXPECT_EQ(JudgeSnr("4"), SnrVerdict::Fail);
    EXPECT_EQ(JudgeSnr("5"), SnrVerdict::Pass);
    EXPECT_EQ(JudgeSnr("-30"), SnrVerdict::Fail);
    EXPECT_EQ(JudgeSnr(""), SnrVerdict::None);
    EXPECT_EQ(JudgeSnr("检测异常"), SnrVerdict::None);
}

QByteArray FrameBytes(std::uint8_t mask, std::uint16_t value)
{
    std::uint16_t s[8], b[8];
    for (int j = 0; j < 8; ++j)
        s[j] = b[j] = value;
    const auto f = EncodeFrame(mask, s, b);
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

struct ResultsOutPage : ::testing::Test {
    UiSpy ui;
    FakeTarget target;
    DlgSub2 page{nullptr, &ui};
    FakeSerialDevice* device = nullptr;
    QTemporaryDir dir;

    ResultsOutPage()
    {
        auto d = std::make_unique<FakeSerialDevice>();
        device = d.get();
        page.SetSerialDevice(std::move(d));
        page.SetPortFinder([] { return 7; });
    }
    // Port open, keys TK0, TK2, TK5, and measured rows: TK0 passes, TK2 fails, TK5 unmeasured.
    void Measured()
    {
        page.OnPortButton();
        device->Receive(FrameBytes(0x25, 3000));
        page.OnTimerTick();
        ResultCells& cells = page.Results();
        SetRow(cells, 0, {"TK0", "1000", "700", "-12"}); // SNR 25, threshold 175
        SetRow(cells, 1, {"TK2", "1000", "990", "-2"});  // d = 10, n = 2: SNR 5, threshold 1
        page.EvaluateResults();
    }
    QTableWidgetItem* SnrItem(int row) { return page.controlAs<QTableWidget>(1030)->item(row, ResultCol::Snr); }
    QPushButton* Button(int id) { return page.controlAs<QPushButton>(id); }
};

TEST_F(ResultsOutPage, VerdictShadesFollowEveryRewrite)
{
    Measured();
    ResultCells& cells = page.Results();
    // Row 1: ratio 5, the least that passes.
    ASSERT_EQ(cells.Text(1, ResultCol::Snr), "5");
    // The verdict as assistive technology reads the cell.
    auto* list = page.controlAs<QTableWidget>(1030);
    auto verdict = [&](int row) {
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
        QAccessibleInterface* cell = table && table->tableInterface() ? table->tableInterface()->cellAt(row, ResultCol::Snr) : nullptr;
        return cell ? cell->text(QAccessible::Description) : QStringLiteral("<no cell>");
    };
    EXPECT_EQ(verdict(0), "合格");
    EXPECT_EQ(verdict(1), "合格");
    EXPECT_EQ(SnrItem(1)->background().color(), SnrItem(0)->background().color());
    EXPECT_TRUE(SnrItem(1)->toolTip().contains("≥ 5"));
    EXPECT_EQ(verdict(2), ""); // no ratio, no colour
    EXPECT_EQ(SnrItem(2) ? SnrItem(2)->data(Qt::BackgroundRole).isValid() : false, false);

    // A higher noise brings the ratio to 4 after the evaluation rewrites it: fail.
    cells.SetText(1, ResultCol::Noise, "-2");
    cells.SetText(1, ResultCol::Crosstalk, "0");
    cells.SetText(1, ResultCol::Pressed, "992"); // d = 8, n = 2
    page.EvaluateResults();
    ASSERT_EQ(cells.Text(1, ResultCol::Snr), "4");
    EXPECT_EQ(verdict(1), "不合格");
    EXPECT_NE(SnrItem(1)->background().color(), SnrItem(0)->background().color());
    EXPECT_TRUE(SnrItem(1)->toolTip().startsWith("不合格"));
    EXPECT_EQ(cells.Text(1, ResultCol::Reliability), "2.0"); // the reliability keeps its text

    // A ratio typed over is judged at once and again when the evaluation writes 25 back; a
    // key-set change empties the row and the marks go with the text.
    cells.SetText(0, ResultCol::Snr, "1");
    EXPECT_EQ(verdict(0), "不合格");
    page.EvaluateResults();
    EXPECT_EQ(verdict(0), "合格");
    device->Receive(FrameBytes(0x03, 3000));
    page.OnTimerTick();
    EXPECT_TRUE(cells.Text(0, ResultCol::Snr).isEmpty());
    EXPECT_EQ(verdict(0), "");
    EXPECT_FALSE(SnrItem(0)->data(Qt::BackgroundRole).isValid());
}

TEST_F(ResultsOutPage, ApplyThresholdsThroughTheConfirmation)
{
    QPushButton* apply = Button(1055);
    ASSERT_NE(apply, nullptr);
    EXPECT_EQ(apply->text(), "应用阈值到参数页");
    EXPECT_EQ(AccessibleText(apply), "应用阈值到参数页");
    Measured();
    EXPECT_FALSE(apply->isEnabled()); // no parameter page linked
    page.SetThresholdTarget(&target);
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_TRUE(page.ApplyThresholdsAction()->isEnabled());

    // Cancel changes nothing.
    ui.confirmThresholds = false;
    QTest::mouseClick(apply, Qt::LeftButton);
    ASSERT_EQ(ui.reviews.size(), 1);
    EXPECT_TRUE(target.applied.empty());
    const ThresholdReview& r = ui.reviews[0];
    ASSERT_EQ(r.changes.size(), 2u);
    EXPECT_EQ(r.changes[0].newValue, 175);
    EXPECT_EQ(r.changes[1].key, 2);
    EXPECT_EQ(r.changes[1].newValue, 1); // 60 % of 10 less 5
    EXPECT_TRUE(r.tickKeys);
    ASSERT_EQ(r.skipped.size(), 1u);
    EXPECT_EQ(r.skipped[0].key, "TK5");

    // OK, with the check box cleared, from the context menu.
    ui.confirmThresholds = true;
    ui.tickKeys = false;
    page.ApplyThresholdsAction()->trigger();
    ASSERT_EQ(target.applied.size(), 1u);
    EXPECT_EQ(target.applied[0].size(), 2u);
    EXPECT_FALSE(target.ticked[0]);

    // Once no row holds a number the button goes grey again.
    page.Results().SetText(0, ResultCol::Threshold, "检测异常");
    EXPECT_TRUE(apply->isEnabled());
    page.Results().SetText(1, ResultCol::Threshold, "");
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_FALSE(page.ApplyThresholdsAction()->isEnabled());
    page.SetThresholdTarget(nullptr);
}

// "导出结果…" waits for a figure of a measurement: the key names and the settings' defaults alone
// are no results.
TEST_F(ResultsOutPage, ExportWaitsForAMeasuredValue)
{
    auto enabled = [this] { return QList<bool>{Button(1056)->isEnabled(), page.ExportAction()->isEnabled()}; };
    page.OnPortButton();
    device->Receive(FrameBytes(0x25, 3000));
    page.OnTimerTick();
    ASSERT_EQ(page.Results().Text(2, ResultCol::Sensitivity), "60"); // names and defaults only
    EXPECT_EQ(enabled(), QList<bool>({false, false}));
    ui.nextSavePath = dir.filePath("results.csv");
    page.OnExportResults();
    EXPECT_FALSE(QFile::exists(ui.nextSavePath));
    page.Results().SetText(2, ResultCol::Noise, "-3"); // measured, or typed in
    EXPECT_EQ(enabled(), QList<bool>({true, true}));
    page.Results().SetText(2, ResultCol::Noise, "");
    EXPECT_EQ(enabled(), QList<bool>({false, false}));
}

TEST_F(ResultsOutPage, CopyAndExportFromTheKeyboardAndTheMenu)
{
    page.resize(page.sizeHint());
    page.show();
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    Measured();
    auto* list = page.controlAs<QTableWidget>(1030);
    const QList<QAction*> menu = list->actions();
    ASSERT_EQ(menu.size(), 3);
    EXPECT_EQ(menu[0]->text(), "复制");
    EXPECT_EQ(menu[0]->shortcut(), QKeySequence(QKeySequence::Copy));
    EXPECT_EQ(menu[1]->text(), "导出结果…");
    EXPECT_EQ(menu[2]->text(), "应用阈值到参数页");
    EXPECT_EQ(list->contextMenuPolicy(), Qt::ActionsContextMenu);

    // Nothing chosen: every row with content; then two rows chosen with Shift and the arrows.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QStringList lines = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("键位\t无按键\t"));
    EXPECT_TRUE(lines[3].startsWith("TK5\t\t\t\t0\t0\t"));
    list->setCurrentCell(1, 0);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    lines = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith("TK2\t1000\t990\t"));
    EXPECT_TRUE(lines[2].startsWith("TK5\t"));

    // Export: cancelled, written, refused.
    QPushButton* exportButton = Button(1056);
    ASSERT_NE(exportButton, nullptr);
    EXPECT_EQ(AccessibleText(exportButton), "导出结果…");
    QTest::mouseClick(exportButton, Qt::LeftButton);
    EXPECT_EQ(ui.lastTitle, "导出结果");
    EXPECT_TRUE(ui.lastSuggestedName.endsWith(".csv"));
    EXPECT_TRUE(ui.warnings.isEmpty());
    const QString path = dir.filePath("results.csv");
    ui.nextSavePath = path;
    menu[1]->trigger();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString csv = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(csv.contains("串口号,7\r\n键位,TK0 TK2 TK5\r\n"));
    EXPECT_TRUE(csv.contains("\r\nTK0,1000,700,-12,0,0,300,25,60,10,175,15.0\r\n"));
    EXPECT_EQ(page.controlAs<ZCStatic>(1053)->text(), "结果已导出：results.csv");
    ui.nextSavePath = dir.filePath("missing/results.csv");
    menu[1]->trigger();
    ASSERT_EQ(ui.warnings.size(), 1);
    EXPECT_TRUE(ui.warnings[0].startsWith("导出结果失败：" + ui.nextSavePath + "\n"));
}

} // namespace
