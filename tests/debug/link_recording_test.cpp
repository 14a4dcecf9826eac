// Recordings of the link: the file format written and read back, damaged and foreign files, the
// morvek-rec companion, and a replay through a pseudo-terminal by the simulated board.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <vector>

#include "common/small_file_system.h"
#include "common/ui_spy.h"
#include "debug/frame_receiver.h"
#include "debug/link_recording.h"
#include "debug/recording_session.h"

#if defined(Q_OS_LINUX) || defined(Q_OS_MACOS)
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#if defined(Q_OS_MACOS)
#include <util.h>
#else
#include <pty.h>
#endif
#define TEST_HAVE_PTY 1
#endif

namespace {

// Keeps what is written in memory; can be told to fail from a given write on.
class MemorySink : public RecordingSink {
public:
    QByteArray* out;
    int failFromWrite = -1; // the write (0-based) from which on every write fails
    int writes = 0;
    explicit MemorySink(QByteArray* target) : out(target) {}
    bool Write(const QByteArray& bytes) override
    {
        if (failFromWrite >= 0 && writes >= failFromWrite)
            return false;
        ++writes;
        out->append(bytes);
        return true;
    }
    bool Flush() override { return failFromWrite < 0 || writes < failFromWrite; }
    bool Close() override { return true; }
    void Discard() override { discarded = true; }
    QString ErrorString() const override { return QStringLiteral("设备上没有空间"); }
    bool discarded = false;
};

QByteArray Frame(std::uint8_t mask, int seed)
{
    std::uint16_t s[8], b[8];
    for (int j = 0; j < 8; ++j) {
        b[j] = static_cast<std::uint16_t>(3000 + 137 * j + seed % 7);
        s[j] = static_cast<std::uint16_t>(b[j] - (seed * 13 + j * 5) % 160);
    }
    const auto f = EncodeFrame(mask, s, b);
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<qsizetype>(f.size()));
}

RecordingHeader Header()
{
    RecordingHeader h;
    h.port = 50;
    h.startUs = 1714572000123456LL;
    h.device = QStringLiteral("/dev/pts/串口");
    return h;
}

// A recording of `frames` frames of keys TK0, TK2 and TK5 (3 ms apart), with some junk bytes,
// frames split across deliveries and, halfway, a switch to all eight keys.
std::vector<RecordingRecord> StreamRecords(int frames)
{
    QByteArray stream;
    for (int i = 0; i < frames; ++i) {
        if (i % 17 == 5)
            stream += QByteArray::fromHex("13 37 FE A5 00");
        stream += Frame(i < frames / 2 ? 0x25 : 0xFF, i);
    }
    std::vector<RecordingRecord> out;
    std::uint64_t t = 0;
    for (qsizetype at = 0, n = 0; at < stream.size(); at += n) {
        n = 9 + (at * 7) % 23;
        out.push_back({t, stream.mid(at, n)});
        t += 1000 + static_cast<std::uint64_t>(n) * 260; // about the line rate
    }
    return out;
}

QByteArray Encode(const RecordingHeader& h, const std::vector<RecordingRecord>& records, std::vector<qsizetype>* recordStarts = nullptr)
{
    QByteArray out;
    CLinkRecorder rec(std::make_unique<MemorySink>(&out));
    EXPECT_TRUE(rec.Begin(h));
    for (const RecordingRecord& r : records) {
        EXPECT_TRUE(rec.Flush());
        if (recordStarts)
            recordStarts->push_back(out.size());
        EXPECT_TRUE(rec.Add(r.timeUs, r.bytes.constData(), static_cast<size_t>(r.bytes.size())));
    }
    EXPECT_TRUE(rec.End());
    return out;
}

struct Read {
    RecordingStatus status = RecordingStatus::OpenFailed;
    RecordingHeader header;
    std::vector<RecordingRecord> records;
    bool tailDamaged = false;
    QString tailProblem;
    qint64 tailOffset = 0, tailBytes = 0;
};

Read ReadAll(const QByteArray& file)
{
    QByteArray copy = file;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    CRecordingReader reader(&buffer);
    Read r;
    r.status = reader.ReadHeader();
    r.header = reader.Header();
    if (r.status != RecordingStatus::Ok)
        return r;
    RecordingRecord rec;
    while (reader.Next(&rec))
        r.records.push_back(rec);
    r.tailDamaged = reader.TailDamaged();
    r.tailProblem = reader.TailProblem();
    r.tailOffset = reader.TailOffset();
    r.tailBytes = reader.TailBytes();
    return r;
}

// Every frame the page's decoder finds in a stream: key mask and the slots' values.
std::vector<std::vector<int>> DecodedFrames(const QByteArray& stream, int pieces = 1)
{
    std::vector<std::vector<int>> frames;
    CFrameScanner scanner;
    const qsizetype step = stream.size() / pieces + 1;
    for (qsizetype at = 0; at < stream.size(); at += step)
        scanner.Feed(stream.constData() + at, static_cast<size_t>(qMin(step, stream.size() - at)), [&](const LiveState& s) {
            std::vector<int> f{s.m_keyMask};
            for (int j = 0; j < s.m_keyCount; ++j)
                f.insert(f.end(), {s.m_slots[j].channel, s.m_slots[j].sample, s.m_slots[j].baseline, s.m_slots[j].diff});
            frames.push_back(f);
        });
    return frames;
}

QByteArray Joined(const std::vector<RecordingRecord>& records)
{
    QByteArray all;
    for (const RecordingRecord& r : records)
        all += r.bytes;
    return all;
}

TEST(LinkRecording, RoundTripKeepsHeaderBytesAndTimes)
{
    std::vector<RecordingRecord> records = StreamRecords(300);
    records.push_back({records.back().timeUs + 5, QByteArray(kRecordingMaxRecordBytes + 10, '\x5A')}); // split in two
    records.push_back({records.back().timeUs - 40, QByteArray("late")}); // a clock step back is held level
    const Read r = ReadAll(Encode(Header(), records));
    ASSERT_EQ(r.status, RecordingStatus::Ok);
    EXPECT_EQ(r.header.version, 1);
    EXPECT_EQ(r.header.port, 50);
    EXPECT_EQ(r.header.startUs, Header().startUs);
    EXPECT_EQ(r.header.device, Header().device);
    EXPECT_FALSE(r.tailDamaged) << r.tailProblem.toStdString();
    EXPECT_EQ(Joined(r.records), Joined(records));
    ASSERT_EQ(r.records.size(), records.size() + 1);
    for (size_t i = 1; i < r.records.size(); ++i)
        EXPECT_GE(r.records[i].timeUs, r.records[i - 1].timeUs) << i;
    EXPECT_EQ(r.records[5].timeUs, records[5].timeUs);
    EXPECT_EQ(r.records.back().timeUs, r.records[r.records.size() - 2].timeUs);

    // Through a real file, which is never overwritten.
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mvrec");
    QString error;
    {
        CLinkRecorder rec(OpenRecordingFile(path, &error));
        ASSERT_TRUE(rec.Begin(Header())) << rec.Error().toStdString();
        ASSERT_TRUE(rec.Add(7, "\x01\x02", 2));
    } // the destructor ends the recording
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Read fromFile = ReadAll(file.readAll());
    ASSERT_EQ(fromFile.records.size(), 1u);
    EXPECT_EQ(fromFile.records[0].bytes, QByteArray("\x01\x02", 2));
    EXPECT_EQ(OpenRecordingFile(path, &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST(LinkRecording, CutOffFileIsReadUpToItsLastWholeRecord)
{
    const std::vector<RecordingRecord> records = StreamRecords(12);
    std::vector<qsizetype> starts;
    const QByteArray whole = Encode(Header(), records, &starts);
    const qsizetype last = starts.back();
    for (qsizetype cut = last; cut < whole.size(); ++cut) {
        const Read r = ReadAll(whole.left(cut));
        ASSERT_EQ(r.status, RecordingStatus::Ok) << cut;
        ASSERT_EQ(r.records.size(), records.size() - 1) << cut;
        EXPECT_EQ(Joined(r.records), Joined(records).left(Joined(records).size() - records.back().bytes.size()));
        EXPECT_EQ(r.tailDamaged, cut > last) << cut;
        EXPECT_EQ(r.tailOffset, last);
        EXPECT_EQ(r.tailBytes, cut - last);
    }
    // Damage that keeps the length: a changed byte, zeros as a power loss may leave them.
    QByteArray flipped = whole;
    flipped[last + 14] = static_cast<char>(flipped[last + 14] ^ 0x40);
    Read r = ReadAll(flipped);
    EXPECT_TRUE(r.tailDamaged);
    EXPECT_EQ(r.records.size(), records.size() - 1);
    r = ReadAll(whole + QByteArray(4096, '\0'));
    EXPECT_TRUE(r.tailDamaged);
    EXPECT_EQ(r.records.size(), records.size());
    EXPECT_EQ(r.tailBytes, 4096);

    // Inside the header no record can be trusted.
    for (qsizetype cut = 1; cut < starts.front(); ++cut)
        EXPECT_EQ(ReadAll(whole.left(cut)).status, RecordingStatus::DamagedHeader) << cut;
}

TEST(LinkRecording, ForeignAndFutureFilesAreRefused)
{
    EXPECT_EQ(ReadAll(QByteArray()).status, RecordingStatus::NotRecording);
    EXPECT_EQ(ReadAll("time_s,key,sample\n0.1,TK0,3000\n").status, RecordingStatus::NotRecording);
    QByteArray future = Encode(Header(), StreamRecords(3));
    future[8] = 2;
    const Read r = ReadAll(future);
    EXPECT_EQ(r.status, RecordingStatus::FutureVersion);
    EXPECT_TRUE(RecordingStatusMessage(r.status, "x.mvrec", r.header.version).contains(QStringLiteral("版本为 2")));
    QByteArray badHeader = Encode(Header(), StreamRecords(3));
    badHeader[13] = 'x';
    EXPECT_EQ(ReadAll(badHeader).status, RecordingStatus::DamagedHeader);
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
}

TEST(LinkRecording, FailingSinkStopsTheRecorderAndKeepsItsReason)
{
    QByteArray out;
    auto sink = std::make_unique<MemorySink>(&out);
    MemorySink* s = sink.get();
    CLinkRecorder rec(std::move(sink));
    ASSERT_TRUE(rec.Begin(Header()));
    s->failFromWrite = 1;
    EXPECT_TRUE(rec.Add(1, "abcdefghi", 9)) << "buffered, nothing written yet";
    EXPECT_FALSE(rec.Flush());
    EXPECT_TRUE(rec.Failed());
    EXPECT_EQ(rec.Error(), QStringLiteral("设备上没有空间"));
    EXPECT_FALSE(rec.Add(2, "x", 1));
    EXPECT_FALSE(rec.End());
    EXPECT_EQ(ReadAll(out).records.size(), 0u) << "only the header reached the sink";
    EXPECT_TRUE(s->discarded) << "a recording without a record is not kept";
}

// Files are named by their start time; one started within the same second gets a number, and a
// folder that is gone refuses the start.
TEST(LinkRecording, SessionNamesFilesByTheirStartAndNeverOverwrites)
{
    EXPECT_EQ(CLinkRecordingSession::FileNameFor(QDateTime(QDate(2024, 5, 1), QTime(9, 8, 7))), "morvek-20240501-090807.mvrec");
    QTemporaryDir dir;
    CLinkRecordingSession session;
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        QString error;
        ASSERT_TRUE(session.Start(dir.path(), 50, "/dev/pts/9", &error)) << error.toStdString();
        session.OnBytes(QByteArray::fromHex("000C800CE4010BB80BB80A02FEA5"));
        paths << session.FilePath();
        ASSERT_TRUE(session.Stop());
    }
    EXPECT_EQ(paths.size(), QSet<QString>(paths.begin(), paths.end()).size());
    EXPECT_TRUE(QRegularExpression("morvek-\\d{8}-\\d{6}(-[23])?\\.mvrec$").match(paths.last()).hasMatch()) << paths.last().toStdString();
    for (const QString& p : paths) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const Read r = ReadAll(f.readAll());
        EXPECT_EQ(r.header.port, 50);
        ASSERT_EQ(r.records.size(), 1u);
        EXPECT_EQ(r.records[0].bytes.size(), 14);
    }
    QString error;
    EXPECT_FALSE(session.Start(dir.filePath("gone"), 50, {}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("文件夹不存在"))) << error.toStdString();
    EXPECT_FALSE(session.IsRecording());
}

// A recording that cannot start, or ends without a record, leaves no file: an opening of the port
// that received nothing, a full disk at the start. One with a record is kept (above).
TEST(LinkRecording, NoFileIsLeftWithoutARecord)
{
    QTemporaryDir dir;
    CLinkRecordingSession session;
    QString error;
    ASSERT_TRUE(session.Start(dir.path(), 50, "/dev/pts/9", &error)) << error.toStdString();
    EXPECT_TRUE(QFile::exists(session.FilePath()));
    EXPECT_TRUE(session.Stop());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    SmallFileSystem full;
    if (!full.mounted() || !full.FillUp())
        GTEST_SKIP() << "a full disk needs root and the right to mount a tmpfs";
    EXPECT_FALSE(session.Start(full.path(), 50, "/dev/pts/9", &error));
    EXPECT_TRUE(error.endsWith(QString::fromUtf8(std::strerror(ENOSPC)))) << error.toStdString();
    EXPECT_EQ(QDir(full.path()).entryList(QDir::Files), QStringList{"filler"});
}

// ---- morvek-rec ------------------------------------------------------------------------------

struct ToolRun {
    int code = -1;
    QString out, err;
};

ToolRun Rec(const QStringList& args)
{
    ToolRun r;
    const QString tool = BuiltTool(QStringLiteral("morvek-rec"));
    if (tool.isEmpty())
        return r;
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

TEST(MorvekRec, InfoAndCsvOnGoodDamagedForeignAndFutureFiles)
{
    if (BuiltTool(QStringLiteral("morvek-rec")).isEmpty())
        GTEST_SKIP() << "morvek-rec not built";
    QTemporaryDir dir;
    auto save = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    const std::vector<RecordingRecord> records = StreamRecords(40);
    std::vector<qsizetype> starts;
    const QByteArray whole = Encode(Header(), records, &starts);
    const QString good = save("good.mvrec", whole);

    ToolRun r = Rec({"info", good});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const auto frames = DecodedFrames(Joined(records));
    EXPECT_EQ(frames.size(), 40u);
    EXPECT_TRUE(r.out.contains(QStringLiteral("帧: 40\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("键位: TK0 TK1 TK2 TK3 TK4 TK5 TK6 TK7\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("字节: %1\n").arg(Joined(records).size())));
    EXPECT_TRUE(r.out.contains(QStringLiteral("时长: %1 秒").arg(records.back().timeUs / 1e6, 0, 'f', 3)));
    EXPECT_TRUE(r.out.contains(QStringLiteral("串口: 50 (/dev/pts/串口)")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("尾部: 完整")));

    r = Rec({"csv", good});
    ASSERT_EQ(r.code, 0);
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 20 * 3 + 20 * 8);
    EXPECT_EQ(lines[0], "time_s,key,sample,baseline,difference");
    // The first frame: TK0, TK2, TK5, complete in the first deliveries.
    const std::vector<int>& f0 = frames[0];
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",TK0,%1,%2,%3").arg(f0[2]).arg(f0[3]).arg(f0[4]))) << lines[1].toStdString();
    EXPECT_TRUE(lines[3].contains(",TK5,"));
    EXPECT_TRUE(lines.last().contains(",TK7,"));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("%1.").arg(records.back().timeUs / 1000000)));

    // Cut inside the last record: everything before it, and the damage on stderr.
    const QString cut = save("cut.mvrec", whole.left(starts.back() + 5));
    r = Rec({"info", cut});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("尾部损坏：最后一条记录不完整"))) << r.out.toStdString();
    r = Rec({"csv", cut});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("尾部损坏"))) << r.err.toStdString();
    EXPECT_GE(r.out.split('\n', Qt::SkipEmptyParts).size(), lines.size() - 8);

    QByteArray futureBytes = whole;
    futureBytes[8] = 3;
    const QString future = save("future.mvrec", futureBytes);
    const QString garbage = save("garbage.mvrec", QByteArray::fromHex("00FFFEA5") + QByteArray(300, 'x'));
    const QString header = save("header.mvrec", whole.left(15));
    for (const QString& command : {QStringLiteral("info"), QStringLiteral("csv")}) {
        r = Rec({command, future});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("版本为 3"))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        r = Rec({command, garbage});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("不是 Morvek 录制文件"))) << r.err.toStdString();
        r = Rec({command, header});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("文件头已损坏"))) << r.err.toStdString();
        r = Rec({command, dir.filePath("missing.mvrec")});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("无法打开"))) << r.err.toStdString();
    }
    EXPECT_EQ(Rec({"show", good}).code, 2);
    EXPECT_EQ(Rec({"info"}).code, 2);
}

// ---- replay ----------------------------------------------------------------------------------

#ifdef TEST_HAVE_PTY
// The simulated board replays a recording onto a pseudo-terminal whose other end the test reads:
// the page's decoder finds the same frames, in the same order, as in the recorded stream.
TEST(BoardReplay, PseudoTerminalCarriesTheRecordedFrames)
{
    const QString sim = BuiltTool(QStringLiteral("morvek-board-sim"));
    if (sim.isEmpty())
        GTEST_SKIP() << "morvek-board-sim not built";
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    const QString device = QString::fromLocal8Bit(::ttyname(slave));

    QTemporaryDir dir;
    const std::vector<RecordingRecord> records = StreamRecords(120);
    const QString path = dir.filePath("replay.mvrec");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Encode(Header(), records));
    }
    QProcess proc;
    proc.setStandardInputFile(QProcess::nullDevice());
    proc.start(sim, {"--replay", path, "--speed", "2", "--device", device});
    ASSERT_TRUE(proc.waitForStarted());
    QByteArray received;
    const QByteArray expected = Joined(records);
    auto read = [&] {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            received.append(buf, static_cast<qsizetype>(n));
        return received.size() >= expected.size();
    };
    EXPECT_TRUE(QTest::qWaitFor(read, 20000)) << received.size() << " of " << expected.size();
    EXPECT_TRUE(proc.state() == QProcess::NotRunning || proc.waitForFinished(20000)) << "a replay without --loop ends";
    EXPECT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().constData();
    read();
    ::close(master);
    ::close(slave);
    EXPECT_EQ(received, expected);
    const auto sent = DecodedFrames(expected);
    EXPECT_EQ(sent.size(), 120u);
    EXPECT_EQ(DecodedFrames(received, 7), sent);

    // Refusals before anything is sent.
    QProcess bad;
    bad.start(sim, {"--replay", path, "--mask", "0x3"});
    ASSERT_TRUE(bad.waitForFinished(10000));
    EXPECT_NE(bad.exitCode(), 0);
    const QString notRecording = dir.filePath("no.mvrec");
    {
        QFile f(notRecording);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("hello");
    }
    bad.start(sim, {"--replay", notRecording});
    ASSERT_TRUE(bad.waitForFinished(10000));
    EXPECT_NE(bad.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(bad.readAllStandardError()).contains(QStringLiteral("不是 Morvek 录制文件")));
}
#endif

} // namespace
