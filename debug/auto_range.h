#pragma once
// Vertical ranges that follow the data of the live charts: round ends with a margin, kept while
// the data still fits them well, so that noise does not move the axis at every frame.

struct AxisRange {
    double min = 0;
    double max = 0;
    friend bool operator==(const AxisRange& a, const AxisRange& b) { return a.min == b.min && a.max == b.max; }
    friend bool operator!=(const AxisRange& a, const AxisRange& b) { return !(a == b); }
};

// A range for data from lo to hi: a tenth of the span as margin on each side (the span at least
// kMinSpan), widened to whole steps of 1, 2 or 5 times a power of ten, about five of them.
AxisRange FitData(double lo, double hi);

// The range to show data from lo to hi when `shown` is shown now: `shown` while the data lies
// inside it and fills enough of it (shown is at most three times the fitted span), otherwise
// the fitted range.
AxisRange FollowData(double lo, double hi, AxisRange shown);

constexpr double kMinSpan = 20;
