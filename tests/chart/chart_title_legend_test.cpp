#include "chart_test_util.h"

#include <gtest/gtest.h>

namespace {

TEST(ChartTitle, MeasureAndCentredLines)
{
    CChartTitle title(nullptr);
    RecordingChartSurface rec;
    EXPECT_EQ(title.Measure(rec), (ChartSize{0, 0}));

    title.SetFont(106, "Microsoft Sans Serif");  // 14 px + 2 = 16 px high lines
    title.AddString("Sample");                    // 36 px wide
    title.AddString("values");
    EXPECT_EQ(title.Measure(rec), (ChartSize{38, 4 + 18 + 18}));

    title.SetRect({3, 3, 497, 43});
    title.Draw(rec);
    // x = |3 - 497| / 2 + 3 - 36 / 2.
    EXPECT_EQ(rec.calls, (QStringList{"Text 232 7 \"Sample\" size=106 v=0 #000000",
                                      "Text 232 25 \"values\" size=106 v=0 #000000"}));

    title.SetVisible(false);
    EXPECT_EQ(title.Measure(rec), (ChartSize{0, 0}));
}

TEST(ChartTitle, TakesRoomAboveTheAxesOnlyWithLines)
{
    RecordedChart chart(500, 150);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    chart.RedrawChart();
    EXPECT_EQ(chart.PlotRect().top, 3);  // directly below the 3-pixel margin

    chart.CreateAxisAt(LeftAxis)->SetRange(0, 500);
    chart.GetTitle()->AddString("T");  // 15 high: 4 + 17 = 21
    EXPECT_EQ(chart.GetTitle()->Rect(), (ChartRect{3, 3, 497, 24}));
    EXPECT_EQ(chart.PlotRect().top, 24 + 6 + 3);
    EXPECT_TRUE(chart.rec.calls.contains("Text 247 7 \"T\" size=100 v=0 #000000"));
}

struct LegendFixture : ::testing::Test {
    // No axes: the plotting rectangle is what the legend leaves of the client area.
    std::unique_ptr<RecordedChart> chart = std::make_unique<RecordedChart>(500, 300);
    CChartLegend* legend = nullptr;
    void SetUp() override
    {
        chart->CreateAxisAt(LeftAxis);
        chart->CreateAxisAt(BottomAxis);
        chart->AddLineSerie()->SetName("a");   // 6 px
        chart->AddLineSerie()->SetName("bb");  // 12 px
        chart->AddLineSerie();                 // no name: no entry
        chart->AxisAt(LeftAxis)->SetVisible(false);
        chart->AxisAt(BottomAxis)->SetVisible(false);
        legend = chart->GetLegend();
    }
    // The area left to the axes (R after the legend), read back from the hidden axes'
    // bands: the left band keeps R's top and bottom, the bottom band R's left and right.
    ChartRect Remaining() const
    {
        const ChartRect l = chart->AxisAt(LeftAxis)->BandRect();
        const ChartRect b = chart->AxisAt(BottomAxis)->BandRect();
        return {b.left, l.top, b.right, l.bottom};
    }
};

TEST_F(LegendFixture, HiddenOrWithoutNamesTakesNoRoom)
{
    chart->RedrawChart();
    EXPECT_TRUE(legend->Rect().IsEmpty());
    EXPECT_EQ(chart->PlotRect(), (ChartRect{3, 3, 497, 297}));

    chart->DeleteAllSeries();
    chart->AddLineSerie();
    legend->SetVisible(true);
    EXPECT_TRUE(legend->Rect().IsEmpty());
    EXPECT_EQ(chart->PlotRect(), (ChartRect{3, 3, 497, 297}));
    EXPECT_TRUE(chart->rec.Matching("FillRect").isEmpty());
}

TEST_F(LegendFixture, DockedOnEverySide)
{
    legend->SetVisible(true);
    // Vertical list: H = 2 x (16 + 2) + 6 = 42, W = 16 + 12 + 12 = 40.
    EXPECT_EQ(legend->Rect(), (ChartRect{451, 125, 491, 167}));
    EXPECT_EQ(Remaining(), (ChartRect{3, 3, 453, 297}));

    legend->DockLegend(DockLeft);
    EXPECT_EQ(legend->Rect(), (ChartRect{6, 125, 46, 167}));
    EXPECT_EQ(Remaining(), (ChartRect{44, 3, 497, 297}));

    legend->DockLegend(DockTop);
    EXPECT_EQ(legend->Rect(), (ChartRect{227, 6, 267, 48}));
    EXPECT_EQ(Remaining(), (ChartRect{3, 50, 497, 297}));

    legend->DockLegend(DockBottom);
    EXPECT_EQ(legend->Rect(), (ChartRect{227, 253, 267, 295}));
    EXPECT_EQ(Remaining(), (ChartRect{3, 3, 497, 251}));

    // Side by side: W = (16 + 6 + 14) + (16 + 12 + 14) - 6 = 72, H = 16 + 8.
    legend->SetHorizontalMode(true);
    EXPECT_EQ(legend->Rect(), (ChartRect{211, 271, 283, 295}));

    // Not docked: at its position, 2 pixels taller, and the axes keep their room.
    legend->SetHorizontalMode(false);
    legend->UndockLegend(10, 20);
    EXPECT_EQ(legend->Rect(), (ChartRect{10, 20, 50, 64}));
    EXPECT_EQ(Remaining(), (ChartRect{3, 3, 497, 297}));
}

TEST_F(LegendFixture, DrawsShadowBoxEntriesAndKeys)
{
    legend->SetVisible(true);
    const QStringList& calls = chart->rec.calls;
    const int shadow = int(calls.indexOf("FillRect 454 128 494 170 #808080"));
    ASSERT_GE(shadow, 0);
    EXPECT_EQ(calls.mid(shadow, 7),
              (QStringList{"FillRect 454 128 494 170 #808080", "FillRect 451 125 491 167 #ffffff", "SetPen solid 1 #000000",
                           "Line 451 125 491 125", "Line 491 125 491 167", "Line 491 167 451 167", "Line 451 167 451 125"}));
    // Key rectangles (453, 130, 469, 147) and 18 px lower; names centred beside them.
    EXPECT_TRUE(calls.contains("Text 473 131 \"a\" size=100 v=0 #000000"));
    EXPECT_TRUE(calls.contains("Line 453 138 469 138"));
    EXPECT_TRUE(calls.contains("Text 473 149 \"bb\" size=100 v=0 #000000"));
    EXPECT_TRUE(calls.contains("Line 453 156 469 156"));

    legend->SetShadow(false);
    legend->SetTransparent(true);
    EXPECT_TRUE(chart->rec.Matching("FillRect 45").isEmpty());
}

TEST_F(LegendFixture, TallTextMovesTheKeyDown)
{
    legend->SetFont(140, "Times New Roman");  // 19 + 2 = 21 px high, above the 16 px key
    legend->SetVisible(true);
    const ChartRect r = legend->Rect();
    const int kTop = r.top + 5;
    EXPECT_TRUE(chart->rec.calls.contains(QStringLiteral("Text %1 %2 \"a\" size=140 v=0 #000000").arg(r.left + 22).arg(kTop)));
    // Key moved by 21/2 - 17/2 = 2: its middle line at (kTop + 2 + kTop + 19) / 2.
    const int y = (2 * kTop + 2 + 17 + 2) / 2;
    EXPECT_TRUE(chart->rec.calls.contains(QStringLiteral("Line %1 %2 %3 %2").arg(r.left + 2).arg(y).arg(r.left + 18)));
}

}  // namespace
