#include "app/file_replacer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

std::string PlatformPath(const QString& path)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

namespace {

// The outcome for the user: a refusal in a sentence of its own, anything else with the system's
// text alone (the caller says what failed).
FileReplacer::Outcome ToOutcome(const QString& path, const platform::ReplaceResult& result, QString* reason)
{
    using O = FileReplacer::Outcome;
    const QString system = QString::fromStdString(result.error.message);
    switch (result.outcome) {
    case platform::ReplaceOutcome::Replaced: return O::Replaced;
    case platform::ReplaceOutcome::Refused: {
        const QFileDevice::Permissions anyWrite =
            QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        if (!(QFileInfo(path).permissions() & anyWrite))
            *reason = QStringLiteral("文件为只读，未被改动。");
        else
            *reason = QStringLiteral("无法写入该文件（%1），未被改动。").arg(system);
        return O::NotWritable;
    }
    case platform::ReplaceOutcome::FolderRefused:
        *reason = QStringLiteral("文件所在的文件夹不允许创建新文件（写入时需要）：") + system;
        return O::FolderNotWritable;
    case platform::ReplaceOutcome::Failed: break;
    }
    *reason = system;
    return O::Failed;
}

} // namespace

bool FileReplacer::MayWrite(const QString& path, bool mayCreate, QString* reason, Outcome* refusal)
{
    platform::ReplaceResult result;
    if (platform::MayReplace(PlatformPath(path), mayCreate, &result))
        return true;
    QString why;
    const Outcome outcome = ToOutcome(path, result, &why);
    if (reason)
        *reason = why;
    if (refusal)
        *refusal = outcome;
    return false;
}

FileReplacer::Outcome FileReplacer::Store(const QString& path, const QByteArray& bytes, QString* reason, bool mayCreate)
{
    const platform::ReplaceResult result = platform::ReplaceFileContent(
        PlatformPath(path), bytes.constData(), static_cast<std::size_t>(bytes.size()), mayCreate, *this);
    return ToOutcome(path, result, reason);
}

FileReplacer::Outcome FileReplacer::Replace(const QString& path, const QByteArray& bytes, QString* reason)
{
    return Store(path, bytes, reason, false);
}

FileReplacer::Outcome FileReplacer::Save(const QString& path, const QByteArray& bytes, QString* reason)
{
    return Store(path, bytes, reason, true);
}

FileReplacer& DefaultFileReplacer()
{
    static FileReplacer replacer;
    return replacer;
}
