#pragma once
// What the platform layer's tests need from the system they run on, in its own calls: a scratch
// folder, files and their protection, and a serial port whose other end the test feeds.
//   POSIX: a pseudo-terminal opened here; its device is port 50.
//   Windows (under Wine): the port MORVEK_TEST_COM, which tests/windows/host links to a
//   pseudo-terminal it opened; Send() asks the host for the bytes on standard output.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/text.h"
#else
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

constexpr int kTestPort = 50;
constexpr int kAbsentPort = 49;

#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr long kAccessDenied = ERROR_ACCESS_DENIED;
constexpr long kPathNotFound = ERROR_PATH_NOT_FOUND;
constexpr long kDiskFull = ERROR_DISK_FULL;

inline bool MakeFolder(const std::string& path) { return CreateDirectoryW(platform::Wide(path).c_str(), nullptr); }

inline std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE h = FindFirstFileW(platform::Wide(folder + "\\*").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found))
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
            names.push_back(platform::Utf8(found.cFileName));
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    return names;
}

inline void RemoveAll(const std::string& path)
{
    const std::wstring wide = platform::Wide(path);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(wide.c_str())) {
        for (const std::string& name : Entries(path))
            RemoveAll(path + "\\" + name);
        RemoveDirectoryW(wide.c_str());
    }
}

inline std::string NewScratchFolder()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (unsigned n = GetTickCount();; ++n) {
        const std::string path = platform::Utf8(temp) + "morvek-" + std::to_string(n);
        if (MakeFolder(path))
            return path;
    }
}

inline std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return _wfopen(platform::Wide(path).c_str(), platform::Wide(mode).c_str());
}

inline bool SetReadOnly(const std::string& path, bool on)
{
    return SetFileAttributesW(platform::Wide(path).c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

// Something a replacement keeps that a new file would not have: the hidden attribute.
inline bool MarkKept(const std::string& path)
{
    return SetFileAttributesW(platform::Wide(path).c_str(), FILE_ATTRIBUTE_HIDDEN);
}
inline bool HasKept(const std::string& path)
{
    return GetFileAttributesW(platform::Wide(path).c_str()) & FILE_ATTRIBUTE_HIDDEN;
}

// The file opened by "another program" for reading, sharing nothing.
class HeldFile {
public:
    explicit HeldFile(const std::string& path)
        : m_h(CreateFileW(platform::Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))
    {
    }
    ~HeldFile() { CloseHandle(m_h); }
    bool ok() const { return m_h != INVALID_HANDLE_VALUE; }
    std::string Read()
    {
        char buffer[256];
        DWORD n = 0;
        return ReadFile(m_h, buffer, sizeof buffer, &n, nullptr) ? std::string(buffer, n) : std::string("<error>");
    }

private:
    HANDLE m_h;
};

class TestPort {
public:
    TestPort()
    {
        const char* name = std::getenv("MORVEK_TEST_COM");
        m_device = name ? name : "";
    }
    bool ok() const { return !m_device.empty(); }
    const char* why() const { return "no port: run by the Wine stage's host (tests/windows/host)"; }
    const std::string& device() const { return m_device; }
    std::string DeviceOf(int n) const { return platform::ComPortDevice(n); }
    void Send(const std::string& bytes)
    {
        std::string hex;
        for (unsigned char c : bytes) {
            static const char digits[] = "0123456789abcdef";
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        std::fflush(stdout);
        std::printf("morvek-com-host: send %s\n", hex.c_str());
        std::fflush(stdout);
    }

private:
    std::string m_device;
};

#else
constexpr char kSeparator = '/';
constexpr long kAccessDenied = EACCES;
constexpr long kPathNotFound = ENOENT;
constexpr long kDiskFull = ENOSPC;

inline bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

inline std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

inline void RemoveAll(const std::string& path)
{
    if (::unlink(path.c_str()) != 0) {
        for (const std::string& name : Entries(path))
            RemoveAll(path + "/" + name);
        ::rmdir(path.c_str());
    }
}

inline std::string NewScratchFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/morvek-XXXXXX";
    return ::mkdtemp(&path[0]) ? path : std::string();
}

inline std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

inline bool SetReadOnly(const std::string& path, bool on) { return ::chmod(path.c_str(), on ? 0444 : 0644) == 0; }

// Something a replacement keeps that a new file would not have: a mode of its own.
inline bool MarkKept(const std::string& path) { return ::chmod(path.c_str(), 0640) == 0; }
inline bool HasKept(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640;
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
        return n >= 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string("<error>");
    }

private:
    int m_fd;
};

// A pseudo-terminal left as it comes (line editing, echo, flow control on): the reader has to set
// it up for itself.
class TestPort {
public:
    TestPort()
    {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) == 0)
            m_device = ::ttyname(m_slave);
    }
    ~TestPort()
    {
        ::close(m_master);
        ::close(m_slave);
    }
    bool ok() const { return !m_device.empty(); }
    const char* why() const { return "no pseudo-terminal"; }
    const std::string& device() const { return m_device; }
    std::string DeviceOf(int n) const { return n == kTestPort ? m_device : n == kAbsentPort ? "/nonexistent/tty49" : ""; }
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
    std::string m_device;
};
#endif

// A fresh folder in the system's temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    ScratchFolder() : m_path(NewScratchFolder()) {}
    ~ScratchFolder()
    {
        if (!m_path.empty())
            RemoveAll(m_path);
    }
    const std::string& path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + kSeparator + name; }

private:
    std::string m_path;
};

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::FILE* f = OpenFile(path, "wb");
    const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return f && std::fclose(f) == 0 && ok;
}

inline std::string ReadBytes(const std::string& path)
{
    std::FILE* f = OpenFile(path, "rb");
    if (!f)
        return "<unreadable>";
    std::string bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}
