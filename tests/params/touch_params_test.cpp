// Record, option tables, edit text reading and the low-power channel split.

#include <gtest/gtest.h>

#include <limits>

#include "params/touch_params.h"

namespace {

const OptionTable& Table(int id)
{
    const OptionTable* t = FindOptionTable(id);
    EXPECT_NE(t, nullptr) << id;
    return *t;
}

TEST(TouchParamSet, StartsWithWhatThePageShows)
{
    const TouchParamSet p;
    // Each combo's initial item stands for the record's initial code.
    for (const OptionTable& t : ParamOptionTables())
        EXPECT_EQ(t.CodeFromIndex(t.initialIndex), p.*(t.field)) << t.controlId;
    EXPECT_EQ(p.longTouchTime, 2);
    EXPECT_EQ(p.tkCks, 2);
    EXPECT_EQ(p.tkVcs, 0);
    EXPECT_EQ(p.sleepWakeUpRate, 70);
    EXPECT_EQ(p.sleepThreshold, 10);
    EXPECT_EQ(p.keyThreshold[0], 15);
    EXPECT_EQ(p.keyThreshold[5], 15);
    EXPECT_EQ(p.debounceTime, 3);
    EXPECT_EQ(p.caliBaseTime, 100);
    EXPECT_EQ(p.longKeyBaseTime, 20);
    EXPECT_EQ(p.gotoLowPowerTime, 200);
}

TEST(OptionTables, ItemTextsAndOrder)
{
    const std::vector<int> order = {1059, 1060, 1057, 1058, 1055, 1056, 1061, 1062, 1063, 1064, 1080, 1078};
    ASSERT_EQ(ParamOptionTables().size(), order.size());
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(ParamOptionTables()[i].controlId, order[i]);
    EXPECT_EQ(Table(1057).items.first(), QStringLiteral("1    (快)"));
    EXPECT_EQ(Table(1057).items.last(), QStringLiteral("7    (慢)"));
    EXPECT_EQ(Table(1059).items.size(), 15);
    EXPECT_EQ(Table(1059).items.last(), QStringLiteral("15"));
    EXPECT_EQ(Table(1056).items, QStringList({"禁止", "8 S", "12 S", "16 S", "20 S"}));
    EXPECT_EQ(Table(1063).items.first(), QStringLiteral("VDD    (灵敏度低)"));
    EXPECT_EQ(Table(1063).items.last(), QStringLiteral("1.5V   (灵敏度高)"));
    EXPECT_EQ(Table(1064).items.first(), QStringLiteral("1.2V     (灵敏度低)"));
    EXPECT_EQ(Table(1064).items.last(), QStringLiteral("0.95*VCHG(灵敏度高)"));
    EXPECT_EQ(Table(1062).items.last(), QStringLiteral("FOSC/128"));
    EXPECT_EQ(Table(1080).items.first(), QStringLiteral("0.5 S"));
    EXPECT_EQ(Table(1078).items.size(), 13);
    EXPECT_EQ(Table(1078).items.first(), QStringLiteral("10    (灵敏度高)"));
    EXPECT_EQ(Table(1078).items[6], QStringLiteral("130"));
    EXPECT_EQ(Table(1078).items.last(), QStringLiteral("250    (灵敏度低)"));
    EXPECT_EQ(IcModelItems(), QStringList({"RV5M2630"}));
}

TEST(OptionTables, CodesAndReverseMapping)
{
    const OptionTable& longTouch = Table(1056);
    EXPECT_EQ(longTouch.CodeFromIndex(0), 0);
    EXPECT_EQ(longTouch.CodeFromIndex(1), 2);
    EXPECT_EQ(longTouch.CodeFromIndex(4), 5);
    EXPECT_EQ(longTouch.IndexFromCode(0), 0);
    EXPECT_EQ(longTouch.IndexFromCode(5), 4);
    EXPECT_EQ(longTouch.IndexFromCode(6), -1);
    EXPECT_EQ(longTouch.IndexFromCode(-3), -1);

    const OptionTable& touchNum = Table(1055);
    EXPECT_EQ(touchNum.IndexFromCode(0), -1);
    EXPECT_EQ(touchNum.IndexFromCode(9), -1);
    EXPECT_EQ(touchNum.IndexFromCode(std::numeric_limits<std::int32_t>::min()), -1);
    EXPECT_EQ(touchNum.IndexFromCode(4), 3);

    const OptionTable& sleep = Table(1080);
    EXPECT_EQ(sleep.CodeFromIndex(7), 400);
    EXPECT_EQ(sleep.IndexFromCode(30), 0);
    EXPECT_EQ(sleep.IndexFromCode(120), 1);
    EXPECT_EQ(sleep.IndexFromCode(401), 7);
    EXPECT_EQ(sleep.IndexFromCode(449), 7);
    EXPECT_EQ(sleep.IndexFromCode(std::numeric_limits<std::int32_t>::max()), 7);

    const OptionTable& wake = Table(1078);
    EXPECT_EQ(wake.CodeFromIndex(12), 250);
    EXPECT_EQ(wake.IndexFromCode(0), 0);
    EXPECT_EQ(wake.IndexFromCode(60), 2);
    EXPECT_EQ(wake.IndexFromCode(999), 12);

    // Every item's code maps back to the item.
    for (const OptionTable& t : ParamOptionTables())
        for (int i = 0; i < t.items.size(); ++i)
            EXPECT_EQ(t.IndexFromCode(t.CodeFromIndex(i)), i) << t.controlId << " item " << i;
}

TEST(TextToInt, ReadsLikePercentD)
{
    EXPECT_EQ(TextToInt(QStringLiteral("300")), 300);
    EXPECT_EQ(TextToInt(QStringLiteral("  \t-12abc")), -12);
    EXPECT_EQ(TextToInt(QStringLiteral("+7")), 7);
    EXPECT_EQ(TextToInt(QStringLiteral("abc")), 0);
    EXPECT_EQ(TextToInt(QString()), 0);
    EXPECT_EQ(TextToInt(QStringLiteral("- 5")), 0);
    EXPECT_EQ(TextToInt(QStringLiteral("１２")), 0);  // full-width digits are not decimal digits here
    EXPECT_EQ(TextToInt(QStringLiteral("2147483647")), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(TextToInt(QStringLiteral("2147483648")), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(TextToInt(QStringLiteral("-99999999999999999999")), std::numeric_limits<std::int32_t>::min());
}

TEST(LowPowerSplit, ChannelRules)
{
    auto split = [](int g0, int g1, unsigned keys) {
        const LowPowerMasks m = SplitLowPowerKeys(g0, g1, keys);
        return std::make_pair(m.group0, m.group1);
    };
    EXPECT_EQ(split(1, 0, 0b11), std::make_pair(0b11, 0));
    EXPECT_EQ(split(0, 1, 0b11), std::make_pair(0, 0b11));
    EXPECT_EQ(split(1, 1, 0), std::make_pair(0, 0));
    EXPECT_EQ(split(1, 1, 0b10000), std::make_pair(0b10000, 0b10000));
    EXPECT_EQ(split(1, 1, 0b1111), std::make_pair(0b0011, 0b1100));
    EXPECT_EQ(split(1, 1, 0b0111), std::make_pair(0b0011, 0b0110));
    EXPECT_EQ(split(1, 1, 0b101101), std::make_pair(0b000101, 0b101000));
    EXPECT_EQ(split(1, 1, 0b11111), std::make_pair(0b00111, 0b11100));
    EXPECT_EQ(split(1, 1, 0b10101), std::make_pair(0b00101, 0b10100));
    EXPECT_EQ(split(0, 0, 0b11), std::make_pair(0, 0));
    EXPECT_EQ(split(2, 0, 0b11), std::make_pair(0, 0));  // only 0 and 1 choose a channel

    EXPECT_EQ(ChannelKeysText(0b11), QStringLiteral("TK0    TK1    "));
    EXPECT_EQ(ChannelKeysText(0), QString());
    EXPECT_EQ(ChannelKeysText(-1), QStringLiteral("TK0    TK1    TK2    TK3    TK4    TK5    TK6    TK7    "));
}

} // namespace
