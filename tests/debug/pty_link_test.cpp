// End to end over a real pseudo-terminal: the page finds the port through MORVEK_COM<n>, opens
// it with its button, and shows what a board writes on the other side. Also the simulated board
// with every fault switched on.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common/accessible_walk.h"
#include "common/ui_spy.h"
#include "tests/debug/gtest_wait.h"
#include "debug/com_ports.h"
#include "debug/debug_session.h"
#include "debug/dlgsub2.h"
#include "debug/procedure.h"
#include "debug/frame_receiver.h"
#include "debug/mscomm.h"
#include "debug/recording_session.h"

#if defined(Q_OS_LINUX) || defined(Q_OS_MACOS)
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#if defined(Q_OS_MACOS)
#include <util.h>
#else
#include <pty.h>
#endif

namespace {

constexpr int kPort = 50; // the highest number: wins over any real port of the machine
constexpr int kWaitMs = 10000;

struct RecordingUi : UiSpy {
    RecordingUi() { documentOpens = true; }
};

const QByteArray kExample = QByteArray::fromHex("000C800CE4010BB80BB80A02FEA5");
const QByteArray kOneKey = QByteArray::fromHex("00006400 5A0101FEA5");

struct Pty {
    int master = -1;
    int slave = -1;
    QString path;

    Pty()
    {
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLocal8Bit(::ttyname(slave));
    }
    ~Pty()
    {
        CloseMaster();
        if (slave >= 0)
            ::close(slave);
    }
    void CloseMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    void Write(const QByteArray& bytes) const
    {
        if (master >= 0)
            (void)!::write(master, bytes.constData(), static_cast<size_t>(bytes.size()));
    }
};

struct PtyLinkTest : ::testing::Test {
    Pty pty;
    RecordingUi ui;
    std::unique_ptr<DlgSub2> page;
    QTimer board; // a board streaming the same frame until the test has seen what it waits for
    QByteArray streaming;

    void SetUp() override
    {
        ASSERT_FALSE(pty.path.isEmpty()) << "no pseudo-terminal";
        qputenv("MORVEK_COM50", pty.path.toLocal8Bit());
        page = std::make_unique<DlgSub2>(nullptr, &ui);
        page->show();
        board.setInterval(10);
        QObject::connect(&board, &QTimer::timeout, [this] { pty.Write(streaming); });
    }
    void TearDown() override
    {
        board.stop();
        page.reset();
        qunsetenv("MORVEK_COM50");
    }
    void Stream(const QByteArray& frame)
    {
        streaming = frame;
        board.start();
    }
    QPushButton* Button() { return page->controlAs<QPushButton>(1024); }
    QString Cell(int list, int row, int col)
    {
        QTableWidgetItem* item = page->controlAs<QTableWidget>(list)->item(row, col);
        return item ? item->text() : QString();
    }
};

TEST_F(PtyLinkTest, ButtonOpensThePortAndTheListsShowTheBoard)
{
    QTest::mouseClick(Button(), Qt::LeftButton);
    ASSERT_TRUE(ui.warnings.isEmpty()) << ui.warnings.join(' ').toStdString();
    ASSERT_EQ(Button()->text(), QStringLiteral("串口%1已打开").arg(kPort));

    Stream(kExample);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(1034, 1, 0) == "TK3"; }, kWaitMs));
    EXPECT_EQ(Cell(1032, 0, 0), "TK1");
    EXPECT_EQ(Cell(1032, 0, 1), "3200");
    EXPECT_EQ(Cell(1033, 0, 1), "3300");
    EXPECT_EQ(Cell(1034, 0, 1), "100");
    EXPECT_EQ(Cell(1032, 1, 1), "3000");

    QTest::mouseClick(Button(), Qt::LeftButton);
    EXPECT_EQ(Button()->text(), "串口已关闭");
    EXPECT_EQ(page->TimerId(), 0);

    // Reopen: a new key set arrives.
    QTest::mouseClick(Button(), Qt::LeftButton);
    ASSERT_EQ(Button()->text(), QStringLiteral("串口%1已打开").arg(kPort));
    Stream(kOneKey);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(1032, 0, 0) == "TK0" && Cell(1032, 1, 0).isEmpty(); }, kWaitMs));
    EXPECT_EQ(Cell(1034, 0, 1), "-10");
    EXPECT_FALSE(page->controlAs<QCheckBox>(1036)->isEnabled());
}

TEST_F(PtyLinkTest, GarbageAndSplitFramesNeverBreakThePage)
{
    QTest::mouseClick(Button(), Qt::LeftButton);
    ASSERT_TRUE(page->Comm()->GetPortOpen());
    QRandomGenerator rng(12345);
    QByteArray stream;
    for (int i = 0; i < 400; ++i) {
        QByteArray junk(static_cast<int>(rng.bounded(40)), '\0');
        for (char& c : junk)
            c = static_cast<char>(rng.bounded(256));
        if (rng.bounded(4) == 0)
            junk += "\xFE\xA5"; // stray sync pairs too
        stream += junk;
        stream += kExample.left(static_cast<int>(rng.bounded(kExample.size() + 1)));
    }
    for (int off = 0; off < stream.size();) {
        const int n = 1 + static_cast<int>(rng.bounded(120));
        pty.Write(stream.mid(off, n));
        off += n;
        QTest::qWait(0); // let the page read in between, in pieces of any size
    }
    Stream(kOneKey);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(1034, 0, 1) == "-10" && Cell(1032, 1, 0).isEmpty(); }, kWaitMs));
}

TEST_F(PtyLinkTest, VanishedBoardLeavesThePageQuietAndClosable)
{
    QTest::mouseClick(Button(), Qt::LeftButton);
    Stream(kExample);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Cell(1032, 0, 0) == "TK1"; }, kWaitMs));
    EXPECT_TRUE(page->ArrivalsHeld()) << "the loss is found by the tick, too";
    board.stop();
    pty.CloseMaster();
    // The other end is gone: the device is let go (no endless error events), the page says so,
    // stops its timer and keeps its last values while it waits for the port.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !page->Comm()->Device()->IsOpen(); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Button()->text() == QStringLiteral("串口%1已断开").arg(kPort); }, kWaitMs));
    EXPECT_EQ(page->TimerId(), 0);
    EXPECT_NE(page->ReconnectTimerId(), 0);
    EXPECT_EQ(Cell(1032, 0, 1), "3200");
    QTest::mouseClick(Button(), Qt::LeftButton);
    EXPECT_EQ(Button()->text(), "串口已关闭");
    EXPECT_EQ(page->ReconnectTimerId(), 0);
    EXPECT_TRUE(ui.warnings.isEmpty());
}

TEST_F(PtyLinkTest, SimulatedBoardWithAllFaults)
{
    const QString sim = BuiltTool("morvek-board-sim");
    if (sim.isEmpty())
        GTEST_SKIP() << "morvek-board-sim not built";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("board");
    QProcess proc;
    proc.start(sim, {"--link", link, "--mask", "0xFF", "--garbage", "0.3", "--split", "--truncate", "0.2",
                     "--wrong-count", "0.2", "--seconds", "600", "--seed", "7"});
    ASSERT_TRUE(proc.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return proc.canReadLine(); }, kWaitMs));
    const QString device = QString::fromLocal8Bit(proc.readLine()).trimmed();
    EXPECT_TRUE(device.startsWith("/dev/"));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), device);
    qputenv("MORVEK_COM50", link.toLocal8Bit());

    QTest::mouseClick(Button(), Qt::LeftButton);
    ASSERT_TRUE(page->Comm()->GetPortOpen()) << ui.warnings.join(' ').toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(1032, 7, 0) == "TK7"; }, kWaitMs));
    // Keep it running for a while: the values move and nothing breaks.
    int changes = 0;
    int last = page->Live().m_slots[0].sample;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const int now = page->Live().m_slots[0].sample;
            if (now != last)
                ++changes;
            last = now;
            return changes >= 20;
        },
        kWaitMs));
    // The faults show in the link's read-out.
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->Session().BytesSkippedSinceOpen() > 0 && page->Session().FramesPerSecond() > 0; }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !AccessibleText(page->control(1119)).endsWith(QStringLiteral(" 0 字节")); }, kWaitMs))
        << AccessibleText(page->control(1119)).toStdString();
    QTest::mouseClick(Button(), Qt::LeftButton);
    EXPECT_TRUE(AccessibleText(page->control(1119)).isEmpty());
    proc.terminate();
    EXPECT_TRUE(proc.waitForFinished(kWaitMs));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(link)) << "the simulator removes its link";
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

QString SimulatorPath() { return BuiltTool(QStringLiteral("morvek-board-sim")); }

// A board at the link's full speed, 38400 baud, eight keys, for three seconds: every frame it
// sends reaches the histories, whether "录制" records the link or not. The recording, replayed
// three times as fast by the simulator, leaves the same histories, its last frame included.
TEST_F(PtyLinkTest, EveryFrameAtFullSpeedRecordedOrNotAndReplayed)
{
    const QString sim = SimulatorPath();
    if (sim.isEmpty())
        GTEST_SKIP() << "morvek-board-sim not built";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    ui.nextFolder = dir.path();
    auto history = std::make_unique<HistoryTables>();
    QString recording;

    for (const bool record : {false, true}) {
        page = std::make_unique<DlgSub2>(nullptr, &ui);
        page->show();
        if (record)
            page->controlAs<QCheckBox>(1057)->click();
        QTest::mouseClick(Button(), Qt::LeftButton);
        ASSERT_TRUE(page->Comm()->GetPortOpen()) << ui.warnings.join(' ').toStdString();
        std::atomic<int> sent{0};
        std::atomic<bool> done{false};
        std::thread board([&] {
            using namespace std::chrono;
            const auto start = steady_clock::now();
            for (int i = 0; steady_clock::now() - start < seconds(3); ++i) {
                std::uint16_t s[8], b[8];
                for (int j = 0; j < 8; ++j) {
                    s[j] = static_cast<std::uint16_t>(3000 + (i * 7 + j * 31) % 400);
                    b[j] = static_cast<std::uint16_t>(3200 + j);
                }
                const std::vector<std::uint8_t> f = EncodeFrame(0xFF, s, b);
                for (size_t done = 0; done < f.size();) {
                    const ssize_t w = ::write(pty.master, f.data() + done, f.size() - done);
                    if (w > 0)
                        done += static_cast<size_t>(w);
                    else
                        std::this_thread::sleep_for(milliseconds(1));
                }
                ++sent;
                std::this_thread::sleep_until(start + microseconds((i + 1) * 44 * 1000000LL / 3840));
            }
            done = true;
        });
        const bool finished = QTest::qWaitFor([&] { return done.load(); }, kWaitMs);
        board.join();
        ASSERT_TRUE(finished);
        int waiting = 1;
        EXPECT_TRUE(QTest::qWaitFor([&] { return ::ioctl(pty.slave, FIONREAD, &waiting) == 0 && waiting == 0; }, kWaitMs));
        EXPECT_TRUE(QTest::qWaitFor([&] { return page->Session().Live().FramesDecoded() >= std::uint64_t(sent); }, 1000));
        EXPECT_NEAR(double(page->Session().Live().FramesDecoded()), sent.load(), 1) << (record ? "recording" : "not recording");
        EXPECT_EQ(page->Session().BytesSkippedSinceOpen(), 0u);
        if (record) {
            page->controlAs<QCheckBox>(1057)->click();
            recording = page->Recording().FilePath();
            *history = page->History();
        }
        QTest::mouseClick(Button(), Qt::LeftButton);
    }

    const QString link = dir.filePath("board");
    QProcess replay;
    replay.start(sim, {"--replay", recording, "--speed", "3", "--link", link});
    ASSERT_TRUE(replay.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return replay.canReadLine(); }, kWaitMs));
    qputenv("MORVEK_COM50", link.toLocal8Bit());
    page = std::make_unique<DlgSub2>(nullptr, &ui);
    page->show();
    QTest::mouseClick(Button(), Qt::LeftButton);
    ASSERT_TRUE(page->Comm()->GetPortOpen()) << ui.warnings.join(' ').toStdString();
    // The simulator closes the line once everything is read: the port is lost.
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->Session().State() == DebugSession::LinkState::Lost; }, kWaitMs));
    EXPECT_EQ(std::memcmp(&page->History(), history.get(), sizeof *history), 0);
    EXPECT_EQ(page->History().sample[7][kHistoryLength - 1], history->sample[7][kHistoryLength - 1]);
    replay.waitForFinished(kWaitMs);
}

// A simulated board on a fixed path; its device line read.
struct SimBoard {
    QProcess proc;
    bool Start(const QString& sim, const QString& link, const QString& level)
    {
        proc.setStandardInputFile(QProcess::nullDevice());
        proc.start(sim, {"--link", link, "--mask", "0x05", "--cycle", "0", "--noise", "0", "--spread", "0",
                         "--level", level, "--seconds", "120"});
        return proc.waitForStarted() && QTest::qWaitFor([&] { return proc.canReadLine(); }, kWaitMs);
    }
    void Stop()
    {
        proc.terminate();
    }
    ~SimBoard()
    {
        proc.terminate();
        proc.waitForFinished(kWaitMs);
    }
};

// The board goes away mid-way through a procedure and a new one appears on the same declared path:
// the page notices within a second and stands still, then carries on within two seconds of the new
// board's arrival. A click while it waits ends the wait. The measured times are recorded as test
// properties (loss_ms, reopen_ms, values_ms).
TEST_F(PtyLinkTest, BoardGoneAndBackReconnectsTheSamePort)
{
    const QString sim = SimulatorPath();
    if (sim.isEmpty())
        GTEST_SKIP() << "morvek-board-sim not built";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("board");
    qputenv("MORVEK_COM50", link.toLocal8Bit());
    int probes = 0;
    page->SetPortProbe([&](int n) {
        ++probes;
        return ComPortPresent(n);
    });
    const QString open = QStringLiteral("串口%1已打开").arg(kPort), lost = QStringLiteral("串口%1已断开").arg(kPort);
    auto sample = [&] { return Cell(1032, 0, 1).toInt(); };

    auto first = std::make_unique<SimBoard>();
    ASSERT_TRUE(first->Start(sim, link, "3000"));
    QTest::mouseClick(Button(), Qt::LeftButton);
    ASSERT_EQ(Button()->text(), open) << ui.warnings.join(' ').toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sample() >= 2900; }, kWaitMs));
    page->OnNoKeyDetection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->Procedure().TicksLeft() < 150; }, kWaitMs));

    QElapsedTimer clock;
    clock.start();
    first->Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Button()->text() == lost; }, 1000)) << Button()->text().toStdString();
    const qint64 lossMs = clock.elapsed();
    EXPECT_EQ(page->TimerId(), 0);
    EXPECT_FALSE(page->control(1026)->isEnabled());
    EXPECT_TRUE(page->control(1052)->isEnabled()); // the detection standing still can be aborted
    const int frozen = page->Procedure().TicksLeft();
    const QString kept = Cell(1032, 0, 1);
    // Two looks for the port (at least half a second): the procedure has not moved meanwhile.
    const int looked = probes;
    ASSERT_TRUE(QTest::qWaitFor([&] { return probes >= looked + 2; }, kWaitMs));
    EXPECT_EQ(page->Procedure().TicksLeft(), frozen);
    EXPECT_EQ(Cell(1032, 0, 1), kept);
    EXPECT_EQ(Button()->text(), lost);
    first.reset();

    auto second = std::make_unique<SimBoard>();
    ASSERT_TRUE(second->Start(sim, link, "1000"));
    clock.restart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Button()->text() == open; }, 2000)) << Button()->text().toStdString();
    const qint64 reopenMs = clock.elapsed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sample() > 0 && sample() < 1100; }, 2000 - reopenMs)) << sample();
    const qint64 valuesMs = clock.elapsed();
    GTEST_TRY_VERIFY(page->Procedure().TicksLeft() < frozen);
    EXPECT_NE(page->TimerId(), 0);
    EXPECT_TRUE(page->control(1052)->isEnabled());
    EXPECT_TRUE(ui.warnings.isEmpty()) << ui.warnings.join(' ').toStdString();

    // Gone again; the user gives up waiting.
    second->Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Button()->text() == lost; }, kWaitMs));
    QTest::mouseClick(Button(), Qt::LeftButton);
    EXPECT_EQ(Button()->text(), "串口已关闭");
    EXPECT_EQ(page->ReconnectTimerId(), 0);
    EXPECT_EQ(page->TimerId(), 0);

    RecordProperty("loss_ms", static_cast<int>(lossMs));
    RecordProperty("reopen_ms", static_cast<int>(reopenMs));
    RecordProperty("values_ms", static_cast<int>(valuesMs));
}

// Reads the simulator's pseudo-terminal directly and decodes what arrives.
struct SimulatorLine {
    int fd = -1;
    std::unique_ptr<LiveState> live = std::make_unique<LiveState>();
    std::unique_ptr<HistoryTables> history = std::make_unique<HistoryTables>();
    CFrameReceiver rx{*live, *history};
    QByteArray pending;
    int frames = 0;

    explicit SimulatorLine(const QByteArray& device)
    {
        fd = ::open(device.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return;
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        ::tcflush(fd, TCIFLUSH);
    }
    ~SimulatorLine()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Decodes the frames that have arrived.
    void Read()
    {
        char buf[512];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0)
            pending.append(buf, static_cast<int>(n));
        frames += static_cast<int>(rx.OnChunk(reinterpret_cast<const std::uint8_t*>(pending.constData()), static_cast<size_t>(pending.size())));
        pending.clear();
    }
    // Waits until `ready` holds on the decoded state.
    template <class F> bool WaitFor(F ready)
    {
        return QTest::qWaitFor(
            [&] {
                Read();
                return ready(*live);
            },
            kWaitMs);
    }
    // Waits for `count` more frames.
    bool WaitFrames(int count)
    {
        const int until = frames + count;
        return WaitFor([&](const LiveState&) { return frames >= until; });
    }
};

// The simulator's own signal: a scripted touch lowers the sample of its key by the delta while
// the baseline holds, and the other keys stay put.
TEST(BoardSimulator, ScriptedTouchLowersTheSampleByTheDelta)
{
    const QString sim = SimulatorPath();
    if (sim.isEmpty())
        GTEST_SKIP() << "morvek-board-sim not built";
    QProcess proc;
    proc.start(sim, {"--mask", "0x82", "--touch", "7,0,600", "--delta", "400", "--noise", "0", "--level", "2000",
                     "--spread", "10", "--seconds", "600", "--seed", "3"});
    ASSERT_TRUE(proc.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return proc.canReadLine(); }, kWaitMs));
    const QByteArray device = proc.readLine().trimmed();
    SimulatorLine line(device);
    ASSERT_GE(line.fd, 0) << device.constData();
    // About a quarter second of frames: the touch has settled.
    const bool settled = line.WaitFrames(60);
    proc.terminate();
    proc.waitForFinished(kWaitMs);
    ASSERT_TRUE(settled);
    const LiveState& live = *line.live;
    EXPECT_EQ(live.m_keyCount, 2);
    EXPECT_EQ(live.m_slots[0].channel, 1);
    EXPECT_EQ(live.m_slots[1].channel, 7);
    EXPECT_NEAR(live.m_slots[0].diff, 0, 3) << "untouched key";
    EXPECT_NEAR(live.m_slots[1].diff, 400, 5) << "touched key";
    EXPECT_NEAR(live.m_slots[1].baseline, 2070, 40);
}

// The finger on stdin: keys touched and released by command, each change seen in the frames;
// the end of stdin stops only the reading, not the frames.
TEST(BoardSimulator, StdinCommandsTouchAndReleaseKeys)
{
    const QString sim = SimulatorPath();
    if (sim.isEmpty())
        GTEST_SKIP() << "morvek-board-sim not built";
    QProcess proc;
    proc.start(sim, {"--mask", "0x82", "--cycle", "0", "--delta", "400", "--noise", "0", "--seconds", "120"});
    ASSERT_TRUE(proc.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return proc.canReadLine(); }, kWaitMs));
    const QByteArray device = proc.readLine().trimmed();
    SimulatorLine line(device);
    ASSERT_GE(line.fd, 0) << device.constData();
    auto send = [&](const char* command) {
        proc.write(command);
        ASSERT_TRUE(proc.waitForBytesWritten(kWaitMs));
    };
    auto touched = [](const LiveState& s, int slot) { return s.m_slots[slot].diff > 380; };
    auto released = [](const LiveState& s, int slot) { return std::abs(s.m_slots[slot].diff) < 20; };

    ASSERT_TRUE(line.WaitFrames(20));
    EXPECT_TRUE(released(*line.live, 0) && released(*line.live, 1)) << "no touch without a command";
    send("7\n");
    EXPECT_TRUE(line.WaitFor([&](const LiveState& s) { return touched(s, 1) && released(s, 0); }));
    send("a"); // TK1 is not touched yet: all keys are
    EXPECT_TRUE(line.WaitFor([&](const LiveState& s) { return touched(s, 0) && touched(s, 1); }));
    send("a\n"); // all touched: all released
    EXPECT_TRUE(line.WaitFor([&](const LiveState& s) { return released(s, 0) && released(s, 1); }));
    send("5x\n1\n"); // TK5 is not enabled and x is no command: both only reported
    EXPECT_TRUE(line.WaitFor([&](const LiveState& s) { return touched(s, 0) && released(s, 1); }));
    send("r");
    EXPECT_TRUE(line.WaitFor([&](const LiveState& s) { return released(s, 0) && released(s, 1); }));

    proc.closeWriteChannel(); // end of stdin: the frames go on
    EXPECT_TRUE(line.WaitFrames(50));
    EXPECT_EQ(proc.state(), QProcess::Running);
    proc.terminate();
    ASSERT_TRUE(proc.waitForFinished(kWaitMs));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
    const QString messages = QString::fromLocal8Bit(proc.readAllStandardError());
    EXPECT_TRUE(messages.contains("TK5 is not enabled")) << messages.toStdString();
    EXPECT_TRUE(messages.contains("unknown command 'x'")) << messages.toStdString();
}

// --until-pid: the simulator stops by itself once the watched process has ended.
TEST(BoardSimulator, StopsWhenTheWatchedProcessEnds)
{
    const QString sim = SimulatorPath();
    if (sim.isEmpty())
        GTEST_SKIP() << "morvek-board-sim not built";
    QProcess watched;
    watched.start("sleep", {"120"});
    ASSERT_TRUE(watched.waitForStarted());
    QProcess proc;
    proc.setStandardInputFile(QProcess::nullDevice());
    proc.start(sim, {"--until-pid", QString::number(watched.processId()), "--seconds", "120"});
    ASSERT_TRUE(proc.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return proc.canReadLine(); }, kWaitMs));
    EXPECT_EQ(proc.state(), QProcess::Running);
    watched.kill();
    ASSERT_TRUE(watched.waitForFinished(kWaitMs));
    EXPECT_TRUE(proc.waitForFinished(kWaitMs)) << "still running after the watched process ended";
    EXPECT_EQ(proc.exitCode(), 0);

    QProcess refused;
    refused.start(sim, {"--until-pid", QString::number(watched.processId())}); // gone by now
    ASSERT_TRUE(refused.waitForFinished(kWaitMs));
    EXPECT_NE(refused.exitCode(), 0);
}

} // namespace
#endif
