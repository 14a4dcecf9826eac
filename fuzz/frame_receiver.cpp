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
// A separate model of the stream works out, from all bytes so far, which frames end where: at
// every sync pair it looks back over the bytes since the end of the last frame (at most the
// longest frame's length) and takes the frame the count byte names when it passes the validity
// test. The receiver must decode exactly the model's frames, into exactly the model's live state
// and histories, and skip exactly the bytes the model leaves out of every frame. The frames must
// not overlap, and a second receiver fed the same bytes one at a time must decode the same frames
// in the same order (however the stream is cut into deliveries, the frames are the same).

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

// Decodes one frame (frame[0 .. n-1], a valid frame) into copies of the state.
void ModelDecode(const std::uint8_t* frame, std::size_t n, LiveState& s, HistoryTables& h)
{
    const int k = frame[n - 3];
    const std::uint8_t mask = frame[n - 4];
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
        const std::uint8_t* block = frame + 5 * static_cast<std::size_t>(j);
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
}

// The whole stream so far, where the last frame ended, and what has been left out of frames.
struct ModelStream {
    std::vector<std::uint8_t> bytes;
    std::size_t frameEnd = 0;    // index after the last frame
    std::uint64_t gaps = 0;      // bytes between frames
    std::uint64_t frames = 0;

    // Appends a delivery; decodes the frames it completes into s and h. Returns their number.
    std::size_t Take(const std::uint8_t* data, std::size_t n, LiveState& s, HistoryTables& h)
    {
        constexpr std::size_t kLongest = 44;
        std::size_t decoded = 0;
        for (std::size_t d = 0; d < n; ++d) {
            bytes.push_back(data[d]);
            const std::size_t i = bytes.size() - 1;
            if (i < 1 || bytes[i - 1] != kSync1 || bytes[i] != kSync2)
                continue;
            const std::size_t from = std::max(frameEnd, i + 1 >= kLongest ? i + 1 - kLongest : 0);
            const std::size_t window = i + 1 - from;
            const bool valid = ModelValid(&bytes[from], window);
            FUZZ_CHECK(valid == IsValidFrame(&bytes[from], window));
            if (!valid)
                continue;
            const std::size_t length = 5 * static_cast<std::size_t>(bytes[i - 2]) + 4;
            const std::size_t start = i + 1 - length;
            FUZZ_CHECK(start >= frameEnd); // no frame takes a byte of the one before
            gaps += start - frameEnd;
            frameEnd = i + 1;
            ModelDecode(&bytes[start], length, s, h);
            ++frames;
            ++decoded;
        }
        return decoded;
    }
    // Bytes left out of frames as the receiver counts them: between frames, and of the bytes
    // after the last frame those that can no longer begin one.
    std::uint64_t Skipped() const
    {
        const std::size_t open = bytes.size() - frameEnd;
        return gaps + (open > 43 ? open - 43 : 0);
    }
    std::size_t Pending() const { return std::min<std::size_t>(bytes.size() - frameEnd, 43); }
};

// What a decoded frame left in the state: enough to tell two frames apart.
std::vector<std::int32_t> FrameFingerprint(const LiveState& s)
{
    std::vector<std::int32_t> f = {s.m_keyCount, s.m_keyMask};
    for (int j = 0; j < s.m_keyCount && j < kSlotCount; ++j) {
        f.push_back(s.m_slots[j].sample);
        f.push_back(s.m_slots[j].baseline);
    }
    return f;
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
LiveState g_live, g_modelLive, g_byteLive;
HistoryTables g_history, g_modelHistory, g_byteHistory;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    g_live = LiveState{};
    g_history = HistoryTables{};
    g_byteLive = LiveState{};
    g_byteHistory = HistoryTables{};
    g_modelLive = LiveState{};
    g_modelHistory = HistoryTables{};
    CFrameReceiver receiver(g_live, g_history);
    ModelStream model;
    // The same bytes one at a time, with no recording: the frames it decodes, in order.
    CFrameReceiver byByte(g_byteLive, g_byteHistory);
    std::vector<std::vector<std::int32_t>> chunked, single;
    receiver.SetFrameListener([&] { chunked.push_back(FrameFingerprint(g_live)); });
    byByte.SetFrameListener([&] { single.push_back(FrameFingerprint(g_byteLive)); });

    std::size_t pos = 0;
    while (pos + 5 <= size) {
        const std::uint8_t* head = data + pos;
        pos += 5;
        const std::size_t length = std::min<std::size_t>((head[3] | head[4] << 8) & 0x0FFF, size - pos);
        const std::uint8_t* chunk = data + pos;
        pos += length;

        ApplyControl(g_live, head[0], head[1], head[2]);
        ApplyControl(g_modelLive, head[0], head[1], head[2]);
        const std::size_t expected = model.Take(chunk, length, g_modelLive, g_modelHistory);
        const std::size_t decoded = receiver.OnChunk(chunk, length);
        for (std::size_t i = 0; i < length; ++i)
            byByte.OnChunk(chunk + i, 1);
        FUZZ_CHECK(decoded == expected);
        FUZZ_CHECK(receiver.DecodedCount() == model.frames);
        FUZZ_CHECK(receiver.SkippedCount() == model.Skipped());
        FUZZ_CHECK(receiver.PendingCount() == model.Pending());
        FUZZ_CHECK(SameLive(g_live, g_modelLive));
        FUZZ_CHECK(std::memcmp(&g_history, &g_modelHistory, sizeof g_history) == 0);
        FUZZ_CHECK(chunked == single);
    }
    // Every byte received is in a frame, skipped, or still waiting for one to end.
    FUZZ_CHECK(receiver.DecodedCount() == byByte.DecodedCount() && receiver.SkippedCount() == byByte.SkippedCount());
    receiver.EndOfStream();
    FUZZ_CHECK(receiver.PendingCount() == 0 && receiver.SkippedCount() == model.Skipped() + model.Pending());
    return 0;
}
