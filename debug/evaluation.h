#pragma once
// Figures of the results table: the measured ones taken from a recording (no-key mean, noise,
// press mean) and the derived ones computed by the evaluation pass from the table's text (touch
// delta, signal-to-noise ratio, suggested threshold, reliability).
//
// Whole numbers are signed 32-bit figures written with "%d"; the reliability is a double written
// with "%.1lf". The arithmetic is done exactly in 64 bits, so no text a user types can overflow
// it; a row whose figures leave the 32-bit range is reported as out of range (see EvaluateRow).

#include <QString>
#include <cstdint>

#include "app/decimal_text.h"
#include "debug/key_slot.h"

class ResultCells;

// ---- measured figures ---------------------------------------------------------------------

// Mean of 100 recorded values, truncated toward zero (no-key mean over baselines, press mean
// over samples).
std::int32_t RecordingMean(const std::int32_t (&buf)[kRecordLength]);
// Signed entry of largest magnitude, 0 for an all-zero buffer; among equal magnitudes the
// earliest wins (-9 then 9 gives -9).
std::int32_t RecordingNoise(const std::int32_t (&buf)[kRecordLength]);

// ---- reading a cell ----------------------------------------------------------------------

// A cell read as "%d": leading white space skipped, an optional sign and the digits after it
// read, the rest of the text ignored ("60%" is 60).
using CellNumber = DecimalText;
CellNumber ParseCellNumber(const QString& text);

// ---- the evaluation of one row -------------------------------------------------------------

struct RowInputs {
    std::int32_t c1 = 0; // no-key mean
    std::int32_t c2 = 0; // press mean
    std::int32_t c3 = 0; // noise
    std::int32_t c5 = 0; // crosstalk
    std::int32_t c8 = 0; // sensitivity percentage
    std::int32_t c9 = 0; // noise setting
};

struct RowFigures {
    // False when a figure (touch delta d, noise sum n, ratio r, threshold base t or threshold h)
    // does not fit in signed 32 bits; the other fields are then meaningless.
    bool inRange = true;
    std::int32_t delta = 0;       // d = c1 - c2
    std::int32_t noiseSum = 0;    // n = |c3| + c5
    std::int32_t ratio = 0;       // r = d / n, or d when n = 0
    std::int32_t base = 0;        // t = (c8 * d) / 100
    std::int32_t threshold = 0;   // h = t - c9 / 2
    double reliability = 0;       // q = t / n, or t when n = 0
};
// All divisions truncate toward zero.
RowFigures EvaluateRow(const RowInputs& in);

// The texts a row's derived cells receive.
QString FormatFigure(std::int32_t value);        // "%d"
// "%.1lf": the double is rounded to the nearest one-decimal text; a value exactly halfway (only
// possible for quotients such as 0.25 = 1 / 4) goes to the even digit, as the C library does:
// 0.25 gives "0.2", 0.75 gives "0.8". Always with a decimal point, whatever the locale.
QString FormatReliability(double value);
extern const char* const kAbnormalText;          // "检测异常" (UTF-8)

// The evaluation pass over rows 0..keyCount-1 (rows beyond the table are ignored):
// - A row with an empty cell among columns 0, 1, 2, 3, 4, 5 and 8 is skipped: nothing in it is
//   written. So is a row in which one of columns 1, 2, 3, 5, 8 and 9 offers no digits to read
//   (for example "abc", or an empty column 9): such a cell is treated like an empty one.
// - Otherwise columns 6, 7, 10 and 11 receive d, r, h (or "检测异常" when h <= 0) and q.
// - A row with a number beyond the signed 32-bit range in one of those cells, or whose figures
//   leave that range, cannot be evaluated in the table's arithmetic: all four derived cells
//   read "检测异常".
// Column 4 takes no part in any computation. Nothing is reported elsewhere.
void EvaluateResults(ResultCells& cells, int keyCount);
