#pragma once
// A stand-in serial device for page and serial-control tests: opens any port number unless told
// to refuse, and receives bytes the test hands it.

#include "debug/mscomm.h"

class FakeSerialDevice : public ISerialDevice {
public:
    QString refuse;        // non-empty: Open fails with this reason
    int openedPort = 0;
    int openCount = 0;
    SerialSettings openedSettings;

    QString Open(int port, const SerialSettings& settings) override
    {
        if (!refuse.isEmpty())
            return refuse;
        m_open = true;
        openedPort = port;
        openedSettings = settings;
        ++openCount;
        return {};
    }
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }
    QByteArray ReadAll() override
    {
        QByteArray out;
        out.swap(m_pending);
        return out;
    }
    // The device goes away while open (adapter pulled): closed and reported, as a real one does.
    void Vanish()
    {
        if (!m_open)
            return;
        m_open = false;
        m_pending.clear();
        emit Lost();
    }
    // Bytes arrive: the device signals, as a real one does.
    void Receive(const QByteArray& bytes)
    {
        if (!m_open)
            return;
        m_pending += bytes;
        emit ReadyRead();
    }

private:
    bool m_open = false;
    QByteArray m_pending;
};
