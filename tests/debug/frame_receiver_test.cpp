// Frame format and receiver: the stream of frames however it is cut, validity, decoding, histories,
// recording.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "debug/frame_receiver.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// TK1 (3200, 3300) and TK3 (3000, 3000): mask 0x0A, 14 bytes.
const Bytes kExample = {0x00, 0x0C, 0x80, 0x0C, 0xE4, 0x01, 0x0B, 0xB8, 0x0B, 0xB8, 0x0A, 0x02, 0xFE, 0xA5};

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct Receiver : ::testing::Test {
    std::unique_ptr<LiveState> live = std::make_unique<LiveState>();
    std::unique_ptr<HistoryTables> history = std::make_unique<HistoryTables>();
    CFrameReceiver rx{*live, *history};

    bool Feed(const Bytes& b) { return rx.OnChunk(b.data(), b.size()); }

    void ExpectExampleDecoded()
    {
        EXPECT_EQ(live->m_keyCount, 2);
        EXPECT_EQ(live->m_keyMask, 0x0A);
        EXPECT_EQ(live->m_slots[0].channel, 1);
        EXPECT_EQ(live->m_slots[0].sample, 3200);
        EXPECT_EQ(live->m_slots[0].baseline, 3300);
        EXPECT_EQ(live->m_slots[0].diff, 100);
        EXPECT_EQ(live->m_slots[1].channel, 3);
        EXPECT_EQ(live->m_slots[1].sample, 3000);
        EXPECT_EQ(live->m_slots[1].baseline, 3000);
        EXPECT_EQ(live->m_slots[1].diff, 0);
    }
};

TEST_F(Receiver, WorkedExampleDecodesAndFlagsTheNewMaskOnce)
{
    ASSERT_TRUE(Feed(kExample));
    ExpectExampleDecoded();
    EXPECT_EQ(live->m_keyMaskChanged, 1);
    EXPECT_EQ(live->m_lastKeyMask, 0x0A);
    EXPECT_EQ(history->sample[0][kHistoryLength - 1], 3200);
    EXPECT_EQ(history->baseline[0][kHistoryLength - 1], 3300);
    EXPECT_EQ(history->diff[0][kHistoryLength - 1], 100);
    EXPECT_EQ(history->diff[1][kHistoryLength - 1], 0);

    live->m_keyMaskChanged = 0;
    ASSERT_TRUE(Feed(kExample));
    EXPECT_EQ(live->m_keyMaskChanged, 0) << "same mask again is no change";
}

TEST_F(Receiver, SkipsTheTailOfAFrameBeforeAndKeepsTheStartOfTheNext)
{
    // Tail of a previous frame, the example, then the start of the next frame.
    ASSERT_EQ(rx.OnChunk(Cat({{0x0B, 0xB8, 0x0A, 0x02, 0xFE, 0xA5}, kExample, {0x00, 0x0C, 0x80}}).data(), 23), 1u);
    ExpectExampleDecoded();
    EXPECT_EQ(rx.SkippedCount(), 6u);
    EXPECT_EQ(rx.PendingCount(), 3u);
}

// The end of one frame followed by the start of the next is no frame (they would be mixed); the
// next frame, once the rest of it arrives, is.
TEST_F(Receiver, JoinsAFrameSplitAcrossDeliveriesButNeverTwoFrames)
{
    EXPECT_FALSE(Feed({0x01, 0x0B, 0xB8, 0x0B, 0xB8, 0x0A, 0x02, 0xFE, 0xA5, 0x00, 0x0C, 0x80, 0x0C, 0xE4}));
    EXPECT_EQ(live->m_keyCount, 0);
    EXPECT_FALSE(Feed({0x01, 0x0B, 0xB8, 0x0B}));
    EXPECT_FALSE(Feed({0xB8, 0x0A, 0x02, 0xFE}));
    ASSERT_TRUE(Feed({0xA5}));
    ExpectExampleDecoded();
    EXPECT_EQ(rx.SkippedCount(), 9u);
}

TEST_F(Receiver, DropsBytesWithoutAValidFrameAndChangesNothing)
{
    const Bytes noSync(kExample.begin(), kExample.end() - 1);
    Bytes wrongCount = {0x00, 0, 1, 0, 2, 0x01, 0, 3, 0, 4, 0x02, 0, 5, 0, 6, 0x07, 0x02, 0xFE, 0xA5}; // 3 bits, count 2
    Bytes badOrdinal = kExample;
    badOrdinal[5] = 0x02;
    Bytes emptyMask = {0, 0, 0, 0, 0, 0x00, 0x00, 0xFE, 0xA5};
    Bytes tooShort = {0x00, 0x01, 0x01, 0xFE, 0xA5}; // count 1 needs 9 bytes
    Bytes countNine = Cat({Bytes(45, 0), {0xFF, 0x09, 0xFE, 0xA5}});
    std::uint64_t bytes = 0;
    // Each a stream of its own: together some of them would end in a frame.
    for (const Bytes& stream : {noSync, wrongCount, badOrdinal, emptyMask, tooShort, countNine, Bytes{0xFE}, Bytes{0xA5, 0xFE}}) {
        EXPECT_FALSE(Feed(stream));
        rx.EndOfStream();
        bytes += stream.size();
    }
    EXPECT_EQ(live->m_keyCount, 0);
    EXPECT_EQ(live->m_keyMaskChanged, 0);
    EXPECT_EQ(history->sample[0][kHistoryLength - 1], 0);
    EXPECT_EQ(rx.SkippedCount(), bytes);
    EXPECT_FALSE(rx.OnChunk(nullptr, 0));
}

// A stream as a board and a bad link give it: frames of one to eight keys, some with a sync pair
// inside a sample value, garbage between them and frames cut short. Values stay below 0xA500 and
// garbage holds no 0x00 or 0xA5, so that the only sync pairs are the frames' own and those inside
// samples, and no run of other bytes reads as a frame.
struct MadeStream {
    Bytes bytes;
    std::vector<Bytes> whole; // the frames sent whole, in order
    std::uint64_t other = 0;  // garbage and cut frames
};

MadeStream MakeStream(unsigned seed, int items)
{
    std::mt19937 rng(seed);
    MadeStream m;
    auto frame = [&](bool syncInSample) {
        std::uint8_t mask = 0;
        while (!mask)
            mask = static_cast<std::uint8_t>(rng());
        std::uint16_t s[8], b[8];
        for (int j = 0; j < 8; ++j) {
            s[j] = static_cast<std::uint16_t>(rng() % 0xA500);
            b[j] = static_cast<std::uint16_t>(rng() % 0xA500);
        }
        const int k = __builtin_popcount(mask);
        if (syncInSample)
            s[rng() % k] = 0xFEA5;
        return EncodeFrame(mask, s, b);
    };
    for (int i = 0; i < items; ++i) {
        const unsigned kind = rng() % 6;
        if (kind == 0) {
            for (unsigned n = 1 + rng() % 30; n > 0; --n) {
                std::uint8_t g = static_cast<std::uint8_t>(1 + rng() % 255);
                m.bytes.push_back(g == kSync2 ? 0x11 : g);
                ++m.other;
            }
        } else if (kind == 1) {
            Bytes f = frame(rng() % 2);
            std::size_t cut = 1 + rng() % (f.size() - 1);
            while (cut > 1 && f[cut - 1] == 0)
                --cut;
            if (f[cut - 1] == 0)
                continue;
            m.bytes.insert(m.bytes.end(), f.begin(), f.begin() + static_cast<std::ptrdiff_t>(cut));
            m.other += cut;
        } else {
            m.whole.push_back(frame(rng() % 3 == 0));
            m.bytes.insert(m.bytes.end(), m.whole.back().begin(), m.whole.back().end());
        }
    }
    m.whole.push_back(frame(false));
    m.bytes.insert(m.bytes.end(), m.whole.back().begin(), m.whole.back().end());
    return m;
}

// The frames a receiver decodes from the stream delivered in pieces that end at the given cuts,
// each as the bytes of the frame it shows, and the bytes it skipped.
std::pair<std::vector<Bytes>, std::uint64_t> Receive(const Bytes& stream, const std::vector<std::size_t>& cuts)
{
    auto live = std::make_unique<LiveState>();
    auto history = std::make_unique<HistoryTables>();
    CFrameReceiver rx{*live, *history};
    std::vector<Bytes> frames;
    rx.SetFrameListener([&] {
        std::uint16_t s[8], b[8];
        for (int j = 0; j < live->m_keyCount; ++j) {
            s[j] = static_cast<std::uint16_t>(live->m_slots[j].sample);
            b[j] = static_cast<std::uint16_t>(live->m_slots[j].baseline);
        }
        frames.push_back(EncodeFrame(live->m_keyMask, s, b));
    });
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        rx.OnChunk(stream.data() + from, cut - from);
        from = cut;
    }
    rx.OnChunk(stream.data() + from, stream.size() - from);
    EXPECT_EQ(rx.DecodedCount(), frames.size());
    return {frames, rx.SkippedCount()};
}

// However the stream is cut into deliveries, exactly the frames sent whole come out, each once and
// in order, and exactly the other bytes are skipped.
TEST(FrameStream, EveryWholeFrameOnceInOrderHoweverTheBytesArrive)
{
    const MadeStream small = MakeStream(7, 40);
    const auto expected = std::make_pair(small.whole, small.other);
    ASSERT_GT(small.whole.size(), 20u);
    EXPECT_EQ(Receive(small.bytes, {}), expected);
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < small.bytes.size(); ++i) {
        everyByte.push_back(i);
        ASSERT_EQ(Receive(small.bytes, {i}), expected) << "cut at " << i;
    }
    EXPECT_EQ(Receive(small.bytes, everyByte), expected);

    const MadeStream large = MakeStream(11, 600);
    std::mt19937 rng(3);
    for (int run = 0; run < 10; ++run) {
        std::vector<std::size_t> cuts;
        for (std::size_t at = 1 + rng() % 60; at < large.bytes.size(); at += 1 + rng() % 60)
            cuts.push_back(at);
        EXPECT_EQ(Receive(large.bytes, cuts), std::make_pair(large.whole, large.other)) << "run " << run;
    }
}

TEST(FrameValidity, ChecksOrdinalsByteByByte)
{
    // Three keys with ordinals 00 00 12: as a hex-digit sum this equals 0x012, but block 1 does
    // not start with 1.
    Bytes f = {0x00, 0, 1, 0, 1, 0x00, 0, 1, 0, 1, 0x12, 0, 1, 0, 1, 0x07, 0x03, 0xFE, 0xA5};
    EXPECT_FALSE(IsValidFrame(f.data(), f.size()));
    f[5] = 0x01;
    f[10] = 0x02;
    EXPECT_TRUE(IsValidFrame(f.data(), f.size()));
    // Extra bytes in front are allowed: the frame ends at the buffer's end.
    Bytes longer = Cat({{0x55, 0x66}, f});
    EXPECT_TRUE(IsValidFrame(longer.data(), longer.size()));
    EXPECT_FALSE(IsValidFrame(nullptr, 0));
}

TEST_F(Receiver, OneKeyFrameWithNegativeDifference)
{
    ASSERT_TRUE(Feed({0x00, 0x00, 0x64, 0x00, 0x5A, 0x01, 0x01, 0xFE, 0xA5}));
    EXPECT_EQ(live->m_keyCount, 1);
    EXPECT_EQ(live->m_slots[0].channel, 0);
    EXPECT_EQ(live->m_slots[0].sample, 100);
    EXPECT_EQ(live->m_slots[0].baseline, 90);
    EXPECT_EQ(live->m_slots[0].diff, -10);
}

TEST_F(Receiver, FramesOfFiveToEightKeysAndFullRangeValues)
{
    for (int k = 5; k <= 8; ++k) {
        const std::uint8_t mask = static_cast<std::uint8_t>(0xFF >> (8 - k) << (8 - k)); // highest k bits
        std::uint16_t s[8], b[8];
        for (int j = 0; j < k; ++j) {
            s[j] = static_cast<std::uint16_t>(j == 0 ? 65535 : 1000 + j);
            b[j] = static_cast<std::uint16_t>(j == 0 ? 0 : 2000 + j);
        }
        const Bytes f = EncodeFrame(mask, s, b);
        ASSERT_EQ(f.size(), FrameLength(k));
        ASSERT_TRUE(Feed(f)) << k << " keys";
        EXPECT_EQ(live->m_keyCount, k);
        EXPECT_EQ(live->m_slots[0].channel, 8 - k);
        EXPECT_EQ(live->m_slots[0].diff, -65535);
        EXPECT_EQ(live->m_slots[k - 1].channel, 7);
        EXPECT_EQ(live->m_slots[k - 1].sample, 1000 + k - 1);
        EXPECT_EQ(live->m_slots[k - 1].diff, 1000);
    }
    EXPECT_EQ(FrameLength(8), 44u);
}

TEST_F(Receiver, TwoFramesInOneChunkAreBothDecodedInOrder)
{
    const std::uint16_t s1[] = {10}, b1[] = {20}, s2[] = {30}, b2[] = {50};
    ASSERT_EQ(Feed(Cat({EncodeFrame(0x01, s1, b1), EncodeFrame(0x01, s2, b2)})), true);
    EXPECT_EQ(rx.DecodedCount(), 2u);
    EXPECT_EQ(live->m_slots[0].sample, 30);
    EXPECT_EQ(history->sample[0][kHistoryLength - 1], 30);
    EXPECT_EQ(history->sample[0][kHistoryLength - 2], 10);
    EXPECT_EQ(history->diff[0][kHistoryLength - 1], 20);
}

TEST_F(Receiver, KeySetShrinkLeavesLaterSlotsAlone)
{
    ASSERT_TRUE(Feed(kExample));
    const std::uint16_t s[] = {7}, b[] = {9};
    ASSERT_TRUE(Feed(EncodeFrame(0x20, s, b)));
    EXPECT_EQ(live->m_keyCount, 1);
    EXPECT_EQ(live->m_slots[0].channel, 5);
    EXPECT_EQ(live->m_slots[1].channel, 3) << "slot 1 keeps what it had";
    EXPECT_EQ(live->m_slots[1].sample, 3000);
    EXPECT_EQ(history->sample[1][kHistoryLength - 1], 3000);
    EXPECT_EQ(history->sample[1][kHistoryLength - 2], 0);
    EXPECT_EQ(live->m_keyMaskChanged, 1);
    EXPECT_EQ(live->m_lastKeyMask, 0x20);
}

TEST_F(Receiver, LongRunOfGarbageIsSkippedWithinABoundedBuffer)
{
    Bytes chunk(3000, 0x11);
    chunk.insert(chunk.end(), kExample.begin(), kExample.end());
    ASSERT_TRUE(Feed(chunk));
    ExpectExampleDecoded();
    EXPECT_EQ(rx.SkippedCount(), 3000u);
    ASSERT_FALSE(Feed(Bytes(100, 0x22)));
    EXPECT_LT(rx.PendingCount(), FrameLength(kSlotCount));
}

TEST_F(Receiver, RecordsOnlyArmedQuantitiesForHundredFrames)
{
    live->m_recNoKeyActive = 1;
    live->m_slots[0].recSample = 1;
    live->m_slots[1].recDiff = 1;
    live->m_slots[1].recBaseline = 1;
    for (int i = 0; i < 250; ++i) {
        const std::uint16_t s[] = {static_cast<std::uint16_t>(100 + i), 5}, b[] = {1000, static_cast<std::uint16_t>(10 + i)};
        ASSERT_TRUE(Feed(EncodeFrame(0x03, s, b)));
        if (i == 98) {
            EXPECT_EQ(live->m_recIndex, 99);
            EXPECT_EQ(live->m_recDone, 0);
        }
        if (i == 99) {
            EXPECT_EQ(live->m_recIndex, 0);
            EXPECT_EQ(live->m_recDone, 1);
            for (const KeySlot& slot : live->m_slots)
                EXPECT_EQ(slot.recSample + slot.recBaseline + slot.recDiff, 0);
        }
    }
    // Only the first 100 frames are kept; later frames only advance the index.
    EXPECT_EQ(live->m_slots[0].recSampleBuf[0], 100);
    EXPECT_EQ(live->m_slots[0].recSampleBuf[99], 199);
    EXPECT_EQ(live->m_slots[0].recBaselineBuf[0], 0) << "not armed";
    EXPECT_EQ(live->m_slots[1].recBaselineBuf[99], 109);
    EXPECT_EQ(live->m_slots[1].recDiffBuf[0], 5);
    EXPECT_EQ(live->m_slots[1].recSampleBuf[0], 0);
    EXPECT_EQ(live->m_recIndex, 50);
    EXPECT_EQ(live->m_recNoKeyActive, 1) << "the phase flag is the procedure's";
}

TEST_F(Receiver, NoRecordingWithoutAPhaseAndNoOverrunOfABadIndex)
{
    live->m_slots[0].recSample = 1;
    ASSERT_TRUE(Feed(kExample));
    EXPECT_EQ(live->m_recIndex, 0);
    EXPECT_EQ(live->m_slots[0].recSampleBuf[0], 0);

    live->m_recPressActive = 1;
    live->m_recIndex = 100; // never set so by the procedure: ends the round instead of writing past
    ASSERT_TRUE(Feed(kExample));
    EXPECT_EQ(live->m_recIndex, 0);
    EXPECT_EQ(live->m_recDone, 1);
    EXPECT_EQ(live->m_slots[0].recSample, 0);
}

TEST(LiveHistory, PushDropsTheOldestAndTablesHoldTheirConstants)
{
    double h[kHistoryLength];
    for (int i = 0; i < kHistoryLength; ++i)
        h[i] = i;
    PushHistory(h, -5);
    EXPECT_EQ(h[0], 1);
    EXPECT_EQ(h[198], 199);
    EXPECT_EQ(h[199], -5);
    EXPECT_EQ(g_historyX[0], 0);
    EXPECT_EQ(g_historyX[199], 199);
    EXPECT_EQ(g_channelColours[4], 0xFFFF00u);
    EXPECT_EQ(g_channelColours[7], 0x000000u);
}

TEST(LiveStateReset, StartUpStateIsDisarmed)
{
    auto live = std::make_unique<LiveState>();
    live->m_keyCount = 3;
    live->m_recIndex = 42;
    live->m_slots[2].pressFlag = 1;
    live->m_slots[2].recDiff = 1;
    live->m_slots[2].recDiffBuf[7] = 9;
    live->Reset();
    EXPECT_EQ(live->m_keyCount, 0);
    EXPECT_EQ(live->m_recIndex, 0);
    EXPECT_EQ(live->m_slots[2].pressFlag, 0);
    EXPECT_EQ(live->m_slots[2].recDiff, 0);
    EXPECT_EQ(live->m_slots[2].recDiffBuf[7], 0);
}

} // namespace
