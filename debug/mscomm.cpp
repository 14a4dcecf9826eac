#include "debug/mscomm.h"

#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

#include "debug/com_ports.h"

bool SerialSettings::Parse(const QString& text, SerialSettings* out)
{
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 4)
        return false;
    SerialSettings s;
    bool ok = false;
    s.baud = f[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return false;
    const QString p = f[1].trimmed().toLower();
    if (p.size() != 1 || !QStringLiteral("neoms").contains(p[0]))
        return false;
    s.parity = p[0].toLatin1();
    s.dataBits = f[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return false;
    const QString stop = f[3].trimmed();
    if (stop == QLatin1String("1") || stop == QLatin1String("1.5"))
        s.stopBits = 1;
    else if (stop == QLatin1String("2"))
        s.stopBits = 2;
    else
        return false;
    if (out)
        *out = s;
    return true;
}

namespace {

class QtSerialDevice : public ISerialDevice {
public:
    QtSerialDevice()
    {
        connect(&m_port, &QSerialPort::readyRead, this, &ISerialDevice::ReadyRead);
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            // A device that vanishes while open (unplugged adapter, closed pseudo-terminal) is
            // closed here so that it stops signalling (a hung-up pseudo-terminal reports a read
            // error on every pass of the event loop), and the loss is reported once.
            if ((e == QSerialPort::ResourceError || e == QSerialPort::ReadError) && m_port.isOpen()) {
                m_port.close();
                m_hold = false;
                emit Lost();
            }
        });
    }

    QString Open(int port, const SerialSettings& s) override
    {
        const QString location = ComPortLocation(port);
        if (location.isEmpty())
            return QStringLiteral("串口%1不存在").arg(port);
        m_port.setPortName(location);
        if (!m_port.open(QIODevice::ReadOnly))
            return QStringLiteral("无法打开串口%1 (%2): %3").arg(port).arg(location, m_port.errorString());
        const QSerialPort::Parity parity = s.parity == 'e' ? QSerialPort::EvenParity
            : s.parity == 'o'                              ? QSerialPort::OddParity
            : s.parity == 'm'                              ? QSerialPort::MarkParity
            : s.parity == 's'                              ? QSerialPort::SpaceParity
                                                           : QSerialPort::NoParity;
        const bool set = m_port.setBaudRate(s.baud) && m_port.setParity(parity)
            && m_port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits))
            && m_port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
            && m_port.setFlowControl(QSerialPort::NoFlowControl);
        if (!set) {
            const QString reason = m_port.errorString();
            m_port.close();
            return QStringLiteral("无法设置串口%1: %2").arg(port).arg(reason);
        }
        m_port.clear(QSerialPort::Input);
        return {};
    }

    void Close() override
    {
        if (m_port.isOpen())
            m_port.close();
        m_hold = false;
    }

    bool IsOpen() const override { return m_port.isOpen(); }

    // What the port has taken in, read at its size: readAll() would grow its result by a chunk of
    // its own size to look for more, on every arrival of a few bytes.
    QByteArray ReadAll() override
    {
        if (!m_port.isOpen())
            return {};
        QByteArray bytes = m_port.read(m_port.bytesAvailable());
        if (m_hold)
            ApplyHold(); // reading lets the port watch for more by itself again
        return bytes;
    }

    bool HoldArrivals(bool hold) override
    {
        m_hold = hold;
        if (!ApplyHold())
            m_hold = false; // closed, or no watch of its own: arrivals come as they are
        return m_hold;
    }

    void Poll() override
    {
#ifdef Q_OS_UNIX
        if (!m_port.isOpen() || !m_hold || !ReadNotifier())
            return;
        pollfd fd{static_cast<int>(m_port.handle()), POLLIN, 0};
        if (::poll(&fd, 1, 0) <= 0)
            return;
        if (fd.revents & POLLIN) {
            // Reads what waits and raises ReadyRead (or the error of a device that has gone).
            m_port.waitForReadyRead(0);
            if (m_port.isOpen())
                ApplyHold();
        } else if (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // Hung up with nothing to read (a pseudo-terminal whose other end closed): the port's
            // own watch finds the error and reports the loss, on the next pass of the event loop.
            if (QSocketNotifier* n = ReadNotifier())
                n->setEnabled(true);
        }
#endif
    }

private:
    // The watch QSerialPort keeps on its descriptor for arriving bytes, where it has one.
    QSocketNotifier* ReadNotifier()
    {
        if (!m_port.isOpen())
            return nullptr;
        const qintptr handle = m_port.handle();
        if (m_notifier && m_notifier->socket() == handle)
            return m_notifier;
        m_notifier = nullptr;
        for (QSocketNotifier* n : m_port.findChildren<QSocketNotifier*>())
            if (n->type() == QSocketNotifier::Read && n->socket() == handle)
                m_notifier = n;
        return m_notifier;
    }

    // Whether the port's watch follows m_hold (false: no watch of its own to hold).
    bool ApplyHold()
    {
#ifdef Q_OS_UNIX
        QSocketNotifier* n = ReadNotifier();
        if (!n)
            return false;
        n->setEnabled(!m_hold);
        return true;
#else
        return false;
#endif
    }

    QSerialPort m_port;
    QPointer<QSocketNotifier> m_notifier;
    bool m_hold = false;
};

} // namespace

std::unique_ptr<ISerialDevice> CreateSystemSerialDevice() { return std::make_unique<QtSerialDevice>(); }

CMSComm::CMSComm(std::unique_ptr<ISerialDevice> device, QObject* parent)
    : QObject(parent), m_device(device ? std::move(device) : CreateSystemSerialDevice())
{
    connect(m_device.get(), &ISerialDevice::ReadyRead, this, &CMSComm::OnDeviceReadyRead);
    connect(m_device.get(), &ISerialDevice::Lost, this, &CMSComm::OnDeviceLost);
}

CMSComm::~CMSComm()
{
    if (m_device)
        m_device->Close();
}

bool CMSComm::SetPortOpen(bool open, QString* error)
{
    if (!open) {
        m_device->Close();
        m_portOpen = false;
        m_inBuffer.clear();
        return true;
    }
    if (m_portOpen)
        return true;
    SerialSettings settings;
    if (!SerialSettings::Parse(m_settings, &settings)) {
        if (error)
            *error = QStringLiteral("串口参数无效: %1").arg(m_settings);
        return false;
    }
    const QString reason = m_device->Open(m_commPort, settings);
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    m_portOpen = true;
    m_inBuffer.clear();
    m_commEvent = 0;
    return true;
}

QByteArray CMSComm::GetInput()
{
    const int take = m_inputLen > 0 ? qMin<int>(m_inputLen, m_inBuffer.size()) : m_inBuffer.size();
    QByteArray out = m_inBuffer.left(take);
    m_inBuffer.remove(0, take);
    return out;
}

void CMSComm::SetInBufferCount(short count)
{
    if (count == 0)
        m_inBuffer.clear();
}

void CMSComm::OnDeviceReadyRead()
{
    const QByteArray data = m_device->ReadAll();
    if (!m_portOpen || data.isEmpty())
        return;
    emit BytesReceived(data);
    m_inBuffer.append(data);
    // The receive buffer holds InBufferSize bytes; when more pile up, the oldest go first.
    if (m_inBuffer.size() > m_inBufferSize) {
        m_dropped += static_cast<std::uint64_t>(m_inBuffer.size() - m_inBufferSize);
        m_inBuffer.remove(0, m_inBuffer.size() - m_inBufferSize);
    }
    if (m_rThreshold > 0 && m_inBuffer.size() >= m_rThreshold) {
        m_commEvent = kComEvReceive;
        emit OnComm();
    }
}

void CMSComm::OnDeviceLost()
{
    if (!m_portOpen)
        return;
    m_portOpen = false;
    m_inBuffer.clear();
    emit OnPortLost();
}
