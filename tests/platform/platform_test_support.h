#pragma once
// What the platform layer's tests need from the system they run on: files (through
// std::filesystem, UTF-8 names), what a replacement keeps, a file held open by "another program",
// and a serial port whose other end the test feeds:
//   POSIX: a pseudo-terminal opened here, left as it comes (line editing, echo, flow control);
//   Windows (under Wine): the port MORVEK_TEST_COM, which tests/windows/host links to a
//   pseudo-terminal it opened; Send() asks the host for the bytes on standard output.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>
#endif

#include "platform/serial_port.h"

namespace fs = std::filesystem;

constexpr int kTestPort = 50;
constexpr int kAbsentPort = 49;

#ifdef _WIN32
constexpr long kAccessDenied = ERROR_ACCESS_DENIED;
constexpr long kPathNotFound = ERROR_PATH_NOT_FOUND;
constexpr long kDiskFull = ERROR_DISK_FULL;

// Something a replacement keeps that a new file would not have: the hidden attribute.
inline bool MarkKept(const std::string& path) { return SetFileAttributesW(fs::u8path(path).c_str(), FILE_ATTRIBUTE_HIDDEN); }
inline bool HasKept(const std::string& path) { return GetFileAttributesW(fs::u8path(path).c_str()) & FILE_ATTRIBUTE_HIDDEN; }

// The file opened by another program for reading, sharing nothing.
class HeldFile {
public:
    explicit HeldFile(const std::string& path)
        : m_h(CreateFileW(fs::u8path(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldFile() { CloseHandle(m_h); }
    bool ok() const { return m_h != INVALID_HANDLE_VALUE; }
    std::string Read()
    {
        char buffer[256];
        DWORD n = 0;
        return ReadFile(m_h, buffer, sizeof buffer, &n, nullptr) ? std::string(buffer, n) : "<error>";
    }

private:
    HANDLE m_h;
};

class TestPort {
public:
    std::string device = std::getenv("MORVEK_TEST_COM") ? std::getenv("MORVEK_TEST_COM") : "";
    const char* why = "needs the Wine stage's host (tests/windows/host)";
    std::string DeviceOf(int n) const { return platform::ComPortDevice(n); }
    void Send(const std::string& bytes)
    {
        std::fflush(stdout);
        std::printf("morvek-com-host: send ");
        for (unsigned char c : bytes)
            std::printf("%02x", c);
        std::printf("\n");
        std::fflush(stdout);
    }
};
#else
constexpr long kAccessDenied = EACCES;
constexpr long kPathNotFound = ENOENT;
constexpr long kDiskFull = ENOSPC;

// Something a replacement keeps that a new file would not have: a mode of its own.
inline bool MarkKept(const std::string& path)
{
    std::error_code e;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, e);
    return !e;
}
inline bool HasKept(const std::string& path)
{
    return fs::status(path).permissions() == (fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

class HeldFile {
public:
    explicit HeldFile(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~HeldFile() { ::close(m_fd); }
    bool ok() const { return m_fd >= 0; }
    std::string Read()
    {
        char buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        return n >= 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "<error>";
    }

private:
    int m_fd;
};

class TestPort {
public:
    TestPort()
    {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) == 0)
            device = ::ttyname(m_slave);
    }
    ~TestPort()
    {
        ::close(m_master);
        ::close(m_slave);
    }
    std::string device;
    const char* why = "no pseudo-terminal";
    std::string DeviceOf(int n) const { return n == kTestPort ? device : n == kAbsentPort ? "/nonexistent/tty49" : ""; }
    void Send(const std::string& bytes)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR)
                return;
            done += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
    }

private:
    int m_master = -1;
    int m_slave = -1;
};
#endif

// A fresh folder in the system's temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    ScratchFolder()
    {
        for (unsigned n = static_cast<unsigned>(std::rand());; ++n)
            if (fs::create_directory(m_path = fs::temp_directory_path() / ("morvek-" + std::to_string(n))))
                break;
    }
    ~ScratchFolder()
    {
        std::error_code e;
        for (const auto& entry : fs::recursive_directory_iterator(m_path, e))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, e);
        fs::remove_all(m_path, e);
    }
    std::string path() const { return m_path.u8string(); }
    // A path in the folder; name may hold '/'.
    std::string File(const std::string& name) const { return (m_path / fs::u8path(name)).make_preferred().u8string(); }

private:
    fs::path m_path;
};

inline std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder)))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

inline bool SetReadOnly(const std::string& path, bool on)
{
    std::error_code e;
    const fs::perms write = on ? fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write : fs::perms::owner_write;
    fs::permissions(fs::u8path(path), write, on ? fs::perm_options::remove : fs::perm_options::add, e);
    return !e;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(fs::u8path(path), std::ios::binary);
    return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush().good();
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<unreadable>";
}
