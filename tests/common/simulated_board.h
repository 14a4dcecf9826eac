#pragma once
// The simulated board as a process of its own: morvek-board-sim on a pseudo-terminal it makes at a
// given path, which is declared to the program as port 50. A finger touches and releases keys by
// commands on the simulator's standard input.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QTimerEvent>
#include <functional>

#include "debug/dlgsub2.h"
#include "debug/key_slot.h"
#include "debug/mscomm.h"
#include "debug/procedure.h"

class SimulatedBoard {
public:
    ~SimulatedBoard() { Stop(); }

    // Starts `sim` with "--link link" and the settings, waits until it reports its terminal and
    // declares the terminal as MORVEK_COM50. False when the simulator did not come up.
    bool Start(const QString& sim, const QString& link, const QStringList& settings)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(sim, QStringList{"--link", link} + settings);
        if (!m_process.waitForStarted() || !QTest::qWaitFor([&] { return m_process.canReadLine(); }, 10000))
            return false;
        qputenv("MORVEK_COM50", link.toLocal8Bit());
        return true;
    }

    // One command line for the finger, for example "2\n" (touch TK2), "a\n" (all), "r\n" (release).
    bool Finger(const char* command)
    {
        m_process.write(command);
        return m_process.waitForBytesWritten(10000);
    }

    // Ends the simulator and withdraws the declared port.
    void Stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.closeWriteChannel();
            m_process.terminate();
            m_process.waitForFinished(10000);
        }
        qunsetenv("MORVEK_COM50");
    }

private:
    QProcess m_process;
};

// Holds the debug page's own 25 ms timer back, so that only the test steps the procedure.
class PageTimerGate : public QObject {
public:
    explicit PageTimerGate(const DlgSub2& page) : m_page(page) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        return event->type() == QEvent::Timer && static_cast<QTimerEvent*>(event)->timerId() == m_page.TimerId();
    }

private:
    const DlgSub2& m_page;
};

// Plays the user through a whole detection on a page whose port is open to the simulated board.
// The page's timer is held back and the test steps the procedure itself, so its phases line up
// with the frames and the finger however slow the machine is: `start` starts the detection, each
// recording phase waits for its frames, `touch` goes to the finger once the no-key recording is
// complete, and the press countdown goes on only while `touched` holds for the live values.
// Fails when the finger cannot be moved or the procedure has not finished within a minute.
inline ::testing::AssertionResult PlayDetection(DlgSub2& page, SimulatedBoard& board, const std::function<void()>& start,
                                                const char* touch,
                                                const std::function<bool(const LiveState&)>& touched)
{
    using Phase = CDetectionProcedure::Phase;
    PageTimerGate gate(page);
    page.installEventFilter(&gate);
    start();
    bool touchSent = false;
    QElapsedTimer clock;
    clock.start();
    while (page.Procedure().Running() && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        page.Comm()->Poll(); // what a tick would take in, where the port holds its bytes for it
        const Phase phase = page.Procedure().CurrentPhase();
        const bool recording = phase == Phase::NoKeyRecording || phase == Phase::PressRecording;
        if (recording && !page.Live().m_recDone)
            continue; // frames still owed
        if (phase == Phase::PressCountdown) {
            if (!touchSent) {
                if (!board.Finger(touch)) {
                    page.removeEventFilter(&gate);
                    return ::testing::AssertionFailure() << "the finger did not move";
                }
                touchSent = true;
            }
            if (!touched(page.Live()))
                continue; // the touch has not arrived yet
        }
        page.OnTimerTick();
    }
    page.removeEventFilter(&gate);
    if (page.Procedure().Running())
        return ::testing::AssertionFailure() << "procedure did not finish";
    return ::testing::AssertionSuccess();
}
