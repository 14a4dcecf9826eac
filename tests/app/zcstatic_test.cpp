#include <gtest/gtest.h>

#include <QImage>
#include <QtTest/QTest>

#include "app/zcstatic.h"

namespace {

// Counts the pixels of one colour in a grabbed label.
int CountColour(const QImage& img, const QColor& c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c)
                ++n;
    return n;
}

} // namespace

TEST(ZCStatic, ColourRefLayoutIsBGR)
{
    EXPECT_EQ(ColorFromRef(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromRef(0x006400), QColor(0, 100, 0));
    EXPECT_EQ(ColorFromRef(0xFF0000), QColor(0, 0, 255));
}

TEST(ZCStatic, RedTextOnGreyBackgroundOverTheWholeLabel)
{
    ZCStatic label;
    label.resize(200, 20);
    QFont f = label.font();
    f.setPixelSize(16);
    label.setFont(f);
    label.setText(QStringLiteral("检测完成！ TK0"));
    label.SetTextColorRedraw(0x0000FF);
    EXPECT_EQ(label.TextColor(), 0x0000FFu);
    EXPECT_EQ(label.BkColor(), 0xF0F0F0u);

    const QImage img = label.grab().toImage();
    const int grey = CountColour(img, QColor(0xF0, 0xF0, 0xF0));
    // The corners and the area far right of the text are background.
    EXPECT_EQ(img.pixelColor(0, 0), QColor(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(img.pixelColor(img.width() - 1, img.height() - 1), QColor(0xF0, 0xF0, 0xF0));
    EXPECT_GT(grey, img.width() * img.height() / 2);
    EXPECT_GT(CountColour(img, QColor(255, 0, 0)), 0);

    // A new text keeps the last colour.
    label.setText(QStringLiteral("另一行"));
    const QImage again = label.grab().toImage();
    EXPECT_GT(CountColour(again, QColor(255, 0, 0)), 0);
    EXPECT_EQ(CountColour(again, QColor(0, 0, 0)), 0);
}

TEST(ZCStatic, SetTextColorRedrawPaintsBeforeReturning)
{
    // A label that counts its paint events: the colour change must paint synchronously.
    struct Counting : ZCStatic {
        int paints = 0;
        void paintEvent(QPaintEvent* e) override
        {
            ++paints;
            ZCStatic::paintEvent(e);
        }
    } label;
    label.resize(100, 20);
    label.setText(QStringLiteral("x"));
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    const int before = label.paints;
    label.SetTextColorRedraw(0x006400);
    EXPECT_GT(label.paints, before);
}

TEST(ZCStatic, LongTextWrapsOntoTheNextLine)
{
    // Like a left-aligned static control: words that pass the right edge continue on the line
    // below instead of being cut off.
    ZCStatic label;
    QFont f = label.font();
    f.setPixelSize(12);
    label.setFont(f);
    label.resize(120, 40);
    label.setText(QStringLiteral("文件已导出： /home/user/project/touch_cfg.h"));
    label.SetTextColorRedraw(0x0000FF);
    const QImage img = label.grab().toImage();
    int lowerRed = 0;
    for (int y = 20; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == QColor(255, 0, 0))
                ++lowerRed;
    EXPECT_GT(lowerRed, 0);
}
