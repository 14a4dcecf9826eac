#pragma once
// Serial port numbering and discovery.
//
// The debug page opens "the highest-numbered serial port present among COM1 to COM50". Ports are
// numbered like this:
//   - Windows: port n is the device COMn; it is present if "\\.\COMn" can be opened.
//   - Linux and macOS: the system's serial devices are numbered 1, 2, 3 ... in a fixed order:
//     first the built-in UARTs (ttyS*, ttyAMA*, ...), then USB adapters (ttyUSB*, ttyACM*,
//     cu.usbserial*, cu.usbmodem*, and any device with a USB vendor id), each group sorted by
//     name with numbers in numeric order (ttyUSB2 before ttyUSB10). On macOS only the cu.*
//     devices count. A plugged-in USB adapter thus always gets the highest number and wins.
//     Devices without hardware behind them get no number: on Linux a ttyS whose UART type the
//     kernel reports as unknown (platform::IsPhantomSerialDevice).
//   - Everywhere: the environment variable MORVEK_COM<n>=<device path> declares port n
//     explicitly; it wins over the automatic numbering for that n (the device that would have
//     had number n is then not reachable). A declared port is present if its path exists (on
//     Windows: if the COM device it names can be opened).
// Only numbers 1..50 are ever used.

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

constexpr int kMaxComPort = 50;

struct ComPortSource {
    // Value of MORVEK_COM<n>, or an empty string.
    std::function<QString(int n)> declared;
    // The system's serial devices (paths on Unix, "COMn" names on Windows), in any order.
    std::function<QStringList()> devices;
    // Whether a device is a USB adapter beyond what its name tells (optional). The system's
    // answers come from the last call of devices().
    std::function<bool(const QString& path)> isUsb;
    // Whether a port's device exists, without opening it for data.
    std::function<bool(const QString& location)> present;
    // Whether one of the system's devices has no hardware behind it (optional); such a device
    // gets no number. Declared ports are not asked.
    std::function<bool(const QString& path)> phantom;

    // The real environment, device list and probe.
    static ComPortSource System();
};

// Sorts Unix device paths into the numbering order described above.
QStringList OrderSerialDevices(const QStringList& devices, const std::function<bool(const QString&)>& isUsb = {});

// Port number -> device location, for numbers 1..50 that have one.
QMap<int, QString> ComPortMap(const ComPortSource& source);

// The highest port number in 1..50 whose device is present, or -1.
int FindComPort(const ComPortSource& source);
int FindComPort();

// Whether port n (1..50) has a device and it is present: the test FindComPort makes for each number.
bool ComPortPresent(int n, const ComPortSource& source);
bool ComPortPresent(int n);

// The device location of port n (a path, or "COMn" on Windows), or an empty string.
QString ComPortLocation(int n, const ComPortSource& source);
QString ComPortLocation(int n);
