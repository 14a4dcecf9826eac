#include "chart_test_util.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<RecordedChart> LiveChart(int width = 500, int height = 150)
{
    auto chart = std::make_unique<RecordedChart>(width, height);
    chart->CreateAxisAt(BottomAxis)->SetRange(0, 200);
    chart->CreateAxisAt(LeftAxis)->SetRange(0, 500);
    return chart;
}

TEST(ChartCtrl, FreshControlHasNothingAndDrawsBackgroundAndOutline)
{
    CChartCtrl chart;
    chart.resize(200, 100);
    EXPECT_EQ(chart.RedrawCounter(), 1);
    EXPECT_FALSE(chart.RedrawPending());
    EXPECT_EQ(chart.SeriesCount(), 0u);
    for (AxisPosition p : {LeftAxis, BottomAxis, RightAxis, TopAxis})
        EXPECT_EQ(chart.AxisAt(p), nullptr);
    EXPECT_FALSE(chart.GetLegend()->IsVisible());
    EXPECT_TRUE(chart.GetTitle()->Lines().isEmpty());

    RecordingChartSurface rec;
    chart.DrawBackground(rec, {0, 0, 200, 100});
    chart.DrawChart(rec, {3, 3, 197, 97});
    EXPECT_EQ(rec.calls, (QStringList{QStringLiteral("FillRect 0 0 200 100 %1").arg(ChartColourName(chart.BackColor())),
                                      "Edge 0 0 200 100", "SetPen solid 1 #000000", "Line 3 3 197 3", "Line 197 3 197 97",
                                      "Line 197 97 3 97", "Line 3 97 3 3"}));
    EXPECT_EQ(chart.PlotRect(), (ChartRect{3, 3, 197, 97}));
}

TEST(ChartCtrl, RedrawCounterNestsAndRendersOnce)
{
    auto chart = LiveChart();
    chart->RedrawChart();
    const int before = chart->RenderCount();

    chart->EnableRedraw(false);
    chart->EnableRedraw(false);
    chart->AxisAt(LeftAxis)->SetRange(0, 600);
    chart->AxisAt(LeftAxis)->Label()->SetText("x");
    chart->AddLineSerie()->SetLineWidth(2);
    EXPECT_EQ(chart->RenderCount(), before);
    EXPECT_TRUE(chart->RedrawPending());

    chart->EnableRedraw(true);
    EXPECT_EQ(chart->RenderCount(), before);
    EXPECT_TRUE(chart->RedrawPending());
    chart->EnableRedraw(true);
    EXPECT_EQ(chart->RenderCount(), before + 1);
    EXPECT_FALSE(chart->RedrawPending());
    EXPECT_EQ(chart->RedrawCounter(), 1);

    // Resuming without a pending redraw only raises the counter.
    chart->EnableRedraw(true);
    EXPECT_EQ(chart->RedrawCounter(), 2);
    EXPECT_EQ(chart->RenderCount(), before + 1);
}

// The refresh of the debug page: every curve rebuilt inside one bracket, one render.
TEST(ChartCtrl, PageRefreshRendersOnceWithAllCurves)
{
    auto chart = LiveChart();
    const auto xs = Ramp(200);
    std::vector<double> ys(200, 100.0);
    const int before = chart->RenderCount();
    chart->EnableRedraw(false);
    chart->DeleteAllSeries();
    const ChartColour colours[2] = {0x0000FF, 0xFF0000};
    for (ChartColour colour : colours) {
        CChartLineSerie* s = chart->AddLineSerie();
        ASSERT_NE(s, nullptr);
        s->SetPointOrder(NoOrder);
        s->SetXYData(xs.data(), ys.data(), 200);
        s->SetLineWidth(2);
        s->SetSerieColor(colour);
    }
    chart->EnableRedraw(true);
    EXPECT_EQ(chart->RenderCount(), before + 1);
    EXPECT_EQ(chart->rec.polylines.size(), 2u);
    EXPECT_EQ(chart->rec.Matching("SetPen solid 2 #ff0000").size(), 1);
    EXPECT_EQ(chart->rec.Matching("SetPen solid 2 #0000ff").size(), 1);
}

TEST(ChartCtrl, PaletteWrapsAndRestartsAfterDeleteAll)
{
    auto chart = LiveChart();
    std::vector<CChartLineSerie*> series;
    for (int i = 0; i < 11; ++i)
        series.push_back(chart->AddLineSerie());
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(series[size_t(i)]->SerieColor(), CChartCtrl::kPalette[size_t(i)]) << i;
    EXPECT_EQ(series[10]->SerieColor(), 0x0000FFu);
    EXPECT_EQ(CChartCtrl::kPalette[1], 0x009600u);
    EXPECT_EQ(CChartCtrl::kPalette[9], 0x808040u);

    chart->DeleteAllSeries();
    EXPECT_EQ(chart->SeriesCount(), 0u);
    EXPECT_TRUE(chart->AxisAt(LeftAxis)->Series().empty());
    EXPECT_EQ(chart->AddLineSerie()->SerieColor(), 0x0000FFu);
}

TEST(ChartCtrl, SeriesIdsGrowAcrossControlsAndGiveDrawingOrder)
{
    auto a = LiveChart();
    auto b = LiveChart();
    const unsigned first = CChartSerie::NextId();
    CChartLineSerie* a1 = a->AddLineSerie();
    CChartLineSerie* b1 = b->AddLineSerie();
    CChartLineSerie* a2 = a->AddLineSerie();
    EXPECT_EQ(a1->Id(), first);
    EXPECT_EQ(b1->Id(), first + 1);
    EXPECT_EQ(a2->Id(), first + 2);
    a->DeleteAllSeries();
    EXPECT_EQ(a->AddLineSerie()->Id(), first + 3);  // never reset

    // Drawn in ascending id order.
    auto c = LiveChart();
    const auto xs = Ramp(3);
    const std::vector<double> ys{1, 2, 3};
    c->EnableRedraw(false);
    for (ChartColour colour : {0x111111u, 0x222222u, 0x333333u}) {
        CChartLineSerie* s = c->AddLineSerie();
        s->SetXYData(xs.data(), ys.data(), 3);
        s->SetSerieColor(colour);
    }
    c->EnableRedraw(true);
    const QStringList pens = c->rec.Matching("SetPen solid 1 #");
    EXPECT_LT(pens.indexOf("SetPen solid 1 #111111"), pens.indexOf("SetPen solid 1 #222222"));
    EXPECT_LT(pens.indexOf("SetPen solid 1 #222222"), pens.indexOf("SetPen solid 1 #333333"));
}

TEST(ChartCtrl, AddLineSerieNeedsLeftAndBottomAxes)
{
    CChartCtrl chart;
    EXPECT_EQ(chart.AddLineSerie(), nullptr);
    chart.CreateAxisAt(LeftAxis);
    EXPECT_EQ(chart.AddLineSerie(), nullptr);
    chart.CreateAxisAt(BottomAxis);
    CChartLineSerie* s = chart.AddLineSerie();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->VerticalAxis(), chart.AxisAt(LeftAxis));
    EXPECT_EQ(s->HorizontalAxis(), chart.AxisAt(BottomAxis));
    EXPECT_EQ(chart.AxisAt(LeftAxis)->Series(), std::vector<CChartSerie*>{s});
}

TEST(ChartCtrl, ReplacingAnAxisRebindsItsSeries)
{
    auto chart = LiveChart();
    CChartLineSerie* s = chart->AddLineSerie();
    const auto xs = Ramp(10);
    s->SetXYData(xs.data(), xs.data(), 10);
    CChartStandardAxis* left = chart->CreateAxisAt(LeftAxis);
    EXPECT_EQ(s->VerticalAxis(), left);
    EXPECT_EQ(left->Series(), std::vector<CChartSerie*>{s});
    left->SetRange(0, 10);  // renders with the new axis
    EXPECT_EQ(chart->rec.polylines.size(), 1u);
    EXPECT_TRUE(left->Label()->Font().vertical);
    EXPECT_FALSE(chart->CreateAxisAt(TopAxis)->Label()->Font().vertical);
}

TEST(ChartCtrl, ImageFollowsTheWidgetSize)
{
    CChartCtrl chart;
    chart.resize(300, 120);
    chart.RedrawChart();
    EXPECT_EQ(chart.OffscreenImage().size(), QSize(300, 120));
    EXPECT_TRUE(chart.OffscreenImage().format() == QImage::Format_RGB32);

    chart.setGeometry(250, 150, 500, 150);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    // Qt Test's QTRY_ macros would only log a failure under GoogleTest: wait, then assert.
    ASSERT_TRUE(QTest::qWaitFor([&] { return chart.OffscreenImage().size() == QSize(500, 150); }, 5000));
    const int renders = chart.RenderCount();
    chart.resize(400, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return chart.OffscreenImage().size() == QSize(400, 100); }, 5000));
    EXPECT_GT(chart.RenderCount(), renders);
}

TEST(ChartCtrl, FirstPaintRendersAndPaintingCopiesTheImage)
{
    CChartCtrl chart;
    chart.EnableRedraw(false);
    chart.resize(200, 100);
    chart.EnableRedraw(true);  // nothing was pending: no render yet
    EXPECT_EQ(chart.RenderCount(), 0);
    const QImage shot = chart.grab().toImage();  // paints
    const int renders = chart.RenderCount();
    EXPECT_GE(renders, 1);
    // Outline of the plotting rectangle (black) at the 3-pixel margin, background inside.
    EXPECT_EQ(shot.pixelColor(3, 3), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(50, 50), ToQColor(chart.BackColor()));
    chart.grab();
    EXPECT_EQ(chart.RenderCount(), renders);  // later paints only copy
}

TEST(ChartCtrl, DestroysSeriesBeforeAxes)
{
    // Run under the sanitizers: series unregister from live axes while the control dies.
    auto chart = LiveChart();
    chart->CreateAxisAt(RightAxis)->SetRange(0, 1);
    for (int i = 0; i < 5; ++i)
        chart->AddLineSerie()->SetName(QStringLiteral("s%1").arg(i));
    chart->GetLegend()->SetVisible(true);
    chart.reset();
    SUCCEED();
}

TEST(ChartCtrl, EmptyWidgetDoesNotRender)
{
    CChartCtrl chart;
    chart.resize(0, 0);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 1);
    chart.CreateAxisAt(LeftAxis)->SetRange(0, 1);
    chart.RedrawChart();
    EXPECT_TRUE(chart.OffscreenImage().isNull());
    chart.resize(3, 3);  // no room at all inside the margin
    chart.RedrawChart();
    EXPECT_EQ(chart.OffscreenImage().size(), QSize(3, 3));
}

TEST(ChartCtrl, RendersCurvesIntoTheImage)
{
    CChartCtrl chart;
    chart.resize(500, 150);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    chart.CreateAxisAt(LeftAxis)->SetRange(0, 500);
    CChartLineSerie* s = chart.AddLineSerie();
    const auto xs = Ramp(200);
    std::vector<double> ys(200, 250.0);
    s->SetPointOrder(NoOrder);
    s->SetXYData(xs.data(), ys.data(), 200);
    s->SetLineWidth(2);
    s->SetSerieColor(0x0000FF);
    const ChartPoint p = s->PointPixel(100);
    const QImage& image = chart.OffscreenImage();
    EXPECT_EQ(image.pixelColor(p.x, p.y), QColor(255, 0, 0));
    // Two pixels thick, nothing beyond.
    const int thick = (image.pixelColor(p.x, p.y + 1) == QColor(255, 0, 0)) + (image.pixelColor(p.x, p.y - 1) == QColor(255, 0, 0));
    EXPECT_EQ(thick, 1);
}

TEST(ChartCtrl, CachedFrameGivesTheSamePicturesAsFullRedraws)
{
    // Two charts take the same steps, one keeping its frame, one drawing everything each time.
    CChartCtrl cached, full;
    full.SetFrameCache(false);
    std::vector<double> ys(200);
    const auto xs = Ramp(200);
    int step = 0;
    auto both = [&](const std::function<void(CChartCtrl&)>& change) {
        change(cached);
        change(full);
        ++step;
        cached.RedrawChart();
        full.RedrawChart();
        ASSERT_FALSE(cached.OffscreenImage().isNull());
        ASSERT_TRUE(cached.OffscreenImage() == full.OffscreenImage()) << "step " << step;
        EXPECT_EQ(cached.PlotRect(), full.PlotRect()) << "step " << step;
    };
    auto curves = [&](int n, double level, bool named) {
        return [&, n, level, named](CChartCtrl& c) {
            c.EnableRedraw(false);
            c.DeleteAllSeries();
            for (int k = 0; k < n; ++k) {
                for (int i = 0; i < 200; ++i)
                    ys[size_t(i)] = level + 40 * k + (i * 37 + k * 11) % 60;
                CChartLineSerie* s = c.AddLineSerie();
                s->SetPointOrder(NoOrder);
                s->SetXYData(xs.data(), ys.data(), 200);
                s->SetLineWidth(2);
                s->SetSerieColor(CChartCtrl::kPalette[size_t(k)]);
                if (named)
                    s->SetName(QStringLiteral("通道%1").arg(k));
            }
            c.EnableRedraw(true);
        };
    };

    both([](CChartCtrl& c) {
        c.resize(500, 150);
        c.CreateAxisAt(BottomAxis)->SetRange(0, 200);
        c.CreateAxisAt(LeftAxis)->SetRange(0, 500);
        c.GetLeftAxis()->Label()->SetText(QStringLiteral("采样值"));
    });
    both(curves(3, 100, false));
    const int frames = cached.FrameRenderCount();
    both(curves(3, 180, false));
    both(curves(8, 20, false)); // values beyond the top: cut at the edge
    both(curves(1, -50, false));
    both(curves(3, 3000, false)); // wholly above, then wholly below
    both(curves(2, -900, false));
    EXPECT_EQ(cached.FrameRenderCount(), frames) << "new curves alone keep the frame";

    both([](CChartCtrl& c) { c.GetLeftAxis()->SetRange(0, 620); });
    EXPECT_EQ(cached.FrameRenderCount(), frames + 1);
    both([](CChartCtrl& c) { c.GetBottomAxis()->SetRange(0, 190); });
    both([](CChartCtrl& c) { c.GetBottomAxis()->ZoomTo(30, 80); });
    both([](CChartCtrl& c) { c.GetBottomAxis()->ZoomTo(300, 400); }); // all points to the left
    both(curves(2, 100, false));
    both([](CChartCtrl& c) { c.GetBottomAxis()->UndoZoom(); });
    both([](CChartCtrl& c) { c.GetLeftAxis()->Label()->SetText(QStringLiteral("差值")); });
    both([](CChartCtrl& c) { c.GetLeftAxis()->SetFont(100, QStringLiteral("Arial")); });
    both([](CChartCtrl& c) { c.GetBottomAxis()->SetTextColor(0x0000FF); });
    both([](CChartCtrl& c) { c.GetLeftAxis()->Grid()->SetColor(0x00FF00); });
    both([](CChartCtrl& c) { c.GetBottomAxis()->Grid()->SetVisible(false); });
    both([](CChartCtrl& c) { c.SetBackColor(0xFFFFFF); });
    both([](CChartCtrl& c) { c.GetTitle()->AddString(QStringLiteral("标题")); });
    both(curves(2, 60, true));
    // A docked legend takes room by the series' names; an undocked one floats over the curves.
    both([](CChartCtrl& c) { c.GetLegend()->SetVisible(true); });
    both(curves(4, 60, true));
    both([](CChartCtrl& c) { c.GetLegend()->UndockLegend(120, 20); });
    both(curves(1, 90, true));
    both([](CChartCtrl& c) { c.GetLegend()->SetVisible(false); });
    both(curves(2, 30, false));
    both([](CChartCtrl& c) { c.resize(320, 90); });
    both(curves(3, 70, false));
    both([](CChartCtrl& c) { c.resize(40, 30); }); // too short for new tick increments
    both(curves(2, 10, false));
    both([](CChartCtrl& c) { c.resize(500, 150); });
}

}  // namespace
