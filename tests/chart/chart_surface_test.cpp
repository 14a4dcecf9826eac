#include "chart_test_util.h"

#include <QFontInfo>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const QColor kRed(255, 0, 0);

int CountColour(const QImage& image, const QColor& colour, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

// Pixels darker than mid-grey (text is antialiased).
int CountDark(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y).lightness() < 128;
    return n;
}

class SurfaceTest : public ::testing::TestWithParam<QImage::Format> {
protected:
    QImage image{100, 80, GetParam()};
    void SetUp() override { image.fill(Qt::white); }
};

TEST_P(SurfaceTest, ThinLinesLeaveOutTheirEndPixel)
{
    {
        QPainterChartSurface s(&image);
        s.SetPen(ChartPenStyle::Solid, 1, 0x0000FF);
        s.MoveTo(10, 10);
        s.LineTo(20, 10);
        s.MoveTo(30, 5);
        s.LineTo(30, 15);
        s.MoveTo(40, 40);
        s.LineTo(40, 40);  // nothing
    }
    EXPECT_EQ(CountColour(image, kRed, QRect(0, 10, 25, 1)), 10);
    EXPECT_EQ(image.pixelColor(19, 10), kRed);
    EXPECT_NE(image.pixelColor(20, 10), kRed);
    EXPECT_EQ(image.pixelColor(30, 5), kRed);
    EXPECT_NE(image.pixelColor(30, 15), kRed);
    EXPECT_NE(image.pixelColor(40, 40), kRed);
}

TEST_P(SurfaceTest, WidePolylineIsThickAndClipped)
{
    const ChartPoint pts[] = {{-1000000, 50}, {50, 50}, {1000000, 50}};
    {
        QPainterChartSurface s(&image);
        s.SetPen(ChartPenStyle::Solid, 2, 0x0000FF);
        s.IntersectClip({10, 0, 60, 80});
        s.Polyline(pts, 3);
        s.ResetClip();
    }
    // Two rows, from x 10 to 59 only.
    EXPECT_EQ(CountColour(image, kRed, image.rect()), 2 * 50);
    EXPECT_EQ(image.pixelColor(10, 50), kRed);
    EXPECT_EQ(image.pixelColor(59, 50), kRed);
    EXPECT_NE(image.pixelColor(60, 50), kRed);
    EXPECT_NE(image.pixelColor(9, 50), kRed);
}

TEST_P(SurfaceTest, DiagonalSegmentsToFarPointsStayInsideTheClip)
{
    const ChartPoint pts[] = {{20, 70}, {21, -1000000}, {40, 70}, {1 << 20, 1 << 20}};
    {
        QPainterChartSurface s(&image);
        s.SetPen(ChartPenStyle::Solid, 2, 0x0000FF);
        s.IntersectClip({5, 10, 90, 75});
        s.Polyline(pts, 4);
    }
    EXPECT_GT(CountColour(image, kRed, QRect(5, 10, 85, 65)), 60);
    EXPECT_EQ(CountColour(image, kRed, QRect(0, 0, 100, 10)), 0);
    EXPECT_EQ(CountColour(image, kRed, QRect(0, 75, 100, 5)), 0);
    EXPECT_EQ(image.pixelColor(20, 70), kRed);
}

TEST_P(SurfaceTest, ClipsIntersect)
{
    {
        QPainterChartSurface s(&image);
        s.IntersectClip({10, 10, 60, 60});
        s.IntersectClip({40, 0, 100, 80});
        s.SetPen(ChartPenStyle::Solid, 1, 0x0000FF);
        s.MoveTo(0, 20);
        s.LineTo(100, 20);
        s.SetPen(ChartPenStyle::Solid, 2, 0x0000FF);
        const ChartPoint pts[] = {{0, 30}, {100, 30}};
        s.Polyline(pts, 2);
    }
    // Only x 40..59 of both lines: inside both rectangles.
    EXPECT_EQ(CountColour(image, kRed, QRect(0, 20, 100, 1)), 20);
    EXPECT_EQ(image.pixelColor(40, 20), kRed);
    EXPECT_NE(image.pixelColor(60, 20), kRed);
    EXPECT_EQ(CountColour(image, kRed, QRect(0, 0, 100, 80)), 20 + 2 * 20);
}

TEST_P(SurfaceTest, FillEdgeAndText)
{
    {
        QPainterChartSurface s(&image);
        s.FillRect({0, 0, 100, 80}, 0x00FF00);
        s.DrawRaisedEdge({0, 0, 100, 80});
        ChartFont font;
        font.size = 100;
        const ChartSize size = s.MeasureText("Wg", font);
        EXPECT_GT(size.cx, 8);
        EXPECT_GE(size.cy, 12);
        s.DrawText(10, 10, "Wg", font, 0x000000);
        font.vertical = true;
        s.DrawText(60, 70, "Wg", font, 0x000000);
    }
    EXPECT_EQ(image.pixelColor(0, 0), QColor(227, 227, 227));
    EXPECT_EQ(image.pixelColor(99, 79), QColor(105, 105, 105));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(50, 40), QColor(0, 255, 0));
    // Horizontal text below and right of its corner; vertical text above its start point.
    EXPECT_GT(CountDark(image, QRect(10, 10, 30, 20)), 5);
    EXPECT_EQ(CountDark(image, QRect(10, 0, 30, 9)), 0);
    EXPECT_GT(CountDark(image, QRect(60, 40, 20, 30)), 5);
    EXPECT_EQ(CountDark(image, QRect(60, 71, 20, 7)), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, SurfaceTest,
                         ::testing::Values(QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888));

// Lines of 1 and 2 pixels wholly inside the clip take a shorter path; whether a line takes it or
// not must not change a pixel. Every pair of points around the clip's edges (every direction and
// slope, inside, touching and crossing the edges), as single lines and as one polyline, for pens
// of 1 to 3 pixels.
TEST(ChartSurfaceLines, ShortPathSetsTheSamePixelsAsTheGeneralOne)
{
    const ChartRect clip{5, 4, 27, 21};
    const int xs[] = {3, 4, 5, 6, 14, 25, 26, 27, 29};
    const int ys[] = {2, 3, 4, 5, 11, 19, 20, 21, 23};
    std::vector<ChartPoint> points;
    for (int x : xs)
        for (int y : ys)
            points.push_back({x, y});
    // Either one line from a to b (LineTo, which leaves out the end pixel of thin lines, and a
    // two-point polyline, side by side) or the polyline through every point.
    const auto draw = [&](bool shortPath, int width, ChartPoint a, ChartPoint b, bool all) {
        QImage image(64, 26, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainterChartSurface s(&image);
        s.SetShortLinePath(shortPath);
        s.SetPen(ChartPenStyle::Solid, width, 0x0000FF);
        s.IntersectClip(clip);
        if (all) {
            s.Polyline(points.data(), int(points.size()));
            return image;
        }
        s.MoveTo(a.x, a.y);
        s.LineTo(b.x, b.y);
        s.ResetClip();
        s.IntersectClip(clip.Offset(32, 0));
        const ChartPoint pair[] = {{a.x + 32, a.y}, {b.x + 32, b.y}};
        s.Polyline(pair, 2);
        return image;
    };
    int mismatches = 0;
    for (int width = 1; width <= 3; ++width) {
        for (const ChartPoint& a : points)
            for (const ChartPoint& b : points)
                if (draw(true, width, a, b, false) != draw(false, width, a, b, false) && ++mismatches <= 5)
                    ADD_FAILURE() << "width " << width << ": " << a.x << "," << a.y << " to " << b.x << "," << b.y;
        EXPECT_EQ(draw(true, width, {}, {}, true), draw(false, width, {}, {}, true)) << "width " << width;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ChartFonts, PointSizesAndFallbackFaces)
{
    EXPECT_EQ(ChartFontPixelSize(80, 96), 11);
    EXPECT_EQ(ChartFontPixelSize(100, 96), 13);
    EXPECT_EQ(ChartFontPixelSize(100, 144), 20);
    EXPECT_EQ(ChartFontPixelSize(0, 96), 1);

    ChartFont sans;
    const QFont qs = ChartQFont(sans, 96);
    EXPECT_EQ(qs.pixelSize(), 13);
    EXPECT_TRUE(qs.families().contains("Liberation Sans"));
    ChartFont serif;
    serif.face = "Times New Roman";
    serif.bold = true;
    const QFont qserif = ChartQFont(serif, 96);
    EXPECT_TRUE(qserif.families().contains("Liberation Serif"));
    EXPECT_EQ(qserif.weight(), QFont::Bold);
    EXPECT_FALSE(QFontInfo(qserif).family().isEmpty());
}

TEST(ChartColours, LowByteIsRed)
{
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0x006400), QColor(0, 100, 0));
    EXPECT_EQ(ToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(FromQColor(QColor(64, 128, 128)), 0x808040u);
    EXPECT_EQ(ChartColourName(0x0080FF), "#ff8000");
}

// A whole chart with ranges and data that cannot be laid out sensibly still renders.
TEST(ChartDegenerate, WidgetRendersEveryDegenerateRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    const double ranges[][2] = {{1e15, 1e15 + 0.125}, {nan, nan}, {-inf, inf}, {200, 0}, {-1.7e308, 1.7e308}, {3, 3}, {0, 1e-310}};
    std::vector<double> xs = Ramp(200), ys(200);
    for (int i = 0; i < 200; ++i)
        ys[size_t(i)] = i % 3 == 0 ? 1e300 : i % 3 == 1 ? -1e300 : nan;
    ys[5] = inf;
    CChartCtrl chart;
    chart.resize(500, 150);
    CChartStandardAxis* bottom = chart.CreateAxisAt(BottomAxis);
    CChartStandardAxis* left = chart.CreateAxisAt(LeftAxis);
    CChartLineSerie* s = chart.AddLineSerie();
    s->SetPointOrder(NoOrder);
    s->SetXYData(xs.data(), ys.data(), 200);
    s->SetLineWidth(2);
    int renders = chart.RenderCount();
    for (const auto& r : ranges) {
        left->SetRange(r[0], r[1]);
        bottom->SetRange(r[1], r[0]);
        chart.OnRightDown({200, 50});
        chart.OnMouseMove({260, 90});
        chart.OnRightUp({260, 90});
        chart.OnLeftDown({100, 20});
        chart.OnMouseMove({300, 100});
        chart.OnLeftUp({300, 100});
        EXPECT_GT(chart.RenderCount(), renders);
        renders = chart.RenderCount();
    }
    EXPECT_EQ(chart.OffscreenImage().size(), QSize(500, 150));
}

}  // namespace
