#include "platform/serial_port.h"

#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace platform {

std::string ComPortDevice(int) { return {}; }

bool SerialDevicePresent(const std::string& device)
{
    struct stat st;
    return !device.empty() && ::stat(device.c_str(), &st) == 0;
}

int KernelUartType(const std::string& device)
{
#ifdef __linux__
    // Without O_NONBLOCK the opening would wait for a modem's carrier.
    const int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    serial_struct info{};
    const int result = ::ioctl(fd, TIOCGSERIAL, &info);
    ::close(fd);
    return result == 0 ? info.type : -1;
#else
    (void)device;
    return -1;
#endif
}

namespace {

// The kernel's answers, by device file: a new device file under the same name (a serial card
// plugged in, udev making the node anew) is asked again. Answers that could not be had are not
// kept.
int CachedUartType(const std::string& device)
{
    struct stat st;
    if (::stat(device.c_str(), &st) != 0)
        return -1;
    struct Entry {
        dev_t rdev;
        ino_t ino;
        int type;
    };
    static std::mutex mutex;
    static std::map<std::string, Entry> answers;
    const std::lock_guard<std::mutex> lock(mutex);
    const auto it = answers.find(device);
    if (it != answers.end() && it->second.rdev == st.st_rdev && it->second.ino == st.st_ino)
        return it->second.type;
    const int type = KernelUartType(device);
    if (type >= 0)
        answers[device] = {st.st_rdev, st.st_ino, type};
    else
        answers.erase(device);
    return type;
}

} // namespace

bool IsPhantomSerialDevice(const std::string& device) { return IsPhantomSerialDevice(device, CachedUartType); }

SerialPortReader::~SerialPortReader() { Close(); }

bool SerialPortReader::Open(const std::string& device, SystemError* error)
{
    Close();
    const int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    if (fd < 0 || ::tcgetattr(fd, &t) != 0) {
        *error = MakeSystemError(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, B38400) != 0 || ::cfsetospeed(&t, B38400) != 0 || ::tcsetattr(fd, TCSANOW, &t) != 0
        || ::tcflush(fd, TCIFLUSH) != 0) {
        *error = MakeSystemError(errno);
        ::close(fd);
        return false;
    }
    m_file = fd;
    return true;
}

void SerialPortReader::Close()
{
    if (m_file != -1)
        ::close(static_cast<int>(m_file));
    m_file = -1;
}

long SerialPortReader::Read(void* buffer, std::size_t size, int timeoutMs, SystemError* error)
{
    using Clock = std::chrono::steady_clock;
    const int fd = static_cast<int>(m_file);
    if (fd < 0) {
        *error = MakeSystemError(EBADF);
        return -1;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool hungUp = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n > 0)
            return static_cast<long>(n);
        // 0 from a terminal in non-canonical mode means nothing waits, unless the device has hung
        // up; a pseudo-terminal whose other side has gone fails with EIO.
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || (n == 0 && hungUp)) {
            *error = MakeSystemError(n < 0 ? errno : EIO);
            return -1;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return 0;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
            *error = MakeSystemError(errno);
            return -1;
        }
        if (p.revents & (POLLERR | POLLNVAL)) {
            *error = MakeSystemError(EIO);
            return -1;
        }
        hungUp = (p.revents & POLLHUP) != 0;
    }
}

} // namespace platform
