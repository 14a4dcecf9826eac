#include "debug/live_history.h"

#include <cstring>

namespace {

constexpr std::array<double, kHistoryLength> MakeHistoryX()
{
    std::array<double, kHistoryLength> x{};
    for (int i = 0; i < kHistoryLength; ++i)
        x[static_cast<size_t>(i)] = i;
    return x;
}

} // namespace

const std::array<double, kHistoryLength> g_historyX = MakeHistoryX();

const std::uint32_t g_channelColours[kSlotCount] = {
    0x0000FF, // red
    0xFF0000, // blue
    0x00FF00, // green
    0xFF0080, // violet
    0xFFFF00, // cyan
    0x3C80FF, // orange
    0x3CFFFF, // yellow
    0x000000, // black
};

void PushHistory(double (&history)[kHistoryLength], double value)
{
    std::memmove(&history[0], &history[1], sizeof(double) * (kHistoryLength - 1));
    history[kHistoryLength - 1] = value;
}
