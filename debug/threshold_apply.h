#pragma once
// The suggested thresholds of the results table (column 10 "触摸阈值设定") on their way to the
// parameter page. The debug page knows the parameter page only through ThresholdTarget, which
// the main window provides.
//
// Each row names its key in column 0 ("TK" and the key's number). A row gives a threshold when
// that name is readable, a header macro carries the key's threshold (TK0 to TK5), and column 10
// holds a positive whole number (read as the table reads its cells); every other row that holds
// anything is listed as skipped with its first reason in that order. A key named twice takes its
// first row.

#include <array>
#include <optional>
#include <vector>

#include "app/threshold_review.h"
#include "debug/key_slot.h"

class ResultCells;

class ThresholdTarget {
public:
    virtual ~ThresholdTarget() = default;
    // Key 0 … 7 as the parameter page holds it now.
    virtual KeyThresholdState KeyState(int key) const = 0;
    // Puts each new value into the key's threshold as if the user had typed it and left the
    // edit; with tickKeys, first ticks the keys not yet ticked as if the user had clicked them.
    virtual void ApplyThresholds(const std::vector<ThresholdChange>& changes, bool tickKeys) = 0;
};

// Reasons a row gives no threshold.
namespace ThresholdSkipReason {
extern const char* const kEmpty;     // column 10 empty
extern const char* const kAbnormal;  // column 10 reads "检测异常"
extern const char* const kNoMacro;   // TK6 / TK7
extern const char* const kNoKey;     // no key name in column 0 (rows the editor appended)
extern const char* const kNotNumber; // column 10 holds text without a number
extern const char* const kNotPositive;
extern const char* const kOutOfRange;
extern const char* const kDuplicate;
} // namespace ThresholdSkipReason

// The key number a key name stands for ("TK0" … "TK7"), or -1.
int KeyFromName(const QString& name);

// Whether any row holds a number in column 10 (what enables "应用阈值到参数页").
bool HasSuggestedThreshold(const ResultCells& cells);

// The review of the whole table against the parameter page's current state; tickKeys is true.
ThresholdReview ReviewThresholds(const ResultCells& cells, const ThresholdTarget& target);

// Per key TK0 … TK7, the results table's suggestion: column 10 of the key's first row, when it
// holds a positive number.
std::array<std::optional<int>, kSlotCount> SuggestedThresholds(const ResultCells& cells);

// The threshold the live view draws and marks touches with for key tk, if it has one: the
// parameter page's threshold while the key is ticked there (keys a header macro carries), else
// the results table's suggestion.
std::optional<int> LiveThreshold(int tk, const ThresholdTarget* target, const std::optional<int>& suggested);
