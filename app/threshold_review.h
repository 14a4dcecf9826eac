#pragma once
// What "应用阈值到参数页" asks the user to confirm: per key the threshold the parameter page
// holds now and the suggested one that replaces it, and the rows of the results table that give
// nothing to apply, each with its reason.

#include <QString>
#include <cstdint>
#include <vector>

// One key's threshold as the parameter page holds it.
struct KeyThresholdState {
    bool carried = false;       // a header macro carries this key's threshold
    std::int32_t threshold = 0; // the page's current value
    bool ticked = false;        // the key is ticked under "键位选择"
};

struct ThresholdChange {
    int key = 0;                // TK number
    std::int32_t oldValue = 0;  // the parameter page's value now
    std::int32_t newValue = 0;  // the suggested threshold from the results table
    bool ticked = false;        // the key is already ticked under "键位选择"
};

struct ThresholdSkip {
    int row = 0;                // row of the results table, from 0
    QString key;                // the row's key name (may be empty)
    QString reason;             // why the row gives no threshold
};

struct ThresholdReview {
    std::vector<ThresholdChange> changes;
    std::vector<ThresholdSkip> skipped;
    bool tickKeys = true;       // "同时勾选这些键位": also tick the keys that are not ticked yet
};
