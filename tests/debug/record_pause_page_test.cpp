// The debug page's "录制" and "暂停" boxes and the read-out cursor of its charts.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/zcstatic.h"
#include "chart/chart_ctrl.h"
#include "chart/chart_cursor.h"
#include "common/accessible_walk.h"
#include "common/ui_spy.h"
#include "debug/dlgsub2.h"
#include "debug/link_recording.h"
#include "debug/recording_session.h"
#include "tests/debug/fake_serial.h"
#include "tests/debug/gtest_wait.h"

namespace {

// A file that takes the header and then fails, as on a full disk.
class FullDiskSink : public RecordingSink {
public:
    bool Write(const QByteArray&) override { return m_writes++ == 0; }
    bool Flush() override { return m_writes <= 1; }
    bool Close() override { return true; }
    QString ErrorString() const override { return QStringLiteral("设备上没有空间"); }

private:
    int m_writes = 0;
};

struct RecordPageTest : ::testing::Test {
    QTemporaryDir settingsDir;
    QTemporaryDir folder;
    UiSpy ui;
    std::unique_ptr<DlgSub2> page;
    FakeSerialDevice* device = nullptr;

    RecordPageTest()
    {
        // The remembered folder goes to a settings file of the test's own.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        page = std::make_unique<DlgSub2>(nullptr, &ui);
        auto d = std::make_unique<FakeSerialDevice>();
        device = d.get();
        page->SetSerialDevice(std::move(d));
        page->SetPortFinder([] { return 3; });
        ui.nextFolder = folder.path();
    }
    template <class T> T* Ctl(int id) { return page->controlAs<T>(id); }
    QCheckBox* Record() { return Ctl<QCheckBox>(1057); }
    QCheckBox* Pause() { return Ctl<QCheckBox>(1058); }
    QString Cell(int list, int row, int col)
    {
        QTableWidgetItem* item = Ctl<QTableWidget>(list)->item(row, col);
        return item ? item->text() : QString();
    }
    void Show(const QByteArray& frame)
    {
        device->Receive(frame);
        page->OnTimerTick();
    }
    static QByteArray RecordedBytes(const QString& path, std::vector<std::uint64_t>* times = nullptr)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        CRecordingReader reader(&f);
        EXPECT_EQ(reader.ReadHeader(), RecordingStatus::Ok);
        EXPECT_EQ(reader.Header().port, 3);
        QByteArray all;
        RecordingRecord r;
        while (reader.Next(&r)) {
            all += r.bytes;
            if (times)
                times->push_back(r.timeUs);
        }
        EXPECT_FALSE(reader.TailDamaged()) << reader.TailProblem().toStdString();
        return all;
    }
};

// Ticked with the port closed, the box waits for the port; each opening makes a file with every
// byte received, closing ends it; the folder is asked for once and remembered.
TEST_F(RecordPageTest, RecordsEveryByteOfEachOpeningIntoItsOwnFile)
{
    ASSERT_NE(Record(), nullptr);
    EXPECT_EQ(AccessibleText(Record()), QStringLiteral("录制"));
    EXPECT_TRUE(AccessibleText(Record(), QAccessible::Description).contains(QStringLiteral("第一次使用时选择文件夹")));
    EXPECT_NE(Record()->focusPolicy(), Qt::NoFocus);
    Record()->click();
    EXPECT_TRUE(Record()->isChecked());
    EXPECT_EQ(ui.folderPicks, 1);
    EXPECT_EQ(ui.lastTitle, "选择录制文件夹");
    EXPECT_EQ(CLinkRecordingSession::SavedFolder(), folder.path());
    EXPECT_FALSE(page->Recording().IsRecording()) << "the port is closed";

    device->holdable = true;
    page->OnPortButton();
    ASSERT_TRUE(page->Recording().IsRecording());
    EXPECT_FALSE(page->ArrivalsHeld()) << "each delivery is recorded with its own time";
    const QString first = page->Recording().FilePath();
    EXPECT_TRUE(first.startsWith(folder.path()));
    EXPECT_EQ(AccessibleText(Record(), QAccessible::Description), QStringLiteral("正在录制：") + QDir::toNativeSeparators(first))
        << "the tip follows the file the opening started";
    const QByteArray a = Frame(0x0A, {{3200, 3300}, {3000, 3000}});
    const QByteArray junk = QByteArray::fromHex("01 FE");
    device->Receive(a.left(5));
    device->Receive(a.mid(5) + junk); // a delivery below the receive threshold is recorded too
    device->Receive(a);
    page->OnTimerTick();
    page->OnPortButton(); // closing ends the file
    EXPECT_FALSE(page->Recording().IsRecording());
    EXPECT_TRUE(Record()->isChecked()) << "still armed for the next opening";
    std::vector<std::uint64_t> times;
    EXPECT_EQ(RecordedBytes(first, &times), a + junk + a);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_TRUE(times[0] <= times[1] && times[1] <= times[2]);

    page->OnPortButton();
    ASSERT_TRUE(page->Recording().IsRecording());
    const QString second = page->Recording().FilePath();
    EXPECT_NE(second, first);
    device->Receive(a);
    Record()->click(); // unticking ends the file at once
    EXPECT_FALSE(page->Recording().IsRecording());
    EXPECT_TRUE(page->ArrivalsHeld());
    EXPECT_EQ(RecordedBytes(second), a);

    Record()->click(); // remembered: no question this time; the port is open, so a file starts
    EXPECT_EQ(ui.folderPicks, 1);
    EXPECT_TRUE(page->Recording().IsRecording());
    Record()->click();

    // A cancelled folder dialog leaves the box unticked.
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Morvek", "Morvek").remove(QLatin1String(CLinkRecordingSession::kFolderKey));
    ui.nextFolder.clear();
    Record()->click();
    EXPECT_FALSE(Record()->isChecked());
    EXPECT_FALSE(page->Recording().IsRecording());
    EXPECT_TRUE(ui.warnings.isEmpty()) << ui.warnings.join('\n').toStdString();
}

// A file that can no longer be written ends the recording with the reason and unticks the box;
// the lists go on showing what arrives.
TEST_F(RecordPageTest, FailingWriterStopsTheRecordingWhileTheLiveViewGoesOn)
{
    page->Recording().SetSinkFactory([](const QString&, QString*) { return std::make_unique<FullDiskSink>(); });
    page->OnPortButton();
    Record()->click();
    ASSERT_TRUE(page->Recording().IsRecording());
    Show(Frame(0x01, {{100, 90}}));
    EXPECT_EQ(Cell(1034, 0, 1), "-10");
    // The next flush (at most half a second away) finds the disk full.
    GTEST_TRY_VERIFY(!ui.warnings.isEmpty());
    EXPECT_TRUE(ui.warnings[0].contains(QStringLiteral("录制已停止"))) << ui.warnings[0].toStdString();
    EXPECT_TRUE(ui.warnings[0].contains(QStringLiteral("设备上没有空间")));
    EXPECT_FALSE(Record()->isChecked());
    EXPECT_FALSE(page->Recording().IsRecording());
    EXPECT_TRUE(page->Comm()->GetPortOpen());
    Show(Frame(0x01, {{100, 130}}));
    EXPECT_EQ(Cell(1034, 0, 1), "30");
    EXPECT_EQ(ui.warnings.size(), 1);
}

// While paused the lists and the curves stay as they were though frames keep coming; the
// procedure runs to its end on those frames and they are recorded; unticking shows the present.
TEST_F(RecordPageTest, PauseKeepsTheViewStillWhileTheProcedureCompletes)
{
    page->OnPortButton();
    Record()->click();
    for (int i = 0; i < 5; ++i)
        Show(Frame(0x0A, {{3200 + i, 3300}, {3000, 3000}}));
    EXPECT_EQ(AccessibleText(Pause()), QStringLiteral("暂停"));
    Pause()->click();
    ASSERT_TRUE(page->IsPaused());
    auto view = [&] {
        QStringList shown;
        for (int list : {1032, 1033, 1034})
            for (int row = 0; row < 8; ++row)
                shown << Cell(list, row, 0) + '=' + Cell(list, row, 1);
        for (CChartCtrl* chart : {page->ChartSample(), page->ChartBaseline(), page->ChartDiff()})
            for (CChartSerie* s : chart->Series()) {
                auto* line = dynamic_cast<CChartLineSerie*>(s);
                for (unsigned i = 0; line && i < line->PointCount(); ++i)
                    shown << QString::number(line->Point(i).Y);
            }
        return shown;
    };
    const QStringList before = view();
    EXPECT_TRUE(before.contains("TK1=3204"));

    page->OnNoKeyDetection();
    auto* progress = Ctl<QWidget>(1051);
    ASSERT_NE(progress, nullptr);
    int frames = 5;
    for (int t = 0; t < 330; ++t, ++frames)
        Show(Frame(0x0A, {{3100 + t % 7, 3290}, {2990, 3010}}));
    EXPECT_EQ(view(), before);
    EXPECT_EQ(Ctl<ZCStatic>(1053)->text(), QStringLiteral("检测完成！"));
    EXPECT_EQ(Ctl<QTableWidget>(1030)->item(0, 1)->text(), "3290") << "the no-key level of the frames received while paused";
    EXPECT_EQ(page->Recording().BytesRecorded(), static_cast<std::uint64_t>(frames) * 14);

    Pause()->click();
    EXPECT_EQ(Cell(1032, 0, 1), QString::number(3100 + 329 % 7));
    EXPECT_EQ(Cell(1033, 1, 1), "3010");
    EXPECT_NE(view(), before);
}

// The read-out lists every visible key of the chart at the cursor's point, from what the chart
// shows: the live histories, or the ones frozen by the pause.
TEST_F(RecordPageTest, ReadOutAtACursorGivesTheShownValuesOfTheVisibleKeys)
{
    page->OnPortButton();
    for (int i = 0; i < 200; ++i)
        Show(Frame(0x2A, {{1000 + i, 2000}, {3000 - i, 3000}, {500, 400 + i}}));
    auto texts = [&](int chart, double x) {
        QStringList out;
        for (const ChartReadoutLine& l : page->ReadoutAt(chart, x))
            out << l.text;
        return out;
    };
    // x 199 is the newest frame (i = 199), x 50.4 the 51st.
    EXPECT_EQ(texts(0, 199), QStringList({"TK1 1199", "TK3 2801", "TK5 500"}));
    EXPECT_EQ(texts(1, 50.4), QStringList({"TK1 2000", "TK3 3000", "TK5 450"}));
    EXPECT_EQ(texts(2, 50), QStringList({"TK1 950", "TK3 50", "TK5 -50"}));
    EXPECT_TRUE(texts(0, 200.6).isEmpty());
    EXPECT_TRUE(texts(0, -1).isEmpty());
    EXPECT_EQ(page->ReadoutAt(0, 10)[2].colour, g_channelColours[2]);

    // A hidden key drops out; a paused chart keeps reading the frozen values.
    Ctl<QCheckBox>(1036)->click();
    page->OnTimerTick();
    EXPECT_EQ(texts(0, 199), QStringList({"TK1 1199", "TK5 500"}));
    Pause()->click();
    Show(Frame(0x2A, {{7, 7}, {7, 7}, {7, 7}}));
    EXPECT_EQ(texts(0, 199), QStringList({"TK1 1199", "TK5 500"}));

    // The chart's cursor: Shift+arrows from the keyboard, the mouse over the plot; it shows the
    // same texts and draws over the picture without a new render (the port is closed, so no
    // tick redraws the charts meanwhile).
    page->OnPortButton();
    CChartCtrl* chart = page->ChartSample();
    page->resize(page->sizeHint());
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    CChartCursor* cursor = page->CursorOf(0);
    ASSERT_NE(cursor, nullptr);
    chart->setFocus();
    const int renders = chart->RenderCount();
    QTest::keyClick(chart, Qt::Key_End, Qt::ShiftModifier);
    ASSERT_TRUE(cursor->IsShown());
    EXPECT_EQ(cursor->Value(), 200);
    QTest::keyClick(chart, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(cursor->Value(), 199);
    EXPECT_TRUE(AccessibleText(chart, QAccessible::Description).contains("TK1 1199")) << AccessibleText(chart, QAccessible::Description).toStdString();
    EXPECT_FALSE(cursor->Bounds().isEmpty());
    EXPECT_EQ(chart->RenderCount(), renders);
    // Unpaused, the chart shows the frame received meanwhile, and what the cursor says follows.
    Pause()->click();
    EXPECT_TRUE(AccessibleText(chart, QAccessible::Description).contains("TK1 7")) << AccessibleText(chart, QAccessible::Description).toStdString();
    QTest::keyClick(chart, Qt::Key_Escape);
    EXPECT_FALSE(cursor->IsShown());
    EXPECT_TRUE(page->isVisible()) << "Escape went to the cursor only";

    const int rendersNow = chart->RenderCount();
    const ChartRect plot = chart->PlotRect();
    const int x = chart->GetBottomAxis()->ValueToPixel(100);
    QTest::mouseMove(chart, QPoint(x, (plot.top + plot.bottom) / 2));
    GTEST_TRY_VERIFY(cursor->IsShown());
    EXPECT_NEAR(cursor->Value(), 100, 1);
    EXPECT_EQ(cursor->Lines().size(), 2u);
    QTest::mouseMove(chart, QPoint(1, 1)); // off the plot
    GTEST_TRY_VERIFY(!cursor->IsShown());
    EXPECT_EQ(chart->RenderCount(), rendersNow);
}

} // namespace
