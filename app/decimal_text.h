#pragma once
// Reading a whole number out of text the way "%d" does, for edits and table cells.

#include <QString>
#include <cstdint>

// Leading white space is skipped, an optional sign and the decimal digits after it are read, and
// reading stops at the first other character ("60%" is 60).
struct DecimalText {
    enum Status { Ok, NoDigits, OutOfRange };
    Status status = NoDigits;
    // Ok: the number. NoDigits: 0. OutOfRange: the nearest signed 32-bit limit.
    std::int32_t value = 0;
};
DecimalText ReadDecimalText(const QString& text);
