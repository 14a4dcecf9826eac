#include "platform/file_replace.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The temporary file of one replacement; removed again unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(const std::string& target)
    {
        const std::size_t slash = target.rfind('/');
        const std::string dir = slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        m_name = dir + '.' + name + ".XXXXXX";
        // Created exclusively (O_CREAT | O_EXCL), readable and writable by this user only until
        // it takes the mode of the file it replaces.
        m_fd = ::mkstemp(&m_name[0]);
        if (m_fd < 0)
            m_name.clear();
    }
    ~TempFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.empty())
            ::unlink(m_name.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return m_fd; }
    const std::string& name() const { return m_name; }
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
    std::string m_name;
    int m_fd = -1;
};

std::string FolderOf(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
}

// Makes the new file's directory entry durable. The rename has already taken place, so a failure
// here cannot bring the old file back; it is not reported.
void SyncFolder(const std::string& target)
{
    const int fd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Through symbolic links to the file itself, so that a link keeps pointing at the file.
std::string Resolved(const std::string& path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

bool Refusal(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// The checks before anything is written, on the file itself (symbolic links resolved): *st
// receives its status and *existed whether it exists.
bool Check(const std::string& target, bool mayCreate, struct stat* st, bool* existed, ReplaceResult* refusal)
{
    auto refuse = [refusal](ReplaceOutcome outcome, int error) {
        *refusal = {outcome, MakeSystemError(error)};
        return false;
    };
    *existed = ::stat(target.c_str(), st) == 0;
    if (!*existed && (!mayCreate || errno != ENOENT))
        return refuse(ReplaceOutcome::Failed, errno);
    if (*existed) {
        // A file without any write permission bit is write-protected by its owner's intent, even
        // for a user who could write it anyway (root).
        if ((st->st_mode & 0222) == 0)
            return refuse(ReplaceOutcome::Refused, EACCES);
        // Whether this process may write the file, as the kernel decides for its own identity.
        // The rename needs only the folder's permission: without this a user would replace a
        // file of another user in a folder anyone may write, and take it over.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return refuse(ReplaceOutcome::Refused, errno);
    }
    // The new file is made in the same folder.
    if (::faccessat(AT_FDCWD, FolderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return refuse(Refusal(error) ? ReplaceOutcome::FolderRefused : ReplaceOutcome::Failed, error);
    }
    return true;
}

} // namespace

bool MayReplace(const std::string& path, bool mayCreate, ReplaceResult* refusal)
{
    struct stat st;
    bool existed = false;
    return Check(Resolved(path), mayCreate, &st, &existed, refusal);
}

long ReplaceSteps::WriteSome(NativeFile file, const char* data, std::size_t size, std::size_t* written)
{
    const ssize_t n = ::write(static_cast<int>(file), data, size);
    if (n < 0)
        return errno;
    *written = static_cast<std::size_t>(n);
    return 0;
}

long ReplaceSteps::FlushToDisk(NativeFile file)
{
    int r;
    do
        r = ::fsync(static_cast<int>(file));
    while (r != 0 && errno == EINTR);
    return r == 0 ? 0 : errno;
}

long ReplaceSteps::Commit(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

ReplaceResult ReplaceFileContent(const std::string& path, const char* data, std::size_t size, bool mayCreate,
                                 ReplaceSteps& steps)
{
    auto fail = [](ReplaceOutcome outcome, long error) { return ReplaceResult{outcome, MakeSystemError(error)}; };

    const std::string target = Resolved(path);
    struct stat st;
    bool existed = false;
    ReplaceResult refusal;
    if (!Check(target, mayCreate, &st, &existed, &refusal))
        return refusal;

    TempFile temp(target);
    if (temp.fd() < 0) {
        const int error = errno;
        return fail(Refusal(error) ? ReplaceOutcome::FolderRefused : ReplaceOutcome::Failed, error);
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
            return fail(ReplaceOutcome::Failed, errno);
        if (::fchown(temp.fd(), static_cast<uid_t>(-1), st.st_gid) != 0 && errno != EPERM && errno != EINVAL)
            return fail(ReplaceOutcome::Failed, errno);
    }
    // After the owner: changing it may clear the set-id bits.
    if (::fchmod(temp.fd(), st.st_mode & 07777) != 0)
        return fail(ReplaceOutcome::Failed, errno);

    std::size_t left = size;
    while (left > 0) {
        std::size_t n = 0;
        const long error = steps.WriteSome(temp.fd(), data, left, &n);
        if (error == EINTR)
            continue;
        if (error != 0 || n == 0)
            return fail(ReplaceOutcome::Failed, error != 0 ? error : EIO);
        data += n;
        left -= n;
    }
    if (const long error = steps.FlushToDisk(temp.fd()))
        return fail(ReplaceOutcome::Failed, error);
    if (temp.Close() != 0)
        return fail(ReplaceOutcome::Failed, errno);
    if (const long error = steps.Commit(temp.name(), target))
        return fail(ReplaceOutcome::Failed, error);
    temp.Release();
    SyncFolder(target);
    return {ReplaceOutcome::Replaced, {}};
}

} // namespace platform
