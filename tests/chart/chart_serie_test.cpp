#include "chart_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using SerieFixture = ChartWithAxesFixture;

TEST_F(SerieFixture, NewSeriesSortByXUnlessOrderIsSwitchedOff)
{
    const std::vector<double> xs{3, 1, 2, 0};
    const std::vector<double> ys{30, 10, 20, 0};
    CChartLineSerie* sorted = chart->AddLineSerie();
    EXPECT_EQ(sorted->GetPointOrder(), OrderByX);
    sorted->SetXYData(xs.data(), ys.data(), 4);
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(sorted->Point(i).X, i);
        EXPECT_EQ(sorted->Point(i).Y, 10.0 * i);
    }

    CChartLineSerie* raw = chart->AddLineSerie();
    raw->SetPointOrder(NoOrder);
    raw->SetXYData(xs.data(), ys.data(), 4);
    EXPECT_EQ(raw->Point(0).X, 3);
    EXPECT_EQ(raw->Point(3).X, 0);
    unsigned first = 9, last = 9;
    ASSERT_TRUE(raw->VisiblePoints(first, last));
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(last, 3u);

    // Switching to an order sorts at once.
    raw->SetPointOrder(OrderByY);
    EXPECT_EQ(raw->Point(0).Y, 0);
    EXPECT_EQ(raw->Point(3).Y, 30);
}

TEST_F(SerieFixture, OrderedSearchAndOnePointWidening)
{
    bottom->SetRange(50, 100);
    CChartLineSerie* s = chart->AddLineSerie();
    const auto xs = Ramp(200);
    s->SetXYData(xs.data(), xs.data(), 200);
    unsigned first = 0, last = 0;
    ASSERT_TRUE(s->VisiblePoints(first, last));
    EXPECT_EQ(first, 51u);
    EXPECT_EQ(last, 100u);

    chart->RedrawChart();
    const auto& pixels = s->LastPixels();
    ASSERT_EQ(pixels.size(), 52u);  // points 50..101, about 9 px apart
    EXPECT_EQ(pixels.front(), s->PointPixel(50));
    EXPECT_EQ(pixels.back(), s->PointPixel(101));
    // Point 50 sits on the left edge; the segment to point 101 crosses the right edge and is
    // clipped to the plot.
    const ChartRect plot = chart->PlotRect();
    EXPECT_EQ(pixels.front().x, plot.left);
    EXPECT_GT(pixels.back().x, plot.right);
    EXPECT_TRUE(chart->rec.calls.contains(
        QStringLiteral("Clip %1 %2 %3 %4").arg(plot.left).arg(plot.top).arg(plot.right + 1).arg(plot.bottom + 1)));

    // Search ends: a range beyond the data.
    bottom->SetRange(500, 600);
    ASSERT_TRUE(s->VisiblePoints(first, last));
    EXPECT_EQ(first, 199u);
    EXPECT_EQ(last, 199u);
    bottom->SetRange(-100, -50);
    ASSERT_TRUE(s->VisiblePoints(first, last));
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(last, 0u);
}

TEST_F(SerieFixture, RepeatedPixelsAreMerged)
{
    RecordedChart narrow(120, 120);
    narrow.CreateAxisAt(BottomAxis)->SetRange(0, 199);
    narrow.CreateAxisAt(LeftAxis)->SetRange(0, 10);
    CChartLineSerie* s = narrow.AddLineSerie();
    s->SetPointOrder(NoOrder);
    const auto xs = Ramp(200);
    const std::vector<double> ys(200, 5.0);
    s->SetXYData(xs.data(), ys.data(), 200);
    const auto& pixels = s->LastPixels();
    ASSERT_EQ(narrow.rec.polylines.size(), 1u);
    EXPECT_EQ(narrow.rec.polylines[0], pixels);
    EXPECT_LT(pixels.size(), 100u);
    EXPECT_GT(pixels.size(), 10u);
    for (size_t i = 1; i < pixels.size(); ++i)
        EXPECT_NE(pixels[i], pixels[i - 1]);
}

TEST_F(SerieFixture, CurveLeavingTheTopIsClippedAtTheEdge)
{
    // Real rendering: the segment towards a point far above the maximum is visible up to the
    // top edge of the plot and nowhere above it.
    CChartCtrl real;
    real.resize(500, 300);
    real.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    real.CreateAxisAt(LeftAxis)->SetRange(0, 500);
    CChartLineSerie* s = real.AddLineSerie();
    const std::vector<double> xs{0, 100, 200};
    const std::vector<double> ys{100, 1e6, 100};
    s->SetXYData(xs.data(), ys.data(), 3);
    s->SetLineWidth(2);
    s->SetSerieColor(0x0000FF);
    const QImage& image = real.OffscreenImage();
    const ChartRect plot = real.PlotRect();
    const QColor red(255, 0, 0);
    auto redInRow = [&](int y) {
        int n = 0;
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == red;
        return n;
    };
    EXPECT_GT(redInRow(plot.top + 1), 0);
    EXPECT_GT(redInRow(s->PointPixel(0).y), 0);
    for (int y = 0; y < plot.top; ++y)
        EXPECT_EQ(redInRow(y), 0) << y;
    EXPECT_GT(s->LastPixels()[1].y, -(1 << 21));  // far above, but a defined position
}

TEST_F(SerieFixture, EmptyHiddenAndSinglePointSeriesDrawNothing)
{
    CChartLineSerie* s = chart->AddLineSerie();
    s->SetXYData(nullptr, nullptr, 0);
    double lo = 0, hi = 0;
    EXPECT_FALSE(s->XRange(lo, hi));
    unsigned first = 0, last = 0;
    EXPECT_FALSE(s->VisiblePoints(first, last));
    chart->RedrawChart();
    EXPECT_TRUE(chart->rec.polylines.empty());

    const double one = 7;
    s->SetXYData(&one, &one, 1);
    EXPECT_TRUE(chart->rec.polylines.empty());

    const auto xs = Ramp(5);
    s->SetXYData(xs.data(), xs.data(), 5);
    EXPECT_EQ(chart->rec.polylines.size(), 1u);
    s->SetVisible(false);
    EXPECT_TRUE(chart->rec.polylines.empty());
    EXPECT_FALSE(s->YRange(lo, hi));
}

TEST_F(SerieFixture, StorageIsReusedWhenTheDataFits)
{
    CChartLineSerie* s = chart->AddLineSerie();
    EXPECT_EQ(s->Capacity(), 1000u);
    const auto xs = Ramp(1500);
    s->SetXYData(xs.data(), xs.data(), 200);
    const SChartXYPoint* storage = s->PointData();
    s->SetXYData(xs.data(), xs.data(), 200);
    EXPECT_EQ(s->PointData(), storage);
    EXPECT_EQ(s->Capacity(), 1000u);
    s->SetXYData(xs.data(), xs.data(), 1500);
    EXPECT_EQ(s->Capacity(), 1500u);
    EXPECT_EQ(s->PointCount(), 1500u);
    s->SetXYData(xs.data(), xs.data(), 10);
    EXPECT_EQ(s->Capacity(), 1500u);
    double lo = 0, hi = 0;
    ASSERT_TRUE(s->XRange(lo, hi));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 9);
}

TEST_F(SerieFixture, NaNValuesSortLastAndAreSkipped)
{
    CChartLineSerie* s = chart->AddLineSerie();
    std::vector<double> xs(300), ys(300);
    for (int i = 0; i < 300; ++i) {
        xs[size_t(i)] = i % 7 == 0 ? std::nan("") : 299 - i;
        ys[size_t(i)] = i % 5 == 0 ? std::nan("") : i;
    }
    s->SetXYData(xs.data(), ys.data(), 300);
    for (unsigned i = 1; i < 300; ++i) {
        if (std::isnan(s->Point(i - 1).X)) {
            EXPECT_TRUE(std::isnan(s->Point(i).X));
        } else if (!std::isnan(s->Point(i).X)) {
            EXPECT_LE(s->Point(i - 1).X, s->Point(i).X);
        }
    }
    chart->RedrawChart();
    ASSERT_EQ(chart->rec.polylines.size(), 1u);
    EXPECT_GT(s->LastPixels().size(), 10u);
    // The extremes ignore the missing values.
    const auto extremes = [](const CChartLineSerie* serie) {
        double x1 = -1, x2 = -1, y1 = -1, y2 = -1;
        EXPECT_TRUE(serie->XRange(x1, x2));
        EXPECT_TRUE(serie->YRange(y1, y2));
        return std::vector<double>{x1, x2, y1, y2};
    };
    EXPECT_EQ(extremes(s), (std::vector<double>{0, 298, 1, 299}));

    // Unordered, the same extremes; a coordinate without any number spans 0..0.
    CChartLineSerie* u = chart->AddLineSerie();
    u->SetPointOrder(NoOrder);
    u->SetXYData(xs.data(), ys.data(), 300);
    EXPECT_EQ(extremes(u), (std::vector<double>{0, 298, 1, 299}));
    EXPECT_TRUE(std::isnan(u->Point(0).X));
    const std::vector<double> none(300, std::nan(""));
    u->SetXYData(none.data(), ys.data(), 300);
    EXPECT_EQ(extremes(u), (std::vector<double>{0, 0, 1, 299}));
}

TEST_F(SerieFixture, LegendKeyOnlyForNamedSeries)
{
    CChartLineSerie* s = chart->AddLineSerie();
    s->SetLineWidth(3);
    s->SetSerieColor(0x00FF00);
    RecordingChartSurface rec;
    s->DrawLegendKey(rec, {10, 20, 26, 37});
    EXPECT_TRUE(rec.calls.isEmpty());
    s->SetName("key");
    s->DrawLegendKey(rec, {10, 20, 26, 37});
    EXPECT_EQ(rec.calls, (QStringList{"SetPen solid 3 #00ff00", "Line 10 28 26 28"}));
}

TEST(ChartSerie, CurvesJustBeyondAnEdgeDrawWhateverThePenReaches)
{
    // Flat curves stepped out past each edge of the plot, 2 pixels wide: the picture is always
    // the empty chart with exactly the curve's clipped polyline drawn over it, until none of the
    // pen reaches inside.
    CChartCtrl chart;
    chart.resize(500, 150);
    CChartStandardAxis* bottom = chart.CreateAxisAt(BottomAxis);
    bottom->SetRange(0, 200);
    chart.CreateAxisAt(LeftAxis)->SetRange(0, 500);
    CChartLineSerie* s = chart.AddLineSerie();
    s->SetPointOrder(NoOrder);
    s->SetLineWidth(2);
    s->SetSerieColor(0x0000FF);
    QImage empty = chart.OffscreenImage();
    auto check = [&](const std::vector<double>& xs, const std::vector<double>& ys, const char* what, double v) {
        s->SetXYData(xs.data(), ys.data(), unsigned(xs.size()));
        QImage expected = empty;
        {
            QPainterChartSurface surface(&expected);
            surface.SetPen(ChartPenStyle::Solid, 2, 0x0000FF);
            surface.IntersectClip(s->DrawRect());
            std::vector<ChartPoint> pixels;
            for (unsigned i = 0; i < s->PointCount(); ++i)
                if (pixels.empty() || pixels.back() != s->PointPixel(i))
                    pixels.push_back(s->PointPixel(i));
            surface.Polyline(pixels.data(), int(pixels.size()));
        }
        EXPECT_TRUE(chart.OffscreenImage() == expected) << what << " " << v;
        return chart.OffscreenImage() != empty;
    };
    const auto ramp = Ramp(200);
    int drawn = 0;
    for (double d = 0; d <= 30; d += 1) {
        drawn += check(ramp, std::vector<double>(200, 500 + d), "above by", d);
        drawn += check(ramp, std::vector<double>(200, -d), "below by", d);
    }
    bottom->SetRange(10, 200);
    s->SetXYData(nullptr, nullptr, 0);
    empty = chart.OffscreenImage();
    for (double d = 0; d <= 4; d += 0.25) {
        drawn += check({0, 10 - d}, {100, 300}, "left by", d);
        drawn += check({200 + d, 250}, {100, 300}, "right by", d);
    }
    EXPECT_GT(drawn, 8);
}

}  // namespace
