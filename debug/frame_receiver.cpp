#include "debug/frame_receiver.h"

#include <cstring>

namespace {

int BitCount(std::uint8_t v)
{
    int c = 0;
    for (; v; v &= static_cast<std::uint8_t>(v - 1))
        ++c;
    return c;
}

} // namespace

bool IsValidFrame(const std::uint8_t* buffer, std::size_t n)
{
    if (!buffer || n < FrameLength(1))
        return false;
    const int k = buffer[n - 3];
    const std::uint8_t mask = buffer[n - 4];
    if (BitCount(mask) != k)
        return false;
    if (k < 1 || k > kSlotCount)
        return false;
    if (n < FrameLength(k))
        return false;
    // Every block must start with its own ordinal. (A weighted sum of the ordinal bytes read as
    // hex digits would also pass frames such as 00 00 12 for three keys; each byte is checked.)
    const std::size_t first = n - 4 - 5 * static_cast<std::size_t>(k);
    for (int j = 0; j < k; ++j)
        if (buffer[first + 5 * static_cast<std::size_t>(j)] != j)
            return false;
    return true;
}

std::vector<std::uint8_t> EncodeFrame(std::uint8_t mask, const std::uint16_t* samples, const std::uint16_t* baselines)
{
    const int k = BitCount(mask);
    std::vector<std::uint8_t> f;
    f.reserve(FrameLength(k));
    for (int j = 0; j < k; ++j) {
        f.push_back(static_cast<std::uint8_t>(j));
        f.push_back(static_cast<std::uint8_t>(samples[j] >> 8));
        f.push_back(static_cast<std::uint8_t>(samples[j] & 0xFF));
        f.push_back(static_cast<std::uint8_t>(baselines[j] >> 8));
        f.push_back(static_cast<std::uint8_t>(baselines[j] & 0xFF));
    }
    f.push_back(mask);
    f.push_back(static_cast<std::uint8_t>(k));
    f.push_back(kSync1);
    f.push_back(kSync2);
    return f;
}

std::size_t CFrameReceiver::OnChunk(const std::uint8_t* data, std::size_t n)
{
    if (!data)
        return 0;
    std::size_t frames = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t byte = data[i];
        m_pending[m_pendingSize++] = byte;
        if (byte == kSync2 && m_pendingSize >= 2 && m_pending[m_pendingSize - 2] == kSync1 &&
            IsValidFrame(m_pending, m_pendingSize)) {
            const std::size_t length = FrameLength(m_pending[m_pendingSize - 3]);
            m_skipped += m_pendingSize - length;
            Decode(m_pending + (m_pendingSize - length), length);
            m_pendingSize = 0;
            ++frames;
            if (m_listener)
                m_listener();
        } else if (m_pendingSize == kLongest) {
            // A frame that begins with the oldest byte would have ended by now.
            std::memmove(m_pending, m_pending + 1, kLongest - 1);
            --m_pendingSize;
            ++m_skipped;
        }
    }
    return frames;
}

void CFrameReceiver::EndOfStream()
{
    m_skipped += m_pendingSize;
    m_pendingSize = 0;
}

void CFrameReceiver::Decode(const std::uint8_t* buffer, std::size_t n)
{
    const int k = buffer[n - 3];
    const std::uint8_t mask = buffer[n - 4];
    LiveState& s = m_live;
    s.m_keyCount = static_cast<std::uint8_t>(k);
    s.m_keyMask = mask;
    if (mask != s.m_lastKeyMask) {
        s.m_keyMaskChanged = 1;
        s.m_lastKeyMask = mask;
    }
    int slot = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (mask & (1u << bit))
            s.m_slots[slot++].channel = bit;

    ++m_decoded;
    const bool recording = s.Recording();
    const int index = s.m_recIndex;
    const bool indexInRange = index >= 0 && index < kRecordLength;
    const std::size_t first = n - 4 - 5 * static_cast<std::size_t>(k);
    for (int j = 0; j < k; ++j) {
        const std::uint8_t* b = buffer + first + 5 * static_cast<std::size_t>(j);
        KeySlot& slotRef = s.m_slots[j];
        slotRef.sample = b[1] * 256 + b[2];
        slotRef.baseline = b[3] * 256 + b[4];
        slotRef.diff = slotRef.baseline - slotRef.sample;
        PushHistory(m_history.sample[j], slotRef.sample);
        PushHistory(m_history.baseline[j], slotRef.baseline);
        PushHistory(m_history.diff[j], slotRef.diff);
        if (recording && indexInRange) {
            if (slotRef.recBaseline)
                slotRef.recBaselineBuf[index] = slotRef.baseline;
            if (slotRef.recSample)
                slotRef.recSampleBuf[index] = slotRef.sample;
            if (slotRef.recDiff)
                slotRef.recDiffBuf[index] = slotRef.diff;
        }
    }
    if (recording) {
        // An index outside 0..99 (never set so by the procedure) ends the round at once rather
        // than writing past the buffers.
        if (!indexInRange || ++s.m_recIndex >= kRecordLength) {
            s.m_recIndex = 0;
            s.m_recDone = 1;
            for (KeySlot& r : s.m_slots)
                r.recSample = r.recBaseline = r.recDiff = 0;
        }
    }
}
