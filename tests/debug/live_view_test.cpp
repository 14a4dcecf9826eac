// The debug page's live view on a board's real values: automatic ranges, threshold lines, touch
// marks and the enlarged chart window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/zcstatic.h"
#include "chart/chart_ctrl.h"
#include "chart/chart_cursor.h"
#include "common/ui_spy.h"
#include "debug/auto_range.h"
#include "debug/chart_window.h"
#include "debug/dlgsub2.h"
#include "debug/live_charts.h"
#include "debug/live_view.h"
#include "debug/result_table.h"
#include "debug/threshold_apply.h"
#include "tests/debug/fake_serial.h"

namespace {

struct Target : ThresholdTarget {
    KeyThresholdState keys[8];
    KeyThresholdState KeyState(int key) const override { return keys[key]; }
    void ApplyThresholds(const std::vector<ThresholdChange>&, bool) override {}
};

struct LiveViewTest : ::testing::Test {
    QTemporaryDir settings;
    UiSpy ui;
    std::unique_ptr<DlgSub2> page;
    FakeSerialDevice* device = nullptr;

    LiveViewTest()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        MakePage();
    }
    void MakePage()
    {
        page = std::make_unique<DlgSub2>(nullptr, &ui);
        auto d = std::make_unique<FakeSerialDevice>();
        device = d.get();
        page->SetSerialDevice(std::move(d));
        page->SetPortFinder([] { return 3; });
        page->OnPortButton();
    }
    QCheckBox* Box(int id) { return page->controlAs<QCheckBox>(id); }
    CChartAxis* Y(int chart) { return page->View().Chart(chart)->GetLeftAxis(); }
    void Show(const QByteArray& frame)
    {
        device->Receive(frame);
        page->OnTimerTick();
    }
};

// Ticked, each chart's vertical range follows the shown data, thousands or negative, with round
// ends, and holds still while noise stays inside it; a spin button or a zoom gives the user the
// range back (unticked, the spin's own rule on the range shown); the box is remembered.
TEST_F(LiveViewTest, AutomaticRangesFollowTheDataUntilTheUserTakesTheRange)
{
    ASSERT_FALSE(Box(1120)->isChecked()) << "a first start keeps the charts' own ranges";
    Show(Frame(0x03, {{3000, 3100}, {3400, 3350}}));
    EXPECT_EQ(Y(0)->RangeMax(), 500);
    Box(1120)->click();
    ASSERT_TRUE(page->View().AutoRange());
    EXPECT_TRUE(Y(0)->RangeMin() <= 3000 && Y(0)->RangeMax() >= 3400 && Y(0)->RangeMax() - Y(0)->RangeMin() < 1000);
    EXPECT_TRUE(Y(2)->RangeMin() <= -50 && Y(2)->RangeMax() >= 100);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(std::fmod(Y(c)->RangeMin(), 10), 0) << c;

    const double min = Y(0)->RangeMin(), max = Y(0)->RangeMax();
    EXPECT_EQ(std::fmod(max, 10), 0);
    const int frames = page->View().Chart(0)->FrameRenderCount();
    Show(Frame(0x03, {{3003, 3100}, {3398, 3350}}));
    EXPECT_EQ(Y(0)->RangeMin(), min) << "noise inside the range moves nothing";
    EXPECT_EQ(page->View().Chart(0)->FrameRenderCount(), frames) << "nor re-makes the chart's frame";
    Show(Frame(0x03, {{2600, 3100}, {3400, 3350}})); // a touch
    EXPECT_LE(Y(0)->RangeMin(), 2600);
    // The logic behind it: data far inside a range several times its span gets a tighter one.
    EXPECT_EQ(FollowData(3000, 3010, {2000, 4000}), FitData(3000, 3010));
    EXPECT_EQ(FollowData(3000, 3010, FitData(2998, 3012)), FitData(2998, 3012));

    const double shown = Y(0)->RangeMax();
    page->OnSpinDelta(1013, -1);
    EXPECT_FALSE(Box(1120)->isChecked());
    EXPECT_EQ(Y(0)->RangeMax(), shown + LiveCharts::kVerticalStep);
    MakePage();
    EXPECT_FALSE(Box(1120)->isChecked()) << "remembered unticked";
    Box(1120)->click();
    MakePage();
    EXPECT_TRUE(Box(1120)->isChecked()) << "remembered ticked";
    EXPECT_TRUE(page->View().Chart(1)->HandleKey(Qt::Key_Plus));
    EXPECT_FALSE(Box(1120)->isChecked()) << "a zoom is the user's range";
}

// Each shown key with a threshold gets a dashed line at its value on the difference chart, in its
// colour: the parameter page's threshold while the key is ticked there, else the results table's
// suggestion. A difference at or above it is marked "触摸" in the list, also with the lines off.
TEST_F(LiveViewTest, ThresholdLinesAndTouchMarks)
{
    Target target;
    target.keys[0] = {true, 40, true};
    target.keys[1] = {true, 15, false}; // not ticked: the table's suggestion counts
    page->SetThresholdTarget(&target);
    Show(Frame(0x43, {{1000, 1040}, {1000, 1059}, {1000, 1030}})); // TK0 40, TK1 59, TK6 30
    page->Results().SetText(1, ResultCol::Threshold, QStringLiteral("60"));
    page->Results().SetText(2, ResultCol::Threshold, QStringLiteral("25"));
    page->OnTimerTick();

    auto cell = [&](int row) { return page->controlAs<QTableWidget>(1034)->item(row, 1)->text(); };
    EXPECT_EQ(cell(0), QStringLiteral("40  触摸")) << "at the threshold";
    EXPECT_EQ(cell(1), QStringLiteral("59")) << "below";
    EXPECT_EQ(cell(2), QStringLiteral("30  触摸")) << "above";
    Show(Frame(0x43, {{1000, 1039}, {1000, 1060}, {1000, 1030}}));
    EXPECT_EQ(cell(0), QStringLiteral("39"));
    EXPECT_EQ(cell(1), QStringLiteral("60  触摸"));

    CChartCtrl* diff = page->View().Chart(2);
    auto lines = [&] {
        std::map<ChartColour, int> rows; // colour -> pixel row of its dashed line
        for (CChartSerie* s : diff->Series())
            if (auto* line = dynamic_cast<CChartLineSerie*>(s); line && line->PenStyle() == ChartPenStyle::Dash) {
                EXPECT_EQ(line->LastPixels().front().y, line->LastPixels().back().y);
                rows[line->SerieColor()] = line->LastPixels().front().y;
            }
        return rows;
    };
    const auto rows = lines();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows.at(g_channelColours[0]), diff->GetLeftAxis()->ValueToPixel(40));
    EXPECT_EQ(rows.at(g_channelColours[1]), diff->GetLeftAxis()->ValueToPixel(60));
    EXPECT_EQ(rows.at(g_channelColours[2]), diff->GetLeftAxis()->ValueToPixel(25));
    const QImage picture = diff->OffscreenImage();
    int red = 0;
    for (int x = diff->PlotRect().left; x < diff->PlotRect().right; ++x)
        red += picture.pixelColor(x, rows.at(g_channelColours[0])) == QColor(255, 0, 0);
    EXPECT_GT(red, 20) << "the line is drawn, dashed";
    EXPECT_TRUE(page->ReadoutAt(2, 199)[0].text.endsWith(QStringLiteral("阈值 40")));

    Box(1121)->click();
    page->OnTimerTick();
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(cell(1), QStringLiteral("60  触摸"));
}

// Double-clicking a chart opens it in a window of its own, named after it; it shows the same
// curves at its own size and keeps up with new frames; Escape closes it, and it opens again
// where it was left.
TEST_F(LiveViewTest, EnlargedChartShowsTheSameCurvesLive)
{
    CChartCtrl* chart = page->View().Chart(0);
    page->resize(page->sizeHint());
    page->show();
    QTest::mouseDClick(chart, Qt::LeftButton, {}, QPoint(100, 60));
    ChartWindow* window = page->View().Charts().Window(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("采样值曲线 - Morvek"));
    window->resize(1200, 800);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    page->View().Charts().OpenWindow(2);
    EXPECT_NE(page->View().Charts().Window(2), nullptr) << "several at once";

    // The row of each flat curve in the window's plot, scaled to the page's plot, is the page's.
    auto rowOf = [](CChartCtrl* c, ChartColour colour) {
        const QImage image = c->OffscreenImage();
        const ChartRect plot = c->PlotRect();
        const QColor want = ColorFromRef(colour);
        for (int y = plot.top; y < plot.bottom; ++y)
            if (image.pixelColor((plot.left + plot.right) / 2, y) == want)
                return (y - plot.top) / double(plot.Height());
        return -1.0;
    };
    for (int value : {100, 300}) {
        for (int i = 0; i < kHistoryLength; ++i)
            device->Receive(Frame(0x03, {{value, 400}, {value + 120, 400}}));
        page->OnTimerTick();
        for (int slot : {0, 1}) {
            const double onPage = rowOf(chart, g_channelColours[slot]);
            const double inWindow = rowOf(window->Chart(), g_channelColours[slot]);
            ASSERT_GE(onPage, 0);
            EXPECT_NEAR(inWindow * chart->PlotRect().Height(), onPage * chart->PlotRect().Height(), 1.0)
                << value << " slot " << slot;
        }
    }

    const QRect place = window->geometry();
    QTest::keyClick(window->Chart(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->View().Charts().Window(0) == nullptr; }, 5000));
    page->View().Charts().OpenWindow(0);
    ASSERT_NE(page->View().Charts().Window(0), nullptr);
    EXPECT_EQ(page->View().Charts().Window(0)->size(), place.size());
}

} // namespace
