#include "chart_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const ChartRect kVertical100{0, 0, 50, 100};   // a vertical axis spans 100 pixels (bottom to top)
const ChartRect kHorizontal400{0, 0, 400, 50};  // a horizontal axis spans 400 pixels

struct AxisFixture : ::testing::Test {
    CChartStandardAxis vertical;
    CChartStandardAxis horizontal;
    void SetUp() override
    {
        vertical.Attach(nullptr, LeftAxis);
        horizontal.Attach(nullptr, BottomAxis);
    }
};

TEST_F(AxisFixture, TickIncrementsForTheLiveChartRanges)
{
    vertical.SetRange(0, 500);
    EXPECT_EQ(LabelsOf(vertical, kVertical100), (QStringList{"0", "100", "200", "300", "400", "500"}));
    EXPECT_EQ(vertical.TickIncrement(), 100);
    EXPECT_EQ(vertical.Decimals(), 0);

    // -20..200: step 44, increment 50, first tick the smallest multiple not below -20.
    vertical.SetRange(-20, 200);
    EXPECT_EQ(LabelsOf(vertical, kVertical100), (QStringList{"0", "50", "100", "150", "200"}));
    EXPECT_EQ(vertical.FirstTick(), 0);

    horizontal.SetRange(0, 200);
    const QStringList labels = LabelsOf(horizontal, kHorizontal400);
    EXPECT_EQ(horizontal.TickIncrement(), 20);
    ASSERT_EQ(labels.size(), 11);
    EXPECT_EQ(labels.front(), "0");
    EXPECT_EQ(labels[1], "20");
    EXPECT_EQ(labels.back(), "200");
}

TEST_F(AxisFixture, DecimalsFollowTheIncrement)
{
    vertical.SetRange(0, 1);
    EXPECT_EQ(LabelsOf(vertical, kVertical100), (QStringList{"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}));
    EXPECT_EQ(vertical.Decimals(), 1);

    // Step 0.6 rounds up to 10 x 0.1 = 1, and the labels lose their decimal.
    vertical.SetRange(0, 3);
    EXPECT_EQ(LabelsOf(vertical, kVertical100), (QStringList{"0", "1", "2", "3"}));
    EXPECT_DOUBLE_EQ(vertical.TickIncrement(), 1.0);
    EXPECT_EQ(vertical.Decimals(), 0);

    // A maximum reached by adding 0.1 three times still gets its tick.
    vertical.SetRange(0, 0.3);
    EXPECT_EQ(LabelsOf(vertical, {0, 0, 50, 60}), (QStringList{"0.0", "0.1", "0.2", "0.3"}));
}

TEST_F(AxisFixture, FirstTickIsSmallestMultipleNotBelowMinimum)
{
    vertical.SetRange(-45, 55);  // step 20 over 100 px -> increment 20
    EXPECT_EQ(LabelsOf(vertical, kVertical100), (QStringList{"-40", "-20", "0", "20", "40"}));
    vertical.SetRange(-40, 60);
    EXPECT_EQ(TicksOf(vertical, kVertical100).front(), -40);
    vertical.SetRange(13, 113);
    EXPECT_EQ(TicksOf(vertical, kVertical100).front(), 20);
    vertical.SetRange(-0.5, 0.5);  // never "-0.0"
    EXPECT_EQ(LabelsOf(vertical, kVertical100).at(2), "0.0");
}

TEST_F(AxisFixture, ShortAxisKeepsItsPreviousIncrement)
{
    // A new axis shorter than one spacing keeps the initial 1.0 with 0 decimals.
    vertical.SetRange(0, 500);
    TicksOf(vertical, {0, 0, 50, 10});
    EXPECT_EQ(vertical.TickIncrement(), 1.0);
    EXPECT_EQ(vertical.Decimals(), 0);

    TicksOf(vertical, kVertical100);
    EXPECT_EQ(vertical.TickIncrement(), 100);
    TicksOf(vertical, {0, 0, 50, 19});
    EXPECT_EQ(vertical.TickIncrement(), 100);

    horizontal.SetRange(0, 1);
    TicksOf(horizontal, {0, 0, 29, 10});
    EXPECT_EQ(horizontal.TickIncrement(), 1.0);
}

TEST_F(AxisFixture, ValuePixelMappingUsesFloorAndSpan)
{
    vertical.SetRange(0, 500);
    vertical.Place({31, 12, 485, 128}, {3, 3, 497, 147});
    EXPECT_EQ(vertical.StartPx(), 128);
    EXPECT_EQ(vertical.EndPx(), 12);
    EXPECT_EQ(vertical.ValueToPixel(0), 128);
    EXPECT_EQ(vertical.ValueToPixel(100), 128 - 23);  // floor(116 * 0.2) = 23
    EXPECT_EQ(vertical.ValueToPixel(500), 12);
    EXPECT_EQ(vertical.ValueToPixel(-1), 129);  // floor(-0.232) = -1
    EXPECT_DOUBLE_EQ(vertical.ScreenToValue(128 - 58), 250);

    horizontal.SetRange(0, 200);
    horizontal.Place({10, 0, 410, 50}, {0, 0, 500, 80});
    EXPECT_EQ(horizontal.ValueToPixel(199), 10 + 398);
    EXPECT_DOUBLE_EQ(horizontal.ScreenToValue(110), 50);
    // Values far outside stay defined pixel positions.
    EXPECT_GT(horizontal.ValueToPixel(1e300), 1000000);
    EXPECT_LT(horizontal.ValueToPixel(-1e300), -1000000);
    EXPECT_EQ(horizontal.ValueToPixel(std::nan("")), 10);

    // The offset is floor's, limited to 2^20 pixels either way, around every edge of that.
    const double inf = std::numeric_limits<double>::infinity(), limit = 1 << 20;
    for (double q : {0.0, -0.0, 0.5, -0.5, -1e-300, 1.0, -1.0, -2.0, 2.75, -2.75, limit - 0.5, limit, limit + 0.5,
                     -limit + 0.5, -limit, -limit - 0.5, 1e300, -1e300, inf, -inf}) {
        EXPECT_EQ(ChartPixelOffset(q), int(std::clamp(std::floor(q), -limit, limit))) << q;
    }
    EXPECT_EQ(ChartPixelOffset(std::nan("")), 0);

    // The axis' map of many values gives PixelOf's pixels, for every kind of range.
    const double nan = std::nan("");
    const double ranges[][2] = {{0, 500}, {-20, 200}, {3, 3}, {200, 0}, {-inf, inf}, {nan, nan}, {0, 1e-310}};
    for (const auto& r : ranges)
        for (CChartStandardAxis* axis : {&vertical, &horizontal}) {
            axis->SetRange(r[0], r[1]);
            const ChartPixelMap map = axis->PixelMap();
            ASSERT_TRUE(map.valid);
            for (double v : {-1e300, -21.0, -0.5, 0.0, 2.5, 3.0, 117.3, 499.99, 1e300, inf, -inf, nan})
                EXPECT_EQ(map(v), axis->PixelOf(v)) << r[0] << ".." << r[1] << " at " << v;
        }
}

TEST_F(AxisFixture, EmptyRangeMapsEverythingToTheMiddle)
{
    horizontal.SetRange(7, 7);
    horizontal.Place({10, 0, 111, 50}, {0, 0, 200, 80});
    EXPECT_EQ(horizontal.PixelOf(-100), 60);
    EXPECT_EQ(horizontal.PixelOf(1e9), 60);
    EXPECT_EQ(horizontal.ScreenToValue(0), 7);
    horizontal.ComputeTickIncrement();
    EXPECT_EQ(horizontal.TickIncrement(), 0);
    vertical.SetRange(3, 3);
    vertical.Place({0, 10, 50, 111}, {0, 0, 80, 200});
    EXPECT_EQ(vertical.PixelOf(3), 111 - 50);
    // Zooming and panning do nothing on an empty range.
    horizontal.ZoomTo(1, 2);
    horizontal.PanBy(10, 50);
    EXPECT_EQ(horizontal.RangeMin(), 7);
    EXPECT_EQ(horizontal.RangeMax(), 7);
}

TEST_F(AxisFixture, ZoomLimitAndUndo)
{
    horizontal.SetRange(0, 10);
    horizontal.ZoomTo(5, 5.0001);
    EXPECT_DOUBLE_EQ(horizontal.RangeMin(), 5);
    EXPECT_DOUBLE_EQ(horizontal.RangeMax(), 5.001);
    EXPECT_EQ(horizontal.UnzoomedMin(), 0);
    EXPECT_EQ(horizontal.UnzoomedMax(), 10);

    horizontal.Place(kHorizontal400, kHorizontal400);
    horizontal.ZoomTo(2, 6);
    horizontal.PanBy(100, 150);  // moves the range left by 50 px of 4 / 400
    EXPECT_DOUBLE_EQ(horizontal.RangeMin(), 1.5);
    EXPECT_DOUBLE_EQ(horizontal.RangeMax(), 5.5);
    horizontal.UndoZoom();
    EXPECT_EQ(horizontal.RangeMin(), 0);
    EXPECT_EQ(horizontal.RangeMax(), 10);

    horizontal.SetZoomEnabled(false);
    horizontal.ZoomTo(1, 2);
    EXPECT_EQ(horizontal.RangeMax(), 10);
}

TEST_F(AxisFixture, ZoomAndPanStayFinite)
{
    horizontal.SetRange(-1.7e308, 1.7e308);  // the span itself overflows
    horizontal.Place(kHorizontal400, kHorizontal400);
    for (int i = 0; i < 20; ++i)
        horizontal.PanBy(0, 400);
    EXPECT_TRUE(std::isfinite(horizontal.RangeMin()));
    EXPECT_TRUE(std::isfinite(horizontal.RangeMax()));
    horizontal.ZoomTo(0, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isfinite(horizontal.RangeMax()));
    horizontal.ZoomTo(std::nan(""), 1);
    EXPECT_FALSE(std::isnan(horizontal.RangeMin()));

    horizontal.SetRange(1e308, 1.5e308);
    for (int i = 0; i < 50; ++i)
        horizontal.PanBy(400, 0);  // pushes towards overflow
    EXPECT_TRUE(std::isfinite(horizontal.RangeMax()));
}

// Ranges that cannot be divided into ticks must end with a defined, small drawing.
TEST_F(AxisFixture, DegenerateRangesTerminate)
{
    struct Case {
        double min, max;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    const Case cases[] = {{1e15, 1e15 + 0.125}, {1e300, 1e300 * 1.0000000000000002}, {nan, 5}, {0, nan}, {-inf, inf},
                          {0, inf}, {200, 0}, {-1.7e308, 1.7e308}, {5e-324, 1e-323}, {-1e-300, 1e-300}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << " .. " << c.max);
        vertical.SetRange(c.min, c.max);
        const auto ticks = TicksOf(vertical, kVertical100);
        EXPECT_LE(ticks.size(), 100u);
        RecordingChartSurface rec;
        ChartRect plot{40, 10, 490, 140};
        vertical.Place(plot, {3, 3, 497, 147});
        vertical.BandSize(rec, {3, 3, 497, 147}, plot);
        vertical.Draw(rec);
        EXPECT_LE(rec.Matching("Text").size(), 100);
    }
    // A tiny fixed increment is walked, but never past the bound.
    vertical.SetRange(0, 500);
    vertical.SetTickIncrement(1e-9, 0);
    EXPECT_LE(TicksOf(vertical, kVertical100).size(), size_t(CChartAxis::kMaxTicks));
    vertical.SetTickIncrement(std::nan(""), 0);
    EXPECT_EQ(TicksOf(vertical, kVertical100).size(), 1u);
}

TEST_F(AxisFixture, ReversedRangeDrawsOneTickAtItsMinimum)
{
    vertical.SetRange(200, 0);
    EXPECT_EQ(LabelsOf(vertical, kVertical100), QStringList{"200"});
    EXPECT_EQ(vertical.TickIncrement(), 0);
}

TEST(ChartAxisLayout, LeftAndBottomAxesOfALiveChart)
{
    RecordedChart chart(500, 150);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    chart.CreateAxisAt(LeftAxis)->SetRange(0, 500);
    chart.RedrawChart();

    // Left band: "500" is 18 px wide, no title: 18 + 10 = 28; top leaves half a label + 3.
    // Bottom band: 13 + 6 = 19; right leaves 3 + half of "200".
    EXPECT_EQ(chart.PlotRect(), (ChartRect{31, 12, 485, 128}));
    const CChartAxis* left = chart.AxisAt(LeftAxis);
    const CChartAxis* bottom = chart.AxisAt(BottomAxis);
    EXPECT_EQ(left->BandRect(), (ChartRect{3, 3, 31, 147}));
    EXPECT_EQ(bottom->BandRect(), (ChartRect{3, 128, 497, 147}));

    const QStringList& calls = chart.rec.calls;
    // Axis lines, tick marks and labels (labels 4 px right of the band's left edge).
    EXPECT_TRUE(calls.contains("Line 30 128 30 12"));
    EXPECT_TRUE(calls.contains("Line 31 129 485 129"));
    EXPECT_TRUE(calls.contains("Line 30 128 27 128"));
    EXPECT_TRUE(calls.contains("Text 7 122 \"0\" size=80 v=0 #000000"));
    EXPECT_TRUE(calls.contains("Text 7 99 \"100\" size=80 v=0 #000000"));  // 128 - floor(116*0.2) - 6
    EXPECT_TRUE(calls.contains("Line 31 129 31 132"));
    EXPECT_TRUE(calls.contains("Text 28 133 \"0\" size=80 v=0 #000000"));
    EXPECT_TRUE(calls.contains("Text 476 133 \"200\" size=80 v=0 #000000"));
    // The plotting rectangle's outline, after the axes.
    const int outline = int(calls.indexOf("Line 31 12 485 12"));
    ASSERT_GE(outline, 0);
    EXPECT_EQ(calls.mid(outline, 4),
              (QStringList{"Line 31 12 485 12", "Line 485 12 485 128", "Line 485 128 31 128", "Line 31 128 31 12"}));
}

TEST(ChartAxisLayout, TitlesWidenTheBandsAndAreCentred)
{
    RecordedChart chart(500, 150);
    CChartStandardAxis* bottom = chart.CreateAxisAt(BottomAxis);
    bottom->SetRange(0, 200);
    bottom->Label()->SetText("time");  // 24 x 15 -> 28 x 19
    CChartStandardAxis* left = chart.CreateAxisAt(LeftAxis);
    left->SetRange(0, 500);
    left->Label()->SetText(QStringLiteral("采样值"));  // 36 x 15 -> vertical 19 x 40
    chart.RedrawChart();

    // Left band 19 + 18 + 10 = 47; bottom band 19 + 13 + 6 = 38.
    const ChartRect plot = chart.PlotRect();
    EXPECT_EQ(plot, (ChartRect{50, 12, 485, 109}));
    const QStringList& calls = chart.rec.calls;
    // Vertical title: mid of 109 and 12 is 60, top = 60 + 20, drawn at (left + 2, top).
    EXPECT_TRUE(calls.contains(QStringLiteral("Text 5 80 \"采样值\" size=100 v=1 #000000")));
    EXPECT_EQ(left->Label()->Rect(), (ChartRect{3, 80, 22, 120}));
    // Tick labels of the left axis start right of the title column.
    EXPECT_TRUE(calls.contains(QStringLiteral("Text 26 103 \"0\" size=80 v=0 #000000")));
    // Bottom title below the tick labels, centred: mid 267, 267 - 14.
    EXPECT_EQ(bottom->Label()->Rect(), (ChartRect{253, 124, 281, 143}));
    EXPECT_TRUE(calls.contains("Text 253 126 \"time\" size=100 v=0 #000000"));
}

TEST(ChartAxisLayout, GridIsDashedAndClippedToThePlot)
{
    RecordedChart chart(500, 150);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    chart.CreateAxisAt(LeftAxis)->SetRange(0, 500);
    chart.RedrawChart();
    const QStringList& calls = chart.rec.calls;
    EXPECT_TRUE(calls.contains("Clip 31 12 485 128"));
    EXPECT_TRUE(calls.contains("SetPen solid 1 #808080"));
    // Horizontal grid line of the left axis at y = 105: dashes of 3 every 6 from plot.left.
    EXPECT_TRUE(calls.contains("Line 31 105 34 105"));
    EXPECT_TRUE(calls.contains("Line 37 105 40 105"));
    // Vertical grid line of the bottom axis at x = 31 + floor(454 * 0.1) = 76, upwards from
    // the bottom.
    EXPECT_TRUE(calls.contains("Line 76 128 76 125"));
    EXPECT_TRUE(calls.contains("Line 76 122 76 119"));
    EXPECT_EQ(chart.AxisAt(BottomAxis)->Grid()->Ticks().size(), 11u);
    EXPECT_EQ(chart.AxisAt(LeftAxis)->Grid()->Ticks().size(), 6u);

    chart.AxisAt(LeftAxis)->Grid()->SetVisible(false);
    EXPECT_FALSE(chart.rec.calls.contains("Line 31 105 34 105"));
}

TEST(ChartAxisLayout, EmptyRangeDrawsOneLabelWithoutTickOrGrid)
{
    RecordedChart chart(500, 150);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    chart.CreateAxisAt(LeftAxis)->SetRange(42, 42);
    chart.RedrawChart();
    const QStringList texts = chart.rec.Matching("Text 7 ");
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].contains("\"42\""));
    EXPECT_TRUE(chart.AxisAt(LeftAxis)->Grid()->Ticks().empty());
}

TEST(ChartAxisLayout, HiddenAxisTakesNoBand)
{
    RecordedChart chart(500, 150);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    CChartStandardAxis* left = chart.CreateAxisAt(LeftAxis);
    left->SetRange(0, 500);
    left->SetVisible(false);
    EXPECT_EQ(chart.PlotRect().left, 3);
    EXPECT_TRUE(chart.rec.Matching("Text 7 ").isEmpty());
}

TEST(ChartAxisLayout, SecondaryAxes)
{
    RecordedChart chart(500, 200);
    chart.CreateAxisAt(TopAxis)->SetRange(0, 10);
    chart.CreateAxisAt(RightAxis)->SetRange(0, 1);
    chart.RedrawChart();
    const ChartRect plot = chart.PlotRect();
    // Top band 13 + 6 = 19 below R.top = 3; right band "1.0" 18 + 10.
    EXPECT_EQ(plot.top, 22);
    EXPECT_EQ(plot.right, 497 - 28);
    const CChartAxis* right = chart.AxisAt(RightAxis);
    EXPECT_TRUE(chart.rec.calls.contains(QStringLiteral("Line %1 %2 %1 %3").arg(plot.right + 1).arg(plot.bottom).arg(plot.top)));
    EXPECT_TRUE(right->IsSecondary());
    EXPECT_FALSE(right->IsHorizontal());
    EXPECT_TRUE(chart.AxisAt(TopAxis)->IsHorizontal());
}

TEST(ChartAxisAutoRange, FullAndVisibleRangesFollowTheData)
{
    RecordedChart chart(500, 300);
    CChartStandardAxis* bottom = chart.CreateAxisAt(BottomAxis);
    CChartStandardAxis* left = chart.CreateAxisAt(LeftAxis);
    left->SetAutomatic(true);
    bottom->SetAutomatic(true);
    CChartLineSerie* empty = chart.AddLineSerie();
    CChartLineSerie* s = chart.AddLineSerie();
    const auto xs = Ramp(11, 10);
    const auto ys = Ramp(11, -5, 2);
    s->SetXYData(xs.data(), ys.data(), 11);
    // The empty series is left out.
    EXPECT_EQ(bottom->RangeMin(), 10);
    EXPECT_EQ(bottom->RangeMax(), 20);
    EXPECT_EQ(left->RangeMin(), -5);
    EXPECT_EQ(left->RangeMax(), 15);
    EXPECT_EQ(left->UnzoomedMax(), 15);
    (void)empty;

    // Visible mode of the vertical axis: Y range of the points inside the bottom range.
    bottom->SetAutomatic(false);
    bottom->SetRange(12, 14);
    left->SetAutoMode(VisibleRange);
    // The search gives points 3..5 (x = 13..15, y = 1..5).
    EXPECT_EQ(left->RangeMin(), 1);
    EXPECT_EQ(left->RangeMax(), 5);

    left->SetAutomatic(false);
    left->SetRange(0, 1);
    s->SetXYData(xs.data(), ys.data(), 11);
    EXPECT_EQ(left->RangeMax(), 1);  // manual ranges never follow
}

}  // namespace

namespace {

// Right and top axes: bands on the far sides, marks pointing outwards from the plot, labels
// right of the right axis and above the top axis, titles at the outer edges.
TEST(ChartAxisLayout, SecondaryAxesMarksLabelsAndTitles)
{
    RecordedChart chart(500, 200);
    CChartStandardAxis* top = chart.CreateAxisAt(TopAxis);
    top->SetRange(0, 10);
    top->Label()->SetText("top");  // 18 x 15 -> 22 x 19
    CChartStandardAxis* right = chart.CreateAxisAt(RightAxis);
    right->SetRange(0, 1);
    right->Label()->SetText("right");  // 30 x 15 -> vertical 19 x 34
    chart.RedrawChart();

    // Right band 19 + 18 + 10 = 47; top band 19 + 13 + 6 = 38 below R.top = 3.
    EXPECT_EQ(chart.PlotRect(), (ChartRect{3, 41, 450, 197}));
    EXPECT_EQ(right->BandRect(), (ChartRect{450, 3, 497, 197}));
    EXPECT_EQ(top->BandRect(), (ChartRect{3, 3, 497, 41}));
    const QStringList& calls = chart.rec.calls;

    // Right axis: line at band.left + 1, marks from band.left + 1 outwards, labels at
    // band.left + 6; 156 px over 0..1 gives an increment of 0.2.
    EXPECT_TRUE(calls.contains("Line 451 197 451 41"));
    EXPECT_TRUE(calls.contains("Line 451 197 454 197"));
    EXPECT_TRUE(calls.contains("Text 456 191 \"0.0\" size=80 v=0 #000000"));
    EXPECT_TRUE(calls.contains("Line 451 41 454 41"));
    EXPECT_TRUE(calls.contains("Text 456 35 \"1.0\" size=80 v=0 #000000"));
    // Its title: mid (197 + 41) / 2 = 119, top 119 + 17, left band.right - 19 - 2.
    EXPECT_EQ(right->Label()->Rect(), (ChartRect{476, 136, 495, 170}));
    EXPECT_TRUE(calls.contains("Text 478 136 \"right\" size=100 v=1 #000000"));

    // Top axis: line at band.bottom - 1, marks upwards, labels th + 5 above the band's bottom.
    EXPECT_TRUE(calls.contains("Line 3 40 450 40"));
    EXPECT_TRUE(calls.contains("Line 3 40 3 37"));
    EXPECT_TRUE(calls.contains("Text 0 23 \"0\" size=80 v=0 #000000"));
    EXPECT_TRUE(calls.contains("Line 450 40 450 37"));
    EXPECT_TRUE(calls.contains("Text 444 23 \"10\" size=80 v=0 #000000"));
    // Its title at the band's top, centred on mid (3 + 450) / 2 = 226.
    EXPECT_EQ(top->Label()->Rect(), (ChartRect{215, 3, 237, 22}));
    EXPECT_TRUE(calls.contains("Text 215 5 \"top\" size=100 v=0 #000000"));
}

}  // namespace
