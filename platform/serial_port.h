#pragma once
// Serial ports at the level of the system: whether a port exists, which numbered ports exist,
// and reading what a port receives.
//
// Windows numbers its ports itself: port n is the device "\\.\COMn". Other systems have no such
// numbers; their devices are paths (/dev/ttyUSB0), and a caller that numbers them passes its own
// numbering to PresentComPorts.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/system_error.h"

namespace platform {

// The highest number Windows gives a COM port.
constexpr int kHighestComPort = 255;

// The system's name for port n: "\\.\COMn" on Windows; empty elsewhere and for n outside
// 1..kHighestComPort.
std::string ComPortDevice(int n);

// Whether a serial device exists, found without opening it for data. Windows: the device is
// opened with no access rights and no sharing and closed again at once, so a port that another
// program holds open counts as absent ("COM7" may stand for "\\.\COM7"). Elsewhere: the path
// exists.
bool SerialDevicePresent(const std::string& device);

// Linux makes a device ttyS<n> for every built-in UART it might have (4, often 32), whether or not
// there is one behind it; where it found none, it reports the UART's type (TIOCGSERIAL) as
// unknown. Such a phantom device is no port. Every other device counts: USB and ACM adapters,
// built-in UARTs of a known type, other serial devices, and a ttyS whose type cannot be asked
// (this user may not open it, say). Asking opens the device without reading from it; the answer is
// kept for the device as long as it stays the same device file, so a repeated discovery costs a
// stat() per ttyS. Never a phantom on other systems.
bool IsPhantomSerialDevice(const std::string& device);
// The same rule with a stand-in for the kernel: uartType gives a device's UART type, or -1 when
// it cannot be asked.
constexpr int kUartTypeUnknown = 0;  // the kernel's PORT_UNKNOWN
bool IsPhantomSerialDevice(const std::string& device, const std::function<int(const std::string&)>& uartType);
// What the kernel reports as the UART type of a serial device (Linux, TIOCGSERIAL), or -1 when it
// cannot be asked (the device cannot be opened, is no serial device, another system).
int KernelUartType(const std::string& device);

// Port numbers 1..highest whose device is present, ascending. deviceOf gives a number's device
// (empty: none); every number is probed.
std::vector<int> PresentComPorts(int highest = kHighestComPort,
                                 const std::function<std::string(int)>& deviceOf = ComPortDevice);

// Whether port n is present under the system's numbering.
bool ComPortPresent(int n);

// A serial device opened for reading with the link's settings: 38400 baud, 8 data bits, no
// parity, one stop bit, no flow control, bytes passed as they are (no line editing, no
// translation). Not copyable; closed on destruction.
class SerialPortReader {
public:
    SerialPortReader() = default;
    ~SerialPortReader();
    SerialPortReader(const SerialPortReader&) = delete;
    SerialPortReader& operator=(const SerialPortReader&) = delete;

    // Opens the device ("COM7", "\\.\COM7", /dev/ttyUSB0) and drops what it had received
    // before. On failure returns false with the reason in *error; the reader stays closed.
    bool Open(const std::string& device, SystemError* error);
    void Close();
    bool IsOpen() const { return m_file != -1; }

    // Waits up to timeoutMs for bytes and returns as soon as any have arrived: the count read
    // (1..size), 0 if none came in time (at once for timeoutMs 0), -1 with *error when the
    // device failed or went away.
    long Read(void* buffer, std::size_t size, int timeoutMs, SystemError* error);

private:
    std::intptr_t m_file = -1;  // descriptor, or HANDLE on Windows
    long m_timeoutMs = -1;      // the read timeout the device is set to (Windows)
};

} // namespace platform
