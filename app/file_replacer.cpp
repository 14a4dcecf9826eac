#include "app/file_replacer.h"

#include <QDir>
#include <QFile>

FileReplacer::Outcome FileReplacer::Store(const QString& path, const QByteArray& bytes, QString* reason, bool mayCreate)
{
#ifdef Q_OS_WIN
    const std::string native = QDir::toNativeSeparators(path).toStdString();
#else
    const std::string native = QFile::encodeName(path).toStdString();
#endif
    const platform::ReplaceResult result = platform::ReplaceFileContent(
        native, bytes.constData(), static_cast<std::size_t>(bytes.size()), mayCreate, *this);
    if (result.outcome == platform::ReplaceOutcome::Replaced)
        return Outcome::Replaced;
    *reason = QString::fromStdString(result.error.message);
    return result.outcome == platform::ReplaceOutcome::Refused ? Outcome::NotWritable : Outcome::Failed;
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
