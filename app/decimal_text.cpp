#include "app/decimal_text.h"

#include <algorithm>
#include <limits>

DecimalText ReadDecimalText(const QString& text)
{
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    // White space as the C library's isspace sees it in the "C" locale.
    auto isSpace = [](QChar c) {
        const char16_t u = c.unicode();
        return u == u' ' || u == u'\t' || u == u'\n' || u == u'\v' || u == u'\f' || u == u'\r';
    };
    DecimalText out;
    int i = 0;
    const int n = text.size();
    while (i < n && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    const int firstDigit = i;
    // The magnitude saturates just beyond the 32-bit range, so long digit strings are consumed
    // without overflowing the accumulator.
    std::int64_t magnitude = 0;
    for (; i < n && text[i].unicode() >= u'0' && text[i].unicode() <= u'9'; ++i)
        magnitude = std::min(kMax + 2, magnitude * 10 + (text[i].unicode() - u'0'));
    if (i == firstDigit)
        return out;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < kMin || value > kMax) {
        out.status = DecimalText::OutOfRange;
        out.value = static_cast<std::int32_t>(value < kMin ? kMin : kMax);
        return out;
    }
    out.status = DecimalText::Ok;
    out.value = static_cast<std::int32_t>(value);
    return out;
}
