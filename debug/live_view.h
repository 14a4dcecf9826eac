#pragma once
// What the debug page shows of the live data: the three charts (samples, baselines, differences)
// with their read-out cursors and spin buttons, the three value lists, the channel boxes and
// their colour markers.
//
// Owns: which slots are shown (the channel boxes), the record of what the last refresh drew, and
// the store of cell pictures the lists share.
// Does not touch: the live data (it only reads a LiveData), the serial link, the timers, the
// procedure's controls.
//
// Refresh() is a function of the shown live data and the boxes alone: when neither changed since
// the last refresh it does nothing and says so.

#include <QObject>
#include <QRect>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "debug/cached_cell_delegate.h"
#include "debug/key_slot.h"

class CChartAxis;
class CChartCtrl;
class CChartCursor;
class CChartSerie;
class CSpinArrows;
class DialogPage;
class LiveData;
class QCheckBox;
class QLabel;
class QTableWidget;
struct ChartReadoutLine;

// New maximum of an axis range after one spin step: delta -1 (up arrow) raises it by step;
// delta +1 (down arrow) lowers it by step, but never below step and never to or below min.
double SpinStepMax(double min, double max, int delta, double step);

class LiveView : public QObject {
    Q_OBJECT
public:
    static constexpr int kVerticalStep = 20;
    static constexpr int kTimeStep = 10;

    // Binds the page's charts, spin buttons, lists, channel boxes and markers; shows data.
    LiveView(DialogPage& page, const LiveData& data);
    ~LiveView() override;

    // Rebuilds the curves and the lists' texts from the shown data. Whether it rebuilt anything
    // (false: nothing it shows from had changed).
    bool Refresh();

    // Off (the default), a refresh that finds nothing changed that the lists, charts and channel
    // boxes show from (no new frame, no box toggled, ...) leaves them as they are, the charts
    // keep their frames between redraws and the lists copy the cells they painted before. On,
    // every refresh rebuilds everything, the charts draw everything each time and the lists
    // paint every cell anew. Both show the same; tests compare the two.
    void SetFullRefresh(bool full);

    void OnChannelCheck(int slot);
    // A spin button of the layout (1013 to 1016) stepped: -1 up, +1 down.
    void OnSpinDelta(int spinId, int delta);

    bool SlotShown(int slot) const { return slot >= 0 && slot < kSlotCount && m_shown[slot]; }
    // The read-out of chart 0 (samples), 1 (baselines) or 2 (differences) at x (a point index):
    // "TK<n> <value>" for every shown key, in its slot's colour; nothing off the points.
    std::vector<ChartReadoutLine> ReadoutAt(int chart, double x) const;

    CChartCtrl* Chart(int index) const { return index >= 0 && index < 3 ? m_chart[index] : nullptr; }
    CChartCursor* Cursor(int index) const { return index >= 0 && index < 3 ? m_cursor[index] : nullptr; }

signals:
    // A channel box changed which slots are shown.
    void ShownSlotsChanged();

private:
    void InitCharts();
    void InitLists();
    // Place of live chart 0, 1 or 2 (top to bottom).
    QRect ChartPlace(int index) const;
    // The chart part of the refresh: redrawing suspended and curves deleted, one curve per chart
    // for a shown slot, redrawing resumed (each chart drawn once). When the charts already hold
    // one curve for each slot to be drawn, in slot order, those curves are kept and given the
    // new points instead (kept[c] lists chart c's curves, null when none are kept); the result
    // is the same.
    void SuspendCharts(bool keepCurves);
    void AddSlotCurves(int slot, int index, const std::vector<CChartSerie*>* const (&kept)[3]);
    void ResumeCharts();
    // Whether the charts hold exactly the curves of these slots, in this order.
    bool ChartsHoldCurvesOf(const int* slotList, int count) const;

    // What the refresh draws from: the shown data's revision, the key set, each slot's values and
    // visibility, and the channel boxes' states.
    struct Inputs {
        std::uint64_t revision = 0;
        int keyCount = 0;
        struct Slot {
            std::int32_t shown, channel, sample, baseline, diff;
            bool boxChecked, boxEnabled;
            friend bool operator==(const Slot& a, const Slot& b)
            {
                return a.shown == b.shown && a.channel == b.channel && a.sample == b.sample &&
                       a.baseline == b.baseline && a.diff == b.diff && a.boxChecked == b.boxChecked &&
                       a.boxEnabled == b.boxEnabled;
            }
        } perSlot[kSlotCount] = {};
        friend bool operator==(const Inputs& a, const Inputs& b)
        {
            if (a.revision != b.revision || a.keyCount != b.keyCount)
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

    // 1: the slot's curves are drawn and its values shown (its channel box is ticked).
    std::int32_t m_shown[kSlotCount] = {1, 1, 1, 1, 1, 1, 1, 1};
    bool m_fullRefresh = false;
    bool m_drawn = false; // m_drawnFrom holds what the last refresh drew from
    Inputs m_drawnFrom;
    // The slots whose curves the charts got in the last refresh, in order.
    int m_curveSlots[kSlotCount] = {};
    int m_curveSlotCount = -1;
    // What the refresh last wrote in each row's name cell (the channel, if known) and value
    // cells (sample, baseline, difference lists), so that values that stay cost no text work.
    // Only the refresh writes these cells.
    static constexpr int kNoChannel = INT_MIN;
    struct ShownValue {
        bool known = false;
        bool shown = false; // a value, or an empty cell
        std::int32_t value = 0;
    };
    int m_shownChannel[kSlotCount] = {kNoChannel, kNoChannel, kNoChannel, kNoChannel,
                                      kNoChannel, kNoChannel, kNoChannel, kNoChannel};
    ShownValue m_shownValues[3][kSlotCount];

    CChartCtrl* m_chart[3] = {};       // 1005 samples, 1006 baselines, 1007 differences
    CChartAxis* m_axisY[3] = {};
    CChartAxis* m_axisX[3] = {};
    CChartCursor* m_cursor[3] = {};
    CSpinArrows* m_spin[4] = {};       // 1013 .. 1016
    QTableWidget* m_list[3] = {};      // 1032 samples, 1033 baselines, 1034 differences
    std::shared_ptr<CachedCellDelegate::PictureStore> m_cellPictures; // shared by the three lists
    QCheckBox* m_checkChannel[kSlotCount] = {};
    QLabel* m_marker[kSlotCount] = {};
};
