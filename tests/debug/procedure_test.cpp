// The detection procedure, tick by tick, with frames through the real frame receiver and the
// results table as a plain text table.

#include <gtest/gtest.h>

#include <vector>

#include "debug/evaluation.h"
#include "debug/frame_receiver.h"
#include "debug/procedure.h"
#include "debug/result_table.h"

namespace {

using Phase = CDetectionProcedure::Phase;

const QString kDone = QString::fromUtf8("检测完成！");
const QString kFailed = QString::fromUtf8("检测失败！");
const QString kAborted = QString::fromUtf8("操作已终止！");

class FakeView : public ProcedureView {
public:
    void ShowStatus(ColorRef colour, const QString& text) override { statuses.push_back({colour, text}); }
    void SetStartControlsEnabled(bool on) override
    {
        enabled = on;
        ++enableCalls;
    }
    void SetProgressRange(int maximum) override { rangeMax = maximum; }
    void SetProgressPos(int p) override { pos = p; }
    void StepProgress() override
    {
        if (pos < rangeMax)
            ++pos;
    }
    void ShowWarning(const QString& text) override { warnings.push_back(text); }

    QString Last() const { return statuses.empty() ? QString() : statuses.back().text; }
    ColorRef LastColour() const { return statuses.empty() ? 0xFFFFFFFF : statuses.back().colour; }

    struct Status {
        ColorRef colour;
        QString text;
    };
    std::vector<Status> statuses;
    std::vector<QString> warnings;
    bool enabled = true;
    int enableCalls = 0;
    int rangeMax = 100;
    int pos = 0;
};

// The debug page's data, tick and receiver without a window.
class ProcedureTest : public ::testing::Test {
protected:
    // Sets the key set the simulated board sends from now on, with every key at rest.
    void Keys(std::initializer_list<int> channels, std::uint16_t baseline = 3000)
    {
        m_mask = 0;
        for (int c : channels)
            m_mask = static_cast<std::uint8_t>(m_mask | (1u << c));
        for (int j = 0; j < kSlotCount; ++j) {
            m_baseline[j] = baseline;
            m_sample[j] = baseline;
        }
    }
    void Frame()
    {
        const std::vector<std::uint8_t> f = EncodeFrame(m_mask, m_sample, m_baseline);
        rx.OnChunk(f.data(), f.size());
    }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            Frame();
    }
    // One page tick: procedure step, then the table rebuild after a key-set change.
    void Tick()
    {
        proc.StepProcedure();
        if (live.m_keyMaskChanged) {
            live.m_keyMaskChanged = 0;
            RebuildResultRows(table, live);
        }
    }
    // n ticks with one frame before each when sending.
    void Ticks(int n, bool sending = true)
    {
        for (int i = 0; i < n; ++i) {
            if (sending)
                Frame();
            Tick();
        }
    }
    // Ticks until the given phase is the current one (at most limit ticks).
    void TicksUntil(Phase phase, bool sending = true, int limit = 2000)
    {
        for (int i = 0; i < limit && proc.CurrentPhase() != phase; ++i)
            Ticks(1, sending);
        ASSERT_EQ(proc.CurrentPhase(), phase);
    }
    // Ticks until nothing runs any more.
    void TicksUntilIdle(bool sending = true)
    {
        for (int i = 0; i < 2000 && proc.Running(); ++i)
            Ticks(1, sending);
        ASSERT_FALSE(proc.Running());
    }
    // Connects the board: the first frame and the tick that labels the table.
    void Connect()
    {
        Frame();
        Tick();
    }
    QString Cell(int row, int col) const { return table.Text(row, col); }

    LiveState live;
    HistoryTables history;
    CFrameReceiver rx{live, history};
    ResultTable table;
    FakeView view;
    CDetectionProcedure proc{live, table, view};

    std::uint8_t m_mask = 0;
    std::uint16_t m_sample[kSlotCount] = {};
    std::uint16_t m_baseline[kSlotCount] = {};
};

// The status texts of a whole automatic flow, and when they appear.
TEST_F(ProcedureTest, AutomaticFlowTextsAndTicksWithFourKeys)
{
    Keys({0, 1, 2, 3});
    Connect();
    proc.OnStartDetection();
    EXPECT_TRUE(view.statuses.empty()); // nothing until the next tick
    EXPECT_FALSE(view.enabled);
    EXPECT_EQ(view.rangeMax, 630);
    EXPECT_EQ(view.pos, 1);

    std::vector<std::pair<int, QString>> seen; // tick number, text
    for (int tick = 1; tick <= 700 && (tick == 1 || proc.Running()); ++tick) {
        const size_t before = view.statuses.size();
        Ticks(1);
        for (size_t i = before; i < view.statuses.size(); ++i)
            seen.push_back({tick, view.statuses[i].text});
        if (tick == 628) {
            EXPECT_EQ(view.pos, 629);
        } else if (tick == 629) {
            EXPECT_EQ(view.pos, 630);
        }
    }
    const std::vector<std::pair<int, QString>> expected = {
        {1, "[准备时间4秒] 请不要触摸面板"}, {41, "[准备时间3秒] 请不要触摸面板"},
        {81, "[准备时间2秒] 请不要触摸面板"}, {121, "[准备时间1秒] 请不要触摸面板"},
        {161, "[准备时间4秒] 检测中..."},     {201, "[准备时间3秒] 检测中..."},
        {241, "[准备时间2秒] 检测中..."},     {281, "[准备时间1秒] 检测中..."},
        {320, kDone},
        {321, "[准备时间4秒] 请触摸面板,不要松开"}, {361, "[准备时间3秒] 请触摸面板,不要松开"},
        {401, "[准备时间2秒] 请触摸面板,不要松开"}, {441, "[准备时间1秒] 请触摸面板,不要松开"},
        {481, "[准备时间4秒] 检测中..."},     {521, "[准备时间3秒] 检测中..."},
        {561, "[准备时间2秒] 检测中..."},     {601, "[准备时间1秒] 检测中..."},
        {640, kDone},
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first, expected[i].first) << i;
        EXPECT_EQ(seen[i].second, expected[i].second) << i;
    }
    for (const auto& s : view.statuses)
        EXPECT_EQ(s.colour, (s.text == kDone || s.text == kFailed) ? kStatusDarkGreen : kStatusRed);
    EXPECT_FALSE(proc.Running());
    EXPECT_TRUE(view.enabled);
    EXPECT_EQ(view.pos, 630); // stays full
}

TEST_F(ProcedureTest, FiveKeysRecordForEightSecondsAndWiderRanges)
{
    Keys({0, 1, 2, 3, 4});
    Connect();
    proc.OnStartDetection();
    EXPECT_EQ(view.rangeMax, 950);
    Ticks(160);
    EXPECT_EQ(proc.CurrentPhase(), Phase::NoKeyRecording);
    EXPECT_EQ(proc.TicksLeft(), 320);
    Ticks(1);
    EXPECT_EQ(view.Last(), "[准备时间8秒] 检测中...");
    Ticks(40);
    EXPECT_EQ(view.Last(), "[准备时间7秒] 检测中...");
    int total = 41 + 160;
    while (proc.Running()) {
        Ticks(1);
        ++total;
    }
    EXPECT_EQ(total, 960);
    EXPECT_EQ(view.pos, 950);

    // The single steps: 0..310 / 0..470.
    proc.OnNoKeyDetection();
    EXPECT_EQ(view.rangeMax, 470);
    proc.OnAbortProcedure();
    Keys({0, 1, 2, 3});
    Connect();
    proc.OnKeyPressDetection(2);
    EXPECT_EQ(view.rangeMax, 310);
    EXPECT_EQ(view.pos, 1);
}

TEST_F(ProcedureTest, AutomaticFlowWritesMeansNoiseAndEvaluates)
{
    Keys({0, 2, 5});
    Connect();
    EXPECT_EQ(Cell(2, ResultCol::Key), "TK5");
    proc.OnStartDetection();
    TicksUntil(Phase::NoKeyRecording);
    // At rest: baselines 3000/3100/3200, one noisy frame per key.
    for (int i = 0; i < 160; ++i) {
        for (int j = 0; j < 3; ++j) {
            m_baseline[j] = static_cast<std::uint16_t>(3000 + 100 * j);
            m_sample[j] = m_baseline[j];
        }
        if (i == 10)
            m_sample[0] = 3012; // diff -12
        if (i == 20)
            m_sample[1] = 3100 - 8; // diff 8
        Ticks(1);
    }
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(0, ResultCol::NoKey), "3000");
    EXPECT_EQ(Cell(1, ResultCol::NoKey), "3100");
    EXPECT_EQ(Cell(2, ResultCol::NoKey), "3200");
    EXPECT_EQ(Cell(0, ResultCol::Noise), "-12");
    EXPECT_EQ(Cell(1, ResultCol::Noise), "8");
    EXPECT_EQ(Cell(2, ResultCol::Noise), "0");
    EXPECT_TRUE(Cell(0, ResultCol::Delta).isEmpty()); // no evaluation before the end

    TicksUntil(Phase::PressRecording);
    for (int j = 0; j < 3; ++j)
        m_sample[j] = static_cast<std::uint16_t>(m_baseline[j] - 300 - 50 * j);
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(0, ResultCol::Pressed), "2700");
    EXPECT_EQ(Cell(1, ResultCol::Pressed), "2750");
    EXPECT_EQ(Cell(2, ResultCol::Pressed), "2800");
    // Row 0: d = 300, n = 12, r = 25, h = 175, q = 15.0.
    EXPECT_EQ(Cell(0, ResultCol::Delta), "300");
    EXPECT_EQ(Cell(0, ResultCol::Snr), "25");
    EXPECT_EQ(Cell(0, ResultCol::Threshold), "175");
    EXPECT_EQ(Cell(0, ResultCol::Reliability), "15.0");
    // Row 2: noise 0, so the ratio shows d and the reliability t.
    EXPECT_EQ(Cell(2, ResultCol::Delta), "400");
    EXPECT_EQ(Cell(2, ResultCol::Snr), "400");
    EXPECT_EQ(Cell(2, ResultCol::Reliability), "240.0");
    for (int j = 0; j < kSlotCount; ++j)
        EXPECT_EQ(live.m_slots[j].pressFlag, 0);
}

TEST_F(ProcedureTest, OnlyTheFirstHundredFramesCount)
{
    Keys({1});
    Connect();
    proc.OnNoKeyDetection();
    TicksUntil(Phase::NoKeyRecording, false);
    m_baseline[0] = 2000;
    Frames(100);
    m_baseline[0] = 9000;
    Frames(150); // 250 frames in all
    TicksUntilIdle(false);
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(0, ResultCol::NoKey), "2000");
}

TEST_F(ProcedureTest, TooFewFramesFailAndTheFlowGoesOn)
{
    Keys({0, 1});
    Connect();
    for (int j = 0; j < 2; ++j)
        table.SetText(j, ResultCol::NoKey, "1");
    proc.OnStartDetection();
    EXPECT_TRUE(Cell(0, ResultCol::NoKey).isEmpty()); // cleared at the start
    TicksUntil(Phase::NoKeyRecording, false);
    Frames(99);
    TicksUntil(Phase::PressCountdown, false);
    EXPECT_EQ(view.Last(), kFailed); // for one tick, then the press countdown
    Ticks(1, false);
    EXPECT_EQ(view.Last(), "[准备时间4秒] 请触摸面板,不要松开");
    EXPECT_TRUE(Cell(0, ResultCol::NoKey).isEmpty());
    TicksUntilIdle(true); // the press step gets its frames
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(0, ResultCol::Pressed), "3000");
    EXPECT_TRUE(Cell(0, ResultCol::Delta).isEmpty()); // skipped by the evaluation
    EXPECT_TRUE(view.enabled);
}

TEST_F(ProcedureTest, AbortInEveryPhase)
{
    for (Phase phase : {Phase::NoKeyCountdown, Phase::NoKeyRecording, Phase::PressCountdown, Phase::PressRecording}) {
        SCOPED_TRACE(static_cast<int>(phase));
        Keys({0, 3});
        Connect();
        proc.OnStartDetection();
        TicksUntil(phase);
        Ticks(5);
        const int pos = view.pos;
        proc.OnAbortProcedure();
        EXPECT_EQ(view.Last(), kAborted);
        EXPECT_EQ(view.LastColour(), kStatusRed);
        EXPECT_TRUE(view.enabled);
        EXPECT_EQ(proc.CurrentPhase(), Phase::None);
        EXPECT_EQ(proc.TicksLeft(), 0);
        EXPECT_FALSE(proc.NoKeyPending());
        EXPECT_FALSE(proc.PressPending());
        EXPECT_TRUE(proc.Running()); // the final step is still owed
        EXPECT_EQ(live.m_recIndex, 0);
        for (const KeySlot& s : live.m_slots) {
            EXPECT_EQ(s.pressFlag, 0);
            EXPECT_EQ(s.recBaseline + s.recSample + s.recDiff, 0);
            EXPECT_EQ(s.recSampleBuf[0], 0);
        }
        // The no-key figures survive an abort during the press step.
        const bool afterNoKey = phase == Phase::PressCountdown || phase == Phase::PressRecording;
        EXPECT_EQ(Cell(0, ResultCol::NoKey), afterNoKey ? "3000" : "");
        // The next tick evaluates once (rows without a press figure are skipped) and ends.
        view.enabled = false;
        table.SetText(1, ResultCol::NoKey, "1000");
        table.SetText(1, ResultCol::Pressed, "700");
        table.SetText(1, ResultCol::Noise, "-12");
        Ticks(1);
        EXPECT_FALSE(proc.Running());
        EXPECT_TRUE(view.enabled);
        EXPECT_EQ(Cell(1, ResultCol::Delta), "300");
        EXPECT_TRUE(Cell(0, ResultCol::Delta).isEmpty());
        EXPECT_EQ(view.Last(), kAborted);
        EXPECT_EQ(view.pos, pos); // the bar is left where it was
        Ticks(10);
        EXPECT_EQ(view.pos, pos);
        table = ResultTable();
        live.m_lastKeyMask = 0; // relabel on the next connect
    }
}

TEST_F(ProcedureTest, AbortWithNothingRunning)
{
    Keys({0});
    Connect();
    table.SetText(0, ResultCol::NoKey, "1000");
    table.SetText(0, ResultCol::Pressed, "700");
    table.SetText(0, ResultCol::Noise, "-12");
    view.enabled = false;
    proc.OnAbortProcedure();
    EXPECT_EQ(view.Last(), kAborted);
    EXPECT_TRUE(view.enabled);
    Ticks(3);
    EXPECT_TRUE(Cell(0, ResultCol::Delta).isEmpty()); // no evaluation follows
    EXPECT_FALSE(proc.Running());
}

TEST_F(ProcedureTest, KeyNotPresentChangesNothing)
{
    Keys({0, 1, 5});
    Connect();
    table.SetText(0, ResultCol::Pressed, "1");
    const int writes = table.WriteCount();
    proc.OnKeyPressDetection(3);
    ASSERT_EQ(view.warnings.size(), 1u);
    EXPECT_EQ(view.warnings[0], QString::fromUtf8("未使能键位：TK3\n"));
    EXPECT_EQ(table.WriteCount(), writes);
    EXPECT_EQ(view.enableCalls, 0);
    EXPECT_FALSE(proc.Running());
    EXPECT_EQ(proc.CurrentPhase(), Phase::None);
    for (const KeySlot& s : live.m_slots)
        EXPECT_EQ(s.pressFlag, 0);
    Ticks(1);
    EXPECT_TRUE(view.statuses.empty());

    // With no frame yet, every key is "not present".
    LiveState empty;
    ResultTable t2;
    FakeView v2;
    CDetectionProcedure p2(empty, t2, v2);
    p2.OnKeyPressDetection(0);
    ASSERT_EQ(v2.warnings.size(), 1u);
    EXPECT_EQ(v2.warnings[0], QString::fromUtf8("未使能键位：TK0\n"));
}

TEST_F(ProcedureTest, SingleKeyPressGoesIntoTheKeysRow)
{
    Keys({0, 2, 5});
    Connect();
    for (int j = 0; j < 3; ++j)
        for (int c : {1, 2, 3, 6, 7})
            table.SetText(j, c, "9");
    proc.OnKeyPressDetection(5);
    EXPECT_EQ(live.m_slots[2].pressFlag, 1);
    EXPECT_EQ(live.m_slots[0].pressFlag + live.m_slots[1].pressFlag, 0);
    // Only columns 2 and 6 of row 2 are cleared.
    EXPECT_TRUE(Cell(2, 2).isEmpty());
    EXPECT_TRUE(Cell(2, 6).isEmpty());
    EXPECT_EQ(Cell(2, 1), "9");
    EXPECT_EQ(Cell(2, 7), "9");
    EXPECT_EQ(Cell(1, 2), "9");
    EXPECT_EQ(Cell(1, 6), "9");

    TicksUntil(Phase::PressRecording);
    m_sample[2] = 2500;
    m_sample[1] = 1111; // another key moving does not matter
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(2, ResultCol::Pressed), "2500");
    EXPECT_EQ(Cell(1, ResultCol::Pressed), "9");
    EXPECT_EQ(Cell(0, ResultCol::Pressed), "9");
    EXPECT_EQ(live.m_slots[2].pressFlag, 0);
}

// Mended: a failed press step used to leave its flag set, so a later press of another key wrote
// that key's recording into the failed key's row too.
TEST_F(ProcedureTest, FailedPressStepDropsItsFlag)
{
    Keys({1, 2});
    Connect();
    proc.OnKeyPressDetection(1);
    TicksUntilIdle(false); // no frames: fails
    EXPECT_EQ(view.Last(), kFailed);
    EXPECT_EQ(live.m_slots[0].pressFlag, 0);

    proc.OnKeyPressDetection(2);
    TicksUntil(Phase::PressRecording);
    m_sample[0] = 2222; // TK1 is not touched, but its sample moves with TK2's touch
    m_sample[1] = 2500;
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(1, ResultCol::Pressed), "2500");
    EXPECT_TRUE(Cell(0, ResultCol::Pressed).isEmpty());
}

// Mended: a recording phase that began with no key armed reported success and wrote zeros.
TEST_F(ProcedureTest, RecordingWithNoKeyArmedFails)
{
    // No frame before or during the countdown; the board starts sending once recording began.
    proc.OnNoKeyDetection();
    TicksUntil(Phase::NoKeyRecording, false);
    Keys({0, 1});
    TicksUntilIdle(true); // well over 100 frames arrive
    EXPECT_EQ(view.Last(), kFailed);
    EXPECT_TRUE(Cell(0, ResultCol::NoKey).isEmpty());
    EXPECT_TRUE(Cell(0, ResultCol::Noise).isEmpty());
    EXPECT_TRUE(Cell(1, ResultCol::NoKey).isEmpty());
    EXPECT_EQ(Cell(0, ResultCol::Key), "TK0"); // the rows were labelled meanwhile

    // The rule on its own: a phase armed with no key fails even when the count was reached.
    LiveState empty;
    ResultTable t2;
    FakeView v2;
    CDetectionProcedure p2(empty, t2, v2);
    p2.OnNoKeyDetection();
    for (int i = 0; i < 200 && p2.CurrentPhase() != Phase::NoKeyRecording; ++i)
        p2.StepProcedure();
    empty.m_recDone = 1;
    for (int i = 0; i < 200 && p2.Running(); ++i)
        p2.StepProcedure();
    EXPECT_EQ(v2.Last(), kFailed);
    EXPECT_EQ(t2.WriteCount(), 0);
}

// An automatic flow started before the first frame: frames come during the countdown, so the
// no-key step works; no key was asked to be pressed at the click, so the press step delivers
// nothing and says so.
TEST_F(ProcedureTest, AutomaticFlowStartedBeforeTheFirstFrame)
{
    proc.OnStartDetection();
    Ticks(20, false);
    Keys({3});
    TicksUntil(Phase::PressCountdown);
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(0, ResultCol::NoKey), "3000");
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kFailed);
    EXPECT_TRUE(Cell(0, ResultCol::Pressed).isEmpty());
}

// Mended: a key set that changes while a recording phase runs mixes keys in one buffer.
TEST_F(ProcedureTest, KeySetChangeDuringRecordingFails)
{
    Keys({0, 1});
    Connect();
    proc.OnNoKeyDetection();
    TicksUntil(Phase::NoKeyRecording);
    Ticks(30);
    Keys({0, 2}, 3500); // TK1 goes, TK2 comes into slot 1
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kFailed);
    EXPECT_TRUE(Cell(0, ResultCol::NoKey).isEmpty());
    EXPECT_TRUE(Cell(1, ResultCol::NoKey).isEmpty());
    EXPECT_EQ(Cell(1, ResultCol::Key), "TK2");
}

TEST_F(ProcedureTest, KeySetChangeAndBackBetweenTwoTicksFails)
{
    Keys({0, 1});
    Connect();
    proc.OnNoKeyDetection();
    TicksUntil(Phase::NoKeyRecording);
    Ticks(10);
    Keys({0, 1, 2}); // one frame with a third key, then back, all before the next tick
    Frame();
    Keys({0, 1});
    Frame();
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kFailed);
    EXPECT_TRUE(Cell(0, ResultCol::NoKey).isEmpty());
}

TEST_F(ProcedureTest, KeySetChangeAfterTheHundredthFrameStillFails)
{
    Keys({0, 1});
    Connect();
    proc.OnNoKeyDetection();
    TicksUntil(Phase::NoKeyRecording, false);
    Frames(100);
    Ticks(1, false);
    EXPECT_TRUE(live.m_recDone);
    Keys({0});
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kFailed);
    EXPECT_TRUE(Cell(0, ResultCol::NoKey).isEmpty());
}

// A change before the recording begins is harmless for the recording itself, but a key that
// left its slot no longer takes a press recording made for another key.
TEST_F(ProcedureTest, KeySetChangeDuringCountdownKeepsPressedKeysInTheirRows)
{
    Keys({0, 1});
    Connect();
    proc.OnStartDetection();
    Ticks(50);
    Keys({0, 2}); // TK2 now sits in slot 1, where TK1 was asked to be pressed
    TicksUntil(Phase::PressCountdown);
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(1, ResultCol::Key), "TK2");
    EXPECT_EQ(Cell(1, ResultCol::NoKey), "3000");
    TicksUntil(Phase::PressRecording);
    m_sample[0] = 2700;
    m_sample[1] = 2600;
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kDone);
    EXPECT_EQ(Cell(0, ResultCol::Pressed), "2700");
    EXPECT_TRUE(Cell(1, ResultCol::Pressed).isEmpty());
}

TEST_F(ProcedureTest, FrozenWithoutTicksAndResumesWhereItStopped)
{
    Keys({0});
    Connect();
    proc.OnNoKeyDetection();
    TicksUntil(Phase::NoKeyRecording);
    Ticks(37);
    const int left = proc.TicksLeft();
    // The link is closed: no ticks and no frames for a while; nothing moves.
    EXPECT_EQ(proc.CurrentPhase(), Phase::NoKeyRecording);
    EXPECT_EQ(proc.TicksLeft(), left);
    Ticks(1);
    EXPECT_EQ(proc.TicksLeft(), left - 1);
    TicksUntilIdle();
    EXPECT_EQ(view.Last(), kDone);
}

TEST(ProcedureTexts, CountdownTextsOnlyAtWholeSeconds)
{
    EXPECT_EQ(CDetectionProcedure::CountdownText(Phase::NoKeyCountdown, 160), "[准备时间4秒] 请不要触摸面板");
    EXPECT_EQ(CDetectionProcedure::CountdownText(Phase::PressCountdown, 40), "[准备时间1秒] 请触摸面板,不要松开");
    EXPECT_EQ(CDetectionProcedure::CountdownText(Phase::PressRecording, 320), "[准备时间8秒] 检测中...");
    EXPECT_TRUE(CDetectionProcedure::CountdownText(Phase::NoKeyCountdown, 200).isEmpty());
    EXPECT_TRUE(CDetectionProcedure::CountdownText(Phase::NoKeyRecording, 159).isEmpty());
    EXPECT_TRUE(CDetectionProcedure::CountdownText(Phase::NoKeyRecording, 0).isEmpty());
    EXPECT_TRUE(CDetectionProcedure::CountdownText(Phase::None, 40).isEmpty());
}

} // namespace
