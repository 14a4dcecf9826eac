#pragma once
// One recording of the link at a time: a new file "morvek-YYYYMMDD-HHMMSS.mvrec" in a folder,
// every delivery of bytes with the time since the start, handed to the file at least once a
// second. A write that fails (full disk, vanished folder) ends the recording and reports it with
// Failed(); whoever shows the link goes on as before. A recording that holds no record when it
// ends (a start that failed, an opening of the port that received nothing) leaves no file; one
// cut off later keeps the records written before the failure.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "debug/link_recording.h"

class QDateTime;

class CLinkRecordingSession : public QObject {
    Q_OBJECT
public:
    // Makes the sink for a new file; nullptr with the reason in *error if it cannot. The default
    // opens the file (never overwriting one).
    using SinkFactory = std::function<std::unique_ptr<RecordingSink>(const QString& path, QString* error)>;
    static constexpr int kFlushIntervalMs = 500;

    explicit CLinkRecordingSession(QObject* parent = nullptr);
    ~CLinkRecordingSession() override;

    void SetSinkFactory(SinkFactory factory);

    // Starts a new file in folder for the port. False, with a message for the user in *error,
    // if it could not be made; nothing is recording then.
    bool Start(const QString& folder, int port, const QString& device, QString* error);
    // One delivery of bytes from the link; nothing while not recording.
    void OnBytes(const QByteArray& bytes);
    // Ends the recording. False, with a message in *error, if its last bytes could not be written.
    bool Stop(QString* error = nullptr);

    // Hands what has piled up to the file now (the session's timer does so twice a second). A
    // failure ends the recording as any other.
    void Flush();

    bool IsRecording() const { return m_recorder != nullptr; }
    // The file being written, or the last one written; empty when the last recording left none.
    QString FilePath() const { return m_path; }
    std::uint64_t BytesRecorded() const { return m_recorder ? m_recorder->BytesRecorded() : 0; }

    // "morvek-YYYYMMDD-HHMMSS.mvrec" for a local time.
    static QString FileNameFor(const QDateTime& local);

    // The folder recordings go to, as the user chose it last (the program's settings: an ini
    // file in the user's configuration folder, key kFolderKey); empty until one is chosen.
    static const char kFolderKey[];
    static QString SavedFolder();
    // Remembers the folder; false, with the settings file's path in *settingsFile, if the
    // settings could not be written.
    static bool SaveFolder(const QString& folder, QString* settingsFile);

signals:
    // The recording ended by itself because its file could not be written; text for the user.
    void Failed(const QString& message);

private:
    void Fail();
    // Ends the recorder; false, with the message for the user in *failure, if that failed.
    bool End(QString* failure = nullptr);
    QString FailureMessage(const QString& reason) const;

    SinkFactory m_factory;
    std::unique_ptr<CLinkRecorder> m_recorder;
    QElapsedTimer m_clock;
    QTimer m_flushTimer;
    QString m_path;
};
