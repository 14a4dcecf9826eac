#include "platform/serial_port.h"

#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

std::string ComPortDevice(int) { return {}; }

bool SerialDevicePresent(const std::string& device)
{
    struct stat st;
    return !device.empty() && ::stat(device.c_str(), &st) == 0;
}

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
