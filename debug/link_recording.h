#pragma once
// Recordings of the serial link: every byte received, with the time it arrived, in a small
// binary file (".mvrec") that can be inspected, turned into CSV and replayed.
//
// File layout, all numbers little-endian:
//
//   header
//     0       8  magic 4D 56 52 45 43 0D 0A 1A ("MVREC\r\n\x1A")
//     8       2  format version, 1
//     10      2  port number (1..50; 0 when not known)
//     12      8  start time, microseconds since 1970-01-01 00:00 UTC (signed)
//     20      2  n, length of the device name in bytes (0..1024)
//     22      n  device name, UTF-8 (the path or name the port was opened on)
//     22+n    4  CRC-32 of header bytes 0 .. 21+n
//   records, one per delivery of bytes, until the end of the file
//     0       8  time of arrival, microseconds since the start (never decreasing)
//     8       4  m, number of bytes, 1..65536
//     12      m  the bytes as received
//     12+m    4  CRC-32 of record bytes 0 .. 11+m
//
// CRC-32 is the common one (polynomial 0x04C11DB7 reflected, initial and final value
// 0xFFFFFFFF; the checksum of "123456789" is CBF43926).
//
// A recording cut off (program crash, power loss, full disk) ends with a damaged record: the
// reader returns every record before it and reports the damaged tail. A file of a later format
// version is refused as a whole.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "debug/key_slot.h"
#include "debug/live_history.h"

class QIODevice;
class CFrameReceiver;

constexpr std::uint16_t kRecordingVersion = 1;
constexpr int kRecordingMagicSize = 8;
extern const char kRecordingMagic[kRecordingMagicSize];
constexpr int kRecordingMaxNameBytes = 1024;
constexpr int kRecordingMaxRecordBytes = 65536;
constexpr int kRecordingRecordOverhead = 16; // time, length and checksum of a record
// The file name suffix of recordings.
extern const char kRecordingSuffix[];

std::uint32_t Crc32(const char* data, std::size_t n, std::uint32_t crc = 0);

struct RecordingHeader {
    std::uint16_t version = kRecordingVersion;
    std::uint16_t port = 0;
    std::int64_t startUs = 0; // microseconds since 1970-01-01 00:00 UTC
    QString device;

    QByteArray Encode() const;
};

struct RecordingRecord {
    std::uint64_t timeUs = 0; // since the start of the recording
    QByteArray bytes;
};

// ---- writing -------------------------------------------------------------------------------

// Where a recording's bytes go. The file sink is the real one; tests put in one that fails.
class RecordingSink {
public:
    virtual ~RecordingSink() = default;
    // Writes all bytes; false if that failed (ErrorString() tells why).
    virtual bool Write(const QByteArray& bytes) = 0;
    // Makes everything written so far safe from a crash of the program; false on failure.
    virtual bool Flush() = 0;
    // Closes; false if the last bytes could not be written.
    virtual bool Close() = 0;
    // Closes and removes what was written: the recording is not kept. Sinks that keep nothing
    // just close.
    virtual void Discard() { Close(); }
    virtual QString ErrorString() const = 0;
};

// A new file (an existing one is never overwritten). Writes go straight to the system, so a
// full disk shows at once; a flush also checks that the file is still where it was made, since
// on some systems a file whose folder was removed still takes writes that then go nowhere.
std::unique_ptr<RecordingSink> OpenRecordingFile(const QString& path, QString* error);

// Keeps the records of one recording in memory and hands them to its sink on Flush() (the
// caller flushes at least once a second) or when a good deal has piled up. After the first
// failure every call returns false and nothing more is written. A recording that ends without a
// record in its sink (nothing received, or a failure before the first record was written: a
// full disk at the start, say) is discarded: only a header would be left, a file with nothing in
// it.
class CLinkRecorder {
public:
    static constexpr int kFlushBytes = 64 * 1024;

    explicit CLinkRecorder(std::unique_ptr<RecordingSink> sink);
    ~CLinkRecorder();

    // Writes the header. False on failure.
    bool Begin(const RecordingHeader& header);
    // One delivery of bytes, received timeUs microseconds after the start. Times are kept in
    // order: one earlier than the last is taken as the last. Deliveries longer than a record
    // may become several records with the same time. False once the recording has failed.
    bool Add(std::uint64_t timeUs, const char* data, std::size_t n);
    bool Flush();
    // Flushes and closes, or discards a recording without a record; false if that failed (or
    // the recording had failed before).
    bool End();

    bool Failed() const { return m_failed; }
    // After End(): whether the sink keeps the recording (it holds at least one record).
    bool Kept() const { return m_hasRecords; }
    QString Error() const { return m_error; }
    bool HasPending() const { return !m_pending.isEmpty(); }
    std::uint64_t BytesRecorded() const { return m_bytes; }

private:
    bool Fail();

    std::unique_ptr<RecordingSink> m_sink;
    QByteArray m_pending;
    std::uint64_t m_lastTime = 0;
    std::uint64_t m_bytes = 0;
    bool m_failed = false;
    bool m_closed = false;
    bool m_hasRecords = false;  // a record was handed to the sink
    QString m_error;
};

// ---- reading -------------------------------------------------------------------------------

enum class RecordingStatus {
    Ok,
    OpenFailed,     // the file cannot be opened or read
    NotRecording,   // no recording magic
    DamagedHeader,  // magic present, but the header is cut off or its checksum fails
    FutureVersion,  // written by a later version of the format
};

// Reads a recording from a device, record by record. The device must stay open while reading.
class CRecordingReader {
public:
    explicit CRecordingReader(QIODevice* device) : m_device(device) {}

    RecordingStatus ReadHeader();
    const RecordingHeader& Header() const { return m_header; }
    // The next record; false at the end of the file or at a damaged record (see TailDamaged()).
    bool Next(RecordingRecord* record);

    // After Next() returned false: whether the file ended with a damaged record, what was wrong
    // with it, where it begins and how many bytes from there on were not read.
    bool TailDamaged() const { return !m_tailProblem.isEmpty(); }
    QString TailProblem() const { return m_tailProblem; }
    qint64 TailOffset() const { return m_offset; }
    qint64 TailBytes() const { return m_tailBytes; }

private:
    bool Damaged(const QString& problem);

    QIODevice* m_device;
    RecordingHeader m_header;
    qint64 m_offset = 0;   // end of the last good part
    qint64 m_tailBytes = 0;
    std::uint64_t m_lastTime = 0;
    bool m_done = false;
    QString m_tailProblem;
};

// A message for the user about a status other than Ok.
QString RecordingStatusMessage(RecordingStatus status, const QString& path, int version = 0);

// ---- decoding --------------------------------------------------------------------------------

// Decodes a recording's deliveries as the debug page does: one stream, every valid frame in it.
class CFrameScanner {
public:
    CFrameScanner();
    ~CFrameScanner();

    // Feeds bytes; onFrame is called with the live state after each frame decoded.
    void Feed(const char* data, std::size_t n, const std::function<void(const LiveState&)>& onFrame);
    // The recording has ended: unfinished bytes at its end count as skipped.
    void Finish();
    // Bytes received that belong to no frame, as the page's link read-out counts them.
    std::uint64_t SkippedBytes() const;

private:
    std::unique_ptr<LiveState> m_live;
    std::unique_ptr<HistoryTables> m_history;
    std::unique_ptr<CFrameReceiver> m_receiver;
};
