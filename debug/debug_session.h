#pragma once
// The debug page's link session, with no widget in it: the serial control and the live data it
// feeds, the recording of the link and the detection procedure, and the timers that drive them.
//
// Owns: the serial control (CMSComm) with its port finder and probe, the LiveData, the recording
// session, the detection procedure (its result cells and view are handed in), the page timer
// (25 ms while the port is open, resting at 250 ms while nothing happens) and the 500 ms timer
// that looks for a lost port.
// Does not touch: widgets. What the page shows goes out through the signals below, and each tick
// asks the live view for one refresh (SetRefresh); whatever that refresh draws is the view's.
//
// The link's states:
//   Closed  the port is closed (at start, or after a close asked for);
//   Open    the port is open and the page timer runs;
//   Lost    the open port went away by itself: the timer stops, the procedure stands still, the
//           views keep their last values; every 500 ms the same port number is looked for, and
//           once it is there and opens with the same settings the link is Open again. A
//           ToggleLink while Lost gives up the wait (Closed).
//
// A tick runs, in this order: the port's held bytes taken in, one step of the procedure, the
// view's refresh, the results table's rebuild when the key set changed. With the port silent and
// nothing running, a second of ticks that found nothing to show rests the timer at 250 ms; bytes
// and Wake() bring it back at once.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "debug/live_data.h"

class CDetectionProcedure;
class CLinkRecordingSession;
class CMSComm;
class ISerialDevice;
class ProcedureView;
class ResultCells;

class DebugSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerPeriodMs = 25;
    // With the port open, no procedure running and a second of ticks that found nothing to
    // show, the timer slows to this period until bytes arrive or Wake() is called.
    static constexpr int kRestPeriodMs = 250;
    static constexpr int kQuietTicksBeforeRest = 40;
    static constexpr int kReconnectPeriodMs = 500;
    // The link's read-out (frames a second, bytes skipped) is worked out this often, over the
    // last two such periods.
    static constexpr int kHealthPeriodMs = 500;

    enum class LinkState { Closed, Open, Lost };
    Q_ENUM(LinkState)

    explicit DebugSession(QObject* parent = nullptr);
    ~DebugSession() override;

    // Replaces the serial device behind the serial control (tests use a stand-in). Only while
    // the port is closed.
    void SetSerialDevice(std::unique_ptr<ISerialDevice> device);
    // Replaces port discovery (default: FindComPort over the system's ports).
    void SetPortFinder(std::function<int()> finder);
    // Replaces the presence test for one port number used while a lost port is awaited
    // (default: ComPortPresent over the system's ports).
    void SetPortProbe(std::function<bool(int)> probe);
    // The live view's refresh, run on every tick: whether it drew anything.
    void SetRefresh(std::function<bool()> refresh);
    // Replaces the clock of the link's read-out: milliseconds, never going back (default: a
    // monotonic clock).
    void SetClock(std::function<qint64()> nowMs);
    // Makes the detection procedure over these cells and this view; both must outlive it.
    void AttachProcedure(ResultCells& cells, ProcedureView& view);

    // The port button: opens the highest port present, closes an open port, or gives up waiting
    // for a lost one. Refusals come as Warning().
    void ToggleLink();
    // Back to the fast tick after a rest: something the ticks show from may have changed.
    void Wake();
    // Arms or disarms the recording: every opening of the port starts a new file in the saved
    // folder, closing the port ends it; armed while the port is open, a file starts at once.
    void ArmRecording(bool on);

    // The procedure's buttons (tk: the TK number chosen); each wakes the timer.
    void StartDetection();
    void NoKeyDetection();
    void KeyPressDetection(int tk);
    void AbortProcedure();

    // What drives the session, public so that tests and benchmarks can call it directly.
    void OnCommEvent();
    void OnPortLost();
    void OnTimerTick();
    void OnReconnectTick();

    LiveData& Live() { return m_live; }
    const LiveData& Live() const { return m_live; }
    CMSComm* Comm() const { return m_comm.get(); }
    CLinkRecordingSession& Recording() { return *m_recording; }
    const CLinkRecordingSession& Recording() const { return *m_recording; }
    CDetectionProcedure* Procedure() const { return m_procedure.get(); }
    LinkState State() const;
    bool RecordingArmed() const { return m_recordArmed; }
    // The port last opened (where the live data came from), -1 before the first.
    int LastOpenedPort() const { return m_lastOpenedPort; }
    int TimerId() const { return m_timerId; }
    // kTimerPeriodMs, or kRestPeriodMs while resting.
    int TickPeriod() const { return m_tickPeriod; }
    // Whether the port's bytes wait for the next tick instead of arriving as they come.
    bool ArrivalsHeld() const { return m_arrivalsHeld; }
    // While a lost port is awaited: its number and the id of the 500 ms timer; 0 otherwise.
    int LostPort() const { return m_lostPort; }
    int ReconnectTimerId() const { return m_reconnectTimerId; }
    // The link's read-out: frames decoded a second, lately, and bytes skipped since the port
    // opened (0 and 0 before it first opens).
    int FramesPerSecond() const { return m_framesPerSecond; }
    std::uint64_t BytesSkippedSinceOpen() const { return BytesSkipped() - m_skippedAtOpen; }

signals:
    // The link changed state; port: the port's number (0 when Closed).
    void LinkChanged(DebugSession::LinkState state, int port);
    // The recording was armed or disarmed, or its file started, ended or failed.
    void RecordingChanged();
    // A refusal or failure for the user (no port, a refused open, a recording that failed).
    void Warning(const QString& text);
    // The link's read-out changed: on opening, at most every kHealthPeriodMs while open, and
    // once more when the link closes or is lost (frames a second 0).
    void HealthChanged(int framesPerSecond, quint64 bytesSkipped);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void ConnectComm();
    bool OpenPort(int n, QString* error);
    void EnterOpen(int n);
    void LeaveOpen(LinkState state, int port);
    void StopReconnect();
    void SetTickPeriod(int ms);
    // Holds the port's arrivals for the tick to take in, or lets them come as they arrive: held
    // while the timer runs fast and no recording is armed.
    void UpdateArrivals();
    void StartRecordingFile();
    void StopRecordingFile();
    void OnRecordingFailed(const QString& message);
    // Starts the read-out afresh (opening), or works it out again when a period has passed.
    void RestartHealth();
    void UpdateHealth(bool closing = false);
    // Bytes received that no frame used: skipped by the receiver, or let go by the serial
    // control's receive buffer before the receiver saw them.
    std::uint64_t BytesSkipped() const { return m_live.BytesSkipped() + m_bytesDropped; }

    std::unique_ptr<CMSComm> m_comm;
    std::function<int()> m_findPort;
    std::function<bool(int)> m_probePort;
    std::function<bool()> m_refresh;
    LiveData m_live;
    std::unique_ptr<CLinkRecordingSession> m_recording;
    ResultCells* m_results = nullptr;
    std::unique_ptr<CDetectionProcedure> m_procedure;

    int m_timerId = 0;
    int m_tickPeriod = kTimerPeriodMs;
    int m_quietTicks = 0;        // ticks in a row that found nothing to show
    bool m_arrivalsHeld = false; // the port's bytes wait for the tick (UpdateArrivals)
    int m_lostPort = 0;          // number of the port that went away, while it is awaited
    int m_reconnectTimerId = 0;  // 500 ms, runs only while a lost port is awaited
    int m_lastOpenedPort = -1;
    bool m_recordArmed = false;

    // The link's read-out: the frames of the last two periods and when the current one began.
    std::function<qint64()> m_clock;
    qint64 m_periodStart = 0;
    std::uint64_t m_framesAtPeriodStart = 0;
    std::uint64_t m_framesLastPeriod = 0;
    qint64 m_lastPeriodMs = 0;
    std::uint64_t m_skippedAtOpen = 0;
    std::uint64_t m_bytesDropped = 0;   // by serial controls so far
    std::uint64_t m_droppedSeen = 0;    // of the present serial control's count
    int m_framesPerSecond = 0;
    std::uint64_t m_shownSkipped = 0;
};
