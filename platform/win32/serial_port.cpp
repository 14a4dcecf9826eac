#include "platform/serial_port.h"

#include <windows.h>

#include "platform/win32/text.h"

namespace platform {

namespace {

// "COM7" and "\\.\COM7" both name the device "\\.\COM7"; COM10 and above have no other name.
std::wstring DeviceName(const std::string& device)
{
    const std::wstring name = Wide(device);
    return name.compare(0, 4, L"\\\\.\\") == 0 ? name : L"\\\\.\\" + name;
}

HANDLE Handle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

// One read under the given timeouts: 0 for "at once, with whatever waits", otherwise a total
// time; the count read, or -1 with *error.
long ReadWith(HANDLE h, long* current, long timeoutMs, char* buffer, DWORD size, SystemError* error)
{
    if (*current != timeoutMs) {
        COMMTIMEOUTS t{};
        if (timeoutMs == 0)
            t.ReadIntervalTimeout = MAXDWORD;
        else
            t.ReadTotalTimeoutConstant = static_cast<DWORD>(timeoutMs);
        if (!SetCommTimeouts(h, &t)) {
            *error = MakeSystemError(static_cast<long>(GetLastError()));
            return -1;
        }
        *current = timeoutMs;
    }
    DWORD got = 0;
    if (!ReadFile(h, buffer, size, &got, nullptr)) {
        *error = MakeSystemError(static_cast<long>(GetLastError()));
        return -1;
    }
    return static_cast<long>(got);
}

} // namespace

// Windows has no devices for ports that are not there.
bool IsPhantomSerialDevice(const std::string&) { return false; }

int KernelUartType(const std::string&) { return -1; }

std::string ComPortDevice(int n)
{
    if (n < 1 || n > kHighestComPort)
        return {};
    return "\\\\.\\COM" + std::to_string(n);
}

bool SerialDevicePresent(const std::string& device)
{
    if (device.empty())
        return false;
    // No access rights and no sharing: only whether the device is there to be opened.
    const HANDLE h = CreateFileW(DeviceName(device).c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

SerialPortReader::~SerialPortReader() { Close(); }

bool SerialPortReader::Open(const std::string& device, SystemError* error)
{
    Close();
    const HANDLE h = CreateFileW(DeviceName(device).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = MakeSystemError(static_cast<long>(GetLastError()));
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool ok = SetupComm(h, 1024, 1024) && GetCommState(h, &dcb);
    if (ok) {
        dcb.BaudRate = CBR_38400;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        ok = SetCommState(h, &dcb) && PurgeComm(h, PURGE_RXCLEAR | PURGE_RXABORT);
    }
    if (!ok) {
        *error = MakeSystemError(static_cast<long>(GetLastError()));
        CloseHandle(h);
        return false;
    }
    m_file = reinterpret_cast<std::intptr_t>(h);
    m_timeoutMs = -1;
    return true;
}

void SerialPortReader::Close()
{
    if (m_file != -1)
        CloseHandle(Handle(m_file));
    m_file = -1;
}

long SerialPortReader::Read(void* buffer, std::size_t size, int timeoutMs, SystemError* error)
{
    if (m_file == -1) {
        *error = MakeSystemError(ERROR_INVALID_HANDLE);
        return -1;
    }
    // Only the two timeout forms that every implementation of the calls treats alike: "return at
    // once" (interval MAXDWORD), and a total time for a single byte, which ends as soon as it
    // arrives. (Wine waits out the whole time of the "return at the first byte" form, MAXDWORD
    // interval and multiplier.) So: what waits; else one byte within the time, then what came
    // with it.
    const HANDLE h = Handle(m_file);
    char* bytes = static_cast<char*>(buffer);
    const DWORD want = size > 65536 ? 65536 : static_cast<DWORD>(size);
    const long now = ReadWith(h, &m_timeoutMs, 0, bytes, want, error);
    if (now != 0 || timeoutMs <= 0 || want == 0)
        return now;
    const long first = ReadWith(h, &m_timeoutMs, timeoutMs, bytes, 1, error);
    if (first <= 0 || want == 1)
        return first;
    const long rest = ReadWith(h, &m_timeoutMs, 0, bytes + 1, want - 1, error);
    return rest < 0 ? 1 : 1 + rest;
}

} // namespace platform
