#include "debug/live_data.h"

#include <cmath>

LiveData::LiveData() : m_receiver(m_state, m_history) { m_state.Reset(); }

LiveData::~LiveData() = default;

void LiveData::SetPaused(bool paused)
{
    if (paused == IsPaused())
        return;
    if (!paused) {
        m_frozen.reset();
        return;
    }
    // What is shown from now on: the data as it stands. Receiver and procedure go on with the
    // live data.
    auto frozen = std::make_unique<Frozen>();
    frozen->history = m_history;
    frozen->keyCount = m_state.m_keyCount;
    frozen->framesDecoded = FramesDecoded();
    for (int j = 0; j < kSlotCount; ++j)
        frozen->slot[j] = ShownValues(j);
    m_frozen = std::move(frozen);
}

int LiveData::ShownKeyCount() const
{
    const int k = m_frozen ? m_frozen->keyCount : m_state.m_keyCount;
    return k < kSlotCount ? k : kSlotCount;
}

LiveData::SlotValues LiveData::ShownValues(int slot) const
{
    if (m_frozen)
        return m_frozen->slot[slot];
    const KeySlot& s = m_state.m_slots[slot];
    return {s.channel, s.sample, s.baseline, s.diff};
}

std::vector<LiveData::ReadoutValue> LiveData::ReadoutAt(int chart, double x) const
{
    std::vector<ReadoutValue> values;
    if (chart < 0 || chart > 2 || !std::isfinite(x))
        return values;
    const long index = std::lround(x);
    if (index < 0 || index >= kHistoryLength)
        return values;
    const HistoryTables& h = ShownHistory();
    const HistoryTable& table = chart == 0 ? h.sample : chart == 1 ? h.baseline : h.diff;
    const int k = ShownKeyCount();
    for (int j = 0; j < k; ++j)
        values.push_back({j, ShownValues(j).channel, table[j][index]});
    return values;
}
