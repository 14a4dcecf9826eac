#pragma once
// The serial control of the debug page: a receive-only serial port with the properties the page
// uses (port number, buffer sizes, receive threshold, settings string, open state, receive event,
// input block). The bytes come from an ISerialDevice: QSerialPort for real ports, or a stand-in
// in tests.
//
// Once the port is open, OnComm is raised with CommEvent 2 (receive) whenever at least
// RThreshold bytes wait. Input hands over everything waiting, at most InBufferSize bytes (the
// newest, should more have piled up), and removes it. A device that goes away while open (adapter
// pulled, the other end of a pseudo-terminal closed) closes the port and raises OnPortLost once.
// Everything happens on the thread that owns the object: the user-interface thread.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

constexpr short kComEvReceive = 2;
constexpr long kComInputModeBinary = 1;

// Line settings parsed from a "38400,n,8,1" string.
struct SerialSettings {
    int baud = 9600;
    char parity = 'n'; // n, e, o, m, s
    int dataBits = 8;
    int stopBits = 1;  // 1 or 2 (1.5 is read as 1)

    // Parses "baud,parity,data,stop"; false for anything else.
    static bool Parse(const QString& text, SerialSettings* out);
};

// One serial device, opened by port number.
class ISerialDevice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Opens port n with the given settings. Returns an empty string on success, otherwise the
    // reason the port could not be opened, for the user.
    virtual QString Open(int port, const SerialSettings& settings) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Everything received since the last read.
    virtual QByteArray ReadAll() = 0;
    // Held, the open device takes in what arrives only when Poll() asks, and raises ReadyRead or
    // Lost from there: a stream of small deliveries then wakes nobody between two polls. Returns
    // whether arrivals are now held; a closed device, or one that cannot hold them (the
    // default), goes on raising ReadyRead as bytes arrive. Closing, and losing the device, let
    // the arrivals go again; a device opens with them let go.
    virtual bool HoldArrivals(bool hold)
    {
        Q_UNUSED(hold);
        return false;
    }
    // Takes in what has arrived (or finds the device gone), as the device would have on its own.
    virtual void Poll() {}

signals:
    void ReadyRead();
    // The open device went away (read or resource error) and has been closed; raised once per
    // loss, never for a Close() asked for.
    void Lost();
};

// The real device: QSerialPort on the location that port discovery gives for the number.
std::unique_ptr<ISerialDevice> CreateSystemSerialDevice();

class CMSComm : public QObject {
    Q_OBJECT
public:
    explicit CMSComm(std::unique_ptr<ISerialDevice> device = nullptr, QObject* parent = nullptr);
    ~CMSComm() override;

    bool GetPortOpen() const { return m_portOpen; }
    // Opening uses the properties set before. Returns false if the port was refused, with the
    // reason in *error; the port then stays closed. Closing always succeeds.
    bool SetPortOpen(bool open, QString* error = nullptr);

    void SetCommPort(short port) { m_commPort = port; }
    short GetCommPort() const { return m_commPort; }
    void SetInBufferSize(short size) { m_inBufferSize = size > 0 ? size : 1; }
    short GetInBufferSize() const { return m_inBufferSize; }
    void SetOutBufferSize(short size) { m_outBufferSize = size; }
    short GetOutBufferSize() const { return m_outBufferSize; }
    void SetInputLen(short len) { m_inputLen = len < 0 ? 0 : len; }
    short GetInputLen() const { return m_inputLen; }
    void SetInputMode(long mode) { m_inputMode = mode; }
    long GetInputMode() const { return m_inputMode; }
    void SetRThreshold(short threshold) { m_rThreshold = threshold; }
    short GetRThreshold() const { return m_rThreshold; }
    void SetSettings(const QString& settings) { m_settings = settings; }
    QString GetSettings() const { return m_settings; }

    // The event that raised the last OnComm: 2 for received data.
    short GetCommEvent() const { return m_commEvent; }
    // Removes and returns the waiting bytes, at most InputLen of them (0: all).
    QByteArray GetInput();
    // 0 drops everything waiting.
    void SetInBufferCount(short count);
    short GetInBufferCount() const { return static_cast<short>(m_inBuffer.size()); }
    // Bytes the receive buffer has let go unread because more than InBufferSize piled up.
    std::uint64_t BytesDropped() const { return m_dropped; }

    ISerialDevice* Device() const { return m_device.get(); }
    // The device's arrivals held until Poll(), or raised as they come (ISerialDevice).
    bool HoldArrivals(bool hold) { return m_device->HoldArrivals(hold); }
    void Poll()
    {
        if (m_portOpen)
            m_device->Poll();
    }

signals:
    void OnComm();
    // The open port went away by itself: PortOpen is false again, the waiting bytes are dropped,
    // and the other properties stay as they were, ready for the same port to be opened again.
    void OnPortLost();
    // Every block of bytes the open device delivers, as it arrives and before the receive buffer
    // takes it (and perhaps drops its oldest bytes): what a recording of the link keeps.
    void BytesReceived(const QByteArray& bytes);

private:
    void OnDeviceReadyRead();
    void OnDeviceLost();

    std::unique_ptr<ISerialDevice> m_device;
    bool m_portOpen = false;
    short m_commPort = 1;
    short m_inBufferSize = 1024;
    short m_outBufferSize = 512;
    short m_inputLen = 0;
    long m_inputMode = 0;
    short m_rThreshold = 0;
    QString m_settings = QStringLiteral("9600,n,8,1");
    short m_commEvent = 0;
    QByteArray m_inBuffer;
    std::uint64_t m_dropped = 0;
};
