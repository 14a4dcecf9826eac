#include "debug/debug_session.h"

#include <QElapsedTimer>
#include <QTimerEvent>

#include "debug/com_ports.h"
#include "debug/mscomm.h"
#include "debug/procedure.h"
#include "debug/recording_session.h"
#include "debug/result_table.h"

DebugSession::DebugSession(QObject* parent)
    : QObject(parent),
      m_comm(std::make_unique<CMSComm>()),
      m_findPort([] { return FindComPort(); }),
      m_probePort([](int n) { return ComPortPresent(n); }),
      m_recording(std::make_unique<CLinkRecordingSession>())
{
    SetClock({});
    ConnectComm();
    // The message waits until the event that found the failure has been handled.
    connect(m_recording.get(), &CLinkRecordingSession::Failed, this, &DebugSession::OnRecordingFailed,
            Qt::QueuedConnection);
}

DebugSession::~DebugSession()
{
    if (m_timerId)
        killTimer(m_timerId);
    if (m_reconnectTimerId)
        killTimer(m_reconnectTimerId);
    // The serial control goes first, so that no receive event reaches a half-destroyed session.
    m_comm.reset();
}

void DebugSession::SetSerialDevice(std::unique_ptr<ISerialDevice> device)
{
    if (m_comm && m_comm->GetPortOpen())
        return;
    m_comm = std::make_unique<CMSComm>(std::move(device));
    ConnectComm();
}

void DebugSession::SetPortFinder(std::function<int()> finder)
{
    m_findPort = finder ? std::move(finder) : std::function<int()>([] { return FindComPort(); });
}

void DebugSession::SetPortProbe(std::function<bool(int)> probe)
{
    m_probePort = probe ? std::move(probe) : std::function<bool(int)>([](int n) { return ComPortPresent(n); });
}

void DebugSession::SetRefresh(std::function<bool()> refresh) { m_refresh = std::move(refresh); }

void DebugSession::SetClock(std::function<qint64()> nowMs)
{
    if (nowMs) {
        m_clock = std::move(nowMs);
        return;
    }
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_clock = [timer] { return timer->elapsed(); };
}

void DebugSession::AttachProcedure(ResultCells& cells, ProcedureView& view)
{
    m_results = &cells;
    m_procedure = std::make_unique<CDetectionProcedure>(m_live.State(), cells, view);
}

void DebugSession::ConnectComm()
{
    m_droppedSeen = 0;
    connect(m_comm.get(), &CMSComm::OnComm, this, &DebugSession::OnCommEvent);
    connect(m_comm.get(), &CMSComm::OnPortLost, this, &DebugSession::OnPortLost);
    connect(m_comm.get(), &CMSComm::BytesReceived, m_recording.get(), &CLinkRecordingSession::OnBytes);
}

DebugSession::LinkState DebugSession::State() const
{
    if (m_lostPort)
        return LinkState::Lost;
    return m_comm->GetPortOpen() ? LinkState::Open : LinkState::Closed;
}

// ---- the link ----------------------------------------------------------------------------------

void DebugSession::ToggleLink()
{
    if (m_lostPort) {
        // Waiting for a port that went away: giving up simply closes the link.
        StopReconnect();
        StopRecordingFile();
        emit LinkChanged(LinkState::Closed, 0);
        return;
    }
    if (!m_comm->GetPortOpen()) {
        const int n = m_findPort ? m_findPort() : -1;
        if (n == -1) {
            emit Warning(QStringLiteral("未识别串口"));
            return;
        }
        QString error;
        if (!OpenPort(n, &error)) {
            // The port stays closed; the link's state and timer are left as they were.
            emit Warning(error);
            return;
        }
        EnterOpen(n);
    } else {
        m_comm->SetPortOpen(false);
        StopRecordingFile();
        LeaveOpen(LinkState::Closed, 0);
    }
}

bool DebugSession::OpenPort(int n, QString* error)
{
    m_comm->SetCommPort(static_cast<short>(n));
    m_comm->SetInBufferSize(1024);
    m_comm->SetOutBufferSize(1024);
    m_comm->SetInputLen(0);
    m_comm->SetInputMode(kComInputModeBinary);
    m_comm->SetRThreshold(9);
    m_comm->SetSettings(QStringLiteral("38400,n,8,1"));
    return m_comm->SetPortOpen(true, error);
}

void DebugSession::EnterOpen(int n)
{
    m_lastOpenedPort = n;
    emit LinkChanged(LinkState::Open, n);
    RestartHealth();
    // A port found again after a loss goes on in the file it was recorded into.
    if (m_recordArmed && !m_recording->IsRecording())
        StartRecordingFile();
    if (!m_timerId)
        m_timerId = startTimer(kTimerPeriodMs, Qt::PreciseTimer); // LeaveOpen left it fast
    UpdateArrivals();
}

void DebugSession::LeaveOpen(LinkState state, int port)
{
    emit LinkChanged(state, port);
    // What comes after a reopening is another stream: a frame cut off here is not completed there.
    m_live.EndOfStream();
    UpdateHealth(true);
    if (m_timerId) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    m_tickPeriod = kTimerPeriodMs;
    m_quietTicks = 0;
    UpdateArrivals();
}

void DebugSession::OnPortLost()
{
    // The serial control has already closed the port. Everything else is as on a close: the
    // procedure keeps its flags and counters, the views their values.
    const int n = m_comm->GetCommPort();
    m_lostPort = n;
    LeaveOpen(LinkState::Lost, n);
    if (!m_reconnectTimerId)
        m_reconnectTimerId = startTimer(kReconnectPeriodMs);
}

void DebugSession::OnReconnectTick()
{
    if (!m_lostPort || m_comm->GetPortOpen()) {
        StopReconnect();
        return;
    }
    if (!m_probePort || !m_probePort(m_lostPort))
        return;
    // Present, but it may still refuse (busy, not ready yet): then the next tick tries again,
    // without a message, until it opens or the user gives up.
    if (!OpenPort(m_lostPort, nullptr))
        return;
    const int n = m_lostPort;
    StopReconnect();
    EnterOpen(n);
}

void DebugSession::StopReconnect()
{
    if (m_reconnectTimerId) {
        killTimer(m_reconnectTimerId);
        m_reconnectTimerId = 0;
    }
    m_lostPort = 0;
}

void DebugSession::OnCommEvent()
{
    if (m_comm->GetCommEvent() != kComEvReceive)
        return;
    const QByteArray chunk = m_comm->GetInput();
    m_comm->SetInBufferCount(0);
    if (m_comm->BytesDropped() != m_droppedSeen) {
        // The receive buffer let bytes go before these: what came before them is cut off.
        m_live.EndOfStream();
        m_bytesDropped += m_comm->BytesDropped() - m_droppedSeen;
        m_droppedSeen = m_comm->BytesDropped();
    }
    m_live.TakeBytes(reinterpret_cast<const std::uint8_t*>(chunk.constData()), static_cast<std::size_t>(chunk.size()));
    Wake();
}

// ---- the tick ----------------------------------------------------------------------------------

void DebugSession::timerEvent(QTimerEvent* event)
{
    if (m_timerId && event->timerId() == m_timerId)
        OnTimerTick();
    else if (m_reconnectTimerId && event->timerId() == m_reconnectTimerId)
        OnReconnectTick();
    else
        QObject::timerEvent(event);
}

void DebugSession::OnTimerTick()
{
    if (m_arrivalsHeld)
        m_comm->Poll();
    if (m_procedure)
        m_procedure->StepProcedure();
    const bool redrawn = m_refresh && m_refresh();
    LiveState& state = m_live.State();
    const bool keySetChanged = state.m_keyMaskChanged != 0;
    const bool quiet = !redrawn && !keySetChanged &&
                       (!m_procedure || (!m_procedure->Running() &&
                                         m_procedure->CurrentPhase() == CDetectionProcedure::Phase::None));
    if (keySetChanged) {
        state.m_keyMaskChanged = 0;
        if (m_results)
            RebuildResultRows(*m_results, state);
    }

    // A silent port with nothing running: ticks would only find the same inputs again, so the
    // timer slows down. Bytes and the user's changes wake it at once; a slow tick that finds
    // something changed all the same (a change that came by another way) wakes it too.
    if (!quiet) {
        m_quietTicks = 0;
        Wake();
    } else if (m_tickPeriod == kTimerPeriodMs && ++m_quietTicks >= kQuietTicksBeforeRest)
        SetTickPeriod(kRestPeriodMs);
    UpdateArrivals();
    UpdateHealth();
}

// ---- the link's read-out -----------------------------------------------------------------------

void DebugSession::RestartHealth()
{
    m_skippedAtOpen = BytesSkipped();
    m_periodStart = m_clock();
    m_framesAtPeriodStart = m_live.FramesDecoded();
    m_framesLastPeriod = 0;
    m_lastPeriodMs = 0;
    m_framesPerSecond = 0;
    m_shownSkipped = 0;
    emit HealthChanged(0, 0);
}

void DebugSession::UpdateHealth(bool closing)
{
    int perSecond = 0;
    if (!closing) {
        const qint64 now = m_clock();
        const qint64 elapsed = now - m_periodStart;
        if (elapsed < kHealthPeriodMs)
            return;
        // Over this period and the one before, so that a frame more or less in one period does
        // not make the figure jump.
        const std::uint64_t frames = m_live.FramesDecoded();
        const std::uint64_t inPeriod = frames - m_framesAtPeriodStart;
        const qint64 span = elapsed + m_lastPeriodMs;
        perSecond = static_cast<int>(((inPeriod + m_framesLastPeriod) * 1000 + static_cast<std::uint64_t>(span) / 2) /
                                     static_cast<std::uint64_t>(span));
        m_framesLastPeriod = inPeriod;
        m_lastPeriodMs = elapsed;
        m_periodStart = now;
        m_framesAtPeriodStart = frames;
    }
    const std::uint64_t skipped = BytesSkippedSinceOpen();
    if (perSecond == m_framesPerSecond && skipped == m_shownSkipped && !closing)
        return;
    m_framesPerSecond = perSecond;
    m_shownSkipped = skipped;
    emit HealthChanged(perSecond, skipped);
}

void DebugSession::SetTickPeriod(int ms)
{
    m_quietTicks = 0;
    if (ms == m_tickPeriod)
        return;
    m_tickPeriod = ms;
    if (!m_timerId)
        return;
    killTimer(m_timerId);
    m_timerId = startTimer(ms, ms == kTimerPeriodMs ? Qt::PreciseTimer : Qt::CoarseTimer);
    UpdateArrivals();
}

void DebugSession::Wake()
{
    if (m_tickPeriod != kTimerPeriodMs)
        SetTickPeriod(kTimerPeriodMs);
}

void DebugSession::UpdateArrivals()
{
    // Between two fast ticks nothing shows what arrives, so the tick takes the bytes in itself
    // and a board's stream of small deliveries does not wake anything for each. A resting timer
    // needs the port to wake it, and a recording keeps each delivery's own time of arrival.
    const bool hold = m_timerId && m_tickPeriod == kTimerPeriodMs && !m_recordArmed && m_comm->GetPortOpen();
    if (hold == m_arrivalsHeld)
        return;
    if (!hold)
        m_comm->Poll(); // what waits is taken in now, before anything else can
    m_arrivalsHeld = m_comm->HoldArrivals(hold) && hold;
}

// ---- the detection procedure ----------------------------------------------------------------------

// A procedure started runs on every tick, so each of these wakes the timer from a rest.
void DebugSession::StartDetection()
{
    if (m_procedure)
        m_procedure->OnStartDetection();
    Wake();
}

void DebugSession::NoKeyDetection()
{
    if (m_procedure)
        m_procedure->OnNoKeyDetection();
    Wake();
}

void DebugSession::KeyPressDetection(int tk)
{
    if (m_procedure)
        m_procedure->OnKeyPressDetection(tk);
    Wake();
}

void DebugSession::AbortProcedure()
{
    if (m_procedure) {
        m_procedure->OnAbortProcedure();
        // While a lost port is awaited no tick runs: the step that follows an abort (the
        // evaluation pass of a procedure that was under way) is taken at once.
        if (m_lostPort)
            m_procedure->StepProcedure();
    }
    Wake();
}

// ---- recording of the link -------------------------------------------------------------------

void DebugSession::ArmRecording(bool on)
{
    if (!on) {
        m_recordArmed = false;
        StopRecordingFile();
        UpdateArrivals();
        return;
    }
    if (m_recordArmed)
        return;
    m_recordArmed = true;
    UpdateArrivals(); // bytes that arrived before the recording starts are not part of it
    if (m_comm->GetPortOpen())
        StartRecordingFile();
    else
        emit RecordingChanged();
    UpdateArrivals(); // a file that could not start has disarmed the recording again
}

void DebugSession::StartRecordingFile()
{
    const int n = m_comm->GetCommPort();
    QString error;
    const bool started = m_recording->Start(CLinkRecordingSession::SavedFolder(), n, ComPortLocation(n), &error);
    if (!started)
        m_recordArmed = false;
    // Also when the port's opening started the file: what the box says follows it.
    emit RecordingChanged();
    if (!started)
        emit Warning(error);
}

void DebugSession::StopRecordingFile()
{
    QString error;
    if (!m_recording->Stop(&error))
        emit Warning(error);
    emit RecordingChanged();
}

void DebugSession::OnRecordingFailed(const QString& message)
{
    // The recording has already closed its file; the live view, the procedure and the lists go on.
    m_recordArmed = false;
    emit RecordingChanged();
    UpdateArrivals();
    emit Warning(message);
}
