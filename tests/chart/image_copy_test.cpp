// Showing a picture by copying its pixels, and filling lines and rectangles by writing them: the
// same pixels as the painter's own drawing, within the area being repainted, and left to the
// painter whenever its drawing would be more than that.
#include "chart/chart_ctrl.h"
#include "chart/image_copy.h"

#include <QPaintEngine>
#include <functional>
#include <gtest/gtest.h>

namespace {

// An RGB32 picture with a pattern, alpha bytes included as Qt keeps them.
QImage Pattern(int w, int h)
{
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(x * 7, y * 13, (x ^ y) * 5);
    }
    return picture;
}

TEST(CopyOpaqueImage, CopiesWhatDrawingWouldAndOnlyWhereItMay)
{
    const QImage picture = Pattern(40, 30);
    const QRegion repainted = QRegion(5, 6, 20, 8) + QRegion(30, 20, 25, 30);
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
        QImage copied(60, 50, format), drawn(60, 50, format);
        copied.fill(Qt::magenta);
        drawn.fill(Qt::magenta);
        {
            // A window's painter: limited to the area being repainted, translated to the widget.
            QPainter p(&copied);
            p.paintEngine()->setSystemClip(repainted);
            p.translate(4, 3);
            EXPECT_TRUE(CopyOpaqueImage(p, QPoint(-2, 1), picture, QRect(3, 2, 60, 20))) << format;
            p.end();
            p.begin(&drawn);
            p.setClipRegion(repainted);
            p.translate(4, 3);
            p.drawImage(QPoint(-2, 1), picture, QRect(3, 2, 60, 20));
        }
        EXPECT_TRUE(copied == drawn) << format;

        // Filling with an opaque colour, likewise; a see-through one is left to the painter.
        const QColor grey(0xd0, 0xd1, 0xd2);
        {
            QPainter p(&copied);
            p.paintEngine()->setSystemClip(repainted);
            p.translate(4, 3);
            const OpaqueImageTarget target(p);
            EXPECT_TRUE(target.Fill(QRect(0, 0, 50, 1), grey)) << format;
            EXPECT_TRUE(target.Fill(QRect(20, 0, 1, 40), grey)) << format;
            EXPECT_FALSE(target.Fill(QRect(0, 5, 50, 2), QColor(0, 0, 255, 128))) << format;
            // A picture on a filled rectangle: across the repainted area's edges, and a rectangle
            // without picture.
            EXPECT_TRUE(target.CopyOnGround(QRect(-2, 4, 45, 30), grey, QPoint(10, 12), picture.copy(0, 0, 25, 9))) << format;
            EXPECT_TRUE(target.CopyOnGround(QRect(40, 30, 8, 6), Qt::darkGreen, QPoint(40, 30), QImage())) << format;
            EXPECT_FALSE(target.CopyOnGround(QRect(0, 0, 9, 9), QColor(0, 0, 255, 128), QPoint(), QImage())) << format;
            EXPECT_FALSE(target.CopyOnGround(QRect(0, 0, 9, 9), grey, QPoint(),
                                             picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)))
                << format;
            p.end();
            p.begin(&drawn);
            p.setClipRegion(repainted);
            p.translate(4, 3);
            p.fillRect(QRect(0, 0, 50, 1), grey);
            p.fillRect(QRect(20, 0, 1, 40), grey);
            p.fillRect(QRect(-2, 4, 45, 30), grey);
            p.drawImage(QPoint(10, 12), picture.copy(0, 0, 25, 9));
            p.fillRect(QRect(40, 30, 8, 6), Qt::darkGreen);
        }
        EXPECT_TRUE(copied == drawn) << format;
    }

    // Left to the painter: nothing copied.
    QImage target(60, 50, QImage::Format_RGB32);
    const auto declined = [&](const char* what, const std::function<void(QPainter&)>& set, const QImage& from) {
        target.fill(Qt::magenta);
        QPainter p(&target);
        p.paintEngine()->setSystemClip(QRegion(target.rect()));
        set(p);
        EXPECT_FALSE(CopyOpaqueImage(p, QPoint(1, 1), from, from.rect())) << what;
        p.end();
        EXPECT_EQ(target.pixel(5, 5), QColor(Qt::magenta).rgb()) << what;
    };
    declined("scaled", [](QPainter& p) { p.scale(2, 2); }, picture);
    declined("half a pixel off", [](QPainter& p) { p.translate(0.5, 0); }, picture);
    declined("see-through", [](QPainter& p) { p.setOpacity(0.5); }, picture);
    declined("a clip of its own", [](QPainter& p) { p.setClipRect(0, 0, 10, 10); }, picture);
    declined("another way of combining", [](QPainter& p) { p.setCompositionMode(QPainter::CompositionMode_Multiply); }, picture);
    declined("a picture with alpha", [](QPainter&) {}, picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    declined("no area given", [](QPainter& p) { p.paintEngine()->setSystemClip(QRegion()); }, picture);
    QImage small(60, 50, QImage::Format_RGB16);
    QPainter p(&small);
    EXPECT_FALSE(CopyOpaqueImage(p, QPoint(), picture, picture.rect())) << "an image of another depth";
}

// A chart shown in part, at an offset, into either kind of window image: exactly its picture
// there, and nothing around it.
TEST(CopyOpaqueImage, ChartRepaintsShowItsPicture)
{
    CChartCtrl chart;
    chart.resize(300, 120);
    chart.CreateAxisAt(BottomAxis)->SetRange(0, 10);
    chart.CreateAxisAt(LeftAxis)->SetRange(0, 10);
    const double xs[] = {0, 3, 6, 10}, ys[] = {1, 9, 2, 8};
    chart.AddLineSerie()->SetXYData(xs, ys, 4);
    chart.RedrawChart();
    const QRegion part = QRegion(10, 10, 100, 40) + QRegion(150, 60, 120, 50);
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
        QImage shown(340, 160, format), expected(340, 160, format);
        shown.fill(Qt::magenta);
        expected.fill(Qt::magenta);
        // The top left corner of the part shown lands at the offset.
        chart.render(&shown, QPoint(13, 17), part, QWidget::RenderFlags());
        const QPoint at = QPoint(13, 17) - part.boundingRect().topLeft();
        QPainter p(&expected);
        p.setClipRegion(part.translated(at));
        p.drawImage(at, chart.OffscreenImage());
        p.end();
        EXPECT_TRUE(shown == expected) << format;
    }
}

} // namespace
