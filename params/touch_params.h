#pragma once
// The touch-key settings edited on the parameter page: one signed 32-bit field per macro of the
// touch library's configuration header, plus the per-key arrays for keys TK0 … TK7.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

constexpr int kKeyCount = 8;        // keys on the page
constexpr int kHeaderKeyCount = 6;  // keys the header (and the only IC model) carries

// The record starts with exactly what the page shows at start-up, so that an export made
// before any change writes the settings the user sees.
struct TouchParamSet {
    std::int32_t keyEnable[kKeyCount] = {0, 0, 0, 0, 0, 0, 0, 0};
    std::int32_t touchNum = 1;
    std::int32_t debounceTime = 3;
    std::int32_t longTouchTime = 2;  // "8 S"
    std::int32_t upCalibrationRate = 7;
    std::int32_t downCalibrationRate = 7;
    std::int32_t effectiveTouchTime = 3;
    std::int32_t invalidTouchTime = 3;
    std::int32_t caliBaseTime = 100;
    std::int32_t longKeyBaseTime = 20;
    // Keys 6 and 7 have no macro and their edits stay empty (an empty edit reads as 0).
    std::int32_t keyThreshold[kKeyCount] = {15, 15, 15, 15, 15, 15, 0, 0};
    std::int32_t tkMode = 0;
    std::int32_t tkComs = 1;
    std::int32_t tkCks = 2;  // "FOSC/4"
    std::int32_t tkVchg = 3;
    std::int32_t tkVcs = 0;  // "1.2V     (灵敏度低)"
    std::int32_t touchLowerPower = 0;
    std::int32_t gotoLowPowerTime = 200;
    std::int32_t lpGroup0 = 0;
    std::int32_t lpGroup1 = 0;
    std::int32_t lpGroup0Mask = 0;
    std::int32_t lpGroup1Mask = 0;
    std::int32_t sleepWakeUpRate = 70;
    std::int32_t sleepThreshold = 10;
};

bool operator==(const TouchParamSet& a, const TouchParamSet& b);
inline bool operator!=(const TouchParamSet& a, const TouchParamSet& b) { return !(a == b); }

// How a combo box maps its item index to the code stored in the record and back.
enum class CodeRule {
    IndexPlusOne,   // code = index + 1
    LongTouch,      // index 0 -> 0, index k >= 1 -> k + 1
    Index,          // code = index
    Step50,         // code = index*50 + 50, reverse clamped to the list
    Step20,         // code = index*20 + 10, reverse clamped to the list
};

// One combo box of the page: its control id, item texts, code rule, initial item and the
// record field it edits.
struct OptionTable {
    int controlId;
    QStringList items;
    CodeRule rule;
    int initialIndex;
    std::int32_t TouchParamSet::*field;

    // Code stored for an item index (index must be within the list).
    std::int32_t CodeFromIndex(int index) const;
    // Item index for a code, or -1 when the code has no item (the combo then shows none).
    int IndexFromCode(std::int32_t code) const;
};

// The twelve combo boxes, in the order the page fills them: 1059, 1060, 1057, 1058, 1055,
// 1056, 1061, 1062, 1063, 1064, 1080, 1078.
const std::vector<OptionTable>& ParamOptionTables();
// The table of one combo box, or nullptr.
const OptionTable* FindOptionTable(int controlId);

// The IC model list of combo 1029.
QStringList IcModelItems();

// Reads text the way "%d" does: leading white space skipped, an optional sign and the decimal
// digits after it; reading stops at the first other character. No digits gives 0; a number
// beyond the signed 32-bit range gives the nearest limit.
std::int32_t TextToInt(const QString& text);

// Which keys each low-power detection channel scans, from the channel switches and the set
// of checked low-power keys (bit i = key TKi).
struct LowPowerMasks {
    std::int32_t group0 = 0;
    std::int32_t group1 = 0;
};
LowPowerMasks SplitLowPowerKeys(std::int32_t lpGroup0, std::int32_t lpGroup1, unsigned keys);

// Text of a channel label: "TK<i>" and four spaces for each key i (0 … 7) set in the mask.
QString ChannelKeysText(std::int32_t mask);
