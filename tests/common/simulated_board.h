#pragma once
// The simulated board as a process of its own: morvek-board-sim on a pseudo-terminal it makes at a
// given path, which is declared to the program as port 50. A finger touches and releases keys by
// commands on the simulator's standard input.

#include <QProcess>
#include <QStringList>
#include <QTest>

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
