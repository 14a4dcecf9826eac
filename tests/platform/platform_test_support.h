#pragma once
// What the platform layer's tests need from the system they run on: files by UTF-8 names, what a
// replacement keeps, a file held open by another program, and a serial port fed by the test: on
// POSIX a pseudo-terminal opened here, left as it comes (line editing, echo, flow control); on
// Windows the port MORVEK_TEST_COM, which tests/windows/host links to a pseudo-terminal and
// feeds with the bytes asked for on standard output.

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
#include <pty.h>
#include <unistd.h>
#endif

#include "platform/serial_port.h"

namespace fs = std::filesystem;

constexpr int kTestPort = 50;
constexpr int kAbsentPort = 49;

#ifdef _WIN32
constexpr long kAccessDenied = ERROR_ACCESS_DENIED, kPathNotFound = ERROR_PATH_NOT_FOUND, kDiskFull = ERROR_DISK_FULL;

// What a replacement keeps and a new file lacks: the hidden attribute.
inline bool MarkKept(const std::string& p) { return SetFileAttributesW(fs::u8path(p).c_str(), FILE_ATTRIBUTE_HIDDEN); }
inline bool HasKept(const std::string& p) { return GetFileAttributesW(fs::u8path(p).c_str()) & FILE_ATTRIBUTE_HIDDEN; }

// Opened for reading, sharing nothing.
struct HeldFile {
    HANDLE h;
    explicit HeldFile(const std::string& p) : h(CreateFileW(fs::u8path(p).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldFile() { CloseHandle(h); }
    bool ok() const { return h != INVALID_HANDLE_VALUE; }
    std::string Read()
    {
        char buffer[256];
        DWORD n = 0;
        return ReadFile(h, buffer, sizeof buffer, &n, nullptr) ? std::string(buffer, n) : "<error>";
    }
};

struct TestPort {
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
constexpr long kAccessDenied = EACCES, kPathNotFound = ENOENT, kDiskFull = ENOSPC;

// What a replacement keeps and a new file lacks: a mode of its own.
constexpr fs::perms kKeptMode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
inline bool MarkKept(const std::string& p) { return fs::permissions(p, kKeptMode), true; }
inline bool HasKept(const std::string& p) { return fs::status(p).permissions() == kKeptMode; }

struct HeldFile {
    std::ifstream in;
    explicit HeldFile(const std::string& p) : in(p, std::ios::binary) {}
    bool ok() const { return in.is_open(); }
    std::string Read() { return std::string(std::istreambuf_iterator<char>(in), {}); }
};

struct TestPort {
    int master = -1, slave = -1;
    std::string device = ::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0 ? ::ttyname(slave) : "";
    const char* why = "no pseudo-terminal";
    ~TestPort() { ::close(master), ::close(slave); }
    std::string DeviceOf(int n) const { return n == kTestPort ? device : n == kAbsentPort ? "/nonexistent/tty49" : ""; }
    void Send(const std::string& bytes)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR)
                return;
            done += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
    }
};
#endif

// A fresh folder in the system's temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    ScratchFolder()
    {
        for (int n = std::rand(); !fs::create_directory(m_path = fs::temp_directory_path() / ("morvek-" + std::to_string(n))); ++n) {
        }
    }
    ~ScratchFolder()
    {
        std::error_code e;
        for (const auto& entry : fs::recursive_directory_iterator(m_path, e))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, e);
        fs::remove_all(m_path, e);
    }
    std::string path() const { return m_path.u8string(); }
    // A path in the folder; the name may hold '/'.
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

// Read-only: no write permission at all (the read-only attribute on Windows); or writable again.
inline void SetReadOnly(const std::string& p, bool on)
{
    const fs::perms all = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(fs::u8path(p), on ? all : fs::perms::owner_write, on ? fs::perm_options::remove : fs::perm_options::add);
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
