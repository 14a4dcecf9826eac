#pragma once
// The debug page, tab "调试" (layout 130).
//
// Two drivers, both on the user-interface thread:
//   - the serial control's receive event (OnCommEvent) hands each chunk of bytes to the frame
//     receiver, which updates the key slots, the histories and the recordings;
//   - the page timer (25 ms, running while the port is open) runs, in this order, the detection
//     procedure step, the live refresh of lists and charts, and the results-table rebuild when
//     the key set has changed.
//
// A port that goes away while open (adapter pulled, board's pseudo-terminal closed) is treated as
// a close that the page did not ask for: the page timer stops, the procedure stands still, lists
// and charts keep their last values, and the button reads "串口N已断开". Every 500 ms the page
// then looks for the same port number; once it is there and opens with the same settings, the
// link is open again as after a click ("串口N已打开", timer and procedure running on). A click
// while waiting gives up: "串口已关闭".
//
// The live and recording state (m_slots, m_keyCount, m_recIndex, ...) comes from LiveState.

#include <QPointer>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/dialog_page.h"
#include "debug/cached_cell_delegate.h"
#include "debug/frame_receiver.h"
#include "debug/key_slot.h"
#include "debug/live_history.h"

class CChartCtrl;
class CChartAxis;
class CChartCursor;
struct ChartReadoutLine;
class CChartSerie;
class CDetectionProcedure;
class CResultCellEditor;
class ProcedureView;
class QAction;
class CSnrVerdictMarker;
class ThresholdTarget;
class ResultCells;
class ResultTableWidget;
class CMSComm;
class CLinkRecordingSession;
class CSpinArrows;
class ISerialDevice;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class UiServices;
class ZCStatic;

// New maximum of an axis range after one spin step: delta -1 (up arrow) raises it by step;
// delta +1 (down arrow) lowers it by step, but never below step and never to or below min.
double SpinStepMax(double min, double max, int delta, double step);

class DlgSub2 : public DialogPage, protected LiveState {
    Q_OBJECT
public:
    static constexpr int kTimerPeriodMs = 25;
    // With the port open, no procedure running and a second of ticks that found nothing to
    // show, the page's timer slows to this period until bytes arrive or the user changes
    // something the ticks show from; then it runs at kTimerPeriodMs again.
    static constexpr int kRestPeriodMs = 250;
    static constexpr int kQuietTicksBeforeRest = 40;
    static constexpr int kReconnectPeriodMs = 500;
    static constexpr int kVerticalStep = 20;
    static constexpr int kTimeStep = 10;

    explicit DlgSub2(QWidget* parent = nullptr, UiServices* services = nullptr);
    ~DlgSub2() override;

    // Replaces the serial device behind the page's serial control (tests use a stand-in). Only
    // while the port is closed.
    void SetSerialDevice(std::unique_ptr<ISerialDevice> device);
    // Replaces port discovery (default: FindComPort over the system's ports).
    void SetPortFinder(std::function<int()> finder);
    // Replaces the presence test for one port number used while waiting for a lost port
    // (default: ComPortPresent over the system's ports).
    void SetPortProbe(std::function<bool(int)> probe);

    LiveState& Live() { return *this; }
    const LiveState& Live() const { return *this; }
    const HistoryTables& History() const { return m_history; }
    CMSComm* Comm() const { return m_comm.get(); }
    int TimerId() const { return m_timerId; }
    // The period the page's timer runs at: kTimerPeriodMs, or kRestPeriodMs while resting.
    int TickPeriod() const { return m_tickPeriod; }
    // Whether the port's bytes wait for the next tick instead of waking the page as they come.
    bool ArrivalsHeld() const { return m_arrivalsHeld; }
    // While a lost port is awaited: its number and the id of the 500 ms timer; 0 otherwise.
    int LostPort() const { return m_lostPort; }
    int ReconnectTimerId() const { return m_reconnectTimerId; }

    CChartCtrl* ChartSample() const { return m_chartSample; }
    CChartCtrl* ChartBaseline() const { return m_chartBaseline; }
    CChartCtrl* ChartDiff() const { return m_chartDiff; }

    // Handlers, public so that tests and benchmarks can drive the page directly.
    void OnPortButton();
    void OnCommEvent();
    void OnPortLost();
    void OnTimerTick();
    void OnReconnectTick();
    void OnChannelCheck(int slot);
    void OnSpinDelta(int spinId, int delta);
    // Whether it rebuilt anything (false: nothing it shows from had changed).
    bool RefreshLiveView();

    // Off (the default), a tick that finds nothing changed that the lists, charts and channel
    // boxes show from (no new frame, no box toggled, ...) leaves them as they are, the charts
    // keep their frames between redraws and the live lists copy the cells they painted before.
    // On, every tick rebuilds everything, the charts draw everything each time and the lists
    // paint every cell anew. Both show the same; tests compare the two.
    void SetFullRefresh(bool full);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void InitLiveLists();
    void InitCharts();
    // Place of live chart 0, 1 or 2 (top to bottom).
    QRect ChartPlace(int index) const;
    void InitProcedureControls();
    void SetLinkControlsEnabled(bool enabled);
    // Serial link steps shared by the button and the reconnection.
    void ConnectComm();
    bool OpenPort(int n, QString* error);
    void EnterOpen(int n);
    void LeaveOpen(const QString& caption);
    void StopReconnect();
    // Runs the page's timer at this period (kTimerPeriodMs or kRestPeriodMs), if it runs.
    void SetTickPeriod(int ms);
    // Back to kTimerPeriodMs after a rest: something the ticks show from may have changed.
    void Wake();
    // Holds the port's arrivals for the tick to take in, or lets them come as they arrive: held
    // while the timer runs fast and no recording is armed.
    void UpdateArrivals();
    void SetPortCaption(const QString& caption);
    // The chart part of the live refresh: redrawing suspended and curves deleted, one curve per
    // chart for a visible slot, redrawing resumed (each chart drawn once). When the charts
    // already hold one curve for each slot to be drawn, in slot order, those curves are kept and
    // given the new points instead (kept[c] lists chart c's curves, null when none are kept);
    // the result is the same.
    void SuspendCharts(bool keepCurves);
    void AddSlotCurves(int slot, int index, const std::vector<CChartSerie*>* const (&kept)[3]);
    void ResumeCharts();
    // Whether the charts hold exactly the curves of these slots, in this order.
    bool ChartsHoldCurvesOf(const int* slotList, int count) const;

    // What the live refresh draws from: the frames decoded (each moves the histories on), the
    // key set, each slot's values and visibility, and the channel boxes' states.
    struct LiveInputs {
        std::uint64_t framesDecoded = 0;
        int keyCount = 0;
        struct Slot {
            std::int32_t visible, channel, sample, baseline, diff;
            bool boxChecked, boxEnabled;
            friend bool operator==(const Slot& a, const Slot& b)
            {
                return a.visible == b.visible && a.channel == b.channel && a.sample == b.sample &&
                       a.baseline == b.baseline && a.diff == b.diff && a.boxChecked == b.boxChecked &&
                       a.boxEnabled == b.boxEnabled;
            }
        } perSlot[kSlotCount] = {};
        friend bool operator==(const LiveInputs& a, const LiveInputs& b)
        {
            if (a.framesDecoded != b.framesDecoded || a.keyCount != b.keyCount)
                return false;
            for (int j = 0; j < kSlotCount; ++j)
                if (!(a.perSlot[j] == b.perSlot[j]))
                    return false;
            return true;
        }
    };
    LiveInputs CurrentLiveInputs() const;
    bool m_fullRefresh = false;
    bool m_liveShown = false;  // m_liveShownFrom holds what the last refresh showed
    LiveInputs m_liveShownFrom;
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

    UiServices* m_services;

    // ---- serial link and live view ---------------------------------------------------------
    std::unique_ptr<CMSComm> m_comm;
    std::function<int()> m_findPort;
    std::function<bool(int)> m_probePort;
    HistoryTables m_history;
    CFrameReceiver m_receiver;
    int m_timerId = 0;
    int m_tickPeriod = kTimerPeriodMs;
    int m_quietTicks = 0;        // ticks in a row that found nothing to show
    bool m_arrivalsHeld = false; // the port's bytes wait for the tick (UpdateArrivals)
    int m_lostPort = 0;          // number of the port that went away, while it is awaited
    int m_reconnectTimerId = 0;  // 500 ms, runs only while a lost port is awaited

    QPushButton* m_btnPort = nullptr;
    CChartCtrl* m_chartSample = nullptr;
    CChartCtrl* m_chartBaseline = nullptr;
    CChartCtrl* m_chartDiff = nullptr;
    CChartAxis* m_axisSampleY = nullptr;
    CChartAxis* m_axisBaselineY = nullptr;
    CChartAxis* m_axisDiffY = nullptr;
    CChartAxis* m_axisSampleX = nullptr;
    CChartAxis* m_axisBaselineX = nullptr;
    CChartAxis* m_axisDiffX = nullptr;
    CSpinArrows* m_spinSample = nullptr;
    CSpinArrows* m_spinBaseline = nullptr;
    CSpinArrows* m_spinDiff = nullptr;
    CSpinArrows* m_spinTime = nullptr;
    QTableWidget* m_listSample = nullptr;
    QTableWidget* m_listBaseline = nullptr;
    QTableWidget* m_listDiff = nullptr;
    std::shared_ptr<CachedCellDelegate::PictureStore> m_cellPictures; // shared by the three lists
    QCheckBox* m_checkChannel[kSlotCount] = {};
    QLabel* m_marker[kSlotCount] = {};

    // ---- detection procedure and results table ------------------------------------------------
    // Controls of the procedure, bound at start-up; enabled with the link.
    QPushButton* m_btnStart = nullptr;    // 1025 "开始检测"
    QPushButton* m_btnNoKey = nullptr;    // 1026 "无键值检测"
    QPushButton* m_btnKeyPress = nullptr; // 1028 "单键按下检测"
    QComboBox* m_comboKey = nullptr;      // 1029 key choice, index = TK number
    QPushButton* m_btnAbort = nullptr;    // 1052 "终止操作"
    ZCStatic* m_lblStatus = nullptr;      // 1053 status line
    QProgressBar* m_progress = nullptr;   // 1051
    QTableWidget* m_listResult = nullptr; // 1030 results table
    QLineEdit* m_editCell = nullptr;      // 1031 in-place cell editor
    QPushButton* m_btnHelp = nullptr;     // 1054 "帮助"

    // One tick of the detection procedure (first on every tick).
    void StepProcedure();
    // Relabels the results table after a key-set change; clears m_keyMaskChanged.
    void RebuildResultRows();

    // ---- pause and read-out -------------------------------------------------------------------
    // "暂停" (1058) freezes the charts and the live lists on what they showed: frames are still
    // received, recorded and given to the procedure, and unticking shows the present. Each chart
    // has a read-out cursor (mouse, or Shift+arrows) with the values of the visible keys at it,
    // from what the chart shows, live or paused.
public:
    void OnPauseToggle(bool on);        // 1058
    bool IsPaused() const { return m_frozen != nullptr; }
    // The read-out of chart 0 (samples), 1 (baselines) or 2 (differences) at x (a point index):
    // "TK<n> <value>" for every visible key shown, in its slot's colour; nothing off the points.
    std::vector<ChartReadoutLine> ReadoutAt(int chart, double x) const;
    CChartCursor* CursorOf(int chart) const { return chart >= 0 && chart < 3 ? m_cursor[chart] : nullptr; }

private:
    // What the live view shows while paused: the histories and the slots' values at the pause.
    struct FrozenView {
        HistoryTables history;
        int keyCount = 0;
        std::uint64_t framesDecoded = 0;
        struct Values {
            std::int32_t channel, sample, baseline, diff;
        } slot[kSlotCount] = {};
    };
    const HistoryTables& ShownHistory() const { return m_frozen ? m_frozen->history : m_history; }
    int ShownKeyCount() const;
    FrozenView::Values ShownValues(int slot) const;

    std::unique_ptr<FrozenView> m_frozen;
    CChartCursor* m_cursor[3] = {};

    // ---- recording of the link -----------------------------------------------------------------
    // "录制" (1057) arms the recording: every opening of the port starts a new file in the
    // recording folder and closing the port ends it; a port lost and found again stays in the
    // same file. Ticked while the port is open, a file starts at once. A file that cannot be
    // written ends the recording with a message and unticks the box; the page goes on.
public:
    // Settings key of the recording folder (QSettings, IniFormat, user scope "Morvek"/"Morvek").
    static const char kRecordFolderKey[];
    void OnRecordToggle(bool on);       // 1057
    // Asks for the recording folder (the box's context menu); true if one was picked.
    bool OnChooseRecordFolder();
    CLinkRecordingSession& Recording() { return *m_recording; }
    static QString RecordFolder();

private:
    void StartRecordingFile();
    void StopRecordingFile();
    void OnRecordingFailed(const QString& message);
    // Ticks or clears "录制" without running its handler.
    void SetRecordBox(bool on);
    void UpdateRecordTip();

    QCheckBox* m_checkRecord = nullptr; // 1057 "录制"
    QCheckBox* m_checkPause = nullptr;  // 1058 "暂停"
    bool m_recordArmed = false;
    std::unique_ptr<CLinkRecordingSession> m_recording;

    // ---- detection procedure and results table: handlers and state ---------------------------
public:
    // The help document, relative to the current folder.
    static QString HelpDocumentPath();

    void OnStartDetection();            // 1025
    void OnNoKeyDetection();            // 1026
    void OnKeyPressDetection();         // 1028, key from list 1029
    void OnAbortProcedure();            // 1052
    void OnHelp();                      // 1054
    void OnResultDblClk(int row, int col); // double-click on list 1030
    void OnCellEditKillFocus();         // edit box 1031 lost the focus
    // Runs the evaluation pass over the results table.
    void EvaluateResults();

    CDetectionProcedure& Procedure() { return *m_procedure; }
    ResultCells& Results();
    CResultCellEditor& CellEditor() { return *m_cellEditor; }

private:
    void InitProcedure();
    void InitRecording();

    std::unique_ptr<ResultTableWidget> m_resultCells;
    std::unique_ptr<ProcedureView> m_procedureView;
    std::unique_ptr<CDetectionProcedure> m_procedure;
    // Destroyed before the page's widgets, so that the edit box losing the focus while the page
    // is torn down never reaches a table that is already gone.
    std::unique_ptr<CResultCellEditor> m_cellEditor;

    // ---- results out: thresholds to the parameter page, clipboard, CSV, verdict per key -------
public:
    // The parameter page as seen from here; set by the main window. Without one, "应用阈值到参数页"
    // stays disabled.
    void SetThresholdTarget(ThresholdTarget* target);

    void OnApplyThresholds(); // 1055 "应用阈值到参数页", also in the table's context menu
    void OnExportResults();   // 1056 "导出结果…", also in the context menu
    void OnCopyResults();     // Ctrl+C on the table and "复制" in its context menu
    // Enables "应用阈值到参数页" while a row holds a number in column 10.
    void UpdateResultActions();

    QAction* CopyAction() const { return m_actCopy; }
    QAction* ExportAction() const { return m_actExport; }
    QAction* ApplyThresholdsAction() const { return m_actApplyThresholds; }

private:
    void InitResultsOut();
    // Rows the user chose in the table, in table order; all rows with content when none is chosen.
    QList<int> ChosenResultRows() const;
    // The key set of the last valid frame, e.g. "TK0 TK2 TK5".
    QString KeySetText() const;

    ThresholdTarget* m_thresholdTarget = nullptr;
    int m_resultsPort = -1; // the port last opened, where the table's data came from
    QPushButton* m_btnApplyThresholds = nullptr; // 1055
    QPushButton* m_btnExportResults = nullptr;   // 1056
    QAction* m_actCopy = nullptr;
    QAction* m_actExport = nullptr;
    QAction* m_actApplyThresholds = nullptr;
    CSnrVerdictMarker* m_snrVerdict = nullptr;
};
