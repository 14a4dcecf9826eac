#pragma once
// What the debug page shows of the live data: the charts (LiveCharts), the value lists
// (LiveLists), the channel boxes with their colour markers, and the two view choices "自动范围"
// and "显示阈值" (remembered between runs). It works out each shown key's threshold: the
// parameter page's while the key is ticked there, else the results table's suggestion; a key at
// or above it is marked touched in the difference list, and its dashed line is drawn on the
// difference chart while "显示阈值" is ticked.
//
// Owns: which slots are shown (the channel boxes), the view choices, the record of what the last
// refresh drew from.
// Does not touch: the live data (it only reads a LiveData), the results table (it only reads its
// suggestions), the serial link, the timers, the procedure's controls.
//
// Refresh() is a function of the shown data, the boxes and the thresholds alone: when none of
// them changed since the last refresh it does nothing and says so.

#include <QObject>
#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "debug/key_slot.h"

class CChartCtrl;
class CChartCursor;
class DialogPage;
class LiveCharts;
class LiveData;
class LiveLists;
class QCheckBox;
class QLabel;
class ResultCells;
class ThresholdTarget;
struct ChartReadoutLine;

class LiveView : public QObject {
    Q_OBJECT
public:
    // Settings keys of the view choices.
    static const char kAutoRangeKey[];
    static const char kShowThresholdsKey[];

    // Binds the page's charts, spin buttons, lists, channel boxes, markers and view boxes; shows
    // data; reads the thresholds the results table suggests.
    LiveView(DialogPage& page, const LiveData& data, const ResultCells& results);
    ~LiveView() override;

    // Rebuilds the curves, lines and the lists' texts from the shown data. Whether it rebuilt
    // anything (false: nothing it shows from had changed).
    bool Refresh();

    // Off (the default), a refresh that finds nothing changed that the lists, charts and boxes
    // show from leaves them as they are, the charts keep their frames between redraws and the
    // lists copy the cells they painted before. On, every refresh rebuilds everything, the charts
    // draw everything each time and the lists paint every cell anew. Both show the same.
    void SetFullRefresh(bool full);

    void OnChannelCheck(int slot);
    // A spin button of the layout (1013 to 1016) stepped: -1 up, +1 down.
    void OnSpinDelta(int spinId, int delta);
    // "自动范围" and "显示阈值", as the boxes set them (and tick them).
    void SetAutoRange(bool on);
    bool AutoRange() const;
    void SetShowThresholds(bool on);
    bool ShowThresholds() const { return m_showThresholds; }

    // The parameter page as seen from here (set by the main window), or none.
    void SetThresholdTarget(const ThresholdTarget* target) { m_target = target; }
    // The results table changed: its suggestions are read again.
    void ResultsChanged();
    // The threshold of the key now shown in slot j, if it has one.
    std::optional<int> ThresholdOfSlot(int slot) const;

    bool SlotShown(int slot) const { return slot >= 0 && slot < kSlotCount && m_shown[slot]; }
    // The read-out of chart 0 (samples), 1 (baselines) or 2 (differences) at x (a point index):
    // "TK<n> <value>" for every shown key, in its slot's colour, with its threshold on the
    // differences; nothing off the points.
    std::vector<ChartReadoutLine> ReadoutAt(int chart, double x) const;

    LiveCharts& Charts() { return *m_charts; }
    CChartCtrl* Chart(int index) const;
    CChartCursor* Cursor(int index) const;

signals:
    // A box changed what the charts and lists show from (a channel box, "显示阈值").
    void ShownSlotsChanged();

private:
    void InitBoxes(DialogPage& page);
    // Saves a view choice; a setting that cannot be saved is simply not remembered.
    static void Remember(const char* key, bool on);

    // What the refresh draws from: the shown data's revision, the key set, each slot's values,
    // visibility and threshold, the channel boxes' states and whether thresholds are drawn.
    static constexpr int kNoThreshold = INT_MIN;
    struct Inputs {
        std::uint64_t revision = 0;
        int keyCount = 0;
        bool thresholds = true;
        struct Slot {
            std::int32_t shown, channel, sample, baseline, diff, threshold;
            bool boxChecked, boxEnabled;
            friend bool operator==(const Slot& a, const Slot& b)
            {
                return a.shown == b.shown && a.channel == b.channel && a.sample == b.sample &&
                       a.baseline == b.baseline && a.diff == b.diff && a.threshold == b.threshold &&
                       a.boxChecked == b.boxChecked && a.boxEnabled == b.boxEnabled;
            }
        } perSlot[kSlotCount] = {};
        friend bool operator==(const Inputs& a, const Inputs& b)
        {
            if (a.revision != b.revision || a.keyCount != b.keyCount || a.thresholds != b.thresholds)
                return false;
            for (int j = 0; j < kSlotCount; ++j)
                if (!(a.perSlot[j] == b.perSlot[j]))
                    return false;
            return true;
        }
    };
    Inputs CurrentInputs() const;

    DialogPage& m_page;
    const LiveData& m_data;
    const ResultCells& m_results;
    const ThresholdTarget* m_target = nullptr;
    std::array<std::optional<int>, kSlotCount> m_suggested; // by TK number, from the results table
    std::unique_ptr<LiveCharts> m_charts;
    std::unique_ptr<LiveLists> m_lists;

    // 1: the slot's curves are drawn and its values shown (its channel box is ticked).
    std::int32_t m_shown[kSlotCount] = {1, 1, 1, 1, 1, 1, 1, 1};
    bool m_showThresholds = true;
    bool m_fullRefresh = false;
    bool m_drawn = false; // m_drawnFrom holds what the last refresh drew from
    Inputs m_drawnFrom;

    QCheckBox* m_checkChannel[kSlotCount] = {};
    QLabel* m_marker[kSlotCount] = {};
    QCheckBox* m_checkAutoRange = nullptr;      // 1120 "自动范围"
    QCheckBox* m_checkShowThresholds = nullptr; // 1121 "显示阈值"
};
