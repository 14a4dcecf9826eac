// morvek-board-sim: a simulated touch-key board for the debug page.
//
// It opens a pseudo-terminal (or a serial device given with --device), prints the device path
// on the first line of stdout, and streams touch data frames on it, paced like a 38400-baud
// link (10 bits a byte, 3840 bytes a second). Every enabled key has a baseline of a few
// thousand counts that drifts slowly, a sample that follows it with a few counts of noise, and
// touches that lower the sample by a chosen delta, scripted with --touch or on a repeating
// cycle. Fault options inject garbage bytes, split or truncated frames and wrong key counts.
//
// A person (or a test) can also act as the finger: while streaming, every character read from
// stdin is a command ("a" touches all keys or releases them, "0".."7" toggles one key, "r"
// releases all, "c" switches the automatic cycle, "h" lists them). On a terminal the keys act
// at once, without Enter; from a pipe, commands may come one per line. These manual touches add
// to the scripted and cycled ones. When stdin ends (or is /dev/null) reading just stops.
//
//   morvek-board-sim --link /tmp/board          # symlink /tmp/board -> the pty, removed at exit
//   MORVEK_COM50=/tmp/board morvek              # the debug page then opens it as port 50
//
// With --replay FILE it sends a recording made on the debug page instead (".mvrec"): the
// recorded bytes, paced as they were received (--speed scales the pace, --loop starts over at
// the end), so the whole program runs on the recording as on the board it came from.
//
// Pseudo-terminals and --until-pid need Linux or macOS; elsewhere only --device works.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "app/build_info.h"
#include "debug/frame_receiver.h"
#include "debug/link_recording.h"

#if defined(Q_OS_LINUX) || defined(Q_OS_MACOS)
#define SIM_HAVE_PTY 1
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#if defined(Q_OS_MACOS)
#include <util.h>
#else
#include <pty.h>
#endif
#endif

namespace {

std::atomic<bool> g_stop{false};
// Keys touched by hand through stdin (bit i = TKi), and whether the automatic cycle runs.
std::atomic<unsigned> g_manual{0};
std::atomic<bool> g_cycleOn{false};

void OnSignal(int) { g_stop = true; }

using Clock = std::chrono::steady_clock;

// Where the bytes go.
class Sink {
public:
    virtual ~Sink() = default;
    virtual QString Path() const = 0;
    // Writes all bytes or drops them when nobody listens; false on a fatal error.
    virtual bool Write(const std::vector<std::uint8_t>& bytes) = 0;
    // Before the line is closed: waits, within a bounded time, until the other end has taken
    // every byte written, since closing throws away what it has not read yet.
    virtual void Drain() = 0;
};

#ifdef SIM_HAVE_PTY
class PtySink : public Sink {
public:
    ~PtySink() override
    {
        if (!m_link.isEmpty())
            ::unlink(m_link.toLocal8Bit().constData());
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }

    bool Open(const QString& link, QString* error)
    {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
            *error = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        // Raw line: no echo, no newline or flow-control translation, 38400 8N1.
        termios t{};
        if (::tcgetattr(m_slave, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetispeed(&t, B38400);
            ::cfsetospeed(&t, B38400);
            ::tcsetattr(m_slave, TCSANOW, &t);
        }
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_path = QString::fromLocal8Bit(::ttyname(m_slave));
        if (!link.isEmpty()) {
            const QByteArray l = link.toLocal8Bit();
            struct stat st{};
            if (::lstat(l.constData(), &st) == 0) {
                if (!S_ISLNK(st.st_mode)) {
                    *error = QStringLiteral("%1 exists and is not a symbolic link").arg(link);
                    return false;
                }
                ::unlink(l.constData()); // a stale link from an earlier run
            }
            if (::symlink(m_path.toLocal8Bit().constData(), l.constData()) != 0) {
                *error = QStringLiteral("symlink %1: %2").arg(link, QString::fromLocal8Bit(std::strerror(errno)));
                return false;
            }
            m_link = link;
        }
        return true;
    }

    QString Path() const override { return m_path; }

    bool Write(const std::vector<std::uint8_t>& bytes) override
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t w = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (w > 0) {
                done += static_cast<size_t>(w);
                continue;
            }
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                // Nobody reads the line: the bytes are lost, as on a cable nobody listens to.
                ::tcflush(m_slave, TCIFLUSH);
                return true;
            }
            return false;
        }
        return true;
    }

    void Drain() override
    {
        // The bytes not yet read wait in the line's input queue. Given up after 3 s, or after
        // half a second in which nobody read any (nobody is attached).
        const Clock::time_point end = Clock::now() + std::chrono::seconds(3);
        Clock::time_point stalled = Clock::now() + std::chrono::milliseconds(500);
        int last = -1;
        int waiting = 0;
        while (::ioctl(m_slave, FIONREAD, &waiting) == 0 && waiting > 0 && Clock::now() < end) {
            if (waiting != last) {
                last = waiting;
                stalled = Clock::now() + std::chrono::milliseconds(500);
            } else if (Clock::now() >= stalled) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    int m_master = -1;
    int m_slave = -1; // kept open so that the line exists while the program is not attached
    QString m_path;
    QString m_link;
};
#endif

class DeviceSink : public Sink {
public:
    bool Open(const QString& path, QString* error)
    {
        m_port.setPortName(path);
        if (!m_port.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("%1: %2").arg(path, m_port.errorString());
            return false;
        }
        m_port.setBaudRate(38400);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        return true;
    }
    QString Path() const override { return m_port.portName(); }
    bool Write(const std::vector<std::uint8_t>& bytes) override
    {
        if (m_port.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) < 0)
            return false;
        m_port.waitForBytesWritten(200);
        return m_port.isOpen();
    }
    void Drain() override
    {
        while (m_port.bytesToWrite() > 0 && m_port.waitForBytesWritten(1000)) {
        }
        m_port.flush();
    }

private:
    QSerialPort m_port;
};

struct Touch {
    int key;
    double start;
    double length;
};

struct Options {
    std::uint8_t mask = 0x3F;
    std::vector<Touch> touches;
    double cycle = 3.0;   // seconds per key in the repeating cycle (touched half the time); 0: off
    bool cycleOn = true;  // the cycle runs at start (off with --touch or --cycle 0)
    int delta = 120;      // counts a touch lowers the sample by
    int level = 3000;     // baseline level of TK0
    int spread = 137;     // key TKi sits i * spread counts higher
    int noise = 3;        // noise amplitude in counts
    double garbage = 0;   // probability per frame of garbage bytes in front of it
    bool split = false;   // split every frame at a random point, the parts sent apart
    double truncate = 0;  // probability per frame of sending only a prefix
    double wrongCount = 0;// probability per frame of a wrong count byte
    double seconds = 0;   // stop after this long; 0: run until interrupted
    int rate = 0;         // frames per second; 0: as fast as the 38400-baud link allows
};

// One key's signal.
class KeySignal {
public:
    KeySignal(int tk, int level, int spread, std::mt19937& rng)
        : m_tk(tk), m_level(level + spread * tk), m_phase(std::uniform_real_distribution<double>(0, 6.28)(rng))
    {
    }

    // Sample and baseline at time t (seconds), with touch amount 0..1.
    void Step(double t, double touchTarget, int delta, int noise, std::mt19937& rng, std::uint16_t* sample,
              std::uint16_t* baseline)
    {
        // Slow drift: a one-minute swell plus a bounded random walk.
        std::normal_distribution<double> walk(0, 0.05);
        m_walk = std::clamp(m_walk + walk(rng), -25.0, 25.0);
        const double drift = 12.0 * std::sin(6.2832 * t / 60.0 + m_phase) + m_walk;
        // A finger does not arrive at once: the touch amount follows in about 50 ms.
        m_touch += (touchTarget - m_touch) * 0.25;
        std::normal_distribution<double> n(0, std::max(0.0, noise / 2.0));
        const double base = m_level + drift;
        const double s = base - m_touch * delta + n(rng);
        // The library's baseline tracks the untouched signal and holds still during a touch.
        if (m_touch < 0.1)
            m_baseline += (s - m_baseline) * 0.02;
        if (m_first) {
            m_baseline = base;
            m_first = false;
        }
        *sample = static_cast<std::uint16_t>(std::clamp(std::lround(s), 0L, 65535L));
        *baseline = static_cast<std::uint16_t>(std::clamp(std::lround(m_baseline), 0L, 65535L));
    }
    int Tk() const { return m_tk; }

private:
    int m_tk;
    double m_level;
    double m_phase;
    double m_walk = 0;
    double m_touch = 0;
    double m_baseline = 0;
    bool m_first = true;
};

bool ParseTouch(const QString& text, Touch* out)
{
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 3)
        return false;
    bool a = false, b = false, c = false;
    out->key = f[0].toInt(&a);
    out->start = f[1].toDouble(&b);
    out->length = f[2].toDouble(&c);
    return a && b && c && out->key >= 0 && out->key < 8 && out->start >= 0 && out->length > 0;
}

double TouchTarget(const Options& o, const std::vector<int>& keys, int tk, double t)
{
    if (g_manual.load() & (1u << tk))
        return 1.0;
    for (const Touch& touch : o.touches)
        if (touch.key == tk && t >= touch.start && t < touch.start + touch.length)
            return 1.0;
    if (g_cycleOn.load() && o.cycle > 0 && !keys.empty()) {
        // Each key in turn: touched for the first half of its slot of the cycle.
        const double slot = std::fmod(t, o.cycle * static_cast<double>(keys.size()));
        const int turn = static_cast<int>(slot / o.cycle);
        const double within = slot - turn * o.cycle;
        if (keys[static_cast<size_t>(turn)] == tk && within < o.cycle / 2)
            return 1.0;
    }
    return 0.0;
}

void SleepUntil(Clock::time_point when)
{
    while (!g_stop && Clock::now() < when) {
        const auto left = when - Clock::now();
        std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(50)));
    }
}

// The time a 38400-baud line needs for n bytes.
Clock::duration LineTime(size_t n) { return std::chrono::microseconds(static_cast<long long>(n) * 1000000 / 3840); }

// The finger: commands read from stdin while the frames stream.
const char kCommandHelp[] =
    "keys: a = touch all keys / release all, 0-7 = touch / release that key, r = release all, "
    "c = automatic cycle on / off, h = this help";

QString KeyList(unsigned keys)
{
    QStringList names;
    for (int tk = 0; tk < 8; ++tk)
        if (keys & (1u << tk))
            names << QStringLiteral("TK%1").arg(tk);
    return names.isEmpty() ? QStringLiteral("none") : names.join(QLatin1Char(' '));
}

void Say(const QString& text)
{
    std::fprintf(stderr, "morvek-board-sim: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// One command character; white space and line ends are ignored.
void Command(char c, unsigned enabled)
{
    switch (c) {
    case ' ': case '\t': case '\r': case '\n':
        return;
    case 'a': case 'A': {
        // Touch every enabled key, unless all of them are touched already: then release them.
        const unsigned now = g_manual.load();
        g_manual = (now & enabled) == enabled ? 0u : (now | enabled);
        break;
    }
    case 'r': case 'R':
        g_manual = 0;
        break;
    case 'c': case 'C':
        g_cycleOn = !g_cycleOn.load();
        Say(g_cycleOn ? QStringLiteral("automatic cycle on") : QStringLiteral("automatic cycle off"));
        return;
    case 'h': case 'H': case '?':
        Say(QString::fromLatin1(kCommandHelp));
        return;
    default:
        if (c >= '0' && c <= '7') {
            const unsigned bit = 1u << (c - '0');
            if (!(enabled & bit)) {
                Say(QStringLiteral("TK%1 is not enabled (--mask)").arg(c - '0'));
                return;
            }
            g_manual ^= bit;
            break;
        }
        Say(QStringLiteral("unknown command '%1'; %2").arg(QString::fromLatin1(&c, 1), QString::fromLatin1(kCommandHelp)));
        return;
    }
    Say(QStringLiteral("touched: %1").arg(KeyList(g_manual.load())));
}

#ifdef SIM_HAVE_PTY
// Whether this process may read the terminal on stdin: a job in the background of an
// interactive shell would be stopped (SIGTTIN) by reading it, so it leaves the terminal alone.
bool OwnsTerminal()
{
    return ::isatty(STDIN_FILENO) && ::tcgetpgrp(STDIN_FILENO) == ::getpgrp();
}

// Keys act without Enter and are not echoed while the simulator runs; the terminal's own
// settings come back at exit.
class TerminalKeys {
public:
    TerminalKeys()
    {
        if (!OwnsTerminal() || ::tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;
        termios t = m_saved;
        t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        m_active = ::tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0;
    }
    ~TerminalKeys()
    {
        if (m_active)
            ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }

private:
    termios m_saved{};
    bool m_active = false;
};

// Reads commands until stdin ends, fails or the simulator stops; polls so that it notices the
// stop within a fifth of a second and never blocks in read().
void ReadCommands(unsigned enabled)
{
    const bool tty = ::isatty(STDIN_FILENO);
    while (!g_stop) {
        if (tty && !OwnsTerminal()) { // in the background for now
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            continue;
        }
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        const int r = ::poll(&pfd, 1, 200);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 || (r > 0 && (pfd.revents & POLLNVAL)))
            return; // no stdin at all
        if (r == 0)
            continue;
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            return; // end of input (or /dev/null, or a closed pipe): stop reading
        for (ssize_t i = 0; i < n; ++i)
            Command(buf[i], enabled);
    }
}

// Whether process pid still runs (a zombie counts as gone).
bool ProcessAlive(long pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
#if defined(Q_OS_LINUX)
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const int close = line.lastIndexOf(')');
        if (close >= 0 && close + 2 < line.size() && line.at(close + 2) == 'Z')
            return false;
    }
#endif
    return true;
}
#else
class TerminalKeys {};
void ReadCommands(unsigned enabled)
{
    int c;
    while (!g_stop && (c = std::getchar()) != EOF)
        Command(static_cast<char>(c), enabled);
}
#endif

struct ReplayOptions {
    QString path;
    double speed = 1.0;
    bool loop = false;
};

// Sends the recording's bytes, each record at its recorded time (divided by the speed) after the
// first one. A loop starts over a short pause after the last record. Ends at the end of the
// recording (without --loop), after `seconds` (if positive), when the watched process has ended,
// or on a signal.
int Replay(Sink& sink, const ReplayOptions& r, double seconds, long watchedPid)
{
    constexpr auto kLoopPause = std::chrono::milliseconds(50);
    const Clock::time_point start = Clock::now();
    Clock::time_point loopStart = start;
    Clock::time_point nextPidCheck = start;
    bool reportedTail = false;
    std::uint64_t sent = 0;
    for (int round = 0; !g_stop; ++round) {
        QFile file(r.path);
        CRecordingReader reader(&file);
        const RecordingStatus status = file.open(QIODevice::ReadOnly) ? reader.ReadHeader() : RecordingStatus::OpenFailed;
        if (status != RecordingStatus::Ok) {
            Say(RecordingStatusMessage(status, r.path, reader.Header().version));
            return 1;
        }
        RecordingRecord record;
        bool first = true;
        std::uint64_t firstTime = 0, lastTime = 0;
        while (!g_stop && reader.Next(&record)) {
            if (first) {
                firstTime = record.timeUs;
                first = false;
            }
            lastTime = record.timeUs;
            const auto due = loopStart + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double, std::micro>((record.timeUs - firstTime) / r.speed));
            while (!g_stop && Clock::now() < due) {
                SleepUntil(std::min(due, Clock::now() + std::chrono::milliseconds(250)));
                if (seconds > 0 && std::chrono::duration<double>(Clock::now() - start).count() >= seconds)
                    return 0;
#ifdef SIM_HAVE_PTY
                if (watchedPid > 0 && Clock::now() >= nextPidCheck) {
                    if (!ProcessAlive(watchedPid))
                        return 0;
                    nextPidCheck = Clock::now() + std::chrono::milliseconds(250);
                }
#else
                Q_UNUSED(watchedPid);
                Q_UNUSED(nextPidCheck);
#endif
            }
            if (g_stop)
                break;
            const auto* b = reinterpret_cast<const std::uint8_t*>(record.bytes.constData());
            if (!sink.Write(std::vector<std::uint8_t>(b, b + record.bytes.size()))) {
                std::fprintf(stderr, "morvek-board-sim: the line was closed\n");
                return 0;
            }
            sent += static_cast<std::uint64_t>(record.bytes.size());
        }
        if (reader.TailDamaged() && !reportedTail) {
            Say(QStringLiteral("%1: %2 at byte %3; replayed up to there").arg(r.path, reader.TailProblem()).arg(reader.TailOffset()));
            reportedTail = true;
        }
        if (g_stop || !r.loop || first)
            break;
        loopStart += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::micro>((lastTime - firstTime) / r.speed))
            + kLoopPause;
        if (Clock::now() - loopStart > std::chrono::seconds(1))
            loopStart = Clock::now(); // fell behind (suspended): do not burst to catch up
    }
    Say(QStringLiteral("replay ended, %1 bytes sent").arg(sent));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef SIM_HAVE_PTY
    // A closed stdin, stdout or stderr gets /dev/null, so that no descriptor opened later (the
    // pseudo-terminal above all) takes its number and is read as commands or written to.
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int nul = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (nul >= 0 && nul != fd) {
                ::dup2(nul, fd);
                ::close(nul);
            }
        }
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("morvek-board-sim"));
    QCoreApplication::setApplicationVersion(MorvekVersion());

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated touch-key board: streams touch data frames on a pseudo-terminal or a serial device.\n"
        "The device path is printed on the first line of stdout.\n"
        "With --replay FILE it sends a recording of the link made on the debug page (.mvrec)\n"
        "instead, paced as it was received; stdin is not read then.\n"
        "\n"
        "While it streams, every character read from stdin is a command (on a terminal the keys act\n"
        "at once, without Enter; from a pipe or file, one or more per line):\n"
        "  a     touch all enabled keys; if all are touched already, release them\n"
        "  0..7  touch / release that key\n"
        "  r     release all keys touched by hand\n"
        "  c     switch the automatic cycle on / off (a 3 s cycle when --cycle is 0)\n"
        "  h     list the commands\n"
        "Keys touched by hand add to the --touch script and the cycle. At the end of stdin\n"
        "(e.g. </dev/null) reading stops and the frames go on."));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("Make a symbolic link to the pseudo-terminal at <path> (removed at exit)."), QStringLiteral("path"));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("Write to this serial device instead of a pseudo-terminal."), QStringLiteral("path"));
    const QCommandLineOption mask(QStringLiteral("mask"), QStringLiteral("Key mask, bit i = TKi (default 0x3F: TK0..TK5)."), QStringLiteral("mask"));
    const QCommandLineOption touch(QStringLiteral("touch"), QStringLiteral("Touch key <tk> from <start> for <len> seconds; repeatable; turns the cycle off."), QStringLiteral("tk,start,len"));
    const QCommandLineOption cycle(QStringLiteral("cycle"), QStringLiteral("Touch the keys in turn, <s> seconds each, touched the first half (default 3; 0 = no touches)."), QStringLiteral("s"));
    const QCommandLineOption delta(QStringLiteral("delta"), QStringLiteral("Counts a touch lowers the sample by (default 120)."), QStringLiteral("counts"));
    const QCommandLineOption level(QStringLiteral("level"), QStringLiteral("Baseline of TK0 (default 3000)."), QStringLiteral("counts"));
    const QCommandLineOption spread(QStringLiteral("spread"), QStringLiteral("Key TKi's baseline sits i * <counts> above TK0's (default 137)."), QStringLiteral("counts"));
    const QCommandLineOption noise(QStringLiteral("noise"), QStringLiteral("Noise amplitude in counts (default 3)."), QStringLiteral("counts"));
    const QCommandLineOption garbage(QStringLiteral("garbage"), QStringLiteral("Probability per frame of random bytes in front of it (default 0)."), QStringLiteral("p"));
    const QCommandLineOption split(QStringLiteral("split"), QStringLiteral("Split every frame at a random point and send the parts apart."));
    const QCommandLineOption truncate(QStringLiteral("truncate"), QStringLiteral("Probability per frame of sending only a prefix of it."), QStringLiteral("p"));
    const QCommandLineOption wrongCount(QStringLiteral("wrong-count"), QStringLiteral("Probability per frame of a wrong key count byte."), QStringLiteral("p"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("Stop after <n> seconds."), QStringLiteral("n"));
    const QCommandLineOption rate(QStringLiteral("rate"), QStringLiteral("Frames per second (default: as fast as 38400 baud allows)."), QStringLiteral("fps"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Random seed (default: from the clock)."), QStringLiteral("n"));
    const QCommandLineOption untilPid(QStringLiteral("until-pid"), QStringLiteral("Stop when process <pid> has ended (Linux and macOS)."), QStringLiteral("pid"));
    const QCommandLineOption replay(QStringLiteral("replay"), QStringLiteral("Send the recording <file> (.mvrec) with its recorded pacing instead of simulated frames."), QStringLiteral("file"));
    const QCommandLineOption speed(QStringLiteral("speed"), QStringLiteral("With --replay: play <x> times as fast (default 1)."), QStringLiteral("x"));
    const QCommandLineOption loop(QStringLiteral("loop"), QStringLiteral("With --replay: start over at the end of the recording."));
    p.addOptions({link, device, mask, touch, cycle, delta, level, spread, noise, garbage, split, truncate, wrongCount, seconds, rate, seed, untilPid, replay, speed, loop});
    p.process(app);

    auto fail = [](const QString& message) {
        std::fprintf(stderr, "morvek-board-sim: %s\n", message.toLocal8Bit().constData());
        return 2;
    };
    auto number = [&](const QCommandLineOption& opt, double min, double max, double* out) {
        if (!p.isSet(opt))
            return true;
        bool ok = false;
        const double v = p.value(opt).toDouble(&ok);
        if (!ok || !(v >= min && v <= max))
            return false;
        *out = v;
        return true;
    };

    Options o;
    if (p.isSet(mask)) {
        bool ok = false;
        const uint m = p.value(mask).toUInt(&ok, 0);
        if (!ok || m == 0 || m > 0xFF)
            return fail(QStringLiteral("--mask must be 1..0xFF"));
        o.mask = static_cast<std::uint8_t>(m);
    }
    for (const QString& t : p.values(touch)) {
        Touch parsed{};
        if (!ParseTouch(t, &parsed))
            return fail(QStringLiteral("--touch wants tk,start,len with tk 0..7, e.g. 1,2.5,1"));
        o.touches.push_back(parsed);
    }
    double v = 0;
    if (!number(cycle, 0, 3600, &o.cycle))
        return fail(QStringLiteral("--cycle must be 0..3600"));
    v = o.delta;
    if (!number(delta, -65535, 65535, &v))
        return fail(QStringLiteral("--delta must be a count"));
    o.delta = static_cast<int>(v);
    v = o.level;
    if (!number(level, 0, 65535, &v))
        return fail(QStringLiteral("--level must be 0..65535"));
    o.level = static_cast<int>(v);
    v = o.spread;
    if (!number(spread, 0, 8000, &v))
        return fail(QStringLiteral("--spread must be 0..8000"));
    o.spread = static_cast<int>(v);
    v = o.noise;
    if (!number(noise, 0, 10000, &v))
        return fail(QStringLiteral("--noise must be 0..10000"));
    o.noise = static_cast<int>(v);
    if (!number(garbage, 0, 1, &o.garbage))
        return fail(QStringLiteral("--garbage must be a probability 0..1"));
    o.split = p.isSet(split);
    if (!number(truncate, 0, 1, &o.truncate) || !number(wrongCount, 0, 1, &o.wrongCount))
        return fail(QStringLiteral("--truncate and --wrong-count must be probabilities 0..1"));
    if (!number(seconds, 0, 1e9, &o.seconds))
        return fail(QStringLiteral("--seconds must be positive"));
    v = 0;
    if (!number(rate, 0, 100000, &v))
        return fail(QStringLiteral("--rate must be 0..100000"));
    o.rate = static_cast<int>(v);
    long watchedPid = 0;
    if (p.isSet(untilPid)) {
#ifdef SIM_HAVE_PTY
        bool ok = false;
        watchedPid = p.value(untilPid).toLong(&ok);
        if (!ok || watchedPid <= 0)
            return fail(QStringLiteral("--until-pid wants a process id"));
        if (!ProcessAlive(watchedPid))
            return fail(QStringLiteral("process %1 does not run").arg(watchedPid));
#else
        return fail(QStringLiteral("--until-pid is not available on this system"));
#endif
    }
    ReplayOptions r;
    if (p.isSet(replay)) {
        for (const QCommandLineOption* gen : {&mask, &touch, &cycle, &delta, &level, &spread, &noise, &garbage, &split,
                                              &truncate, &wrongCount, &rate, &seed})
            if (p.isSet(*gen))
                return fail(QStringLiteral("--%1 has no effect on a replay; leave it out").arg(gen->names().first()));
        r.path = p.value(replay);
        if (!number(speed, 0.01, 1000, &r.speed))
            return fail(QStringLiteral("--speed must be 0.01..1000"));
        r.loop = p.isSet(loop);
        // Refused before the line is made: a file that is no recording at all.
        QFile file(r.path);
        CRecordingReader reader(&file);
        const RecordingStatus status = file.open(QIODevice::ReadOnly) ? reader.ReadHeader() : RecordingStatus::OpenFailed;
        if (status != RecordingStatus::Ok)
            return fail(RecordingStatusMessage(status, r.path, reader.Header().version));
        RecordingRecord first;
        if (!reader.Next(&first))
            return fail(QStringLiteral("%1: the recording holds no bytes%2")
                            .arg(r.path, reader.TailDamaged() ? QStringLiteral(" (") + reader.TailProblem() + QLatin1Char(')') : QString()));
    } else if (p.isSet(speed) || p.isSet(loop)) {
        return fail(QStringLiteral("--speed and --loop go with --replay"));
    }
    o.cycleOn = o.touches.empty() && o.cycle > 0;
    if (o.cycle <= 0)
        o.cycle = 3.0; // for the "c" command; the cycle itself stays off
    g_cycleOn = o.cycleOn;
    std::mt19937 rng(p.isSet(seed) ? p.value(seed).toUInt() : static_cast<unsigned>(Clock::now().time_since_epoch().count()));

    std::unique_ptr<Sink> sink;
    QString error;
    if (p.isSet(device)) {
        auto d = std::make_unique<DeviceSink>();
        if (!d->Open(p.value(device), &error))
            return fail(error);
        sink = std::move(d);
    } else {
#ifdef SIM_HAVE_PTY
        auto pty = std::make_unique<PtySink>();
        if (!pty->Open(p.value(link), &error))
            return fail(error);
        sink = std::move(pty);
#else
        Q_UNUSED(link);
        return fail(QStringLiteral("pseudo-terminals are not available on this system; only --device works"));
#endif
    }
    std::printf("%s\n", sink->Path().toLocal8Bit().constData());
    std::fflush(stdout);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
#ifdef SIGHUP
    std::signal(SIGHUP, OnSignal);
#endif
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif

    if (!r.path.isEmpty()) {
        const int rc = Replay(*sink, r, o.seconds, watchedPid);
        sink->Drain();
        return rc;
    }

    std::vector<int> keys;
    std::vector<KeySignal> keySignals;
    for (int tk = 0; tk < 8; ++tk)
        if (o.mask & (1u << tk)) {
            keys.push_back(tk);
            keySignals.emplace_back(tk, o.level, o.spread, rng);
        }

    // The finger on stdin.
    TerminalKeys terminalKeys;
#ifdef SIM_HAVE_PTY
    if (OwnsTerminal())
        Say(QString::fromLatin1(kCommandHelp) +
            (g_cycleOn ? QStringLiteral(" (the cycle is on)") : QStringLiteral(" (the cycle is off)")));
    std::thread reader(ReadCommands, static_cast<unsigned>(o.mask));
#else
    std::thread(ReadCommands, static_cast<unsigned>(o.mask)).detach(); // getchar() cannot be interrupted
#endif

    std::uniform_real_distribution<double> chance(0, 1);
    const Clock::time_point start = Clock::now();
#ifdef SIM_HAVE_PTY
    Clock::time_point nextPidCheck = start;
#endif
    Clock::time_point next = start;
    std::uint16_t samples[8] = {}, baselines[8] = {};
    std::uint64_t framesSent = 0; // whole and valid, as sent (garbage in front of one or not)
    while (!g_stop) {
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        if (o.seconds > 0 && t >= o.seconds)
            break;
#ifdef SIM_HAVE_PTY
        if (watchedPid > 0 && Clock::now() >= nextPidCheck) {
            if (!ProcessAlive(watchedPid))
                break;
            nextPidCheck = Clock::now() + std::chrono::milliseconds(250);
        }
#endif
        for (size_t j = 0; j < keySignals.size(); ++j)
            keySignals[j].Step(t, TouchTarget(o, keys, keySignals[j].Tk(), t), o.delta, o.noise, rng, &samples[j], &baselines[j]);
        std::vector<std::uint8_t> frame = EncodeFrame(o.mask, samples, baselines);
        const size_t frameLength = frame.size();
        bool whole = true;

        if (o.wrongCount > 0 && chance(rng) < o.wrongCount) {
            std::uint8_t& count = frame[frame.size() - 3];
            count = static_cast<std::uint8_t>((count + 1 + rng() % 8) % 10);
            whole = false;
        }
        if (o.truncate > 0 && chance(rng) < o.truncate) {
            frame.resize(1 + rng() % (frame.size() - 1));
            whole = false;
        }
        if (o.garbage > 0 && chance(rng) < o.garbage) {
            std::vector<std::uint8_t> junk(1 + rng() % 24);
            for (auto& b : junk)
                b = static_cast<std::uint8_t>(rng());
            frame.insert(frame.begin(), junk.begin(), junk.end());
        }

        bool ok = true;
        if (o.split && frame.size() > 1) {
            const size_t cut = 1 + rng() % (frame.size() - 1);
            ok = sink->Write(std::vector<std::uint8_t>(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(cut)));
            SleepUntil(Clock::now() + LineTime(cut) + std::chrono::milliseconds(2));
            if (ok)
                ok = sink->Write(std::vector<std::uint8_t>(frame.begin() + static_cast<std::ptrdiff_t>(cut), frame.end()));
        } else {
            ok = sink->Write(frame);
        }
        if (!ok) {
            std::fprintf(stderr, "morvek-board-sim: the line was closed\n");
            break;
        }
        if (whole)
            ++framesSent;
        next += o.rate > 0 ? std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / o.rate))
                           : LineTime(std::max(frame.size(), frameLength));
        if (Clock::now() - next > std::chrono::seconds(1))
            next = Clock::now(); // fell behind (suspended): do not burst to catch up
        SleepUntil(next);
    }
    g_stop = true;
    sink->Drain();
    Say(QStringLiteral("stopped, %1 frames sent").arg(framesSent));
#ifdef SIM_HAVE_PTY
    reader.join();
#endif
    return 0;
}
