#include <gtest/gtest.h>

#include <QImage>
#include <QtTest/QTest>

#include "app/accessibility.h"
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

// Assistive technology reads the shown text (name, value, text interface) with the layout's fixed
// name as the description, and hears every change; a live label is announced at once (alert).
TEST(ZCStatic, ShownTextReachesAssistiveTechnologyWithEveryChange)
{
    struct Seen {
        QAccessible::Event type;
        QString value;
    };
    std::vector<Seen> seen;
    SetAccessibleEventObserver([&seen](QAccessibleEvent* e) {
        QString value;
        if (e->type() == QAccessible::ValueChanged)
            value = static_cast<QAccessibleValueChangeEvent*>(e)->value().toString();
        else if (e->type() == QAccessible::TextUpdated)
            value = static_cast<QAccessibleTextUpdateEvent*>(e)->textInserted();
        else
            value = e->accessibleInterface()->text(QAccessible::Name);
        seen.push_back({e->type(), value});
    });
    auto types = [&seen] {
        std::vector<QAccessible::Event> t;
        for (const Seen& s : seen)
            t.push_back(s.type);
        return t;
    };

    ZCStatic status;
    status.setAccessibleDescription(QStringLiteral("操作提示"));
    status.SetLiveRegion(true);
    const QString prompt = QStringLiteral("[准备时间4秒] 请不要触摸面板");
    status.setText(prompt);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&status);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->text(QAccessible::Name), prompt);
    EXPECT_EQ(iface->text(QAccessible::Value), prompt);
    EXPECT_EQ(iface->text(QAccessible::Description), QStringLiteral("操作提示"));
    ASSERT_NE(iface->textInterface(), nullptr);
    EXPECT_EQ(iface->textInterface()->characterCount(), prompt.size());
    EXPECT_EQ(iface->textInterface()->text(0, 99), prompt);
    EXPECT_EQ(iface->textInterface()->text(1, 3), prompt.mid(1, 2));
    EXPECT_EQ(types(), (std::vector<QAccessible::Event>{QAccessible::ValueChanged, QAccessible::TextUpdated,
                                                        QAccessible::Alert}));
    EXPECT_EQ(seen[0].value, prompt);
    EXPECT_EQ(seen[2].value, prompt) << "the alert carries the new text";

    // The same text again is no change; an empty label reads as empty.
    seen.clear();
    status.setText(prompt);
    EXPECT_TRUE(seen.empty());
    status.setText(QString());
    EXPECT_EQ(iface->text(QAccessible::Name), QString());
    EXPECT_EQ(iface->text(QAccessible::Description), QStringLiteral("操作提示"));
    EXPECT_EQ(seen.size(), 3u);

    // A label that is not live is not announced, only updated.
    seen.clear();
    ZCStatic keys;
    keys.setText(QStringLiteral("TK0    TK1    "));
    EXPECT_EQ(types(), (std::vector<QAccessible::Event>{QAccessible::ValueChanged, QAccessible::TextUpdated}));
    SetAccessibleEventObserver({});
}
