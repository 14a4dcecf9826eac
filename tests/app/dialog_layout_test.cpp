#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "common/accessible_walk.h"
#include "app/dialog_layout.h"
#include "app/dialog_page.h"

TEST(DialogLayout, ParsesHeaderControlsEscapesAndStyles)
{
    const QString text = QStringLiteral(
        "# comment\r\n"
        "@dialog\t129\t681\t372\t8\t参数\r\n"
        "\r\n"
        "1098\tlabel\tIC型号\t23\t24\t30\t9\tbuddy=1029\r\n"
        "1029\tcombo\t\t52\t22\t64\t13\t\t\r\n"
        "-1\tgroup\t二\\n行\t7\t7\t420\t212\tdisabled,hidden\tframe\n");
    bool ok = false;
    const DialogTemplate t = DialogTemplate::Parse(text, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(t.id, 129);
    EXPECT_EQ(t.sizeDu, QSize(681, 372));
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.caption, QStringLiteral("参数"));
    ASSERT_EQ(t.controls.size(), 3u);
    EXPECT_EQ(t.controls[0].StyleValue(QStringLiteral("buddy")), QStringLiteral("1029"));
    EXPECT_EQ(t.controls[1].du, QRect(52, 22, 64, 13));
    EXPECT_EQ(t.controls[2].caption, QStringLiteral("二\n行"));
    EXPECT_TRUE(t.controls[2].HasStyle(QStringLiteral("hidden")));
    EXPECT_TRUE(t.controls[2].HasStyle(QStringLiteral("disabled")));
    EXPECT_EQ(t.controls[2].name, QStringLiteral("frame"));
    EXPECT_EQ(t.Find(1029), &t.controls[1]);
    EXPECT_EQ(t.Find(-1), nullptr);
    EXPECT_EQ(t.Find(5), nullptr);
}

TEST(DialogLayout, MalformedLinesAreSkippedAndReported)
{
    bool ok = true;
    const DialogTemplate t = DialogTemplate::Parse(
        QStringLiteral("@dialog\tx\n1\tbutton\tOK\t1\t2\n2\tbutton\tB\t1\t2\t3\t4\n"), &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(t.controls.size(), 1u);
    EXPECT_EQ(t.controls[0].id, 2);
    EXPECT_TRUE(DialogTemplate::Load(QStringLiteral("/nonexistent/dlg.txt")).controls.empty());
}

TEST(DialogUnits, ConvertsLikeTheDialogManager)
{
    DialogUnits u;
    u.bx = 6;
    u.by = 13;
    // x·6/4 and y·13/8, rounded half away from zero.
    EXPECT_EQ(u.ToPixels(QRect(7, 7, 420, 212)), QRect(11, 11, 630, 345));
    EXPECT_EQ(u.X(681), 1022);
    EXPECT_EQ(u.Y(372), 605);
    EXPECT_EQ(u.X(-3), -5);
    EXPECT_EQ(u.ToPixels(QSize(0, 0)), QSize(0, 0));
}

TEST(DialogUnits, BaseUnitsFollowTheFont)
{
    const QFont small = DialogFont(QStringLiteral("MS Shell Dlg"), 8);
    const QFont large = DialogFont(QStringLiteral("MS Shell Dlg"), 16);
    EXPECT_EQ(small.pixelSize(), 11);
    const DialogUnits a = DialogUnits::FromFont(small);
    const DialogUnits b = DialogUnits::FromFont(large);
    EXPECT_GT(a.bx, 0);
    EXPECT_GT(a.by, 0);
    EXPECT_GT(b.bx, a.bx);
    EXPECT_GT(b.by, a.by);
}

TEST(DialogPage, CreatesPlacesAndNamesControls)
{
    const DialogTemplate t = DialogTemplate::Parse(QStringLiteral(
        "@dialog\t1\t100\t50\t8\n"
        "1088\tlabel\t按下消抖次数\t22\t46\t69\t13\tbuddy=1059\n"
        "1059\tcombo\t\t21\t60\t70\t13\t\t\n"
        "1101\tedit\t\t483\t95\t60\t14\t\tTH0\n"
        "1067\tcheck\t&0\t490\t21\t15\t10\tdisabled\n"
        "-1\tgroup\t键位选择\t437\t7\t240\t50\t\t\n"));
    DialogPage page(t);
    auto* combo = page.controlAs<QComboBox>(1059);
    auto* label = page.controlAs<QLabel>(1088);
    ASSERT_TRUE(combo && label);
    EXPECT_EQ(label->buddy(), combo);
    EXPECT_EQ(combo->accessibleName(), QStringLiteral("按下消抖次数"));
    EXPECT_EQ(page.controlAs<QLineEdit>(1101)->accessibleName(), QStringLiteral("TH0"));
    auto* check = page.controlAs<QCheckBox>(1067);
    ASSERT_TRUE(check);
    EXPECT_FALSE(check->isEnabled());
    EXPECT_EQ(AccessibleText(check), QStringLiteral("0")); // named by its caption
    EXPECT_EQ(combo->geometry(), page.units().ToPixels(QRect(21, 60, 70, 13)));
    EXPECT_EQ(page.controls().size(), 5u);
    EXPECT_EQ(AccessibleText(page.controls().back()), QStringLiteral("键位选择"));
    EXPECT_EQ(page.control(-1), nullptr);
    EXPECT_EQ(page.sizeHint(), page.units().ToPixels(QSize(100, 50)));
}

TEST(DialogPage, CustomFactoryTakesPrecedence)
{
    const DialogTemplate t = DialogTemplate::Parse(QStringLiteral(
        "@dialog\t1\t100\t50\t8\n5\tChartCtrl\t\t0\t0\t10\t10\t\t曲线\n6\tbutton\tB\t0\t0\t10\t10\n"));
    QWidget* made = nullptr;
    DialogPage page(t, nullptr, [&](const ControlEntry& s, QWidget* parent) -> QWidget* {
        if (s.kind != QLatin1String("ChartCtrl"))
            return nullptr;
        made = new QLabel(parent);
        return made;
    });
    EXPECT_EQ(page.control(5), made);
    EXPECT_EQ(made->accessibleName(), QStringLiteral("曲线"));
    EXPECT_NE(page.control(6), nullptr);
}

TEST(DialogPage, StripMnemonic)
{
    EXPECT_EQ(StripMnemonic(QStringLiteral("关于 Morvek(&A)...")), QStringLiteral("关于 Morvek(A)..."));
    EXPECT_EQ(StripMnemonic(QStringLiteral("a&&b&")), QStringLiteral("a&b"));
}
