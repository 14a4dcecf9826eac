#pragma once
// The curve data of the debug page: the last 200 sample, baseline and difference values of every
// slot, the shared x values, and the slot colours.

#include <array>
#include <cstdint>

#include "debug/key_slot.h"

// Per slot, the last 200 values of one quantity, oldest at index 0, newest at index 199.
using HistoryTable = double[kSlotCount][kHistoryLength];

// The three histories the receiver writes and the charts draw. All zero at start.
struct HistoryTables {
    HistoryTable sample = {};
    HistoryTable baseline = {};
    HistoryTable diff = {};
};

// x value of every curve point: 0, 1, ..., 199.
extern const std::array<double, kHistoryLength> g_historyX;

// Slot colours, 0x00BBGGRR: red, blue, green, violet, cyan, orange, yellow, black.
extern const std::uint32_t g_channelColours[kSlotCount];

// Drops the oldest entry (index 0), moves entries 1..199 down by one and stores value at 199.
void PushHistory(double (&history)[kHistoryLength], double value);
