#include "debug/procedure.h"

#include "debug/evaluation.h"
#include "debug/result_table.h"

namespace {

constexpr int kTicksPerSecond = 40;

} // namespace

CDetectionProcedure::CDetectionProcedure(LiveState& live, ResultCells& cells, ProcedureView& view)
    : m_live(live), m_cells(cells), m_view(view)
{
}

// ---- texts --------------------------------------------------------------------------------

QString CDetectionProcedure::CountdownText(Phase phase, int ticks)
{
    int longest = kCountdownTicks;
    const char* what = nullptr;
    switch (phase) {
    case Phase::NoKeyCountdown:
        what = "请不要触摸面板";
        break;
    case Phase::PressCountdown:
        what = "请触摸面板,不要松开";
        break;
    case Phase::NoKeyRecording:
    case Phase::PressRecording:
        longest = kLongRecordingTicks;
        what = "检测中...";
        break;
    case Phase::None:
        return QString();
    }
    if (ticks <= 0 || ticks > longest || ticks % kTicksPerSecond != 0)
        return QString();
    return QStringLiteral("[准备时间%1秒] ").arg(ticks / kTicksPerSecond) + QString::fromUtf8(what);
}

QString CDetectionProcedure::CurrentCountdownText() const
{
    const int seconds = (TicksLeft() + kTicksPerSecond - 1) / kTicksPerSecond;
    return CountdownText(CurrentPhase(), seconds * kTicksPerSecond);
}

QString CDetectionProcedure::KeyNotPresentText(int tk)
{
    return QStringLiteral("未使能键位：TK%1\n").arg(tk);
}

// ---- observers ----------------------------------------------------------------------------

CDetectionProcedure::Phase CDetectionProcedure::CurrentPhase() const
{
    if (m_prepNoKeyActive)
        return Phase::NoKeyCountdown;
    if (m_live.m_recNoKeyActive)
        return Phase::NoKeyRecording;
    if (m_prepPressActive)
        return Phase::PressCountdown;
    if (m_live.m_recPressActive)
        return Phase::PressRecording;
    return Phase::None;
}

int CDetectionProcedure::TicksLeft() const
{
    switch (CurrentPhase()) {
    case Phase::NoKeyCountdown:
        return m_prepNoKeyTicks;
    case Phase::NoKeyRecording:
        return m_recNoKeyTicks;
    case Phase::PressCountdown:
        return m_prepPressTicks;
    case Phase::PressRecording:
        return m_recPressTicks;
    case Phase::None:
        break;
    }
    return 0;
}

// ---- starting and stopping ----------------------------------------------------------------

void CDetectionProcedure::DisableControls() { m_view.SetStartControlsEnabled(false); }

void CDetectionProcedure::StartProgress(int shortMax, int longMax)
{
    m_view.SetProgressRange(m_live.m_keyCount <= 4 ? shortMax : longMax);
    m_view.SetProgressPos(1);
}

void CDetectionProcedure::OnStartDetection()
{
    const int keys = m_live.m_keyCount;
    for (int j = 0; j < keys && j < kSlotCount; ++j) {
        m_live.m_slots[j].pressFlag = 1;
        m_pressChannel[j] = m_live.m_slots[j].channel;
    }
    m_procRunning = m_noKeyPending = m_pressPending = true;
    m_prepNoKeyActive = true;
    m_prepNoKeyTicks = kCountdownTicks;
    m_prepPressActive = true;
    m_prepPressTicks = kCountdownTicks;
    DisableControls();
    for (int j = 0; j < keys; ++j) {
        for (int col : {ResultCol::NoKey, ResultCol::Noise, ResultCol::Pressed, ResultCol::Delta})
            m_cells.Clear(j, col);
    }
    StartProgress(630, 950);
}

void CDetectionProcedure::OnNoKeyDetection()
{
    m_procRunning = m_noKeyPending = true;
    m_prepNoKeyActive = true;
    m_prepNoKeyTicks = kCountdownTicks;
    DisableControls();
    for (int j = 0; j < m_live.m_keyCount; ++j) {
        m_cells.Clear(j, ResultCol::NoKey);
        m_cells.Clear(j, ResultCol::Noise);
    }
    StartProgress(310, 470);
}

void CDetectionProcedure::OnKeyPressDetection(int tk)
{
    const int keys = m_live.m_keyCount < kSlotCount ? m_live.m_keyCount : kSlotCount;
    bool present = false;
    for (int j = 0; j < keys; ++j)
        present = present || m_live.m_slots[j].channel == tk;
    if (!present) {
        m_view.ShowWarning(KeyNotPresentText(tk));
        return;
    }
    for (int j = 0; j < keys; ++j) {
        if (m_live.m_slots[j].channel != tk)
            continue;
        m_live.m_slots[j].pressFlag = 1;
        m_pressChannel[j] = tk;
        m_cells.Clear(j, ResultCol::Pressed);
        m_cells.Clear(j, ResultCol::Delta);
    }
    m_procRunning = m_pressPending = true;
    m_prepPressActive = true;
    m_prepPressTicks = kCountdownTicks;
    DisableControls();
    StartProgress(310, 470);
}

void CDetectionProcedure::OnAbortProcedure()
{
    m_noKeyPending = m_pressPending = false;
    m_prepNoKeyActive = m_prepPressActive = false;
    m_live.m_recNoKeyActive = m_live.m_recPressActive = 0;
    m_prepNoKeyTicks = m_recNoKeyTicks = m_prepPressTicks = m_recPressTicks = 0;
    for (KeySlot& slot : m_live.m_slots) {
        slot.pressFlag = 0;
        slot.ClearRecording();
    }
    m_live.m_recIndex = 0;
    m_view.SetStartControlsEnabled(true);
    m_view.ShowStatus(kStatusRed, QStringLiteral("操作已终止！"));
    // m_procRunning stays: if a procedure was under way, the next tick evaluates once and
    // enables the controls again.
}

// ---- the tick -----------------------------------------------------------------------------

void CDetectionProcedure::StartRecordingPhase()
{
    const int keys = m_live.m_keyCount < kSlotCount ? m_live.m_keyCount : kSlotCount;
    for (int j = 0; j < kSlotCount; ++j) {
        KeySlot& slot = m_live.m_slots[j];
        slot.ClearRecording(); // disarms slots left armed by a phase that got too few frames
        if (j < keys)
            slot.recBaseline = slot.recSample = slot.recDiff = 1;
    }
    m_live.m_recIndex = 0;
    m_armedCount = keys;
    m_armedMask = m_live.m_keyMask;
    m_keySetChanged = false;
}

void CDetectionProcedure::CheckKeySet()
{
    // Runs at the start of a tick, before the phase step, so the last frames of a recording
    // phase are looked at too. A change of mask sets m_keyMaskChanged until the tick's table
    // rebuild clears it, so a mask that changes and changes back between two ticks is seen.
    if (!m_live.Recording())
        return;
    if (m_live.m_keyMaskChanged || m_live.m_keyMask != m_armedMask || m_live.m_keyCount != m_armedCount)
        m_keySetChanged = true;
}

bool CDetectionProcedure::RecordingUsable() const
{
    return m_live.m_recDone && m_armedCount > 0 && !m_keySetChanged;
}

void CDetectionProcedure::StepProcedure()
{
    CheckKeySet();

    // Phase step: only the first active phase runs.
    const Phase phase = CurrentPhase();
    int* ticks = nullptr;
    switch (phase) {
    case Phase::NoKeyCountdown:
        ticks = &m_prepNoKeyTicks;
        break;
    case Phase::NoKeyRecording:
        ticks = &m_recNoKeyTicks;
        break;
    case Phase::PressCountdown:
        ticks = &m_prepPressTicks;
        break;
    case Phase::PressRecording:
        ticks = &m_recPressTicks;
        break;
    case Phase::None:
        break;
    }
    if (ticks) {
        m_view.StepProgress();
        const QString text = CountdownText(phase, *ticks);
        if (!text.isEmpty())
            m_view.ShowStatus(kStatusRed, text);
        --*ticks;
        if (*ticks <= 0) {
            *ticks = 0;
            const int recordTicks = m_live.m_keyCount > 4 ? kLongRecordingTicks : kShortRecordingTicks;
            switch (phase) {
            case Phase::NoKeyCountdown:
                m_live.m_recDone = 0;
                m_prepNoKeyActive = false;
                m_live.m_recNoKeyActive = 1;
                m_recNoKeyTicks = recordTicks;
                StartRecordingPhase();
                break;
            case Phase::PressCountdown:
                m_live.m_recDone = 0;
                m_prepPressActive = false;
                m_live.m_recPressActive = 1;
                m_recPressTicks = recordTicks;
                StartRecordingPhase();
                break;
            case Phase::NoKeyRecording:
                m_live.m_recNoKeyActive = 0;
                break;
            case Phase::PressRecording:
                m_live.m_recPressActive = 0;
                break;
            case Phase::None:
                break;
            }
        }
    }

    if (m_noKeyPending && !m_prepNoKeyActive && !m_live.m_recNoKeyActive)
        CompleteNoKey();
    if (m_pressPending && !m_prepPressActive && !m_live.m_recPressActive)
        CompletePress();

    if (!m_noKeyPending && !m_pressPending && m_procRunning) {
        m_procRunning = false;
        EvaluateResults(m_cells, m_live.m_keyCount);
        m_view.SetStartControlsEnabled(true);
    }
}

void CDetectionProcedure::CompleteNoKey()
{
    m_noKeyPending = false;
    if (!RecordingUsable()) {
        m_view.ShowStatus(kStatusDarkGreen, QStringLiteral("检测失败！"));
        return;
    }
    m_view.ShowStatus(kStatusDarkGreen, QStringLiteral("检测完成！"));
    for (int j = 0; j < m_armedCount; ++j) {
        const KeySlot& slot = m_live.m_slots[j];
        m_cells.SetText(j, ResultCol::NoKey, FormatFigure(RecordingMean(slot.recBaselineBuf)));
        m_cells.SetText(j, ResultCol::Noise, FormatFigure(RecordingNoise(slot.recDiffBuf)));
    }
}

void CDetectionProcedure::CompletePress()
{
    m_pressPending = false;
    // Rows that may take this recording: keys asked to be pressed that still sit in the slot
    // they had when they were asked.
    bool deliver[kSlotCount] = {};
    bool any = false;
    for (int j = 0; j < m_armedCount; ++j) {
        const KeySlot& slot = m_live.m_slots[j];
        deliver[j] = slot.pressFlag && slot.channel == m_pressChannel[j];
        any = any || deliver[j];
    }
    if (RecordingUsable() && any) {
        m_view.ShowStatus(kStatusDarkGreen, QStringLiteral("检测完成！"));
        for (int j = 0; j < m_armedCount; ++j) {
            if (deliver[j])
                m_cells.SetText(j, ResultCol::Pressed, FormatFigure(RecordingMean(m_live.m_slots[j].recSampleBuf)));
        }
    } else {
        m_view.ShowStatus(kStatusDarkGreen, QStringLiteral("检测失败！"));
    }
    ClearPressFlags();
}

void CDetectionProcedure::ClearPressFlags()
{
    for (KeySlot& slot : m_live.m_slots)
        slot.pressFlag = 0;
}
