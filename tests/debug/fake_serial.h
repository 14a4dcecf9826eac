#pragma once
// A stand-in serial device for page and serial-control tests: opens any port number unless told
// to refuse, and receives bytes the test hands it; and the bytes of a frame for it to receive.

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "debug/frame_receiver.h"
#include "debug/mscomm.h"

class FakeSerialDevice : public ISerialDevice {
public:
    QString refuse;        // non-empty: Open fails with this reason
    int openedPort = 0;
    int openCount = 0;
    SerialSettings openedSettings;
    bool holdable = false; // arrivals can be held until Poll(), as on a real port
    bool held = false;

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
    void Close() override
    {
        m_open = false;
        held = false;
    }
    bool IsOpen() const override { return m_open; }
    QByteArray ReadAll() override
    {
        QByteArray out;
        out.swap(m_pending);
        return out;
    }
    bool HoldArrivals(bool hold) override
    {
        held = holdable && hold && m_open;
        return held;
    }
    void Poll() override
    {
        if (m_open && !m_pending.isEmpty())
            emit ReadyRead();
    }
    // The device goes away while open (adapter pulled): closed and reported, as a real one does.
    void Vanish()
    {
        if (!m_open)
            return;
        m_open = false;
        held = false;
        m_pending.clear();
        emit Lost();
    }
    // Bytes arrive: the device signals, as a real one does, unless its arrivals are held.
    void Receive(const QByteArray& bytes)
    {
        if (!m_open)
            return;
        m_pending += bytes;
        if (!held)
            emit ReadyRead();
    }

private:
    bool m_open = false;
    QByteArray m_pending;
};

// The bytes of one frame for the keys of `mask`: their (sample, baseline) pairs in key order.
inline QByteArray Frame(std::uint8_t mask, std::initializer_list<std::pair<int, int>> values)
{
    std::uint16_t s[8] = {}, b[8] = {};
    int j = 0;
    for (const auto& v : values) {
        s[j] = static_cast<std::uint16_t>(v.first);
        b[j] = static_cast<std::uint16_t>(v.second);
        ++j;
    }
    const auto f = EncodeFrame(mask, s, b);
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}
