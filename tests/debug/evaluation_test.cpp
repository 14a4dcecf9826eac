// The measured figures taken from recordings and the evaluation pass over the results table.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <limits>
#include <string>

#include "debug/evaluation.h"
#include "debug/result_table.h"

// Readable QString in failure messages.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QString kAbnormal = QString::fromUtf8("检测异常");

// A row as the table holds it after a complete measurement.
void FillRow(ResultTable& t, int row, const QString& c1, const QString& c2, const QString& c3, const QString& c5 = "0",
             const QString& c8 = "60", const QString& c9 = "10")
{
    t.SetText(row, ResultCol::Key, QStringLiteral("TK%1").arg(row));
    t.SetText(row, ResultCol::NoKey, c1);
    t.SetText(row, ResultCol::Pressed, c2);
    t.SetText(row, ResultCol::Noise, c3);
    t.SetText(row, ResultCol::Load, "0");
    t.SetText(row, ResultCol::Crosstalk, c5);
    t.SetText(row, ResultCol::Sensitivity, c8);
    t.SetText(row, ResultCol::NoiseSetting, c9);
}

QStringList Derived(const ResultTable& t, int row)
{
    return {t.Text(row, ResultCol::Delta), t.Text(row, ResultCol::Snr), t.Text(row, ResultCol::Threshold),
            t.Text(row, ResultCol::Reliability)};
}

} // namespace

TEST(RecordingFigures, MeanTruncatesTowardZeroAndNoiseKeepsSignOfEarliestLargest)
{
    std::int32_t buf[kRecordLength] = {};
    for (int i = 0; i < kRecordLength; ++i)
        buf[i] = 1000 + (i % 2); // sum 100050 -> 1000.5 -> 1000
    EXPECT_EQ(RecordingMean(buf), 1000);
    for (int i = 0; i < kRecordLength; ++i)
        buf[i] = -3 - (i == 0 ? 1 : 0); // sum -301 -> -3.01 -> -3
    EXPECT_EQ(RecordingMean(buf), -3);
    for (int i = 0; i < kRecordLength; ++i)
        buf[i] = 65535;
    EXPECT_EQ(RecordingMean(buf), 65535);

    std::int32_t diff[kRecordLength] = {};
    EXPECT_EQ(RecordingNoise(diff), 0);
    diff[10] = 3;
    diff[20] = -9;
    diff[30] = 9;
    diff[40] = -2;
    EXPECT_EQ(RecordingNoise(diff), -9);
    diff[5] = std::numeric_limits<std::int32_t>::min(); // magnitude taken without overflow
    EXPECT_EQ(RecordingNoise(diff), std::numeric_limits<std::int32_t>::min());
}

TEST(CellNumber, ReadsLikePercentD)
{
    auto ok = [](const char* s, int v) {
        const CellNumber n = ParseCellNumber(QString::fromUtf8(s));
        EXPECT_EQ(n.status, CellNumber::Ok) << s;
        EXPECT_EQ(n.value, v) << s;
    };
    ok("60", 60);
    ok("60%", 60);
    ok("  \t-12abc", -12);
    ok("+7", 7);
    ok("007", 7);
    ok("2147483647", 2147483647);
    ok("-2147483648", std::numeric_limits<std::int32_t>::min());
    ok("12 34", 12);
    for (const char* s : {"", "abc", "-", "+", " - 5", "%60", "１２"}) // full-width digits are not digits
        EXPECT_EQ(ParseCellNumber(QString::fromUtf8(s)).status, CellNumber::NoDigits) << s;
    for (const char* s : {"2147483648", "-2147483649", "99999999999999999999999999999", "-0000000000000000000000000009999999999"})
        EXPECT_EQ(ParseCellNumber(QString::fromUtf8(s)).status, CellNumber::OutOfRange) << s;
    ok("-0000000000000000000000000000000000000042", -42);
}

TEST(EvaluateResults, WorkedExample)
{
    ResultTable t;
    FillRow(t, 0, "1000", "700", "-12");
    EvaluateResults(t, 1);
    EXPECT_EQ(Derived(t, 0), (QStringList{"300", "25", "175", "15.0"}));
}

TEST(EvaluateResults, EdgeCasesOfTheFormulas)
{
    ResultTable t;
    FillRow(t, 0, "700", "750", "-12"); // pressed value above the no-key value
    FillRow(t, 1, "1000", "700", "4", "-4"); // noise sum 0: ratio = d, reliability = t
    FillRow(t, 2, "1000", "700", "12");  // noise taken as a magnitude
    FillRow(t, 3, "1025", "1000", "0", "0", "60", "31"); // t = 15, h = 15 - 15 = 0
    FillRow(t, 4, "107", "100", "3", "0", "100", "0");   // q = 7 / 3 = 2.333...
    FillRow(t, 5, "1000", "700", "-12", "0", "60%", "10 counts"); // rest of the text ignored
    EvaluateResults(t, 6);
    EXPECT_EQ(Derived(t, 0), (QStringList{"-50", "-4", kAbnormal, "-2.5"}));
    EXPECT_EQ(Derived(t, 1), (QStringList{"300", "300", "175", "180.0"}));
    EXPECT_EQ(Derived(t, 2), (QStringList{"300", "25", "175", "15.0"}));
    EXPECT_EQ(Derived(t, 3), (QStringList{"25", "25", kAbnormal, "15.0"}));
    EXPECT_EQ(Derived(t, 4), (QStringList{"7", "2", "7", "2.3"}));
    EXPECT_EQ(Derived(t, 5), (QStringList{"300", "25", "175", "15.0"}));
}

TEST(EvaluateResults, SkipsIncompleteRowsAndRowsBeyondTheKeys)
{
    ResultTable t;
    FillRow(t, 0, "1000", "", "-12"); // press step not run yet
    t.SetText(0, ResultCol::Delta, "old");
    FillRow(t, 1, "1000", "700", "-12");
    t.SetText(1, ResultCol::Load, ""); // emptied load stops the evaluation
    t.SetText(1, ResultCol::Threshold, "old");
    FillRow(t, 2, "1000", "abc", "-12"); // no digits: treated like an empty cell
    FillRow(t, 3, "1000", "700", "-12", "0", "60", ""); // empty noise setting: the same
    FillRow(t, 4, "1000", "700", "-12");
    t.SetText(4, ResultCol::Key, "");
    FillRow(t, 5, "1000", "700", "-12"); // beyond K
    const int writesBefore = t.WriteCount();
    EvaluateResults(t, 5);
    EXPECT_EQ(t.WriteCount(), writesBefore);
    EXPECT_EQ(t.Text(0, ResultCol::Delta), "old");
    EXPECT_EQ(t.Text(1, ResultCol::Threshold), "old");
    EXPECT_TRUE(t.Text(5, ResultCol::Delta).isEmpty());

    // A row beyond the table's end is ignored rather than read.
    ResultTable small(2);
    FillRow(small, 1, "1000", "700", "-12");
    EvaluateResults(small, 8);
    EXPECT_EQ(small.Text(1, ResultCol::Delta), "300");
}

TEST(EvaluateResults, LoadColumnTakesNoPartAndTypedDerivedCellsAreRecomputed)
{
    ResultTable t;
    FillRow(t, 0, "1000", "700", "-12");
    t.SetText(0, ResultCol::Load, "whatever 12345");
    t.SetText(0, ResultCol::Delta, "999");
    EvaluateResults(t, 1);
    EXPECT_EQ(Derived(t, 0), (QStringList{"300", "25", "175", "15.0"}));

    t.SetText(0, ResultCol::Sensitivity, "80"); // t = 240, h = 235, q = 20.0
    EvaluateResults(t, 1);
    EXPECT_EQ(Derived(t, 0), (QStringList{"300", "25", "235", "20.0"}));
}

// Typed numbers at and beyond the 32-bit limits: the arithmetic is exact (the sanitizer build
// checks that nothing overflows) and rows that leave the table's 32-bit range are marked.
TEST(EvaluateResults, ExtremeTypedNumbersAreDefined)
{
    const QString all4[] = {kAbnormal, kAbnormal, kAbnormal, kAbnormal};
    const QStringList abnormalRow(std::begin(all4), std::end(all4));

    struct Case {
        const char *c1, *c2, *c3, *c5, *c8, *c9;
        QStringList expected;
    };
    const Case cases[] = {
        // c8 * d beyond 32 bits while t fits: exact, not wrapped (t = 60 * (2^31 - 1) / 100)
        {"2147483647", "0", "1", "0", "60", "10", {"2147483647", "2147483647", "1288490183", "1288490188.0"}},
        // t = 200 * (2^31 - 1) / 100 does not fit: marked
        {"2147483647", "0", "1", "0", "200", "10", abnormalRow},
        // d = c1 - c2 beyond 32 bits
        {"2147483647", "-1", "1", "0", "60", "10", abnormalRow},
        {"-2147483648", "1", "1", "0", "60", "10", abnormalRow},
        // |c3| of the most negative number: n = 2^31 does not fit
        {"1000", "700", "-2147483648", "0", "60", "10", abnormalRow},
        // ... unless the crosstalk brings it back: n = 2^31 - 1
        {"1000", "700", "-2147483648", "-1", "60", "10", {"300", "0", "175", "0.0"}},
        // r = d / n with d = -2^31 + ... and n = -1: the quotient 2^31 does not fit
        {"-2147483648", "0", "0", "-1", "0", "0", abnormalRow},
        // a typed number beyond the 32-bit range
        {"99999999999", "700", "-12", "0", "60", "10", abnormalRow},
        {"1000", "700", "-12", "0", "60", "-2147483649", abnormalRow},
        // extreme halving of the noise setting: h = t - (-2^31 / 2) = 180 + 2^30 fits
        {"1000", "700", "-12", "0", "60", "-2147483648", {"300", "25", "1073742004", "15.0"}},
        // a very large noise setting: h = 0 - 1073741823 is only a non-positive threshold
        {"-2147483648", "-2147483648", "1", "0", "0", "2147483647", {"0", "0", kAbnormal, "0.0"}},
        // h = t - c9 / 2 below the 32-bit range (t = -2^31)
        {"-2147483648", "0", "1", "0", "100", "2147483647", abnormalRow},
    };
    for (const Case& c : cases) {
        ResultTable t;
        FillRow(t, 0, c.c1, c.c2, c.c3, c.c5, c.c8, c.c9);
        EvaluateResults(t, 1);
        EXPECT_EQ(Derived(t, 0), c.expected) << c.c1 << " " << c.c2 << " " << c.c3 << " " << c.c5 << " " << c.c8
                                             << " " << c.c9;
    }
}

TEST(EvaluateRow, ExactFiguresWithoutWrapping)
{
    const RowFigures f = EvaluateRow({1000, 700, -12, 0, 60, 10});
    EXPECT_TRUE(f.inRange);
    EXPECT_EQ(f.delta, 300);
    EXPECT_EQ(f.noiseSum, 12);
    EXPECT_EQ(f.ratio, 25);
    EXPECT_EQ(f.base, 180);
    EXPECT_EQ(f.threshold, 175);
    EXPECT_DOUBLE_EQ(f.reliability, 15.0);

    // Truncation toward zero for negative quotients.
    const RowFigures g = EvaluateRow({0, 7, 2, 0, 50, 3}); // d = -7, r = -3, t = -3, h = -3 - 1
    EXPECT_EQ(g.ratio, -3);
    EXPECT_EQ(g.base, -3);
    EXPECT_EQ(g.threshold, -4);
    EXPECT_DOUBLE_EQ(g.reliability, -1.5);

    const auto lo = std::numeric_limits<std::int32_t>::min();
    const auto hi = std::numeric_limits<std::int32_t>::max();
    for (std::int32_t a : {lo, lo + 1, -1, 0, 1, hi - 1, hi})
        for (std::int32_t b : {lo, -1, 0, 1, hi})
            for (std::int32_t m : {lo, -100, 0, 100, hi}) {
                const RowFigures x = EvaluateRow({a, b, a, b, m, m});
                const std::int64_t d = std::int64_t(a) - b;
                if (d < lo || d > hi) {
                    EXPECT_FALSE(x.inRange);
                } else if (x.inRange) {
                    EXPECT_EQ(x.delta, d);
                }
            }
}

TEST(FormatReliability, OneDecimal)
{
    EXPECT_EQ(FormatReliability(15.0), "15.0");
    EXPECT_EQ(FormatReliability(7.0 / 3.0), "2.3");
    EXPECT_EQ(FormatReliability(-2.5), "-2.5");
    EXPECT_EQ(FormatReliability(0.26), "0.3");
    EXPECT_EQ(FormatReliability(0.25), "0.2"); // exact halves go to the even digit
    EXPECT_EQ(FormatReliability(0.75), "0.8");
    EXPECT_EQ(FormatReliability(-2147483648.0), "-2147483648.0");
}

namespace {

// Switches LC_NUMERIC to a locale that writes a decimal comma, for the lifetime of the object,
// and back. Where no such locale is installed, one is compiled into a temporary folder with
// localedef (glibc reads LOCPATH on every setlocale). Active() is false when neither works.
class CommaLocale {
public:
    CommaLocale()
    {
        if (const char* now = std::setlocale(LC_NUMERIC, nullptr))
            m_saved = now;
        const char* names[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8", "de_DE.utf8"};
        for (const char* name : names)
            if (std::setlocale(LC_NUMERIC, name)) {
                m_active = true;
                return;
            }
#ifdef __GLIBC__
        if (!m_dir.isValid())
            return;
        const QString target = m_dir.filePath(QStringLiteral("de_DE.UTF-8"));
        if (QProcess::execute(QStringLiteral("localedef"), {"-i", "de_DE", "-f", "UTF-8", target}) != 0)
            return;
        m_oldLocPath = qgetenv("LOCPATH");
        m_setLocPath = true;
        qputenv("LOCPATH", m_dir.path().toLocal8Bit());
        m_active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
#endif
    }
    ~CommaLocale()
    {
        std::setlocale(LC_NUMERIC, m_saved.c_str());
        if (m_setLocPath) {
            if (m_oldLocPath.isNull())
                qunsetenv("LOCPATH");
            else
                qputenv("LOCPATH", m_oldLocPath);
        }
    }
    bool Active() const { return m_active; }

private:
    std::string m_saved = "C";
    QTemporaryDir m_dir;
    QByteArray m_oldLocPath;
    bool m_setLocPath = false;
    bool m_active = false;
};

} // namespace

// The application runs under the user's locale (Qt sets it at start-up on Unix); the reliability
// figure is still written with a decimal point.
TEST(FormatReliability, DecimalPointUnderAnyLocale)
{
    CommaLocale comma;
    if (!comma.Active())
        GTEST_SKIP() << "no locale with a decimal comma available";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5"); // the locale is in effect
    EXPECT_EQ(FormatReliability(15.0), "15.0");
    EXPECT_EQ(FormatReliability(7.0 / 3.0), "2.3");
    EXPECT_EQ(FormatReliability(0.25), "0.2");
    ResultTable t;
    FillRow(t, 0, "1000", "700", "-12");
    EvaluateResults(t, 1);
    EXPECT_EQ(t.Text(0, ResultCol::Reliability), "15.0");
}
