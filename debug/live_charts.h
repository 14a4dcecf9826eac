#pragma once
// The debug page's three live charts (samples, baselines, differences) and their enlarged
// windows: the curves of the shown slots, the dashed threshold lines on the difference chart, the
// vertical ranges (the user's, or following the data while "自动范围" is on), the spin buttons,
// the read-out cursors, and each chart's menu ("适应数据", "放大显示").
//
// Owns: the charts' axes, curves and cursors, the enlarged windows, whether the automatic range
// is on.
// Does not touch: the data (it reads a LiveData), which slots are shown and which thresholds
// apply (it is told), the lists, the settings.
//
// A refresh is Begin and End around the lists' work, so that each chart is drawn once, after it.

#include <QObject>
#include <QRect>
#include <functional>
#include <optional>
#include <vector>

#include "debug/auto_range.h"
#include "debug/key_slot.h"

class CChartAxis;
class CChartCtrl;
class CChartCursor;
class CSpinArrows;
class ChartWindow;
class DialogPage;
class LiveData;
struct ChartReadoutLine;

// New maximum of an axis range after one spin step: delta -1 (up arrow) raises it by step;
// delta +1 (down arrow) lowers it by step, but never below step and never to or below min.
double SpinStepMax(double min, double max, int delta, double step);

class LiveCharts : public QObject {
    Q_OBJECT
public:
    static constexpr int kVerticalStep = 20;
    static constexpr int kTimeStep = 10;
    // The read-out texts of chart 0, 1 or 2 at x.
    using Readout = std::function<std::vector<ChartReadoutLine>(int chart, double x)>;

    // What the charts show: the shown slots, in slot order, and the threshold line of each slot
    // (drawn on the difference chart).
    struct Picture {
        int shown[kSlotCount] = {};
        int count = 0;
        std::optional<int> threshold[kSlotCount];
    };

    LiveCharts(DialogPage& page, const LiveData& data, Readout readout);
    ~LiveCharts() override;

    // Suspends every chart's redrawing and gives it the picture's curves and lines: the curves it
    // holds get the new points when it holds exactly these, otherwise they are made anew (always
    // with full set).
    void Begin(const Picture& picture, bool full);
    // The vertical ranges follow the data (automatic range on), every chart resumes and draws
    // once, and the cursors read the new values.
    void End();

    // On, each chart's vertical range follows the shown data at once and after every refresh.
    void SetAutoRange(bool on);
    bool AutoRange() const { return m_autoRange; }
    // Fits chart `index`'s vertical range to its shown data once (its page chart, and its window).
    void FitToData(int index);
    // Opens chart `index` enlarged, or brings its window to the front.
    void OpenWindow(int index);
    ChartWindow* Window(int index) const;

    // A spin button of the layout (1013 to 1016) stepped: -1 up, +1 down. A vertical one ends the
    // automatic range first.
    void OnSpinDelta(int spinId, int delta);
    // Every chart draws everything at every refresh (off) or keeps its frame (on, the default).
    void SetFrameCache(bool on);

    CChartCtrl* Chart(int index) const;
    CChartCursor* Cursor(int index) const;

signals:
    // The user set a range of their own (a spin button, a zoom, a pan, a scroll): the automatic
    // range is off now.
    void AutoRangeDropped();

private:
    // One drawing of a live chart: the page's, or an enlarged window's.
    struct View {
        CChartCtrl* chart = nullptr;
        CChartAxis* x = nullptr;
        CChartAxis* y = nullptr;
        CChartCursor* cursor = nullptr;
        std::vector<int> series; // what its series show: a slot's curve, or kThresholdLine + slot
        ChartWindow* window = nullptr; // the window it is in (removed from here when it closes)
        const QObject* windowObject = nullptr; // the same, to know it by while it is destroyed
    };
    static constexpr int kThresholdLine = 100;

    void InitPageCharts(DialogPage& page);
    // Tooltips of the four spin buttons: which range each changes and by how much.
    void DescribeSpinButtons();
    void Bind(View& view, int index);
    // Place of live chart 0, 1 or 2 (top to bottom) on the page.
    QRect ChartPlace(int index) const;
    void Fill(View& view, int index, bool full);
    // The shown data's extent on chart `index` (thresholds included on the differences); false
    // when nothing is shown.
    bool DataExtent(int index, double& lo, double& hi) const;
    void Follow(View& view, int index, bool fit);
    void DropAutoRange();
    void ShowMenu(int index, bool enlarged, const QPoint& at);

    DialogPage& m_page;
    const LiveData& m_data;
    Readout m_readout;
    std::vector<View> m_views[3]; // [c][0] the page's chart, then the window's, if open
    CSpinArrows* m_spin[4] = {};  // 1013 .. 1016
    Picture m_picture;
    bool m_autoRange = false;
};
