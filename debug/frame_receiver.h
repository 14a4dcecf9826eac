#pragma once
// Touch data frames and their receiver.
//
// Wire format of a frame for K keys (1..8), 5K + 4 bytes, sync bytes last:
//   offset 5j      ordinal of block j (must equal j)
//   offset 5j + 1  sample of the key in block j, unsigned 16-bit, big-endian
//   offset 5j + 3  baseline of that key, unsigned 16-bit, big-endian
//   offset 5K      key mask (bit i set: key TKi is present)
//   offset 5K + 1  key count K (the number of set bits of the mask)
//   offset 5K + 2  0xFE, offset 5K + 3 0xA5
// Block j belongs to the j-th set bit of the mask, counting from bit 0. There is no checksum.
//
// The receiver keeps nothing between two deliveries: each chunk of bytes is handled alone. It
// decodes the last complete frame in the chunk (rotating the chunk first when bytes of the next
// frame follow the last sync pair) and drops chunks without a valid frame silently.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "debug/key_slot.h"
#include "debug/live_history.h"

constexpr std::uint8_t kSync1 = 0xFE;
constexpr std::uint8_t kSync2 = 0xA5;
constexpr std::size_t kWorkBufferSize = 2048;

// Length in bytes of a frame carrying k keys.
constexpr std::size_t FrameLength(int k) { return static_cast<std::size_t>(5 * k + 4); }

// True if a valid frame ends at buffer[n - 1]: at least 9 bytes, a count of 1..8 that matches
// the number of set mask bits, room for all blocks, and block j starting with ordinal byte j.
bool IsValidFrame(const std::uint8_t* buffer, std::size_t n);

// Builds the frame for the keys of mask: block j carries samples[j] and baselines[j] of the j-th
// set bit. The count byte is the number of set bits (an empty mask gives a frame with count 0).
std::vector<std::uint8_t> EncodeFrame(std::uint8_t mask, const std::uint16_t* samples, const std::uint16_t* baselines);

class CFrameReceiver {
public:
    CFrameReceiver(LiveState& live, HistoryTables& history) : m_live(live), m_history(history) {}

    // Handles one delivery of bytes. Returns true if a frame was decoded into the slots.
    // Chunks longer than the work buffer are cut to their last 2048 bytes.
    bool OnChunk(const std::uint8_t* data, std::size_t n);
    // Frames decoded so far: it changes exactly when the histories have moved on.
    std::uint64_t DecodedCount() const { return m_decoded; }

private:
    void Decode(const std::uint8_t* buffer, std::size_t n);

    LiveState& m_live;
    HistoryTables& m_history;
    std::uint64_t m_decoded = 0;
};
