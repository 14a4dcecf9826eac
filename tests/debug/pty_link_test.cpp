// End to end over a real pseudo-terminal: the page finds the port through MORVEK_COM<n>, opens
// it with its button, and shows what a board writes on the other side. Also the simulated board
// with every fault switched on.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/ui_services.h"
#include "debug/dlgsub2.h"
#include "debug/frame_receiver.h"
#include "debug/mscomm.h"

#if defined(Q_OS_LINUX) || defined(Q_OS_MACOS)
#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#if defined(Q_OS_MACOS)
#include <util.h>
#else
#include <pty.h>
#endif

namespace {

constexpr int kPort = 50; // the highest number: wins over any real port of the machine
constexpr int kWaitMs = 10000;

class RecordingUi : public UiServices {
public:
    QStringList warnings;
    void ShowWarning(QWidget*, const QString& text) override { warnings << text; }
    QString PickOpenFile(QWidget*, const QString&) override { return {}; }
    bool OpenDocument(const QString&) override { return true; }
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
    board.stop();
    pty.CloseMaster();
    // The other end is gone: the device is let go (no endless error events), the page keeps its
    // last values and goes on ticking.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !page->Comm()->Device()->IsOpen(); }, kWaitMs));
    const int ticks = 5;
    int seen = 0;
    QTimer counter;
    QObject::connect(&counter, &QTimer::timeout, [&] { ++seen; });
    counter.start(page->kTimerPeriodMs);
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen >= ticks; }, kWaitMs));
    EXPECT_EQ(Cell(1032, 0, 1), "3200");
    QTest::mouseClick(Button(), Qt::LeftButton);
    EXPECT_EQ(Button()->text(), "串口已关闭");
    EXPECT_TRUE(ui.warnings.isEmpty());
}

TEST_F(PtyLinkTest, SimulatedBoardWithAllFaults)
{
    const QString sim = QDir(qEnvironmentVariable("MORVEK_BINARY_DIR")).filePath("tools/morvek-board-sim");
    if (qEnvironmentVariableIsEmpty("MORVEK_BINARY_DIR") || !QFileInfo(sim).isExecutable())
        GTEST_SKIP() << "morvek-board-sim not built";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("board");
    QProcess proc;
    proc.start(sim, {"--link", link, "--mask", "0xFF", "--garbage", "0.3", "--split", "--truncate", "0.2",
                     "--wrong-count", "0.2", "--seconds", "60", "--seed", "7"});
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
    QTest::mouseClick(Button(), Qt::LeftButton);
    proc.terminate();
    EXPECT_TRUE(proc.waitForFinished(kWaitMs));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(link)) << "the simulator removes its link";
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

// The simulator's own signal: a scripted touch lowers the sample of its key by the delta while
// the baseline holds, and the other keys stay put.
TEST(BoardSimulator, ScriptedTouchLowersTheSampleByTheDelta)
{
    const QString sim = QDir(qEnvironmentVariable("MORVEK_BINARY_DIR")).filePath("tools/morvek-board-sim");
    if (qEnvironmentVariableIsEmpty("MORVEK_BINARY_DIR") || !QFileInfo(sim).isExecutable())
        GTEST_SKIP() << "morvek-board-sim not built";
    QProcess proc;
    proc.start(sim, {"--mask", "0x82", "--touch", "7,0,30", "--delta", "400", "--noise", "0", "--level", "2000",
                     "--spread", "10", "--seconds", "30", "--seed", "3"});
    ASSERT_TRUE(proc.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return proc.canReadLine(); }, kWaitMs));
    const QByteArray device = proc.readLine().trimmed();
    const int fd = ::open(device.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0) << device.constData();
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    ::tcflush(fd, TCIFLUSH);

    auto live = std::make_unique<LiveState>();
    auto history = std::make_unique<HistoryTables>();
    CFrameReceiver rx(*live, *history);
    int frames = 0;
    // Read whole frames as they come (a chunk may hold several or a part), until the touch has
    // settled: about a quarter second of frames.
    QByteArray pending;
    const bool settled = QTest::qWaitFor(
        [&] {
            char buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                pending.append(buf, static_cast<int>(n));
            int end;
            while ((end = pending.indexOf("\xFE\xA5")) >= 0) {
                if (rx.OnChunk(reinterpret_cast<const std::uint8_t*>(pending.constData()), static_cast<size_t>(end + 2)))
                    ++frames;
                pending.remove(0, end + 2);
            }
            return frames >= 60;
        },
        kWaitMs);
    ::close(fd);
    proc.terminate();
    proc.waitForFinished(kWaitMs);
    ASSERT_TRUE(settled);
    EXPECT_EQ(live->m_keyCount, 2);
    EXPECT_EQ(live->m_slots[0].channel, 1);
    EXPECT_EQ(live->m_slots[1].channel, 7);
    EXPECT_NEAR(live->m_slots[0].diff, 0, 3) << "untouched key";
    EXPECT_NEAR(live->m_slots[1].diff, 400, 5) << "touched key";
    EXPECT_NEAR(live->m_slots[1].baseline, 2070, 40);
}

} // namespace
#endif
