#pragma once
// Live per-key data of the debug page: the eight key slots that the frame receiver fills and the
// detection procedure reads, and the key-set and recording state shared by the two.
//
// A slot ("通道0" .. "通道7" on screen) is a position in the frame: slot j holds the j-th key
// present in the last valid frame, lowest TK number first. With TK1 and TK3 enabled, slot 0 is
// TK1 and slot 1 is TK3. The key's own number is the slot's `channel`.
//
// Everything runs on the user-interface thread, so nothing here is locked.

#include <cstdint>

constexpr int kSlotCount = 8;       // slots, and the most keys a frame can carry
constexpr int kRecordLength = 100;  // frames kept by one recording phase
constexpr int kHistoryLength = 200; // points per curve

struct KeySlot {
    std::int32_t channel = 0;   // TK number (0..7) of the key now in this slot
    std::int32_t pressFlag = 0; // procedure: this slot's key is the one to be pressed
    std::int32_t baseline = 0;  // from the last valid frame, 0..65535
    std::int32_t sample = 0;    // from the last valid frame, 0..65535
    std::int32_t diff = 0;      // baseline - sample

    // Recording: the procedure sets a flag, the receiver stores the value of every valid frame at
    // index m_recIndex of the buffer, and clears all flags after the 100th frame.
    std::int32_t recBaseline = 0;
    std::int32_t recBaselineBuf[kRecordLength] = {};
    std::int32_t recSample = 0;
    std::int32_t recSampleBuf[kRecordLength] = {};
    std::int32_t recDiff = 0;
    std::int32_t recDiffBuf[kRecordLength] = {};

    // Start-up state: no press flag, not recording, buffers zeroed. The live values and the
    // channel are left alone.
    void ResetProcedureState()
    {
        pressFlag = 0;
        ClearRecording();
    }
    // Disarms the three recording flags and zeroes the three buffers.
    void ClearRecording()
    {
        recBaseline = recSample = recDiff = 0;
        for (int i = 0; i < kRecordLength; ++i)
            recBaselineBuf[i] = recSampleBuf[i] = recDiffBuf[i] = 0;
    }
};

// The receiver writes this state and the procedure and the display read it; the exceptions are
// the recording flags (armed by the procedure, disarmed by the receiver) and m_keyMaskChanged
// (set by the receiver, cleared by the results-table rebuild).
struct LiveState {
    KeySlot m_slots[kSlotCount];
    std::uint8_t m_keyCount = 0;        // K of the last valid frame; 0 until the first one
    std::uint8_t m_keyMask = 0;         // key mask of the last valid frame
    std::uint8_t m_lastKeyMask = 0;     // the mask before it, for change detection
    std::int32_t m_keyMaskChanged = 0;  // set when a valid frame's mask differs from the last one
    std::int32_t m_recIndex = 0;        // next entry (0..99) of the recording buffers
    std::uint8_t m_recDone = 0;         // set when 100 entries have been recorded
    std::uint8_t m_recNoKeyActive = 0;  // recording phase flags, owned by the procedure; the
    std::uint8_t m_recPressActive = 0;  // receiver records only while one is set

    // Page start-up: key set and recording state cleared, every slot disarmed.
    void Reset()
    {
        m_keyMaskChanged = 0;
        m_lastKeyMask = 0;
        m_keyMask = 0;
        m_keyCount = 0;
        m_recIndex = 0;
        m_recDone = 0;
        m_recNoKeyActive = 0;
        m_recPressActive = 0;
        for (KeySlot& s : m_slots)
            s.ResetProcedureState();
    }
    bool Recording() const { return m_recNoKeyActive || m_recPressActive; }
};
