// morvek-rec: looks into recordings of the serial link (".mvrec", made with "录制" on the debug
// page).
//
//   morvek-rec info FILE   start, port, duration, records, bytes, frames, bytes skipped, keys,
//                          damaged tail
//   morvek-rec csv FILE    the decoded frames as CSV on stdout, one row per key and frame:
//                          time_s,key,sample,baseline,difference
//
// Frames are decoded by the debug page's own receiver. A recording that ends with a damaged
// record (cut off by a crash or a full disk) is read up to that record; the damage is reported
// (info: in its report, csv: on stderr) and the exit status stays 0.
//
//   morvek-rec --help | --version
//
// Exit status: 0 done; 1 the file cannot be read (missing, not a recording, damaged header, a
// later format version); 2 usage.

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QStringList>

#include <cstdio>

#include "debug/link_recording.h"
#include "tools/standard_options.h"

namespace {

void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

const char kHelp[] =
    "Usage: morvek-rec info FILE\n"
    "  or:  morvek-rec csv FILE\n"
    "Looks into a recording of the serial link (\".mvrec\", made with \"录制\" on the debug page\n"
    "of Morvek). Frames are decoded by the debug page's own receiver.\n"
    "\n"
    "Commands:\n"
    "  info FILE  port, start time, duration, records, bytes, frames, bytes skipped (in no frame)\n"
    "             and keys of the recording, and whether its tail is damaged (cut off by a crash\n"
    "             or a full disk)\n"
    "  csv FILE   the decoded frames as CSV on stdout, one row per key and frame:\n"
    "             time_s,key,sample,baseline,difference (time in seconds since the start)\n"
    "\n"
    "Options:\n"
    "  -h, --help     display this help and exit\n"
    "  -v, --version  output version information and exit\n"
    "\n"
    "Exit status:\n"
    "  0  done; a damaged tail is reported (csv: on stderr) and the records before it are used\n"
    "  1  FILE cannot be read: missing, not a recording, damaged header, a later format version\n"
    "  2  usage\n";

int Usage(const QString& problem = {})
{
    if (!problem.isEmpty())
        Print(stderr, QStringLiteral("morvek-rec: ") + problem + QLatin1Char('\n'));
    Print(stderr, QStringLiteral("用法: morvek-rec info FILE | morvek-rec csv FILE（--help 查看说明）\n"));
    return 2;
}

// Opens the file and reads its header; prints the reason and returns false if that fails.
bool OpenRecording(const QString& path, QFile* file, CRecordingReader* reader)
{
    RecordingStatus status = RecordingStatus::OpenFailed;
    if (file->open(QIODevice::ReadOnly))
        status = reader->ReadHeader();
    if (status == RecordingStatus::Ok)
        return true;
    Print(stderr, QStringLiteral("morvek-rec: ") + RecordingStatusMessage(status, path, reader->Header().version) + QLatin1Char('\n'));
    return false;
}

QString TailReport(const CRecordingReader& reader)
{
    return QStringLiteral("尾部损坏：%1，自第 %2 字节起的 %3 字节未读取")
        .arg(reader.TailProblem())
        .arg(reader.TailOffset())
        .arg(reader.TailBytes());
}

QString KeyList(unsigned mask)
{
    QStringList keys;
    for (int tk = 0; tk < kSlotCount; ++tk)
        if (mask & (1u << tk))
            keys << QStringLiteral("TK%1").arg(tk);
    return keys.isEmpty() ? QStringLiteral("无") : keys.join(QLatin1Char(' '));
}

int Info(const QString& path)
{
    QFile file(path);
    CRecordingReader reader(&file);
    if (!OpenRecording(path, &file, &reader))
        return 1;
    const RecordingHeader& h = reader.Header();

    CFrameScanner scanner;
    RecordingRecord record;
    std::uint64_t records = 0, bytes = 0, frames = 0, duration = 0;
    unsigned keys = 0;
    QStringList keySets;
    int lastMask = -1;
    while (reader.Next(&record)) {
        ++records;
        bytes += static_cast<std::uint64_t>(record.bytes.size());
        duration = record.timeUs;
        scanner.Feed(record.bytes.constData(), static_cast<size_t>(record.bytes.size()), [&](const LiveState& s) {
            ++frames;
            keys |= s.m_keyMask;
            if (s.m_keyMask != lastMask) {
                lastMask = s.m_keyMask;
                keySets << KeyList(s.m_keyMask);
            }
        });
    }
    scanner.Finish();

    QString out;
    out += QStringLiteral("文件: %1\n").arg(path);
    out += QStringLiteral("格式版本: %1\n").arg(h.version);
    out += QStringLiteral("串口: %1%2\n")
               .arg(h.port ? QString::number(h.port) : QStringLiteral("未知"),
                    h.device.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(h.device));
    out += QStringLiteral("开始时间: %1\n")
               .arg(QDateTime::fromMSecsSinceEpoch(h.startUs / 1000).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    out += QStringLiteral("时长: %1 秒\n").arg(static_cast<double>(duration) / 1e6, 0, 'f', 3);
    out += QStringLiteral("记录: %1\n").arg(records);
    out += QStringLiteral("字节: %1\n").arg(bytes);
    out += QStringLiteral("帧: %1\n").arg(frames);
    out += QStringLiteral("跳过: %1 字节\n").arg(scanner.SkippedBytes());
    out += QStringLiteral("键位: %1\n").arg(KeyList(keys));
    if (keySets.size() > 1)
        out += QStringLiteral("键位组合变化: %1 次\n").arg(keySets.size() - 1);
    out += reader.TailDamaged() ? TailReport(reader) + QLatin1Char('\n') : QStringLiteral("尾部: 完整\n");
    Print(stdout, out);
    return 0;
}

int Csv(const QString& path)
{
    QFile file(path);
    CRecordingReader reader(&file);
    if (!OpenRecording(path, &file, &reader))
        return 1;
    QByteArray out = "time_s,key,sample,baseline,difference\n";
    CFrameScanner scanner;
    RecordingRecord record;
    char line[96];
    while (reader.Next(&record)) {
        // Whole and fractional seconds apart: printf's decimal separator follows the locale.
        const unsigned long long whole = record.timeUs / 1000000, micro = record.timeUs % 1000000;
        scanner.Feed(record.bytes.constData(), static_cast<size_t>(record.bytes.size()), [&](const LiveState& s) {
            for (int j = 0; j < s.m_keyCount && j < kSlotCount; ++j) {
                const KeySlot& k = s.m_slots[j];
                const int n = std::snprintf(line, sizeof line, "%llu.%06llu,TK%d,%d,%d,%d\n", whole, micro,
                                            static_cast<int>(k.channel),
                                            static_cast<int>(k.sample), static_cast<int>(k.baseline), static_cast<int>(k.diff));
                out.append(line, n);
            }
        });
        if (out.size() > 1 << 16) {
            std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
            out.clear();
        }
    }
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
    if (reader.TailDamaged())
        Print(stderr, QStringLiteral("morvek-rec: %1: %2\n").arg(path, TailReport(reader)));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (const auto text = StandardOptionText(args, QStringLiteral("morvek-rec"), kHelp)) {
        Print(stdout, *text);
        return 0;
    }
    if (args.size() != 2)
        return Usage(args.isEmpty() ? QString() : QStringLiteral("需要一个命令和一个文件"));
    if (args[0] == QLatin1String("info"))
        return Info(args[1]);
    if (args[0] == QLatin1String("csv"))
        return Csv(args[1]);
    return Usage(QStringLiteral("未知命令: ") + args[0]);
}
