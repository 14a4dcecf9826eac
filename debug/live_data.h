#pragma once
// The debug page's live data, with no widget in it: the key slots and key-set state that the
// frame receiver fills and the detection procedure reads, the 200-point histories, the receiver
// itself, and what the page shows of them, which is the live data or, while paused, a copy taken
// at the pause.
//
// Owns: the LiveState, the HistoryTables, the CFrameReceiver and the pause copy.
// Does not touch: widgets, the serial port, timers, which slots the user chose to show (that is
// the live view's), the results table.
//
// The views read; only TakeBytes (the receiver) and the procedure's recording flags write.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "debug/frame_receiver.h"
#include "debug/key_slot.h"
#include "debug/live_history.h"

class LiveData {
public:
    // Starts as the page starts: no key known, nothing recorded, histories at zero.
    LiveData();
    ~LiveData();
    LiveData(const LiveData&) = delete;
    LiveData& operator=(const LiveData&) = delete;

    LiveState& State() { return m_state; }
    const LiveState& State() const { return m_state; }
    const HistoryTables& History() const { return m_history; }

    // The next bytes of the link's stream, for the frame receiver. The number of frames decoded.
    std::size_t TakeBytes(const std::uint8_t* data, std::size_t n) { return m_receiver.OnChunk(data, n); }
    // The link's stream ended: its unfinished bytes are skipped, the next bytes start anew.
    void EndOfStream() { m_receiver.EndOfStream(); }
    std::uint64_t FramesDecoded() const { return m_receiver.DecodedCount(); }
    std::uint64_t BytesSkipped() const { return m_receiver.SkippedCount(); }

    // Paused, what is shown stays as it was at the pause while frames go on being received,
    // recorded and measured; unpaused, the present is shown again.
    void SetPaused(bool paused);
    bool IsPaused() const { return m_frozen != nullptr; }

    // What is shown: the copy taken at the pause, or the live data.
    struct SlotValues {
        std::int32_t channel, sample, baseline, diff;
    };
    const HistoryTables& ShownHistory() const { return m_frozen ? m_frozen->history : m_history; }
    int ShownKeyCount() const;
    SlotValues ShownValues(int slot) const;
    // Changes whenever the shown histories and values may have: the frames decoded into them.
    std::uint64_t ShownRevision() const { return m_frozen ? m_frozen->framesDecoded : FramesDecoded(); }

    // The shown value of chart 0 (samples), 1 (baselines) or 2 (differences) at point x, for each
    // shown key in slot order; nothing off the points.
    struct ReadoutValue {
        int slot;
        std::int32_t channel;
        double value;
    };
    std::vector<ReadoutValue> ReadoutAt(int chart, double x) const;

private:
    struct Frozen {
        HistoryTables history;
        int keyCount = 0;
        std::uint64_t framesDecoded = 0;
        SlotValues slot[kSlotCount] = {};
    };

    LiveState m_state;
    HistoryTables m_history;
    CFrameReceiver m_receiver;
    std::unique_ptr<Frozen> m_frozen;
};
