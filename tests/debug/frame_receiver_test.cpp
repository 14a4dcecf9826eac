// Frame format and receiver: sync search and rotation, validity, decoding, histories, recording.
#include <gtest/gtest.h>

#include <memory>
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

TEST_F(Receiver, RotatesTheBytesAfterTheLastSyncPairToTheFront)
{
    // Tail of a previous frame, the example, then the start of the next frame.
    ASSERT_TRUE(Feed(Cat({{0x0B, 0xB8, 0x0A, 0x02, 0xFE, 0xA5}, kExample, {0x00, 0x0C, 0x80}})));
    ExpectExampleDecoded();
}

TEST_F(Receiver, JoinsTheEndOfOneFrameAndTheStartOfTheNext)
{
    ASSERT_TRUE(Feed({0x01, 0x0B, 0xB8, 0x0B, 0xB8, 0x0A, 0x02, 0xFE, 0xA5, 0x00, 0x0C, 0x80, 0x0C, 0xE4}));
    ExpectExampleDecoded();
}

TEST_F(Receiver, DropsChunksWithoutAValidFrameAndChangesNothing)
{
    const Bytes noSync(kExample.begin(), kExample.end() - 1);
    Bytes wrongCount = {0x00, 0, 1, 0, 2, 0x01, 0, 3, 0, 4, 0x02, 0, 5, 0, 6, 0x07, 0x02, 0xFE, 0xA5}; // 3 bits, count 2
    Bytes badOrdinal = kExample;
    badOrdinal[5] = 0x02;
    Bytes emptyMask = {0, 0, 0, 0, 0, 0x00, 0x00, 0xFE, 0xA5};
    Bytes tooShort = {0x00, 0x01, 0x01, 0xFE, 0xA5}; // count 1 needs 9 bytes
    Bytes countNine = Cat({Bytes(45, 0), {0xFF, 0x09, 0xFE, 0xA5}});
    for (const Bytes& chunk : {noSync, wrongCount, badOrdinal, emptyMask, tooShort, countNine, Bytes{0xFE}, Bytes{0xA5, 0xFE}}) {
        EXPECT_FALSE(Feed(chunk));
    }
    EXPECT_EQ(live->m_keyCount, 0);
    EXPECT_EQ(live->m_keyMaskChanged, 0);
    EXPECT_EQ(history->sample[0][kHistoryLength - 1], 0);
    EXPECT_FALSE(rx.OnChunk(nullptr, 0));
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

TEST_F(Receiver, TwoFramesInOneChunkAdvanceTheHistoryOnce)
{
    const std::uint16_t s1[] = {10}, b1[] = {20}, s2[] = {30}, b2[] = {50};
    ASSERT_TRUE(Feed(Cat({EncodeFrame(0x01, s1, b1), EncodeFrame(0x01, s2, b2)})));
    EXPECT_EQ(live->m_slots[0].sample, 30);
    EXPECT_EQ(history->sample[0][kHistoryLength - 1], 30);
    EXPECT_EQ(history->sample[0][kHistoryLength - 2], 0);
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

TEST_F(Receiver, LongChunkUsesItsTail)
{
    Bytes chunk(3000, 0x11);
    chunk.insert(chunk.end(), kExample.begin(), kExample.end());
    ASSERT_TRUE(Feed(chunk));
    ExpectExampleDecoded();
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
