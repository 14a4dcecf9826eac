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
// The receiver takes the bytes of the link as one stream, in order, however they are cut into
// deliveries, and decodes every valid frame in it, in the order the frames arrived. A frame ends
// at a sync pair; the frame that ends there is the one its count byte gives the length of, and
// only bytes received after the end of the last decoded frame can belong to it, so no frame is
// ever built from bytes of two frames. Bytes that end up in no frame (garbage, a cut frame, a
// sync pair inside data that ends no valid frame) are skipped and counted. Between deliveries it
// keeps at most the unfinished bytes that could still begin a frame: fewer than one longest frame.
//
// Without a checksum a sync pair inside data can, rarely, end bytes that pass every test of a
// frame; such bytes are decoded like any frame (the count, mask, length and ordinals are all that
// tell frames apart).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "debug/key_slot.h"
#include "debug/live_history.h"

constexpr std::uint8_t kSync1 = 0xFE;
constexpr std::uint8_t kSync2 = 0xA5;

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

    // Takes the next bytes of the stream and decodes every frame they complete. Returns the
    // number of frames decoded.
    std::size_t OnChunk(const std::uint8_t* data, std::size_t n);
    // The stream ends (the port closes, a recording ends): the unfinished bytes are skipped, and
    // the next bytes begin a new stream.
    void EndOfStream();

    // Called after each frame is decoded into the slots and histories.
    void SetFrameListener(std::function<void()> listener) { m_listener = std::move(listener); }

    // Frames decoded so far: it changes exactly when the histories have moved on.
    std::uint64_t DecodedCount() const { return m_decoded; }
    // Bytes skipped so far: received, and part of no decoded frame.
    std::uint64_t SkippedCount() const { return m_skipped; }
    // Bytes kept for a frame that may still end (fewer than FrameLength(kSlotCount)).
    std::size_t PendingCount() const { return m_pendingSize; }

private:
    static constexpr std::size_t kLongest = 5 * kSlotCount + 4;
    void Decode(const std::uint8_t* frame, std::size_t n);

    LiveState& m_live;
    HistoryTables& m_history;
    std::function<void()> m_listener;
    std::uint64_t m_decoded = 0;
    std::uint64_t m_skipped = 0;
    // The bytes after the last decoded frame that could still begin one, oldest first.
    std::uint8_t m_pending[kLongest] = {};
    std::size_t m_pendingSize = 0;
};
