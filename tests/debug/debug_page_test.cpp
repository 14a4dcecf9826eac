// The debug page: layout, the serial button and its states, the live lists, channel boxes,
// markers, the charts' curves and the spin buttons.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "common/accessible_walk.h"
#include "common/ui_spy.h"
#include "app/zcstatic.h"
#include "chart/chart_ctrl.h"
#include "debug/cached_cell_delegate.h"
#include "debug/dlgsub2.h"
#include "debug/live_value_item.h"
#include "debug/live_charts.h"
#include "debug/live_view.h"
#include "debug/procedure.h"
#include "debug/spin_arrows.h"
#include "tests/debug/fake_serial.h"
#include "tests/debug/gtest_wait.h"

namespace {

struct RecordingUi : UiSpy {
    RecordingUi() { documentOpens = true; }
};

const QByteArray kExample = QByteArray::fromHex("000C800CE4010BB80BB80A02FEA5");

struct PageTest : ::testing::Test {
    RecordingUi ui;
    DlgSub2 page{nullptr, &ui};
    FakeSerialDevice* device = nullptr;
    int port = 3;

    PageTest()
    {
        auto d = std::make_unique<FakeSerialDevice>();
        device = d.get();
        page.SetSerialDevice(std::move(d));
        page.SetPortFinder([this] { return port; });
    }

    template <class T> T* Ctl(int id) { return page.controlAs<T>(id); }
    QString Cell(int list, int row, int col)
    {
        QTableWidgetItem* item = Ctl<QTableWidget>(list)->item(row, col);
        return item ? item->text() : QStringLiteral("<none>");
    }
    QCheckBox* Box(int slot) { return Ctl<QCheckBox>(1035 + slot); }
    void Open()
    {
        page.OnPortButton();
        ASSERT_TRUE(page.Comm()->GetPortOpen());
    }
    // One frame arrives and the next tick shows it.
    void Show(const QByteArray& frame)
    {
        device->Receive(frame);
        page.OnTimerTick();
    }
};

TEST_F(PageTest, LayoutHasEveryControlNamedAndTheProcedureControlsDisabled)
{
    for (int id : {1005, 1006, 1007, 1013, 1014, 1015, 1016, 1023, 1024, 1025, 1026, 1028, 1029, 1030, 1031, 1032,
                   1033, 1034, 1035, 1042, 1043, 1050, 1051, 1052, 1053, 1054})
        EXPECT_NE(page.control(id), nullptr) << id;
    const std::pair<int, const char*> names[] = {
        {1032, "采样值"}, {1033, "环境值"}, {1034, "差值"}, {1005, "采样值曲线"}, {1006, "环境值曲线"},
        {1007, "差值曲线"}, {1013, "采样值范围"}, {1014, "环境值范围"}, {1015, "差值范围"}, {1016, "时间范围"},
        {1043, "通道0颜色"}, {1050, "通道7颜色"}, {1030, "检测结果"}, {1024, "打开串口"},
        {1035, "通道0"}};
    for (const auto& n : names)
        EXPECT_EQ(AccessibleText(page.control(n.first)), QString::fromUtf8(n.second)) << n.first;
    EXPECT_EQ(page.control(1029)->accessibleName(), QString::fromUtf8("键位"));
    EXPECT_EQ(AccessibleText(page.control(1053), QAccessible::Description), QString::fromUtf8("操作提示"));
    EXPECT_EQ(AccessibleText(page.control(1053)), QString::fromUtf8("未开始检测"));
    for (QWidget* w : page.controls()) {
        if (w->isVisibleTo(&page) && w->focusPolicy() != Qt::NoFocus && !qobject_cast<QLabel*>(w)) {
            EXPECT_TRUE(HasAccessibleName(w)) << w->objectName().toStdString();
        }
    }

    for (int id : {1025, 1026, 1028, 1029, 1052})
        EXPECT_FALSE(page.control(id)->isEnabled()) << id;
    EXPECT_TRUE(page.control(1024)->isEnabled());
    EXPECT_FALSE(page.control(1031)->isVisibleTo(&page));
    EXPECT_TRUE(qobject_cast<ZCStatic*>(page.control(1053)));
    EXPECT_EQ(Ctl<QPushButton>(1024)->text(), "打开串口");
    EXPECT_EQ(Ctl<QComboBox>(1029)->count(), 8);
    EXPECT_EQ(Ctl<QComboBox>(1029)->currentText(), "TK0");

    auto* list = Ctl<QTableWidget>(1032);
    EXPECT_EQ(list->rowCount(), 8);
    EXPECT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), "键位");
    EXPECT_EQ(list->horizontalHeaderItem(1)->text(), "数据");
    EXPECT_EQ(list->columnWidth(0), 60);
    EXPECT_EQ(list->columnWidth(1), 150);
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    for (int j = 0; j < 8; ++j)
        EXPECT_TRUE(Box(j)->isChecked());

    // Stacked, of equal size, clear of the spin buttons and of the results table; in pixels
    // 250,0 / 250,150 / 250,300, 500 x 150, with the usual dialog metrics.
    const QRect c1 = page.control(1005)->geometry(), c2 = page.control(1006)->geometry(),
                c3 = page.control(1007)->geometry();
    EXPECT_EQ(c1.size(), c2.size());
    EXPECT_EQ(c1.size(), c3.size());
    EXPECT_EQ(c1.top(), 0);
    EXPECT_EQ(c2.top(), c1.bottom() + 1);
    EXPECT_EQ(c3.top(), c2.bottom() + 1);
    EXPECT_EQ(c1.left(), c3.left());
    EXPECT_LE(c3.bottom(), page.control(1030)->geometry().top());
    EXPECT_LE(c1.right(), page.control(1013)->geometry().left());
    EXPECT_GE(c1.left(), page.control(1052)->geometry().right());
    if (page.units().bx == 6 && page.units().by == 13) {
        EXPECT_EQ(c1, QRect(250, 0, 500, 150));
        EXPECT_EQ(c3, QRect(250, 300, 500, 150));
    }
    EXPECT_EQ(page.ChartSample()->GetLeftAxis()->Label()->Text(), "采样值");
    EXPECT_EQ(page.ChartBaseline()->GetLeftAxis()->Label()->Text(), "环境值");
    EXPECT_EQ(page.ChartDiff()->GetLeftAxis()->Label()->Text(), "差值");
    EXPECT_EQ(page.ChartDiff()->GetLeftAxis()->RangeMin(), -20);
    EXPECT_EQ(page.ChartDiff()->GetLeftAxis()->RangeMax(), 200);
    EXPECT_EQ(page.ChartBaseline()->GetLeftAxis()->RangeMax(), 500);
    EXPECT_EQ(page.ChartSample()->GetBottomAxis()->RangeMax(), 200);
}

TEST_F(PageTest, MarkersShowTheSlotColours)
{
    EXPECT_EQ(Ctl<QLabel>(1047)->palette().color(QPalette::Window), QColor(0, 255, 255)); // slot 4 cyan
    EXPECT_EQ(Ctl<QLabel>(1050)->palette().color(QPalette::Window), QColor(0, 0, 0));     // slot 7 black
    EXPECT_EQ(Ctl<QLabel>(1043)->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_TRUE(Ctl<QLabel>(1043)->autoFillBackground());
}

TEST_F(PageTest, OpenCloseReopenFollowsTheButtonStates)
{
    page.OnPortButton();
    EXPECT_TRUE(page.Comm()->GetPortOpen());
    EXPECT_EQ(device->openedPort, 3);
    EXPECT_EQ(device->openedSettings.baud, 38400);
    EXPECT_EQ(page.Comm()->GetRThreshold(), 9);
    EXPECT_EQ(page.Comm()->GetInBufferSize(), 1024);
    EXPECT_EQ(page.Comm()->GetOutBufferSize(), 1024);
    EXPECT_EQ(page.Comm()->GetInputLen(), 0);
    EXPECT_EQ(page.Comm()->GetInputMode(), kComInputModeBinary);
    EXPECT_EQ(page.Comm()->GetSettings(), "38400,n,8,1");
    EXPECT_EQ(page.Comm()->GetCommPort(), 3);
    EXPECT_EQ(Ctl<QPushButton>(1024)->text(), "串口3已打开");
    EXPECT_NE(page.TimerId(), 0);
    for (int id : {1025, 1026, 1028, 1029, 1052})
        EXPECT_TRUE(page.control(id)->isEnabled()) << id;

    page.OnPortButton();
    EXPECT_FALSE(page.Comm()->GetPortOpen());
    EXPECT_EQ(Ctl<QPushButton>(1024)->text(), "串口已关闭");
    EXPECT_EQ(page.TimerId(), 0);
    for (int id : {1025, 1026, 1028, 1029, 1052})
        EXPECT_FALSE(page.control(id)->isEnabled()) << id;

    // The probe runs again on every open: the highest port has gone, the next one is used.
    port = 2;
    QTest::mouseClick(Ctl<QPushButton>(1024), Qt::LeftButton);
    EXPECT_TRUE(page.Comm()->GetPortOpen());
    EXPECT_EQ(device->openedPort, 2);
    EXPECT_EQ(Ctl<QPushButton>(1024)->text(), "串口2已打开");
    EXPECT_TRUE(ui.warnings.isEmpty());
}

// A resting timer wakes when the user changes what the ticks show from: a channel box, the
// procedure's start and stop buttons (the rest itself runs in the link session); the next fast
// tick shows what arrived.
TEST_F(PageTest, ChannelBoxesAndProcedureButtonsWakeARestingTimer)
{
    Open();
    Show(Frame(0x01, {{100, 90}}));
    auto quietTicks = [&](int n) {
        for (int i = 0; i < n; ++i)
            page.OnTimerTick();
    };
    quietTicks(DlgSub2::kQuietTicksBeforeRest);
    ASSERT_EQ(page.TickPeriod(), DlgSub2::kRestPeriodMs);
    QTest::mouseClick(Box(0), Qt::LeftButton, {}, QPoint(5, Box(0)->height() / 2));
    ASSERT_FALSE(Box(0)->isChecked());
    EXPECT_EQ(page.TickPeriod(), DlgSub2::kTimerPeriodMs);
    QTest::mouseClick(Box(0), Qt::LeftButton, {}, QPoint(5, Box(0)->height() / 2));

    quietTicks(DlgSub2::kQuietTicksBeforeRest + 1);
    ASSERT_EQ(page.TickPeriod(), DlgSub2::kRestPeriodMs);
    QTest::mouseClick(Ctl<QPushButton>(1025), Qt::LeftButton);
    EXPECT_EQ(page.TickPeriod(), DlgSub2::kTimerPeriodMs);
    QTest::mouseClick(Ctl<QPushButton>(1052), Qt::LeftButton);
    quietTicks(DlgSub2::kQuietTicksBeforeRest + 1);
    ASSERT_EQ(page.TickPeriod(), DlgSub2::kRestPeriodMs);

    device->Receive(Frame(0x01, {{140, 90}}));
    QTRY_COMPARE_WITH_TIMEOUT(Cell(1032, 0, 1), QString("140"), 10000);
}

TEST_F(PageTest, NoPortOrARefusedOpenLeavesThePageAsItWas)
{
    port = -1;
    page.OnPortButton();
    EXPECT_EQ(ui.warnings, QStringList{"未识别串口"});
    EXPECT_FALSE(page.Comm()->GetPortOpen());
    EXPECT_EQ(device->openCount, 0);

    port = 5;
    device->refuse = "Permission denied";
    page.OnPortButton();
    ASSERT_EQ(ui.warnings.size(), 2);
    EXPECT_TRUE(ui.warnings[1].contains("Permission denied"));
    EXPECT_FALSE(page.Comm()->GetPortOpen());
    EXPECT_EQ(Ctl<QPushButton>(1024)->text(), "打开串口");
    EXPECT_EQ(page.TimerId(), 0);
    EXPECT_FALSE(page.control(1025)->isEnabled());
}

TEST_F(PageTest, WorkedExampleShowsTk1AndTk3OnTheNextTick)
{
    Open();
    device->Receive(kExample);
    EXPECT_EQ(Cell(1032, 0, 0), "") << "nothing shows before the tick";
    page.OnTimerTick();
    EXPECT_EQ(Cell(1032, 0, 0), "TK1");
    EXPECT_EQ(Cell(1033, 1, 0), "TK3");
    EXPECT_EQ(Cell(1034, 1, 0), "TK3");
    EXPECT_EQ(Cell(1032, 0, 1), "3200");
    EXPECT_EQ(Cell(1033, 0, 1), "3300");
    EXPECT_EQ(Cell(1034, 0, 1), "100");
    EXPECT_EQ(Cell(1034, 1, 1), "0");
    for (int row = 2; row < 8; ++row)
        for (int list : {1032, 1033, 1034})
            EXPECT_EQ(Cell(list, row, 0) + Cell(list, row, 1), "");
    EXPECT_TRUE(Box(0)->isEnabled());
    EXPECT_TRUE(Box(1)->isEnabled());
    for (int j = 2; j < 8; ++j) {
        EXPECT_FALSE(Box(j)->isEnabled());
        EXPECT_TRUE(Box(j)->isChecked());
    }
    EXPECT_EQ(page.Live().m_keyMaskChanged, 0) << "the tick's rebuild consumed the change";
}

TEST_F(PageTest, NegativeDifferenceAndValuesRewrittenEveryTick)
{
    Open();
    Show(Frame(0x01, {{100, 90}}));
    EXPECT_EQ(Cell(1034, 0, 1), "-10");
    Show(Frame(0x01, {{65535, 0}}));
    EXPECT_EQ(Cell(1032, 0, 1), "65535");
    EXPECT_EQ(Cell(1034, 0, 1), "-65535");
}

TEST_F(PageTest, HiddenChannelEmptiesItsValuesButKeepsItsName)
{
    Open();
    Show(kExample);
    QTest::mouseClick(Box(1), Qt::LeftButton, {}, QPoint(5, Box(1)->height() / 2));
    ASSERT_FALSE(Box(1)->isChecked());
    EXPECT_FALSE(page.View().SlotShown(1));
    EXPECT_EQ(Cell(1032, 1, 1), "3000") << "nothing changes before the tick";
    page.OnTimerTick();
    EXPECT_EQ(Cell(1032, 1, 0), "TK3");
    for (int list : {1032, 1033, 1034})
        EXPECT_EQ(Cell(list, 1, 1), "");
    EXPECT_EQ(Cell(1032, 0, 1), "3200");
}

// A channel box is followed however it changes: the accessibility toggle action and setChecked
// act like the mouse, and the page's own reset of a slot out of use runs no handler twice.
TEST_F(PageTest, ChannelBoxesFollowTheAccessibilityActionAndSetChecked)
{
    Open();
    Show(kExample);
    ASSERT_TRUE(ToggleThroughAccessibility(Box(1)));
    EXPECT_FALSE(Box(1)->isChecked());
    EXPECT_FALSE(page.View().SlotShown(1));
    page.OnTimerTick();
    EXPECT_EQ(Cell(1032, 1, 1), "");
    EXPECT_EQ(page.ChartSample()->SeriesCount(), 1u);

    Box(1)->setChecked(true);
    EXPECT_TRUE(page.View().SlotShown(1));
    Box(0)->setChecked(false);
    EXPECT_FALSE(page.View().SlotShown(0));
    page.OnTimerTick();
    EXPECT_EQ(Cell(1032, 1, 1), "3000");
    EXPECT_EQ(Cell(1032, 0, 1), "");
    EXPECT_EQ(page.ChartSample()->SeriesCount(), 1u);

    // A slot out of use: cleared from outside, it is ticked again and shown on the next tick.
    Box(5)->setChecked(false);
    EXPECT_FALSE(page.View().SlotShown(5));
    page.OnTimerTick();
    EXPECT_TRUE(Box(5)->isChecked());
    EXPECT_FALSE(Box(5)->isEnabled());
    EXPECT_TRUE(page.View().SlotShown(5));
    EXPECT_FALSE(ToggleThroughAccessibility(Box(5))) << "a disabled box offers no action";
}

TEST_F(PageTest, KeySetShrinksAndGrowsBack)
{
    Open();
    const QByteArray three = Frame(0x07, {{10, 20}, {30, 40}, {50, 70}});
    Show(three);
    Box(2)->setChecked(false);
    page.OnChannelCheck(2);
    page.OnTimerTick();
    EXPECT_EQ(Cell(1032, 2, 1), "");

    Show(Frame(0x03, {{11, 21}, {31, 41}}));
    EXPECT_EQ(Cell(1032, 2, 0), "");
    EXPECT_TRUE(Box(2)->isChecked());
    EXPECT_FALSE(Box(2)->isEnabled());
    EXPECT_TRUE(page.View().SlotShown(2));

    Show(three);
    EXPECT_EQ(Cell(1032, 2, 0), "TK2");
    EXPECT_EQ(Cell(1034, 2, 1), "20");
    EXPECT_TRUE(Box(2)->isChecked());
    EXPECT_TRUE(Box(2)->isEnabled());
    EXPECT_EQ(page.ChartSample()->SeriesCount(), 3u);

    // A different key in the same slot renames the row in all three lists.
    Show(Frame(0x0B, {{1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(Cell(1032, 2, 0), "TK3");
    EXPECT_EQ(Cell(1033, 2, 0), "TK3");
    EXPECT_EQ(Cell(1034, 2, 0), "TK3");
}

TEST_F(PageTest, EachVisibleSlotDrawsOneCurvePerChart)
{
    Open();
    Show(kExample);
    for (CChartCtrl* chart : {page.ChartSample(), page.ChartBaseline(), page.ChartDiff()}) {
        const auto series = chart->Series();
        ASSERT_EQ(series.size(), 2u);
        EXPECT_EQ(series[0]->SerieColor(), 0x0000FFu);
        EXPECT_EQ(series[1]->SerieColor(), 0xFF0000u);
        for (CChartSerie* s : series) {
            auto* line = dynamic_cast<CChartLineSerie*>(s);
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(line->LineWidth(), 2);
            EXPECT_EQ(line->PointCount(), 200u);
        }
        EXPECT_EQ(chart->RedrawCounter(), 1) << "redrawing resumed after the rebuild";
    }
    Show(kExample); // a second tick rebuilds, it does not add
    EXPECT_EQ(page.ChartDiff()->SeriesCount(), 2u);

    Box(0)->setChecked(false);
    page.OnChannelCheck(0);
    page.OnTimerTick();
    for (CChartCtrl* chart : {page.ChartSample(), page.ChartBaseline(), page.ChartDiff()}) {
        ASSERT_EQ(chart->SeriesCount(), 1u);
        EXPECT_EQ(chart->Series()[0]->SerieColor(), 0xFF0000u);
    }
}

TEST_F(PageTest, ListsAreWrittenWhileTheChartsStillHoldTheirRedraw)
{
    // One bracket spans the whole pass: the charts resume (and draw) only after the list work.
    Open();
    std::vector<int> countersSeen;
    for (int id : {1032, 1034})
        QObject::connect(Ctl<QTableWidget>(id), &QTableWidget::itemChanged, [&] {
            for (CChartCtrl* chart : {page.ChartSample(), page.ChartBaseline(), page.ChartDiff()})
                countersSeen.push_back(chart->RedrawCounter());
        });
    Show(kExample);
    ASSERT_FALSE(countersSeen.empty());
    for (int c : countersSeen)
        EXPECT_LT(c, 1) << "a chart was resumed before the lists were written";
    EXPECT_EQ(page.ChartSample()->RedrawCounter(), 1);
    EXPECT_EQ(page.ChartDiff()->SeriesCount(), 2u);
}

TEST_F(PageTest, OneRenderPerChartPerTick)
{
    Open();
    Show(Frame(0xFF, {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}}));
    const int before = page.ChartSample()->RenderCount();
    Show(Frame(0xFF, {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}}));
    EXPECT_EQ(page.ChartSample()->RenderCount(), before + 1);
    EXPECT_EQ(page.ChartSample()->SeriesCount(), 8u);
}

TEST_F(PageTest, SpinButtonsStepTheRanges)
{
    auto* sample = Ctl<CSpinArrows>(1013);
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(sample->UpButton(), Qt::LeftButton);
    EXPECT_EQ(page.ChartSample()->GetLeftAxis()->RangeMin(), 0);
    EXPECT_EQ(page.ChartSample()->GetLeftAxis()->RangeMax(), 600);

    auto* diff = Ctl<CSpinArrows>(1015);
    for (int i = 0; i < 9; ++i)
        QTest::mouseClick(diff->DownButton(), Qt::LeftButton);
    EXPECT_EQ(page.ChartDiff()->GetLeftAxis()->RangeMax(), 20);
    diff->setFocus();
    QTest::keyClick(diff, Qt::Key_Down);
    QTest::keyClick(diff, Qt::Key_Down);
    EXPECT_EQ(page.ChartDiff()->GetLeftAxis()->RangeMin(), -20);
    EXPECT_EQ(page.ChartDiff()->GetLeftAxis()->RangeMax(), 20) << "never below the step";
    QTest::keyClick(diff, Qt::Key_Up);
    EXPECT_EQ(page.ChartDiff()->GetLeftAxis()->RangeMax(), 40);

    auto* time = Ctl<CSpinArrows>(1016);
    QTest::mouseClick(time->DownButton(), Qt::LeftButton);
    for (CChartCtrl* chart : {page.ChartSample(), page.ChartBaseline(), page.ChartDiff()}) {
        EXPECT_EQ(chart->GetBottomAxis()->RangeMin(), 0);
        EXPECT_EQ(chart->GetBottomAxis()->RangeMax(), 190);
    }
    EXPECT_EQ(page.ChartBaseline()->GetLeftAxis()->RangeMax(), 500) << "other axes untouched";

    // The next click starts from the range as it is now, whoever changed it.
    page.ChartBaseline()->GetLeftAxis()->SetRange(0, 1000);
    page.OnSpinDelta(1014, -1);
    EXPECT_EQ(page.ChartBaseline()->GetLeftAxis()->RangeMax(), 1020);
    page.OnSpinDelta(1014, 7);
    EXPECT_EQ(page.ChartBaseline()->GetLeftAxis()->RangeMax(), 1020) << "other deltas change nothing";
}

TEST(SpinStep, FloorAtTheStepAndAboveTheMinimum)
{
    EXPECT_EQ(SpinStepMax(0, 500, -1, 20), 520);
    EXPECT_EQ(SpinStepMax(0, 500, 1, 20), 480);
    EXPECT_EQ(SpinStepMax(0, 30, 1, 20), 20);
    EXPECT_EQ(SpinStepMax(0, 20, 1, 20), 20);
    EXPECT_EQ(SpinStepMax(-20, 20, 1, 20), 20);
    EXPECT_EQ(SpinStepMax(100, 110, 1, 20), 120) << "max must stay above min";
    EXPECT_EQ(SpinStepMax(0, 10, 1, 10), 10);
    EXPECT_EQ(SpinStepMax(0, 200, 0, 10), 200);
}

TEST_F(PageTest, ClosedLinkFreezesTheViewAndIgnoresNothingOnReopen)
{
    Open();
    Show(kExample);
    page.OnPortButton(); // close
    device->Receive(Frame(0x01, {{1, 2}}));
    EXPECT_EQ(page.Live().m_keyCount, 2) << "a closed port delivers nothing";
    EXPECT_EQ(Cell(1032, 0, 1), "3200");
    page.OnPortButton(); // reopen
    Show(Frame(0x01, {{1, 2}}));
    EXPECT_EQ(Cell(1032, 0, 0), "TK0");
    EXPECT_EQ(Cell(1032, 1, 0), "");
}

// The same ticks on two pages, one refreshing only what changed, one rebuilding everything on
// every tick: the charts' pictures, the lists' texts and the channel boxes agree after each tick,
// and so does what the windows show of the charts and lists once the tick's repaints are done.
TEST(LiveRefresh, SkippingUnchangedTicksShowsTheSameAsFullRebuilds)
{
    struct Side {
        RecordingUi ui;
        DlgSub2 page{nullptr, &ui};
        FakeSerialDevice* device = nullptr;
        explicit Side(bool full)
        {
            auto d = std::make_unique<FakeSerialDevice>();
            device = d.get();
            page.SetSerialDevice(std::move(d));
            page.SetPortFinder([] { return 3; });
            page.SetFullRefresh(full);
            page.show();
            QApplication::processEvents(); // the first paint, before the port runs its timer
        }
        // The window's contents where a control is, as last painted and flushed.
        QImage Shown(int id)
        {
            QCoreApplication::sendPostedEvents(&page, QEvent::UpdateRequest);
            const QWidget* w = page.control(id);
            const QImage window = page.screen()->grabWindow(page.winId()).toImage();
            return window.copy(QRect(w->mapTo(&page, QPoint(0, 0)), w->size()));
        }
        QStringList Texts()
        {
            QStringList out;
            for (int id : {1032, 1033, 1034})
                for (int row = 0; row < 8; ++row)
                    for (int col = 0; col < 2; ++col)
                        out << page.controlAs<QTableWidget>(id)->item(row, col)->text();
            for (int j = 0; j < 8; ++j) {
                const QCheckBox* box = page.controlAs<QCheckBox>(1035 + j);
                out << QStringLiteral("%1%2").arg(box->isChecked()).arg(box->isEnabled());
            }
            return out;
        }
    };
    Side quick(false), full(true);
    auto both = [&](const std::function<void(Side&)>& action) {
        action(quick);
        action(full);
    };
    int ticks = 0;
    auto tick = [&] {
        both([](Side& s) { s.page.OnTimerTick(); });
        ++ticks;
        ASSERT_EQ(quick.Texts(), full.Texts()) << "tick " << ticks;
        const CChartCtrl* a[] = {quick.page.ChartSample(), quick.page.ChartBaseline(), quick.page.ChartDiff()};
        const CChartCtrl* b[] = {full.page.ChartSample(), full.page.ChartBaseline(), full.page.ChartDiff()};
        for (int c = 0; c < 3; ++c) {
            ASSERT_FALSE(a[c]->OffscreenImage().isNull());
            ASSERT_TRUE(a[c]->OffscreenImage() == b[c]->OffscreenImage()) << "tick " << ticks << ", chart " << c;
        }
        for (int id : {1032, 1033, 1034})
            ASSERT_TRUE(quick.page.control(id)->grab().toImage() == full.page.control(id)->grab().toImage())
                << "tick " << ticks << ", list " << id;
        for (int id : {1032, 1033, 1034, 1005, 1006, 1007}) {
            const QImage a = quick.Shown(id), b = full.Shown(id);
            ASSERT_FALSE(a.isNull());
            ASSERT_TRUE(a == b) << "tick " << ticks << ", control " << id << " on screen";
        }
    };
    int n = 0;
    QByteArray last;
    auto frame = [&](std::uint8_t mask) {
        std::uint16_t smp[8], base[8];
        for (int j = 0; j < 8; ++j) {
            base[j] = static_cast<std::uint16_t>(150 + 40 * j + n % 7);
            smp[j] = static_cast<std::uint16_t>(base[j] - (n * 13 + j * 29) % 90);
        }
        ++n;
        const auto f = EncodeFrame(mask, smp, base);
        last = QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
        both([&](Side& s) { s.device->Receive(last); });
    };
    // The same values again: the lists stay, the curves move on by a point.
    auto repeat = [&] { both([&](Side& s) { s.device->Receive(last); }); };
    auto channel = [&](int j, bool on) {
        both([&](Side& s) {
            s.page.controlAs<QCheckBox>(1035 + j)->setChecked(on);
            s.page.OnChannelCheck(j);
        });
    };

    both([](Side& s) { s.page.OnPortButton(); });
    tick(); // nothing received yet
    tick();
    for (int i = 0; i < 6; ++i) {
        frame(0xFF);
        if (i % 2)
            frame(0xFF);
        tick();
    }
    // The widest texts, then the narrowest: each cell's repaint reaches the whole old text.
    auto values = [&](bool wide) {
        std::uint16_t smp[8], base[8];
        for (int j = 0; j < 8; ++j) {
            smp[j] = static_cast<std::uint16_t>(wide ? 65535 - j : j);
            base[j] = static_cast<std::uint16_t>(wide && j % 2 ? 0 : wide ? 60000 : j);
        }
        const auto f = EncodeFrame(0xFF, smp, base);
        last = QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
        both([&](Side& s) { s.device->Receive(last); });
    };
    values(true);
    tick();
    values(false);
    tick();
    frame(0xFF);
    tick();
    tick(); // no frame
    tick();
    for (int i = 0; i < 3; ++i) {
        repeat();
        tick();
    }
    // A selected row and a current cell: those cells are painted as the view paints them, the
    // others copied, and the same again once the selection is gone.
    both([](Side& s) {
        s.page.controlAs<QTableWidget>(1032)->selectRow(2);
        s.page.controlAs<QTableWidget>(1034)->setCurrentCell(4, 1);
    });
    for (int i = 0; i < 3; ++i) {
        frame(0xFF);
        tick();
    }
    both([](Side& s) {
        s.page.controlAs<QTableWidget>(1032)->clearSelection();
        s.page.controlAs<QTableWidget>(1034)->clearSelection();
    });
    frame(0xFF);
    tick();
    channel(2, false);
    tick();
    tick();
    frame(0xFF);
    channel(5, false);
    tick();
    channel(2, true);
    tick();
    both([](Side& s) { s.page.OnSpinDelta(1013, -1); });
    tick();
    both([](Side& s) { s.page.OnSpinDelta(1016, 1); });
    both([](Side& s) { s.page.OnSpinDelta(1015, 1); });
    frame(0xFF);
    tick();
    const QByteArray eightKeys = last;
    frame(0x0B); // three keys: slots 3 to 7 out of use, slot 5's box ticked and disabled again
    tick();
    tick();
    // All eight back with the values they left with: the cleared cells are written again.
    both([&](Side& s) { s.device->Receive(eightKeys); });
    tick();
    frame(0x0B);
    frame(0xFF);
    tick();
    // A procedure phase: the countdown of the no-key check, then its first recording ticks.
    both([](Side& s) { s.page.OnNoKeyDetection(); });
    bool recorded = false;
    for (int i = 0; i < CDetectionProcedure::kCountdownTicks + 10; ++i) {
        if (i % 3)
            frame(0xFF);
        tick();
        recorded = recorded || quick.page.Live().Recording();
    }
    EXPECT_TRUE(recorded);
    both([](Side& s) { s.page.OnAbortProcedure(); });
    tick();
    both([](Side& s) { s.page.OnSpinDelta(1014, 1); });
    tick();
    EXPECT_GT(full.page.ChartSample()->RenderCount(), quick.page.ChartSample()->RenderCount())
        << "ticks without changes draw nothing";
    EXPECT_GT(quick.page.ChartSample()->RenderCount(), quick.page.ChartSample()->FrameRenderCount())
        << "new curves alone keep the frame";
    auto* cells = qobject_cast<CachedCellDelegate*>(quick.page.controlAs<QTableWidget>(1034)->itemDelegate());
    ASSERT_NE(cells, nullptr);
    EXPECT_GT(cells->ReusedCount(), 0) << "cells showing a text again are copied";
    EXPECT_GT(cells->BandsCopied(), 0) << "changed values repainted from the kept pictures alone";
}

// A value cell set quietly reads as set, and a value set the usual way afterwards is announced,
// also when it is the one the item was last told before the quiet ones.
TEST(LiveValueItem, QuietTextsReadAsSetAndLaterTextsAreAnnounced)
{
    QTableWidget list(1, 1);
    auto* cell = new LiveValueItem;
    list.setItem(0, 0, cell);
    EXPECT_FALSE(cell->data(Qt::DisplayRole).isValid()) << "an empty cell, as any new item";
    QSignalSpy told(list.model(), &QAbstractItemModel::dataChanged);
    cell->setText(QStringLiteral("3"));
    EXPECT_EQ(told.size(), 1);
    cell->SetTextQuietly(QStringLiteral("5"));
    EXPECT_EQ(told.size(), 1);
    EXPECT_EQ(cell->text(), QStringLiteral("5"));
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), QStringLiteral("5"));
    cell->setText(QStringLiteral("5"));
    EXPECT_EQ(told.size(), 1) << "nothing new";
    cell->setText(QStringLiteral("3"));
    EXPECT_GE(told.size(), 2);
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), QStringLiteral("3"));
    cell->setData(Qt::DisplayRole, 42);
    EXPECT_EQ(cell->data(Qt::DisplayRole).typeId(), QMetaType::Int) << "kept as given";
    // Font and alignment as the item gives them, kept apart for the quiet path.
    EXPECT_EQ(cell->Alignment(), cell->textAlignment());
    cell->setTextAlignment(Qt::AlignCenter);
    EXPECT_EQ(cell->Alignment(), int(Qt::AlignCenter));
    cell->setTextAlignment(Qt::AlignRight);
    EXPECT_EQ(cell->textAlignment(), int(Qt::AlignRight));
    EXPECT_EQ(cell->Alignment(), int(Qt::AlignRight));
    EXPECT_FALSE(cell->HasOwnFont());
    cell->setFont(QFont(QStringLiteral("Monospace")));
    EXPECT_TRUE(cell->HasOwnFont());
    cell->setData(Qt::FontRole, QVariant());
    EXPECT_FALSE(cell->HasOwnFont());
    EXPECT_FALSE(cell->data(Qt::FontRole).isValid());
}

// A port that goes away: the button says so and the procedure's controls are disabled, the lists
// keep their values; found again, the button reads open again; a click gives up the wait. (How
// the wait goes is the link session's.)
TEST_F(PageTest, LostPortFreezesThePageAndReopensTheSameNumber)
{
    bool present = false;
    page.SetPortProbe([&](int) { return present; });
    auto* button = Ctl<QPushButton>(1024);
    Open();
    Show(kExample);

    device->Vanish();
    EXPECT_EQ(button->text(), "串口3已断开");
    EXPECT_EQ(button->accessibleName(), "串口3已断开");
    EXPECT_EQ(page.TimerId(), 0);
    EXPECT_NE(page.ReconnectTimerId(), 0);
    for (int id : {1025, 1026, 1028, 1029})
        EXPECT_FALSE(page.control(id)->isEnabled()) << id;
    EXPECT_TRUE(page.control(1052)->isEnabled()); // a detection standing still can be aborted
    EXPECT_EQ(Cell(1032, 0, 1), "3200");

    present = true;
    page.OnReconnectTick();
    EXPECT_EQ(button->text(), "串口3已打开");
    EXPECT_EQ(button->accessibleName(), "串口3已打开");
    EXPECT_TRUE(page.control(1052)->isEnabled());
    Show(Frame(0x01, {{1, 2}}));
    EXPECT_EQ(Cell(1032, 0, 1), "1");

    device->Vanish();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), "串口已关闭");
    EXPECT_EQ(page.ReconnectTimerId(), 0);
    port = 7;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), "串口7已打开");

    device->Vanish(); // the fixture now destroys the page while it waits
    EXPECT_TRUE(ui.warnings.isEmpty());
}

} // namespace
