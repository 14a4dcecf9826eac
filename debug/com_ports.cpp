#include "debug/com_ports.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSet>

#include <algorithm>
#include <memory>

#include "app/file_replacer.h"
#include "platform/serial_port.h"

namespace {

bool LooksUsb(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"))
        || name.startsWith(QLatin1String("cu.usb")) || name.startsWith(QLatin1String("tty.usb"));
}

// Splits "ttyUSB10" into ("ttyUSB", 10); a name without trailing digits has number -1.
std::pair<QString, long long> SplitName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    int i = name.size();
    while (i > 0 && name[i - 1].isDigit())
        --i;
    const QString digits = name.mid(i);
    bool ok = false;
    const long long n = digits.left(15).toLongLong(&ok);
    return {name.left(i), ok ? n : -1};
}

// Whether a port's device exists, as the platform layer probes it: on Windows "COMn" is opened
// with no access rights; elsewhere the path exists.
bool DevicePresent(const QString& location) { return platform::SerialDevicePresent(PlatformPath(location)); }

} // namespace

ComPortSource ComPortSource::System()
{
    ComPortSource s;
    s.declared = [](int n) {
        return qEnvironmentVariable(QStringLiteral("MORVEK_COM%1").arg(n).toLatin1().constData());
    };
#ifdef Q_OS_WIN
    s.devices = [] {
        QStringList names;
        for (int n = 1; n <= kMaxComPort; ++n)
            names << QStringLiteral("COM%1").arg(n);
        return names;
    };
#else
    // One listing of the system's ports serves both questions: listing them is the slow part
    // (tens of milliseconds), and the USB test would otherwise list them again for every device.
    auto usb = std::make_shared<QSet<QString>>();
    s.devices = [usb] {
        QStringList paths;
        usb->clear();
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            const QString path = info.systemLocation();
#ifdef Q_OS_MACOS
            if (!QFileInfo(path).fileName().startsWith(QLatin1String("cu.")))
                continue;
#endif
            paths << path;
            if (info.hasVendorIdentifier())
                usb->insert(path);
        }
        return paths;
    };
    s.isUsb = [usb](const QString& path) { return usb->contains(path); };
    s.phantom = [](const QString& path) { return platform::IsPhantomSerialDevice(PlatformPath(path)); };
#endif
    s.present = DevicePresent;
    return s;
}

QStringList OrderSerialDevices(const QStringList& devices, const std::function<bool(const QString&)>& isUsb)
{
    struct Entry {
        int group;
        QString prefix;
        long long number;
        QString path;
    };
    std::vector<Entry> entries;
    for (const QString& d : devices) {
        const auto split = SplitName(d);
        const bool usb = LooksUsb(d) || (isUsb && isUsb(d));
        entries.push_back({usb ? 1 : 0, split.first, split.second, d});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.group != b.group)
            return a.group < b.group;
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        if (a.number != b.number)
            return a.number < b.number;
        return a.path < b.path;
    });
    QStringList out;
    for (const Entry& e : entries)
        if (!out.contains(e.path))
            out << e.path;
    return out;
}

QMap<int, QString> ComPortMap(const ComPortSource& source)
{
    QMap<int, QString> map;
    if (source.declared)
        for (int n = 1; n <= kMaxComPort; ++n) {
            const QString path = source.declared(n);
            if (!path.isEmpty())
                map.insert(n, path);
        }
    if (!source.devices)
        return map;
    QStringList devices = source.devices();
    if (source.phantom)
        devices.erase(std::remove_if(devices.begin(), devices.end(), source.phantom), devices.end());
#ifdef Q_OS_WIN
    // Windows devices carry their own numbers.
    static const QRegularExpression comName(QStringLiteral("^COM([0-9]+)$"), QRegularExpression::CaseInsensitiveOption);
    for (const QString& d : devices) {
        const auto m = comName.match(d);
        const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (n >= 1 && n <= kMaxComPort && !map.contains(n))
            map.insert(n, d);
    }
#else
    int n = 1;
    for (const QString& d : OrderSerialDevices(devices, source.isUsb)) {
        if (n > kMaxComPort)
            break;
        if (!map.contains(n)) // a declared port shadows the device with its number
            map.insert(n, d);
        ++n;
    }
#endif
    return map;
}

namespace {

bool PresentIn(const QMap<int, QString>& map, int n, const ComPortSource& source)
{
    const auto it = map.constFind(n);
    return it != map.constEnd() && (!source.present || source.present(it.value()));
}

} // namespace

int FindComPort(const ComPortSource& source)
{
    int found = -1;
    const QMap<int, QString> map = ComPortMap(source);
    // Every number is probed; the last one present wins.
    for (int n = 1; n <= kMaxComPort; ++n)
        if (PresentIn(map, n, source))
            found = n;
    return found;
}

int FindComPort() { return FindComPort(ComPortSource::System()); }

bool ComPortPresent(int n, const ComPortSource& source)
{
    if (n < 1 || n > kMaxComPort)
        return false;
    // A declared port owns its number whatever the system's devices are; no need to list them.
    const QString declared = source.declared ? source.declared(n) : QString();
    if (!declared.isEmpty())
        return !source.present || source.present(declared);
    return PresentIn(ComPortMap(source), n, source);
}

bool ComPortPresent(int n) { return ComPortPresent(n, ComPortSource::System()); }

QString ComPortLocation(int n, const ComPortSource& source)
{
    if (n < 1 || n > kMaxComPort)
        return {};
    const QString declared = source.declared ? source.declared(n) : QString();
    if (!declared.isEmpty())
        return declared;
    return ComPortMap(source).value(n);
}

QString ComPortLocation(int n) { return ComPortLocation(n, ComPortSource::System()); }
