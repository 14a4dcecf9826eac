#pragma once
// The debug page, tab "调试" (layout 130). It builds its parts from the layout and connects them:
//
//   DebugSession    the serial link, the live data, the recording and the detection procedure,
//                   and the timers that drive them (no widgets);
//   LiveView        charts, value lists, channel boxes, markers, spin buttons, read-out cursors;
//   ProcedurePanel  the procedure's buttons, status line, progress bar and results table;
//   RecordingBox    "录制";
//   ResultsOut      thresholds to the parameter page, clipboard, CSV, the verdict shading.
//
// The page itself holds the port button (its caption follows the link's state), "暂停", and the
// message boxes the session's warnings become. The handlers below stay public so that tests,
// benchmarks and tools can drive the page as a user would; they forward to the parts.

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "app/dialog_page.h"
#include "debug/debug_session.h"
#include "debug/live_data.h"

class CChartCtrl;
class CChartCursor;
class CDetectionProcedure;
class CLinkRecordingSession;
class CMSComm;
class CResultCellEditor;
class ISerialDevice;
class LiveView;
class ProcedurePanel;
class QAction;
class QCheckBox;
class QPushButton;
class RecordingBox;
class ResultCells;
class ResultsOut;
class ThresholdTarget;
class UiServices;
class ZCStatic;
struct ChartReadoutLine;

class DlgSub2 : public DialogPage {
    Q_OBJECT
public:
    static constexpr int kTimerPeriodMs = DebugSession::kTimerPeriodMs;
    static constexpr int kRestPeriodMs = DebugSession::kRestPeriodMs;
    static constexpr int kQuietTicksBeforeRest = DebugSession::kQuietTicksBeforeRest;
    static constexpr int kReconnectPeriodMs = DebugSession::kReconnectPeriodMs;

    explicit DlgSub2(QWidget* parent = nullptr, UiServices* services = nullptr);
    ~DlgSub2() override;

    DebugSession& Session() { return *m_session; }
    LiveView& View() { return *m_view; }

    // ---- the link (DebugSession) --------------------------------------------------------------
    void SetSerialDevice(std::unique_ptr<ISerialDevice> device);
    void SetPortFinder(std::function<int()> finder);
    void SetPortProbe(std::function<bool(int)> probe);
    void OnPortButton(); // 1024
    void OnTimerTick();
    void OnReconnectTick();

    LiveState& Live() { return m_session->Live().State(); }
    const LiveState& Live() const { return m_session->Live().State(); }
    const HistoryTables& History() const { return m_session->Live().History(); }
    CMSComm* Comm() const { return m_session->Comm(); }
    int TimerId() const { return m_session->TimerId(); }
    int TickPeriod() const { return m_session->TickPeriod(); }
    bool ArrivalsHeld() const { return m_session->ArrivalsHeld(); }
    int LostPort() const { return m_session->LostPort(); }
    int ReconnectTimerId() const { return m_session->ReconnectTimerId(); }

    // ---- the live view (LiveView) -------------------------------------------------------------
    CChartCtrl* ChartSample() const;
    CChartCtrl* ChartBaseline() const;
    CChartCtrl* ChartDiff() const;
    void OnChannelCheck(int slot);
    void OnSpinDelta(int spinId, int delta);
    // Whether it rebuilt anything (false: nothing it shows from had changed).
    bool RefreshLiveView();
    void SetFullRefresh(bool full);

    // "暂停" (1058) freezes the charts and the live lists on what they showed: frames are still
    // received, recorded and given to the procedure, and unticking shows the present.
    void OnPauseToggle(bool on);
    bool IsPaused() const { return m_session->Live().IsPaused(); }
    std::vector<ChartReadoutLine> ReadoutAt(int chart, double x) const;
    CChartCursor* CursorOf(int chart) const;

    // ---- recording (RecordingBox, DebugSession) -----------------------------------------------
    void OnRecordToggle(bool on); // 1057
    bool OnChooseRecordFolder();
    CLinkRecordingSession& Recording() { return m_session->Recording(); }

    // ---- detection procedure and results table (ProcedurePanel, DebugSession) -----------------
    static QString HelpDocumentPath();
    void OnStartDetection();    // 1025
    void OnNoKeyDetection();    // 1026
    void OnKeyPressDetection(); // 1028, key from list 1029
    void OnAbortProcedure();    // 1052
    void OnHelp();              // 1054
    void OnResultDblClk(int row, int col);
    void OnCellEditKillFocus();
    void EvaluateResults();
    CDetectionProcedure& Procedure() { return *m_session->Procedure(); }
    ResultCells& Results();
    CResultCellEditor& CellEditor();

    // ---- results out (ResultsOut) -------------------------------------------------------------
    // The parameter page as seen from here; set by the main window.
    void SetThresholdTarget(ThresholdTarget* target);
    void OnApplyThresholds(); // 1055
    void OnExportResults();   // 1056
    void OnCopyResults();
    void UpdateResultActions();
    QAction* CopyAction() const;
    QAction* ExportAction() const;
    QAction* ApplyThresholdsAction() const;

private:
    void OnLinkChanged(DebugSession::LinkState state, int port);
    void OnHealthChanged(int framesPerSecond, quint64 bytesSkipped);

    UiServices* m_services;
    QPushButton* m_btnPort = nullptr;  // 1024
    ZCStatic* m_lblHealth = nullptr;   // 1119 the link's read-out, while the port is open or lost
    QCheckBox* m_checkPause = nullptr; // 1058 "暂停"

    // The parts refer to the session; it goes first when the page is destroyed (its procedure
    // refers to the panel's cells and view in turn).
    std::unique_ptr<LiveView> m_view;
    std::unique_ptr<ProcedurePanel> m_panel;
    std::unique_ptr<RecordingBox> m_recordingBox;
    std::unique_ptr<ResultsOut> m_resultsOut;
    std::unique_ptr<DebugSession> m_session;
};
