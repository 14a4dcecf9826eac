#include "app/atomic_file.h"

#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool Fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

// Pushes the file's data out of the system's caches onto the disk.
bool SyncToDisk(int fd)
{
    if (fd < 0)
        return false;
#ifdef Q_OS_WIN
    return _commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

} // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* reason)
{
    const QFileInfo target(path);
    if (target.isDir())
        return Fail(reason, QStringLiteral("这是一个文件夹，不能写入。"));
    const QFileDevice::Permissions anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (target.exists() && !(target.permissions() & anyWrite))
        return Fail(reason, QStringLiteral("文件为只读，未被改动。"));

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return Fail(reason, QStringLiteral("无法在该位置创建文件：") + out.errorString());
    if (out.write(data) != data.size() || !out.flush()) {
        const QString why = out.errorString();
        out.cancelWriting();
        return Fail(reason, QStringLiteral("写入失败（磁盘可能已满）：") + why);
    }
    if (!SyncToDisk(out.handle())) {
        out.cancelWriting();
        return Fail(reason, QStringLiteral("写入磁盘失败（磁盘可能已满）。"));
    }
    if (!out.commit())
        return Fail(reason, QStringLiteral("无法替换原文件：") + out.errorString());
    return true;
}
