#pragma once
// The guided no-touch/touch measurement of the debug page. It has no timer of its own: the page
// calls StepProcedure on every tick of its 25 ms timer (40 ticks a second) and the click
// handlers from its buttons; the frame receiver does the recording while a recording phase is
// armed. Everything it shows goes through ProcedureView, every figure into the results table.
//
// Phases, in this order of precedence on a tick:
//   NoKeyCountdown  160 ticks  "[准备时间N秒] 请不要触摸面板"
//   NoKeyRecording  160 ticks (320 when more than four keys)  "[准备时间N秒] 检测中..."
//   PressCountdown  160 ticks  "[准备时间N秒] 请触摸面板,不要松开"
//   PressRecording  as NoKeyRecording
// The status text changes on the first tick of a phase and then once a second.
//
// A recording phase counts as a measurement only when
//   - the receiver delivered 100 frames while it was armed,
//   - at least one key was armed when it began (with no key known yet nothing is recorded), and
//   - the key set stayed the same from its start to its end (otherwise a slot's buffer would
//     hold values of different keys).
// Otherwise its completion reports "检测失败！" and writes no cell.
// A press recording delivers a key's press mean only to the row of a key that was asked to be
// pressed, and only while that key still sits in the slot it had when it was asked; every press
// flag is dropped when a press step completes, whether it succeeded or not.

#include <QString>
#include <cstdint>

#include "app/color_ref.h"
#include "debug/key_slot.h"

class ResultCells;

// What the procedure shows and asks of the page.
class ProcedureView {
public:
    virtual ~ProcedureView() = default;
    // Sets the status line's text colour, repaints it at once, then sets its text.
    virtual void ShowStatus(ColorRef colour, const QString& text) = 0;
    // Enables or disables buttons 1025, 1026, 1028 and list 1029 (never 1052 or 1024).
    virtual void SetStartControlsEnabled(bool enabled) = 0;
    // Progress bar: range 0..maximum, absolute position, one step forward (held at the maximum).
    virtual void SetProgressRange(int maximum) = 0;
    virtual void SetProgressPos(int pos) = 0;
    virtual void StepProgress() = 0;
    // The modal refusal "未使能键位：TK%d\n".
    virtual void ShowWarning(const QString& text) = 0;
};

constexpr ColorRef kStatusRed = 0x0000FF;       // RGB(255, 0, 0)
constexpr ColorRef kStatusDarkGreen = 0x006400; // RGB(0, 100, 0)
constexpr ColorRef kStatusBlack = 0x000000;

class CDetectionProcedure {
public:
    enum class Phase { None, NoKeyCountdown, NoKeyRecording, PressCountdown, PressRecording };

    static constexpr int kCountdownTicks = 160;
    static constexpr int kShortRecordingTicks = 160; // up to four keys
    static constexpr int kLongRecordingTicks = 320;  // five keys or more

    CDetectionProcedure(LiveState& live, ResultCells& cells, ProcedureView& view);

    // Click handlers: "开始检测", "无键值检测", "单键按下检测" (tk = the TK number chosen in
    // list 1029) and "终止操作".
    void OnStartDetection();
    void OnNoKeyDetection();
    void OnKeyPressDetection(int tk);
    void OnAbortProcedure();

    // One tick of the page timer.
    void StepProcedure();

    // Observers.
    Phase CurrentPhase() const;
    int TicksLeft() const; // of the current phase; 0 when none runs
    bool Running() const { return m_procRunning; }
    bool NoKeyPending() const { return m_noKeyPending; }
    bool PressPending() const { return m_pressPending; }

    // Texts.
    static QString CountdownText(Phase phase, int ticks); // empty when the value has no text
    // The countdown's text of the second the current phase stands in, which a tick shows only at
    // that second's end; empty when no phase runs.
    QString CurrentCountdownText() const;
    static QString KeyNotPresentText(int tk);

private:
    void DisableControls();
    void StartProgress(int shortMax, int longMax);
    void StartRecordingPhase();
    void CheckKeySet();
    bool RecordingUsable() const;
    void CompleteNoKey();
    void CompletePress();
    void ClearPressFlags();

    LiveState& m_live;
    ResultCells& m_cells;
    ProcedureView& m_view;

    bool m_prepNoKeyActive = false;
    int m_prepNoKeyTicks = 0;
    int m_recNoKeyTicks = 0;
    bool m_prepPressActive = false;
    int m_prepPressTicks = 0;
    int m_recPressTicks = 0;
    // (The two recording phase flags live in LiveState, where the receiver reads them.)
    bool m_noKeyPending = false;
    bool m_pressPending = false;
    bool m_procRunning = false;

    // The current (or last) recording phase: keys armed at its start, and whether the key set
    // changed while it ran.
    int m_armedCount = 0;
    std::uint8_t m_armedMask = 0;
    bool m_keySetChanged = false;
    // The TK number each press-flagged slot held when the press was asked for.
    int m_pressChannel[kSlotCount] = {};
};
