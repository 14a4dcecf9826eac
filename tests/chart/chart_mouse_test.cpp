#include "chart_test_util.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QProxyStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct MouseFixture : ChartWithAxesFixture {
    void SetUp() override
    {
        ChartWithAxesFixture::SetUp();
        ASSERT_EQ(chart->PlotRect(), (ChartRect{31, 12, 485, 278}));
    }
};

TEST_F(MouseFixture, LeftDragZoomsToTheRectangle)
{
    const double x0 = bottom->ScreenToValue(100), x1 = bottom->ScreenToValue(200);
    const double y0 = left->ScreenToValue(80), y1 = left->ScreenToValue(20);
    EXPECT_NEAR(x0, 69.0 / 454 * 200, 1e-9);
    EXPECT_NEAR(y1, 258.0 / 266 * 500, 1e-9);
    const int renders = chart->RenderCount();

    chart->OnLeftDown({100, 20});
    chart->OnMouseMove({150, 50});
    chart->OnMouseMove({200, 80});
    EXPECT_TRUE(chart->IsZooming());
    EXPECT_EQ(chart->ZoomEnd(), (ChartPoint{200, 80}));
    EXPECT_EQ(chart->RenderCount(), renders);  // the rectangle is drawn over the stored image
    chart->OnLeftUp({200, 80});

    EXPECT_FALSE(chart->IsZooming());
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), x0);
    EXPECT_DOUBLE_EQ(bottom->RangeMax(), x1);
    EXPECT_DOUBLE_EQ(left->RangeMin(), y0);  // lower edge: new minimum
    EXPECT_DOUBLE_EQ(left->RangeMax(), y1);
    EXPECT_EQ(chart->RenderCount(), renders + 1);
    EXPECT_EQ(bottom->UnzoomedMax(), 200);
}

TEST_F(MouseFixture, DraggingBackwardsUndoesEveryAxis)
{
    CChartStandardAxis* right = chart->CreateAxisAt(RightAxis);
    right->SetRange(0, 1);
    chart->OnLeftDown({100, 20});
    chart->OnMouseMove({200, 80});
    chart->OnLeftUp({200, 80});
    ASSERT_NE(bottom->RangeMax(), 200);
    ASSERT_NE(right->RangeMax(), 1);
    right->PanBy(100, 120);

    const int renders = chart->RenderCount();
    chart->OnLeftDown({300, 200});
    chart->OnMouseMove({299, 250});  // a pixel to the left is enough
    chart->OnLeftUp({299, 250});
    EXPECT_EQ(chart->RenderCount(), renders + 1);
    EXPECT_EQ(bottom->RangeMin(), 0);
    EXPECT_EQ(bottom->RangeMax(), 200);
    EXPECT_EQ(left->RangeMax(), 500);
    EXPECT_EQ(right->RangeMin(), 0);
    EXPECT_EQ(right->RangeMax(), 1);

    // Upwards undoes too.
    chart->OnLeftDown({100, 20});
    chart->OnMouseMove({200, 80});
    chart->OnLeftUp({200, 80});
    chart->OnLeftDown({100, 100});
    chart->OnMouseMove({400, 30});
    chart->OnLeftUp({400, 30});
    EXPECT_EQ(bottom->RangeMax(), 200);
}

TEST_F(MouseFixture, ClickOrOneDirectionalDragChangesNothing)
{
    const int renders = chart->RenderCount();
    chart->OnLeftDown({100, 50});
    chart->OnLeftUp({100, 50});
    chart->OnLeftDown({100, 50});
    chart->OnMouseMove({300, 50});
    chart->OnLeftUp({300, 50});
    EXPECT_EQ(bottom->RangeMax(), 200);
    EXPECT_EQ(left->RangeMax(), 500);
    EXPECT_EQ(chart->RenderCount(), renders);

    chart->SetZoomEnabled(false);
    chart->OnLeftDown({100, 20});
    chart->OnMouseMove({200, 80});
    chart->OnLeftUp({200, 80});
    EXPECT_FALSE(chart->IsZooming());
    EXPECT_EQ(bottom->RangeMax(), 200);
}

TEST(ChartMouse, RightDragPansOneRenderPerMove)
{
    // Bottom axis only, 418 px wide: the axis spans 400 pixels.
    RecordedChart chart(418, 300);
    CChartStandardAxis* bottom = chart.CreateAxisAt(BottomAxis);
    bottom->SetRange(0, 200);
    ASSERT_EQ(bottom->EndPx() - bottom->StartPx(), 400);

    const int renders = chart.RenderCount();
    chart.OnRightDown({100, 100});
    chart.OnMouseMove({110, 100});
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), -5);
    EXPECT_DOUBLE_EQ(bottom->RangeMax(), 195);
    EXPECT_EQ(chart.RenderCount(), renders + 1);
    chart.OnMouseMove({110, 100});  // same point: nothing
    EXPECT_EQ(chart.RenderCount(), renders + 1);
    chart.OnMouseMove({90, 100});
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 5);
    chart.OnRightUp({90, 100});
    EXPECT_FALSE(chart.IsPanning());
    chart.OnMouseMove({10, 100});
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 5);
    // The un-zoomed range stays: a backward drag restores it.
    EXPECT_EQ(bottom->UnzoomedMin(), 0);
}

TEST_F(MouseFixture, CursorStaysUnlessHiddenInThePlot)
{
    chart->OnMouseMove({200, 100});
    EXPECT_EQ(chart->cursor().shape(), Qt::ArrowCursor);
    chart->SetShowCursorInPlot(false);
    chart->OnMouseMove({200, 100});
    EXPECT_EQ(chart->cursor().shape(), Qt::BlankCursor);
    chart->OnMouseMove({5, 5});
    EXPECT_EQ(chart->cursor().shape(), Qt::ArrowCursor);
}

TEST(ChartMouse, ZoomRectangleIsPaintedOverTheImage)
{
    CChartCtrl chart;
    chart.resize(500, 300);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    chart.CreateAxisAt(LeftAxis)->SetRange(0, 500);
    chart.grab();
    const int renders = chart.RenderCount();
    chart.OnLeftDown({100, 20});
    chart.OnMouseMove({200, 80});
    const QImage shot = chart.grab().toImage();
    EXPECT_EQ(shot.pixelColor(150, 20), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(200, 50), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(100, 50), QColor(Qt::white));
    EXPECT_NE(chart.OffscreenImage().pixelColor(150, 20), QColor(Qt::white));
    EXPECT_EQ(chart.RenderCount(), renders);
}

TEST(ChartMouse, RealMouseEventsZoomAndPan)
{
    CChartCtrl chart;
    chart.resize(500, 300);
    CChartStandardAxis* bottom = chart.CreateAxisAt(BottomAxis);
    bottom->SetRange(0, 200);
    chart.CreateAxisAt(LeftAxis)->SetRange(0, 500);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));

    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(100, 20));
    QTest::mouseMove(&chart, QPoint(200, 80));
    EXPECT_TRUE(chart.IsZooming());
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, QPoint(200, 80));
    EXPECT_GT(bottom->RangeMin(), 0);
    EXPECT_LT(bottom->RangeMax(), 200);

    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(200, 80));
    QTest::mouseMove(&chart, QPoint(100, 20));
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, QPoint(100, 20));
    EXPECT_EQ(bottom->RangeMin(), 0);
    EXPECT_EQ(bottom->RangeMax(), 200);

    QTest::mousePress(&chart, Qt::RightButton, {}, QPoint(200, 100));
    EXPECT_TRUE(chart.IsPanning());
    // The right button belongs to panning: a context menu request stops at the chart.
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(200, 100), chart.mapToGlobal(QPoint(200, 100)));
    menu.ignore();
    QApplication::sendEvent(&chart, &menu);
    EXPECT_TRUE(menu.isAccepted());
    QTest::mouseMove(&chart, QPoint(250, 100));
    QTest::mouseRelease(&chart, Qt::RightButton, {}, QPoint(250, 100));
    EXPECT_FALSE(chart.IsPanning());
    EXPECT_LT(bottom->RangeMin(), 0);
}

TEST_F(MouseFixture, KeyboardPansZoomsAndUndoes)
{
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    EXPECT_EQ(chart->focusPolicy(), Qt::StrongFocus);
    const double step = 10.0 / 454 * 200;  // 10 px of the bottom axis
    QTest::keyClick(chart.get(), Qt::Key_Right);
    EXPECT_NEAR(bottom->RangeMin(), step, 1e-9);
    EXPECT_NEAR(bottom->RangeMax(), 200 + step, 1e-9);
    QTest::keyClick(chart.get(), Qt::Key_Up);
    EXPECT_GT(left->RangeMin(), 0);
    QTest::keyClick(chart.get(), Qt::Key_Plus);
    EXPECT_NEAR(bottom->RangeMax() - bottom->RangeMin(), 100, 1);
    QTest::keyClick(chart.get(), Qt::Key_Home);
    EXPECT_EQ(bottom->RangeMin(), 0);
    EXPECT_EQ(left->RangeMax(), 500);
    EXPECT_FALSE(chart->HandleKey(Qt::Key_A));
}

struct ScrollFixture : MouseFixture {
    void SetUp() override
    {
        MouseFixture::SetUp();
        CChartLineSerie* s = chart->AddLineSerie();
        const auto xs = Ramp(200);
        s->SetXYData(xs.data(), xs.data(), 200);
    }
};

TEST_F(ScrollFixture, BarsAreHiddenAndPlacedInsideThePlot)
{
    CChartScrollBar* bar = bottom->ScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(bar->orientation(), Qt::Horizontal);
    EXPECT_EQ(left->ScrollBar()->orientation(), Qt::Vertical);
    const ChartRect p = chart->PlotRect();
    const int t = bar->Thickness();
    EXPECT_EQ(bar->geometry(), QRect(QPoint(p.left + 1, p.bottom - t), QPoint(p.right - 1, p.bottom - 1)));
    EXPECT_EQ(left->ScrollBar()->geometry(), QRect(QPoint(p.left + 1, p.top + 1), QPoint(p.left + t, p.bottom - 1)));

    // Redraws on the same plotting rectangle leave the bars where they are; a style with thicker
    // bars places them anew.
    struct Thick : QProxyStyle {
        int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override
        {
            return m == PM_ScrollBarExtent ? 31 : QProxyStyle::pixelMetric(m, o, w);
        }
    };
    chart->RedrawChart();
    EXPECT_EQ(bar->geometry(), QRect(QPoint(p.left + 1, p.bottom - t), QPoint(p.right - 1, p.bottom - 1)));
    auto* thick = new Thick;
    bar->setStyle(thick);
    EXPECT_EQ(bar->geometry(), QRect(QPoint(p.left + 1, p.bottom - 31), QPoint(p.right - 1, p.bottom - 1)));
    bar->setStyle(nullptr);
    delete thick;
    EXPECT_EQ(bar->geometry(), QRect(QPoint(p.left + 1, p.bottom - t), QPoint(p.right - 1, p.bottom - 1)));

    // Enabled and auto-hiding: shown only while the mouse is over it.
    bar->SetEnabled(true);
    EXPECT_TRUE(bar->isHidden());
    chart->OnMouseMove({(p.left + p.right) / 2, p.bottom - t / 2 - 1});
    EXPECT_FALSE(bar->isHidden());
    chart->OnMouseMove({(p.left + p.right) / 2, p.top + 40});
    EXPECT_TRUE(bar->isHidden());
    bar->SetAutoHide(false);
    EXPECT_FALSE(bar->isHidden());
}

TEST_F(ScrollFixture, StepsAndPositionsFollowTheRange)
{
    CChartScrollBar* bar = bottom->ScrollBar();
    // Data 0..199, range 0..200: ceil(199 / 20) = 10 steps, none to scroll.
    EXPECT_EQ(bar->Hi(), 9);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_FALSE(bar->isEnabled());

    bottom->ZoomTo(50, 100);  // ceil(199 / 5) = 40 steps at trunc(50 / 199 * 40) = 10
    EXPECT_EQ(bar->Hi(), 39);
    EXPECT_EQ(bar->Position(), 10);
    EXPECT_TRUE(bar->isEnabled());

    chart->OnScroll(bar, CChartScrollBar::LineDown, 0);
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 55);
    EXPECT_DOUBLE_EQ(bottom->RangeMax(), 105);
    EXPECT_EQ(bar->Position(), 11);
    chart->OnScroll(bar, CChartScrollBar::PageDown, 0);
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 105);
    chart->OnScroll(bar, CChartScrollBar::LineUp, 0);
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 100);
    chart->OnScroll(bar, CChartScrollBar::EndScroll, 0);
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 100);
    chart->OnScroll(bar, CChartScrollBar::Top, 0);
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 0);
    EXPECT_EQ(bar->Position(), 0);

    // A vertical bar runs downwards: its position is steps - pos - 9, and a step down
    // lowers the range.
    left->ZoomTo(50, 100);
    CChartScrollBar* vbar = left->ScrollBar();
    EXPECT_EQ(vbar->Position(), 40 - 10 - 9);
    chart->OnScroll(vbar, CChartScrollBar::LineDown, 0);
    EXPECT_DOUBLE_EQ(left->RangeMin(), 45);
    EXPECT_DOUBLE_EQ(left->RangeMax(), 95);

    // The platform bar's own arrows take the same path.
    bottom->ZoomTo(50, 100);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 55);
}

TEST_F(ScrollFixture, HugeZoomKeepsStepCountsBounded)
{
    bottom->ZoomTo(1, 1 + 1e-300);  // limited to 0.001 anyway
    CChartScrollBar* bar = bottom->ScrollBar();
    EXPECT_GT(bar->Hi(), 100000);
    EXPECT_LE(bar->Hi(), 1000000);
    left->SetRange(0, 1e-300);
    left->ZoomTo(0, 1e-300);
    EXPECT_LE(left->ScrollBar()->Hi(), 1000000);
}

}  // namespace

namespace {

// The end of a scroll gesture only redraws: the range stays exactly as it is, even one
// narrower than the zoom limit (which any zoom step would widen).
TEST_F(ScrollFixture, EndOfScrollLeavesTheRangeAlone)
{
    bottom->SetRange(10, 10.0005);
    CChartScrollBar* bar = bottom->ScrollBar();
    const int position = bar->Position();
    const int renders = chart->RenderCount();
    chart->OnScroll(bar, CChartScrollBar::EndScroll, 0);
    EXPECT_EQ(bottom->RangeMin(), 10);
    EXPECT_EQ(bottom->RangeMax(), 10.0005);
    EXPECT_EQ(bar->Position(), position);
    EXPECT_EQ(chart->RenderCount(), renders + 1);
}

}  // namespace

namespace {

// Before the next redraw places them, new bars lie inside the plotting rectangle (moved in by
// one pixel at left and top), each against its axis' edge.
TEST(ChartScroll, NewBarsStartAgainstTheirEdge)
{
    RecordedChart chart(500, 300);
    chart.RedrawChart();
    const ChartRect p = chart.PlotRect();
    ASSERT_EQ(p, (ChartRect{3, 3, 497, 297}));
    const int t = chart.CreateAxisAt(BottomAxis)->ScrollBar()->Thickness();
    EXPECT_EQ(chart.AxisAt(BottomAxis)->ScrollBar()->geometry(), QRect(QPoint(4, 297 - t), QPoint(496, 296)));
    EXPECT_EQ(chart.CreateAxisAt(TopAxis)->ScrollBar()->geometry(), QRect(QPoint(4, 4), QPoint(496, 3 + t)));
    EXPECT_EQ(chart.CreateAxisAt(LeftAxis)->ScrollBar()->geometry(), QRect(QPoint(4, 4), QPoint(3 + t, 296)));
    EXPECT_EQ(chart.CreateAxisAt(RightAxis)->ScrollBar()->geometry(), QRect(QPoint(497 - t, 4), QPoint(496, 296)));
}

}  // namespace

namespace {

// Scrolling to the end shows the last page of the data, not a view beyond it: the range
// follows the bar's kept position (steps - 10 at most).
TEST_F(ScrollFixture, ScrollingToTheEndStopsAtTheLastPage)
{
    bottom->ZoomTo(50, 100);  // 40 steps of 5 at position 10
    CChartScrollBar* bar = bottom->ScrollBar();
    chart->OnScroll(bar, CChartScrollBar::Bottom, 0);
    EXPECT_EQ(bar->Position(), 30);
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 150);
    EXPECT_DOUBLE_EQ(bottom->RangeMax(), 200);
    chart->OnScroll(bar, CChartScrollBar::PageDown, 0);  // already on the last page
    EXPECT_DOUBLE_EQ(bottom->RangeMin(), 150);
}

}  // namespace

namespace {

// Points set while redrawing is suspended: the bars of manual axes end as they would have had
// they followed every set of points at once, also when a series is hidden or all are deleted
// before redrawing resumes; an automatic range follows the points at once.
TEST(ChartScroll, BarsFollowPointsSetWhileRedrawingIsSuspended)
{
    const auto xs = Ramp(200), shifted = Ramp(200, -300), ys = Ramp(200, 0, 3);
    const auto state = [](CChartCtrl& chart) {
        std::vector<int> out;
        for (AxisPosition pos : {BottomAxis, LeftAxis}) {
            const CChartScrollBar* bar = chart.AxisAt(pos)->ScrollBar();
            out.insert(out.end(), {bar->Hi(), bar->Position(), bar->minimum(), bar->maximum(), bar->value(),
                                   bar->sliderPosition(), bar->isEnabled() ? 1 : 0});
        }
        return out;
    };
    // The same steps on two charts, once with redrawing on and once inside one suspension.
    std::vector<int> states[2];
    for (int suspended = 0; suspended < 2; ++suspended) {
        CChartCtrl chart;
        chart.resize(500, 300);
        chart.CreateAxisAt(BottomAxis)->SetRange(0, 50);
        chart.CreateAxisAt(LeftAxis)->SetRange(0, 100);
        CChartLineSerie* a = chart.AddLineSerie();
        CChartLineSerie* b = chart.AddLineSerie();
        for (int round = 0; round < 3; ++round) {
            if (suspended)
                chart.EnableRedraw(false);
            a->SetXYData(xs.data(), ys.data(), 200);
            b->SetXYData(shifted.data(), xs.data(), round == 0 ? 200 : 20);
            if (round == 1)
                b->SetVisible(false);
            if (round == 2) {
                chart.DeleteAllSeries();
                a = chart.AddLineSerie();
                b = chart.AddLineSerie();
                a->SetXYData(xs.data(), xs.data(), 100);
                chart.DeleteAllSeries();
            }
            if (suspended)
                chart.EnableRedraw(true);
            states[suspended].push_back(-1);
            for (int v : state(chart))
                states[suspended].push_back(v);
        }
        // An automatic range follows at once, suspended or not.
        chart.EnableRedraw(false);
        chart.AxisAt(LeftAxis)->SetAutomatic(true);
        CChartLineSerie* c = chart.AddLineSerie();
        c->SetXYData(xs.data(), ys.data(), 200);
        EXPECT_EQ(chart.AxisAt(LeftAxis)->RangeMax(), 597);
        chart.EnableRedraw(true);
    }
    EXPECT_EQ(states[1], states[0]);
    // The bottom bar had something to scroll in every round.
    EXPECT_GT(states[0][1], 10);
}

}  // namespace
