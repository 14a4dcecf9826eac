#include "debug/evaluation.h"

#include <iomanip>
#include <limits>
#include <locale>
#include <sstream>

#include "debug/result_table.h"

const char* const kAbnormalText = "检测异常";

namespace {

constexpr std::int64_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMax32 = std::numeric_limits<std::int32_t>::max();

bool Fits32(std::int64_t v) { return v >= kMin32 && v <= kMax32; }

std::int64_t Magnitude(std::int64_t v) { return v < 0 ? -v : v; }

} // namespace

std::int32_t RecordingMean(const std::int32_t (&buf)[kRecordLength])
{
    std::int64_t sum = 0;
    for (std::int32_t v : buf)
        sum += v;
    // The mean of 32-bit values is itself within the 32-bit range.
    return static_cast<std::int32_t>(sum / kRecordLength);
}

std::int32_t RecordingNoise(const std::int32_t (&buf)[kRecordLength])
{
    std::int32_t current = 0;
    for (std::int32_t v : buf) {
        if (Magnitude(v) > Magnitude(current))
            current = v;
    }
    return current;
}

CellNumber ParseCellNumber(const QString& text) { return ReadDecimalText(text); }

RowFigures EvaluateRow(const RowInputs& in)
{
    RowFigures f;
    // Every input is a 32-bit value, so each step below is exact in 64 bits: |d| < 2^32,
    // |n| <= 2^32, |c8 * d| < 2^63.
    const std::int64_t d = std::int64_t(in.c1) - in.c2;
    const std::int64_t n = Magnitude(in.c3) + in.c5;
    const std::int64_t r = n != 0 ? d / n : d;
    const std::int64_t t = std::int64_t(in.c8) * d / 100;
    const std::int64_t h = t - in.c9 / 2;
    if (!Fits32(d) || !Fits32(n) || !Fits32(r) || !Fits32(t) || !Fits32(h)) {
        f.inRange = false;
        return f;
    }
    f.delta = static_cast<std::int32_t>(d);
    f.noiseSum = static_cast<std::int32_t>(n);
    f.ratio = static_cast<std::int32_t>(r);
    f.base = static_cast<std::int32_t>(t);
    f.threshold = static_cast<std::int32_t>(h);
    f.reliability = n != 0 ? static_cast<double>(t) / static_cast<double>(n) : static_cast<double>(t);
    return f;
}

QString FormatFigure(std::int32_t value) { return QString::number(value); }

QString FormatReliability(double value)
{
    // Written in the classic "C" locale whatever locale the program runs under (Qt adopts the
    // user's on Unix, where printf would then write "15,0"); the rounding is printf's.
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::fixed << std::setprecision(1) << value;
    return QString::fromStdString(out.str());
}

void EvaluateResults(ResultCells& cells, int keyCount)
{
    static const int kPresent[] = {ResultCol::Key,  ResultCol::NoKey,     ResultCol::Pressed,    ResultCol::Noise,
                                   ResultCol::Load, ResultCol::Crosstalk, ResultCol::Sensitivity};
    static const int kRead[] = {ResultCol::NoKey,     ResultCol::Pressed,     ResultCol::Noise,
                                ResultCol::Crosstalk, ResultCol::Sensitivity, ResultCol::NoiseSetting};
    const QString abnormal = QString::fromUtf8(kAbnormalText);

    const int rows = keyCount < cells.RowCount() ? keyCount : cells.RowCount();
    for (int j = 0; j < rows; ++j) {
        bool present = true;
        for (int col : kPresent)
            present = present && !cells.Text(j, col).isEmpty();
        if (!present)
            continue;

        CellNumber v[6];
        bool readable = true;
        bool inRange = true;
        for (int k = 0; k < 6; ++k) {
            v[k] = ParseCellNumber(cells.Text(j, kRead[k]));
            readable = readable && v[k].status != CellNumber::NoDigits;
            inRange = inRange && v[k].status == CellNumber::Ok;
        }
        if (!readable)
            continue;

        RowFigures f;
        if (inRange)
            f = EvaluateRow(RowInputs{v[0].value, v[1].value, v[2].value, v[3].value, v[4].value, v[5].value});
        if (!inRange || !f.inRange) {
            for (int col : {ResultCol::Delta, ResultCol::Snr, ResultCol::Threshold, ResultCol::Reliability})
                cells.SetText(j, col, abnormal);
            continue;
        }
        cells.SetText(j, ResultCol::Delta, FormatFigure(f.delta));
        cells.SetText(j, ResultCol::Snr, FormatFigure(f.ratio));
        cells.SetText(j, ResultCol::Threshold, FormatFigure(f.threshold));
        if (f.threshold <= 0)
            cells.SetText(j, ResultCol::Threshold, abnormal);
        cells.SetText(j, ResultCol::Reliability, FormatReliability(f.reliability));
    }
}
