#pragma once
// Colours as the program passes them around: 32-bit values laid out 0x00BBGGRR, red in the
// lowest byte (0x0000FF red, 0x006400 dark green, 0xFF0000 blue). Plain data, so that logic
// that names a colour needs no widget or painting header.

#include <cstdint>

using ColorRef = std::uint32_t;

class QColor;
// The same colour as the toolkit's colour type.
QColor ColorFromRef(ColorRef c);
