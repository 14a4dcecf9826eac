#include "debug/threshold_apply.h"

#include <QRegularExpression>

#include "app/decimal_text.h"
#include "debug/evaluation.h"
#include "debug/key_slot.h"
#include "debug/result_table.h"

namespace ThresholdSkipReason {
const char* const kEmpty = "单元格为空";
const char* const kAbnormal = "检测异常";
const char* const kNoMacro = "头文件中没有该键位的阈值宏";
const char* const kNoKey = "该行没有键位名";
const char* const kNotNumber = "不是数字";
const char* const kNotPositive = "阈值不大于 0";
const char* const kOutOfRange = "数值超出范围";
const char* const kDuplicate = "键位重复，已采用前面一行";
} // namespace ThresholdSkipReason

int KeyFromName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^TK([0-7])$"));
    const QRegularExpressionMatch m = pattern.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

namespace {

bool PositiveNumber(const QString& text)
{
    const DecimalText v = ReadDecimalText(text);
    return v.status == DecimalText::Ok && v.value > 0;
}

} // namespace

bool HasSuggestedThreshold(const ResultCells& cells)
{
    for (int row = 0; row < cells.RowCount(); ++row)
        if (PositiveNumber(cells.Text(row, ResultCol::Threshold)))
            return true;
    return false;
}

ThresholdReview ReviewThresholds(const ResultCells& cells, const ThresholdTarget& target)
{
    using namespace ThresholdSkipReason;
    ThresholdReview review;
    bool seen[kSlotCount] = {};
    for (int row = 0; row < cells.RowCount(); ++row) {
        const QString name = cells.Text(row, ResultCol::Key);
        const QString cell = cells.Text(row, ResultCol::Threshold);
        auto skip = [&](const char* reason) { review.skipped.push_back({row, name, QString::fromUtf8(reason)}); };
        if (name.isEmpty()) {
            if (!cell.isEmpty()) // rows without anything to offer are not worth a line
                skip(kNoKey);
            continue;
        }
        const int key = KeyFromName(name);
        if (key < 0) {
            skip(kNoKey);
            continue;
        }
        const KeyThresholdState state = target.KeyState(key);
        if (!state.carried) {
            skip(kNoMacro);
            continue;
        }
        if (cell.isEmpty()) {
            skip(kEmpty);
            continue;
        }
        if (cell == QString::fromUtf8(kAbnormalText)) {
            skip(kAbnormal);
            continue;
        }
        const DecimalText value = ReadDecimalText(cell);
        if (value.status == DecimalText::NoDigits) {
            skip(kNotNumber);
            continue;
        }
        if (value.status == DecimalText::OutOfRange) {
            skip(kOutOfRange);
            continue;
        }
        if (value.value <= 0) {
            skip(kNotPositive);
            continue;
        }
        if (seen[key]) {
            skip(kDuplicate);
            continue;
        }
        seen[key] = true;
        review.changes.push_back({key, state.threshold, value.value, state.ticked});
    }
    return review;
}

std::array<std::optional<int>, kSlotCount> SuggestedThresholds(const ResultCells& cells)
{
    std::array<std::optional<int>, kSlotCount> out;
    bool seen[kSlotCount] = {};
    for (int row = 0; row < cells.RowCount(); ++row) {
        const int key = KeyFromName(cells.Text(row, ResultCol::Key));
        if (key < 0 || seen[key])
            continue;
        seen[key] = true;
        const DecimalText v = ReadDecimalText(cells.Text(row, ResultCol::Threshold));
        if (v.status == DecimalText::Ok && v.value > 0)
            out[size_t(key)] = v.value;
    }
    return out;
}

std::optional<int> LiveThreshold(int tk, const ThresholdTarget* target, const std::optional<int>& suggested)
{
    if (target) {
        const KeyThresholdState state = target->KeyState(tk);
        if (state.carried && state.ticked)
            return state.threshold;
    }
    return suggested;
}
