#include "debug/recording_session.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "app/file_replacer.h"
#include "app/user_settings.h"

const char CLinkRecordingSession::kFolderKey[] = "recording/folder";

QString CLinkRecordingSession::SavedFolder() { return UserSettings()->value(QLatin1String(kFolderKey)).toString(); }

bool CLinkRecordingSession::SaveFolder(const QString& folder, QString* settingsFile)
{
    const std::unique_ptr<QSettings> settings = UserSettings();
    settings->setValue(QLatin1String(kFolderKey), folder);
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return true;
    if (settingsFile)
        *settingsFile = settings->fileName();
    return false;
}

CLinkRecordingSession::CLinkRecordingSession(QObject* parent)
    : QObject(parent), m_factory([](const QString& path, QString* error) { return OpenRecordingFile(path, error); })
{
    m_flushTimer.setInterval(kFlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CLinkRecordingSession::Flush);
}

CLinkRecordingSession::~CLinkRecordingSession() { Stop(); }

void CLinkRecordingSession::SetSinkFactory(SinkFactory factory)
{
    if (factory)
        m_factory = std::move(factory);
}

QString CLinkRecordingSession::FileNameFor(const QDateTime& local)
{
    return QStringLiteral("morvek-") + local.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QLatin1String(kRecordingSuffix);
}

bool CLinkRecordingSession::Start(const QString& folder, int port, const QString& device, QString* error)
{
    Stop();
    auto refuse = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return refuse(QStringLiteral("无法开始录制：文件夹不存在\n%1").arg(QDir::toNativeSeparators(folder)));

    const QDateTime now = QDateTime::currentDateTime();
    const QDir dir(folder);
    // A second recording within the same second gets a number; an existing file is never touched.
    const QString base = FileNameFor(now);
    QString path;
    for (int n = 1; n < 100 && path.isEmpty(); ++n) {
        const QString name = n == 1 ? base : base.chopped(static_cast<int>(qstrlen(kRecordingSuffix))) + QStringLiteral("-%1").arg(n) + QLatin1String(kRecordingSuffix);
        if (!QFileInfo::exists(dir.filePath(name)))
            path = dir.filePath(name);
    }
    if (path.isEmpty())
        return refuse(QStringLiteral("无法开始录制：文件夹中已有同名的录制文件\n%1").arg(QDir::toNativeSeparators(dir.filePath(base))));

    // The writers' check first: a folder this user may not write into is refused with the
    // system's reason before anything is made.
    QString reason;
    std::unique_ptr<RecordingSink> sink;
    if (FileReplacer::MayWrite(path, true, &reason))
        sink = m_factory(path, &reason);
    if (!sink)
        return refuse(QStringLiteral("无法开始录制，无法创建文件\n%1\n%2").arg(QDir::toNativeSeparators(path), reason));
    auto recorder = std::make_unique<CLinkRecorder>(std::move(sink));
    RecordingHeader header;
    header.port = static_cast<std::uint16_t>(port > 0 && port < 65536 ? port : 0);
    header.startUs = now.toMSecsSinceEpoch() * 1000;
    header.device = device;
    if (!recorder->Begin(header)) {
        // Ending a recording without a record removes its file: a start that failed leaves none.
        const QString why = recorder->Error();
        recorder->End();
        return refuse(QStringLiteral("无法开始录制，无法写入文件\n%1\n%2").arg(QDir::toNativeSeparators(path), why));
    }
    m_path = path;
    m_recorder = std::move(recorder);
    m_clock.start();
    m_flushTimer.start();
    return true;
}

void CLinkRecordingSession::OnBytes(const QByteArray& bytes)
{
    if (!m_recorder || bytes.isEmpty())
        return;
    const auto us = static_cast<std::uint64_t>(m_clock.nsecsElapsed() / 1000);
    if (!m_recorder->Add(us, bytes.constData(), static_cast<std::size_t>(bytes.size())))
        Fail();
}

void CLinkRecordingSession::Flush()
{
    if (m_recorder && !m_recorder->Flush())
        Fail();
}

QString CLinkRecordingSession::FailureMessage(const QString& reason) const
{
    return QStringLiteral("录制已停止，无法写入录制文件\n%1\n%2")
        .arg(QDir::toNativeSeparators(m_path), reason);
}

void CLinkRecordingSession::Fail()
{
    if (!m_recorder)
        return;
    const QString message = FailureMessage(m_recorder->Error());
    m_flushTimer.stop();
    End();
    emit Failed(message);
}

bool CLinkRecordingSession::Stop(QString* error)
{
    if (!m_recorder)
        return true;
    m_flushTimer.stop();
    QString message;
    const bool ok = End(&message);
    if (!ok && error)
        *error = message;
    return ok;
}

bool CLinkRecordingSession::End(QString* failure)
{
    const bool ok = m_recorder->End();
    if (!ok && failure)
        *failure = FailureMessage(m_recorder->Error());
    // A recording without a record has removed its file.
    if (!m_recorder->Kept())
        m_path.clear();
    m_recorder.reset();
    return ok;
}
