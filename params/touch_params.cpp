#include "params/touch_params.h"

#include "app/decimal_text.h"

#include <algorithm>
#include <cstring>
#include <limits>

bool operator==(const TouchParamSet& a, const TouchParamSet& b)
{
    // Every member is a plain int32 (no padding), so the records compare field by field.
    return std::memcmp(&a, &b, sizeof(TouchParamSet)) == 0;
}

std::int32_t OptionTable::CodeFromIndex(int index) const
{
    switch (rule) {
    case CodeRule::IndexPlusOne: return index + 1;
    case CodeRule::LongTouch: return index == 0 ? 0 : index + 1;
    case CodeRule::Index: return index;
    case CodeRule::Step50: return index * 50 + 50;
    case CodeRule::Step20: return index * 20 + 10;
    }
    return index;
}

int OptionTable::IndexFromCode(std::int32_t code) const
{
    const std::int64_t c = code;  // wide, so code - 1 cannot overflow
    const std::int64_t last = items.size() - 1;
    std::int64_t index = -1;
    switch (rule) {
    case CodeRule::IndexPlusOne: index = c - 1; break;
    case CodeRule::LongTouch: index = c == 0 ? 0 : (c >= 1 ? c - 1 : -1); break;
    case CodeRule::Index: index = c; break;
    case CodeRule::Step50:
        if (c < 50) return 0;
        if (c > 400) return 7;
        return static_cast<int>(c / 50 - 1);
    case CodeRule::Step20:
        if (c < 10) return 0;
        if (c > 250) return 12;
        return static_cast<int>((c + 10) / 20 - 1);
    }
    return index >= 0 && index <= last ? static_cast<int>(index) : -1;
}

namespace {

QStringList Numbers(int from, int to)
{
    QStringList l;
    for (int i = from; i <= to; ++i)
        l << QString::number(i);
    return l;
}

} // namespace

const std::vector<OptionTable>& ParamOptionTables()
{
    static const std::vector<OptionTable> tables = [] {
        const QStringList rates = {QStringLiteral("1    (快)"), QStringLiteral("2"), QStringLiteral("3"),
                                   QStringLiteral("4"),         QStringLiteral("5"), QStringLiteral("6"),
                                   QStringLiteral("7    (慢)")};
        const QStringList debounce = Numbers(1, 15);
        QStringList wake = {QStringLiteral("10    (灵敏度高)")};
        for (int v = 30; v <= 230; v += 20)
            wake << QString::number(v);
        wake << QStringLiteral("250    (灵敏度低)");
        return std::vector<OptionTable>{
            {1059, debounce, CodeRule::IndexPlusOne, 2, &TouchParamSet::effectiveTouchTime},
            {1060, debounce, CodeRule::IndexPlusOne, 2, &TouchParamSet::invalidTouchTime},
            {1057, rates, CodeRule::IndexPlusOne, 6, &TouchParamSet::upCalibrationRate},
            {1058, rates, CodeRule::IndexPlusOne, 6, &TouchParamSet::downCalibrationRate},
            {1055, Numbers(1, 4), CodeRule::IndexPlusOne, 0, &TouchParamSet::touchNum},
            {1056,
             {QStringLiteral("禁止"), QStringLiteral("8 S"), QStringLiteral("12 S"), QStringLiteral("16 S"),
              QStringLiteral("20 S")},
             CodeRule::LongTouch, 1, &TouchParamSet::longTouchTime},
            {1061, {QStringLiteral("P60"), QStringLiteral("P65")}, CodeRule::Index, 1, &TouchParamSet::tkComs},
            {1062,
             {QStringLiteral("FOSC"), QStringLiteral("FOSC/2"), QStringLiteral("FOSC/4"), QStringLiteral("FOSC/8"),
              QStringLiteral("FOSC/16"), QStringLiteral("FOSC/32"), QStringLiteral("FOSC/64"),
              QStringLiteral("FOSC/128")},
             CodeRule::Index, 2, &TouchParamSet::tkCks},
            {1063,
             {QStringLiteral("VDD    (灵敏度低)"), QStringLiteral("4V"), QStringLiteral("3V"), QStringLiteral("2V"),
              QStringLiteral("1.5V   (灵敏度高)")},
             CodeRule::Index, 3, &TouchParamSet::tkVchg},
            {1064,
             {QStringLiteral("1.2V     (灵敏度低)"), QStringLiteral("0.5*VCHG"), QStringLiteral("0.75*VCHG"),
              QStringLiteral("0.95*VCHG(灵敏度高)")},
             CodeRule::Index, 0, &TouchParamSet::tkVcs},
            {1080,
             {QStringLiteral("0.5 S"), QStringLiteral("1.0 S"), QStringLiteral("1.5 S"), QStringLiteral("2.0 S"),
              QStringLiteral("2.5 S"), QStringLiteral("3.0 S"), QStringLiteral("3.5 S"), QStringLiteral("4.0 S")},
             CodeRule::Step50, 3, &TouchParamSet::gotoLowPowerTime},
            {1078, wake, CodeRule::Step20, 3, &TouchParamSet::sleepWakeUpRate},
        };
    }();
    return tables;
}

const OptionTable* FindOptionTable(int controlId)
{
    for (const OptionTable& t : ParamOptionTables())
        if (t.controlId == controlId)
            return &t;
    return nullptr;
}

QStringList IcModelItems() { return {QStringLiteral("RV5M2630")}; }

std::int32_t TextToInt(const QString& text) { return ReadDecimalText(text).value; }

LowPowerMasks SplitLowPowerKeys(std::int32_t lpGroup0, std::int32_t lpGroup1, unsigned keys)
{
    keys &= 0xFFu;
    LowPowerMasks m;
    if (lpGroup0 == 1 && lpGroup1 == 0) {
        m.group0 = static_cast<std::int32_t>(keys);
    } else if (lpGroup0 == 0 && lpGroup1 == 1) {
        m.group1 = static_cast<std::int32_t>(keys);
    } else if (lpGroup0 == 1 && lpGroup1 == 1) {
        int order[kKeyCount];
        int n = 0;
        for (int i = 0; i < kKeyCount; ++i)
            if (keys & (1u << i))
                order[n++] = i;
        if (n == 1) {
            m.group0 = m.group1 = static_cast<std::int32_t>(keys);
        } else if (n > 1) {
            // Channel 0 takes the lower half, channel 1 the upper half; with an odd count the
            // middle key belongs to both.
            const int low = n % 2 == 0 ? n / 2 : (n - 1) / 2 + 1;
            const int skip = n % 2 == 0 ? n / 2 : (n - 1) / 2;
            for (int k = 0; k < n; ++k) {
                if (k < low)
                    m.group0 |= 1 << order[k];
                if (k >= skip)
                    m.group1 |= 1 << order[k];
            }
        }
    }
    return m;
}

QString ChannelKeysText(std::int32_t mask)
{
    QString text;
    for (int i = 0; i < kKeyCount; ++i)
        if (static_cast<std::uint32_t>(mask) & (1u << i))
            text += QStringLiteral("TK%1    ").arg(i);
    return text;
}
