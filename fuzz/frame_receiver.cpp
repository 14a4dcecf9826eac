// Fuzzes the frame receiver with a run of deliveries. The input is a sequence of records, each a
// 5-byte head followed by the chunk of bytes delivered:
//   byte 0     bit 0: no-key recording phase flag, bit 1: press phase flag (both set as given);
//              bits 2, 3, 4: arm recSample, recBaseline, recDiff of the slots in byte 1;
//              bit 5: set the recording index to byte 2 (signed, so also out of range);
//              bit 6: clear the mask-changed flag (as the results table does after a rebuild);
//              bit 7: clear the recording-done flag (as the procedure does)
//   byte 1     slots to arm
//   byte 2     recording index
//   bytes 3-4  chunk length, little-endian, low 12 bits (0 .. 4095); a shorter rest is taken whole
//
// Every delivery is also worked out by a separate model of the receiving rules (the last sync pair
// of the chunk, the rotation, the validity test and the decoding written out anew); the receiver
// must accept exactly the chunks the model accepts and leave the live state and the histories
// exactly as the model does, so a chunk without a valid frame changes nothing at all.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "debug/frame_receiver.h"
#include "fuzz/fuzz_support.h"

namespace {

bool ModelValid(const std::uint8_t* b, std::size_t n)
{
    if (n < 9)
        return false;
    const int k = b[n - 3];
    const unsigned mask = b[n - 4];
    if (__builtin_popcount(mask) != k || k < 1 || k > 8 || n < static_cast<std::size_t>(5 * k + 4))
        return false;
    const std::size_t start = n - static_cast<std::size_t>(5 * k + 4);
    for (int j = 0; j < k; ++j)
        if (b[start + static_cast<std::size_t>(5 * j)] != j)
            return false;
    return true;
}

void ModelPush(double (&history)[kHistoryLength], double value)
{
    std::memmove(&history[0], &history[1], sizeof(double) * (kHistoryLength - 1));
    history[kHistoryLength - 1] = value;
}

// The receiver's rules applied to copies of the state. Returns whether a frame was decoded.
bool ModelChunk(const std::uint8_t* data, std::size_t n, LiveState& s, HistoryTables& h)
{
    if (n > kWorkBufferSize) {
        data += n - kWorkBufferSize;
        n = kWorkBufferSize;
    }
    // The frame ends with the last FE A5 of the chunk; what followed it goes in front.
    std::size_t end = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (data[i - 1] == kSync1 && data[i] == kSync2)
            end = i + 1;
    if (end == 0)
        return false;
    std::vector<std::uint8_t> b(data + end, data + n);
    b.insert(b.end(), data, data + end);

    const bool valid = ModelValid(b.data(), n);
    FUZZ_CHECK(valid == IsValidFrame(b.data(), n));
    if (!valid)
        return false;

    const int k = b[n - 3];
    const std::uint8_t mask = b[n - 4];
    s.m_keyCount = static_cast<std::uint8_t>(k);
    s.m_keyMask = mask;
    if (mask != s.m_lastKeyMask) {
        s.m_keyMaskChanged = 1;
        s.m_lastKeyMask = mask;
    }
    const bool recording = s.m_recNoKeyActive || s.m_recPressActive;
    const bool store = recording && s.m_recIndex >= 0 && s.m_recIndex < kRecordLength;
    int j = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (!(mask >> bit & 1))
            continue;
        const std::uint8_t* block = &b[n - 4 - 5 * static_cast<std::size_t>(k) + 5 * static_cast<std::size_t>(j)];
        KeySlot& slot = s.m_slots[j];
        slot.channel = bit;
        slot.sample = block[1] << 8 | block[2];
        slot.baseline = block[3] << 8 | block[4];
        slot.diff = slot.baseline - slot.sample;
        ModelPush(h.sample[j], slot.sample);
        ModelPush(h.baseline[j], slot.baseline);
        ModelPush(h.diff[j], slot.diff);
        if (store) {
            if (slot.recSample)
                slot.recSampleBuf[s.m_recIndex] = slot.sample;
            if (slot.recBaseline)
                slot.recBaselineBuf[s.m_recIndex] = slot.baseline;
            if (slot.recDiff)
                slot.recDiffBuf[s.m_recIndex] = slot.diff;
        }
        ++j;
    }
    if (recording) {
        // An index outside the buffers ends the round, as the 100th entry does.
        if (!store || ++s.m_recIndex >= kRecordLength) {
            s.m_recIndex = 0;
            s.m_recDone = 1;
            for (KeySlot& slot : s.m_slots)
                slot.recSample = slot.recBaseline = slot.recDiff = 0;
        }
    }
    return true;
}

bool SameSlot(const KeySlot& a, const KeySlot& b)
{
    return a.channel == b.channel && a.pressFlag == b.pressFlag &&
           a.baseline == b.baseline && a.sample == b.sample && a.diff == b.diff &&
           a.recBaseline == b.recBaseline && a.recSample == b.recSample && a.recDiff == b.recDiff &&
           std::memcmp(a.recBaselineBuf, b.recBaselineBuf, sizeof a.recBaselineBuf) == 0 &&
           std::memcmp(a.recSampleBuf, b.recSampleBuf, sizeof a.recSampleBuf) == 0 &&
           std::memcmp(a.recDiffBuf, b.recDiffBuf, sizeof a.recDiffBuf) == 0;
}

bool SameLive(const LiveState& a, const LiveState& b)
{
    for (int j = 0; j < kSlotCount; ++j)
        if (!SameSlot(a.m_slots[j], b.m_slots[j]))
            return false;
    return a.m_keyCount == b.m_keyCount && a.m_keyMask == b.m_keyMask && a.m_lastKeyMask == b.m_lastKeyMask &&
           a.m_keyMaskChanged == b.m_keyMaskChanged && a.m_recIndex == b.m_recIndex && a.m_recDone == b.m_recDone &&
           a.m_recNoKeyActive == b.m_recNoKeyActive && a.m_recPressActive == b.m_recPressActive;
}

void ApplyControl(LiveState& s, std::uint8_t control, std::uint8_t arm, std::uint8_t index)
{
    s.m_recNoKeyActive = control & 1;
    s.m_recPressActive = control >> 1 & 1;
    for (int j = 0; j < kSlotCount; ++j) {
        if (!(arm >> j & 1))
            continue;
        if (control & 0x04)
            s.m_slots[j].recSample = 1;
        if (control & 0x08)
            s.m_slots[j].recBaseline = 1;
        if (control & 0x10)
            s.m_slots[j].recDiff = 1;
    }
    if (control & 0x20)
        s.m_recIndex = static_cast<std::int8_t>(index);
    if (control & 0x40)
        s.m_keyMaskChanged = 0;
    if (control & 0x80)
        s.m_recDone = 0;
}

// Large state kept out of the stack; reset for every input.
LiveState g_live, g_modelLive;
HistoryTables g_history, g_modelHistory;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    g_live = LiveState{};
    g_history = HistoryTables{};
    CFrameReceiver receiver(g_live, g_history);

    std::size_t pos = 0;
    while (pos + 5 <= size) {
        const std::uint8_t* head = data + pos;
        pos += 5;
        const std::size_t length = std::min<std::size_t>((head[3] | head[4] << 8) & 0x0FFF, size - pos);
        const std::uint8_t* chunk = data + pos;
        pos += length;

        ApplyControl(g_live, head[0], head[1], head[2]);
        g_modelLive = g_live;
        g_modelHistory = g_history;
        const bool expected = length > 0 && ModelChunk(chunk, length, g_modelLive, g_modelHistory);
        const bool decoded = receiver.OnChunk(chunk, length);
        FUZZ_CHECK(decoded == expected);
        FUZZ_CHECK(SameLive(g_live, g_modelLive));
        FUZZ_CHECK(std::memcmp(&g_history, &g_modelHistory, sizeof g_history) == 0);
    }
    return 0;
}
