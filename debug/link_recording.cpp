#include "debug/link_recording.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QtEndian>
#include <array>
#include <cstring>

#include "app/file_problem.h"
#include "debug/frame_receiver.h"

const char kRecordingMagic[kRecordingMagicSize] = {'M', 'V', 'R', 'E', 'C', '\r', '\n', '\x1A'};
const char kRecordingSuffix[] = ".mvrec";

namespace {

constexpr int kHeaderFixedBytes = 22; // magic, version, port, start time, name length
constexpr int kRecordHeadBytes = 12;  // time and length

std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

template <class T> void PutLE(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out.append(bytes, sizeof(T));
}

template <class T> T GetLE(const char* p) { return qFromLittleEndian<T>(p); }

} // namespace

std::uint32_t Crc32(const char* data, std::size_t n, std::uint32_t crc)
{
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t c = ~crc;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i)
        c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return ~c;
}

QByteArray RecordingHeader::Encode() const
{
    QByteArray name = device.toUtf8();
    if (name.size() > kRecordingMaxNameBytes)
        name.truncate(kRecordingMaxNameBytes);
    QByteArray out;
    out.append(kRecordingMagic, kRecordingMagicSize);
    PutLE<std::uint16_t>(out, version);
    PutLE<std::uint16_t>(out, port);
    PutLE<std::int64_t>(out, startUs);
    PutLE<std::uint16_t>(out, static_cast<std::uint16_t>(name.size()));
    out.append(name);
    PutLE<std::uint32_t>(out, Crc32(out.constData(), static_cast<std::size_t>(out.size())));
    return out;
}

// ---- the file sink ---------------------------------------------------------------------------

namespace {

class FileRecordingSink : public RecordingSink {
public:
    explicit FileRecordingSink(const QString& path) : m_file(path), m_path(path) {}

    bool Open(QString* error)
    {
        // Unbuffered: every write reaches the system at once, so its failure shows at once.
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            *error = m_file.errorString();
            return false;
        }
        return true;
    }

    bool Write(const QByteArray& bytes) override
    {
        if (!m_file.isOpen()) {
            m_error = QStringLiteral("文件未打开");
            return false;
        }
        if (m_file.write(bytes) != bytes.size()) {
            m_error = m_file.errorString();
            return false;
        }
        return true;
    }

    bool Flush() override
    {
        if (!m_file.isOpen() || !m_file.flush()) {
            m_error = m_file.errorString();
            return false;
        }
        if (!QFileInfo::exists(m_path)) {
            m_error = QStringLiteral("文件已不存在（所在文件夹可能已被删除或移走）");
            return false;
        }
        return true;
    }

    bool Close() override
    {
        if (!m_file.isOpen())
            return true;
        const bool flushed = m_file.flush();
        if (!flushed)
            m_error = m_file.errorString();
        m_file.close();
        return flushed;
    }

    void Discard() override { m_file.remove(); }

    QString ErrorString() const override { return m_error; }

private:
    QFile m_file;
    QString m_path;
    QString m_error;
};

} // namespace

std::unique_ptr<RecordingSink> OpenRecordingFile(const QString& path, QString* error)
{
    auto sink = std::make_unique<FileRecordingSink>(path);
    QString reason;
    if (!sink->Open(&reason)) {
        if (error)
            *error = reason;
        return nullptr;
    }
    return sink;
}

// ---- the recorder ----------------------------------------------------------------------------

CLinkRecorder::CLinkRecorder(std::unique_ptr<RecordingSink> sink) : m_sink(std::move(sink))
{
    if (!m_sink) {
        m_failed = true;
        m_error = QStringLiteral("没有录制文件");
    }
}

CLinkRecorder::~CLinkRecorder() { End(); }

bool CLinkRecorder::Fail()
{
    if (!m_failed) {
        m_failed = true;
        m_error = m_sink ? m_sink->ErrorString() : QString();
        if (m_error.isEmpty())
            m_error = QStringLiteral("写入失败");
        m_pending.clear();
    }
    return false;
}

bool CLinkRecorder::Begin(const RecordingHeader& header)
{
    if (m_failed || m_closed)
        return false;
    // The header goes out at once, so that even a recording cut off at its start is known as one.
    if (!m_sink->Write(header.Encode()) || !m_sink->Flush())
        return Fail();
    return true;
}

bool CLinkRecorder::Add(std::uint64_t timeUs, const char* data, std::size_t n)
{
    if (m_failed || m_closed)
        return false;
    if (timeUs < m_lastTime)
        timeUs = m_lastTime;
    m_lastTime = timeUs;
    while (n > 0) {
        const std::size_t part = n < static_cast<std::size_t>(kRecordingMaxRecordBytes) ? n : kRecordingMaxRecordBytes;
        const qsizetype at = m_pending.size();
        PutLE<std::uint64_t>(m_pending, timeUs);
        PutLE<std::uint32_t>(m_pending, static_cast<std::uint32_t>(part));
        m_pending.append(data, static_cast<qsizetype>(part));
        const std::uint32_t crc = Crc32(m_pending.constData() + at, kRecordHeadBytes + part);
        PutLE<std::uint32_t>(m_pending, crc);
        m_bytes += part;
        data += part;
        n -= part;
    }
    if (m_pending.size() >= kFlushBytes)
        return Flush();
    return true;
}

bool CLinkRecorder::Flush()
{
    if (m_failed || m_closed)
        return !m_failed;
    if (!m_pending.isEmpty()) {
        if (!m_sink->Write(m_pending))
            return Fail();
        m_hasRecords = true;
        m_pending.resize(0); // keeps the allocation for the next second
    }
    if (!m_sink->Flush())
        return Fail();
    return true;
}

bool CLinkRecorder::End()
{
    if (m_closed)
        return !m_failed;
    const bool flushed = Flush();
    m_closed = true;
    if (!m_sink)
        return false;
    if (!m_hasRecords)
        m_sink->Discard();
    else if (!m_sink->Close() && flushed)
        Fail();
    return !m_failed;
}

// ---- the reader ------------------------------------------------------------------------------

RecordingStatus CRecordingReader::ReadHeader()
{
    if (!m_device || !m_device->isReadable())
        return RecordingStatus::OpenFailed;
    const QByteArray magic = m_device->read(kRecordingMagicSize);
    if (magic.size() < kRecordingMagicSize) {
        // A file cut inside its magic is a damaged recording; anything else is no recording.
        if (!magic.isEmpty() && std::memcmp(magic.constData(), kRecordingMagic, static_cast<size_t>(magic.size())) == 0)
            return RecordingStatus::DamagedHeader;
        return RecordingStatus::NotRecording;
    }
    if (std::memcmp(magic.constData(), kRecordingMagic, kRecordingMagicSize) != 0)
        return RecordingStatus::NotRecording;
    QByteArray head = magic + m_device->read(kHeaderFixedBytes - kRecordingMagicSize);
    if (head.size() >= kRecordingMagicSize + 2) {
        m_header.version = GetLE<std::uint16_t>(head.constData() + 8);
        // A later version may lay out everything after the version differently.
        if (m_header.version > kRecordingVersion)
            return RecordingStatus::FutureVersion;
        if (m_header.version == 0)
            return RecordingStatus::DamagedHeader;
    }
    if (head.size() < kHeaderFixedBytes)
        return RecordingStatus::DamagedHeader;
    m_header.port = GetLE<std::uint16_t>(head.constData() + 10);
    m_header.startUs = GetLE<std::int64_t>(head.constData() + 12);
    const int nameBytes = GetLE<std::uint16_t>(head.constData() + 20);
    if (nameBytes > kRecordingMaxNameBytes)
        return RecordingStatus::DamagedHeader;
    head += m_device->read(nameBytes + 4);
    if (head.size() < kHeaderFixedBytes + nameBytes + 4)
        return RecordingStatus::DamagedHeader;
    const std::uint32_t crc = GetLE<std::uint32_t>(head.constData() + kHeaderFixedBytes + nameBytes);
    if (crc != Crc32(head.constData(), static_cast<std::size_t>(kHeaderFixedBytes + nameBytes)))
        return RecordingStatus::DamagedHeader;
    m_header.device = QString::fromUtf8(head.constData() + kHeaderFixedBytes, nameBytes);
    m_offset = head.size();
    return RecordingStatus::Ok;
}

bool CRecordingReader::Damaged(const QString& problem)
{
    m_tailProblem = problem;
    const qint64 size = m_device->size();
    m_tailBytes = size > m_offset ? size - m_offset : 0;
    m_done = true;
    return false;
}

bool CRecordingReader::Next(RecordingRecord* record)
{
    if (m_done || !m_device)
        return false;
    const QByteArray head = m_device->read(kRecordHeadBytes);
    if (head.isEmpty()) {
        m_done = true;
        return false;
    }
    if (head.size() < kRecordHeadBytes)
        return Damaged(QStringLiteral("最后一条记录不完整"));
    const std::uint64_t time = GetLE<std::uint64_t>(head.constData());
    const std::uint32_t length = GetLE<std::uint32_t>(head.constData() + 8);
    if (length < 1 || length > static_cast<std::uint32_t>(kRecordingMaxRecordBytes))
        return Damaged(QStringLiteral("记录长度无效"));
    const QByteArray body = m_device->read(static_cast<qint64>(length) + 4);
    if (body.size() < static_cast<qsizetype>(length) + 4)
        return Damaged(QStringLiteral("最后一条记录不完整"));
    std::uint32_t crc = Crc32(head.constData(), kRecordHeadBytes);
    crc = Crc32(body.constData(), length, crc);
    if (crc != GetLE<std::uint32_t>(body.constData() + length))
        return Damaged(QStringLiteral("记录的校验和不符"));
    if (time < m_lastTime)
        return Damaged(QStringLiteral("记录的时间早于前一条"));
    m_lastTime = time;
    m_offset += kRecordHeadBytes + length + 4;
    if (record) {
        record->timeUs = time;
        record->bytes = body.left(length);
    }
    return true;
}

QString RecordingStatusMessage(RecordingStatus status, const QString& path, int version)
{
    switch (status) {
    case RecordingStatus::Ok: return {};
    case RecordingStatus::OpenFailed: return QStringLiteral("无法打开录制文件：%1\n%2").arg(path, FileOpenProblem(path));
    case RecordingStatus::NotRecording: return QStringLiteral("不是 Morvek 录制文件：%1").arg(path);
    case RecordingStatus::DamagedHeader: return QStringLiteral("录制文件的文件头已损坏：%1").arg(path);
    case RecordingStatus::FutureVersion:
        return QStringLiteral("录制文件 %1 的格式版本为 %2，本程序只能读取版本 %3，请使用较新版本的 Morvek。")
            .arg(path)
            .arg(version)
            .arg(kRecordingVersion);
    }
    return {};
}

// ---- the frame scanner -----------------------------------------------------------------------

CFrameScanner::CFrameScanner()
    : m_live(std::make_unique<LiveState>()), m_history(std::make_unique<HistoryTables>()),
      m_receiver(std::make_unique<CFrameReceiver>(*m_live, *m_history))
{
}

CFrameScanner::~CFrameScanner() = default;

void CFrameScanner::Feed(const char* data, std::size_t n, const std::function<void(const LiveState&)>& onFrame)
{
    m_receiver->SetFrameListener(onFrame ? std::function<void()>([this, &onFrame] { onFrame(*m_live); })
                                         : std::function<void()>());
    m_receiver->OnChunk(reinterpret_cast<const std::uint8_t*>(data), n);
    m_receiver->SetFrameListener({});
}

void CFrameScanner::Finish() { m_receiver->EndOfStream(); }

std::uint64_t CFrameScanner::SkippedBytes() const { return m_receiver->SkippedCount(); }
