#include "app/file_replacer.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <QSaveFile>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

#ifdef Q_OS_WIN

// Windows: the save file writes a temporary file and moves it over the target on commit; every
// step is checked so that a failed write or flush never reaches the commit.
FileReplacer::Outcome FileReplacer::Store(const QString& path, const QByteArray& bytes, QString* reason, bool mayCreate)
{
    if (!mayCreate && !QFileInfo::exists(path)) {
        *reason = SystemReason(ENOENT);
        return Outcome::Failed;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        *reason = out.errorString();
        return Outcome::NotWritable;
    }
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        *reason = out.errorString();
        out.cancelWriting();
        out.commit();  // discards the temporary file
        return Outcome::Failed;
    }
    if (!out.commit()) {
        *reason = out.errorString();
        return Outcome::Failed;
    }
    return Outcome::Replaced;
}

long FileReplacer::WriteSome(int, const char*, std::size_t) { errno = ENOSYS; return -1; }
int FileReplacer::FlushToDisk(int) { errno = ENOSYS; return -1; }
int FileReplacer::Commit(const char* from, const char* to) { return std::rename(from, to); }

#else

namespace {

// The temporary file of one replacement; removed again unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(const QByteArray& target)
    {
        const int slash = target.lastIndexOf('/');
        const QByteArray dir = slash < 0 ? QByteArray(".") : target.left(slash + 1);
        const QByteArray name = slash < 0 ? target : target.mid(slash + 1);
        m_name = dir + '.' + name + ".XXXXXX";
        // Created exclusively (O_CREAT | O_EXCL), readable and writable by this user only until
        // it takes the mode of the file it replaces.
        m_fd = ::mkstemp(m_name.data());
        if (m_fd < 0)
            m_name.clear();
    }
    ~TempFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return m_fd; }
    const char* name() const { return m_name.constData(); }
    // Closes the descriptor; 0 or -1 with errno, as close().
    int Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 || errno == EINTR ? 0 : -1;
    }
    // The file now carries the target's name: nothing is left to remove.
    void Release() { m_name.clear(); }

private:
    QByteArray m_name;
    int m_fd = -1;
};

// Makes the new file's directory entry durable. The rename has already taken place, so a failure
// here cannot bring the old file back; it is not reported.
void SyncFolder(const QByteArray& target)
{
    const int slash = target.lastIndexOf('/');
    const QByteArray dir = slash <= 0 ? QByteArray(slash == 0 ? "/" : ".") : target.left(slash);
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FileReplacer::Outcome FileReplacer::Store(const QString& path, const QByteArray& bytes, QString* reason, bool mayCreate)
{
    auto fail = [reason](Outcome outcome, int error) {
        *reason = SystemReason(error);
        return outcome;
    };

    // Through symbolic links to the file itself, so that a link keeps pointing at the header.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QByteArray target = QFile::encodeName(canonical.isEmpty() ? path : canonical);
    struct stat st;
    bool existed = true;
    if (::stat(target.constData(), &st) != 0) {
        if (!mayCreate || errno != ENOENT)
            return fail(Outcome::Failed, errno);
        existed = false;
    }

    TempFile temp(target);
    if (temp.fd() < 0) {
        const int error = errno;
        const bool refused = error == EACCES || error == EPERM || error == EROFS;
        return fail(refused ? Outcome::NotWritable : Outcome::Failed, error);
    }

    if (!existed) {
        // A new file gets the mode any newly created file of this process would get.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        st.st_mode = 0666 & ~mask;
    }
    // Owner and group as before, where this process may set them: a user who is not the owner
    // may still keep the group if he belongs to it.
    if (existed && ::fchown(temp.fd(), st.st_uid, st.st_gid) != 0) {
        if (errno != EPERM && errno != EINVAL)
            return fail(Outcome::Failed, errno);
        if (::fchown(temp.fd(), static_cast<uid_t>(-1), st.st_gid) != 0 && errno != EPERM && errno != EINVAL)
            return fail(Outcome::Failed, errno);
    }
    // After the owner: changing it may clear the set-id bits.
    if (::fchmod(temp.fd(), st.st_mode & 07777) != 0)
        return fail(Outcome::Failed, errno);

    const char* data = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const long n = WriteSome(temp.fd(), data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(Outcome::Failed, n < 0 ? errno : EIO);
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (FlushToDisk(temp.fd()) != 0)
        return fail(Outcome::Failed, errno);
    if (temp.Close() != 0)
        return fail(Outcome::Failed, errno);
    if (Commit(temp.name(), target.constData()) != 0)
        return fail(Outcome::Failed, errno);
    temp.Release();
    SyncFolder(target);
    return Outcome::Replaced;
}

long FileReplacer::WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }

int FileReplacer::FlushToDisk(int fd)
{
    int r;
    do
        r = ::fsync(fd);
    while (r != 0 && errno == EINTR);
    return r;
}

int FileReplacer::Commit(const char* from, const char* to) { return ::rename(from, to); }

#endif

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
