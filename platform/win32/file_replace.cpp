#include "platform/file_replace.h"

#include <windows.h>

#include <cwchar>

#include "platform/win32/text.h"

namespace platform {

namespace {

HANDLE Handle(NativeFile file) { return reinterpret_cast<HANDLE>(file); }

long LastError() { return static_cast<long>(GetLastError()); }

// What the new file takes over from the old one. The archive bit is set anyway: the content is
// new. The read-only attribute never gets this far.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The temporary file of one replacement, beside the target: ".<name>.<number>", created new so
// that it never overwrites anything. Removed again unless it was moved into place.
class TempFile {
public:
    explicit TempFile(const std::wstring& target)
    {
        const std::size_t slash = target.find_last_of(L"\\/");
        const std::wstring dir = target.substr(0, slash + 1);
        const std::wstring name = target.substr(slash + 1);
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            wchar_t suffix[32];
            std::swprintf(suffix, 32, L".%08lx",
                          static_cast<unsigned long>(GetTickCount64() * 2654435761u + GetCurrentProcessId() * 40503u
                                                     + ++counter));
            m_name = dir + L"." + name + suffix;
            m_handle = CreateFileW(m_name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr);
            if (m_handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
        if (m_handle == INVALID_HANDLE_VALUE)
            m_name.clear();
    }
    ~TempFile()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        if (!m_name.empty())
            DeleteFileW(m_name.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    NativeFile file() const { return reinterpret_cast<NativeFile>(m_handle); }
    const std::wstring& name() const { return m_name; }
    bool Close()
    {
        const HANDLE h = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }
    void Release() { m_name.clear(); }

private:
    std::wstring m_name;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

bool Refusal(long error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
        || error == ERROR_WRITE_PROTECT;
}

// The full path, so that the temporary file lands in the target's folder. Empty on failure, with
// the error in *error.
std::wstring FullPath(const std::string& path, long* error)
{
    const std::wstring given = Wide(path);
    std::wstring target(MAX_PATH, L'\0');
    DWORD n = GetFullPathNameW(given.c_str(), static_cast<DWORD>(target.size()), &target[0], nullptr);
    if (n >= target.size()) {
        target.resize(n);
        n = GetFullPathNameW(given.c_str(), static_cast<DWORD>(target.size()), &target[0], nullptr);
    }
    if (n == 0 || n >= target.size()) {
        *error = n == 0 ? LastError() : ERROR_FILENAME_EXCED_RANGE;
        return {};
    }
    target.resize(n);
    return target;
}

// The checks before anything is written: *attributes receives the file's attributes
// (INVALID_FILE_ATTRIBUTES for a file still to be made).
bool Check(const std::wstring& target, bool mayCreate, DWORD* attributes, ReplaceResult* refusal)
{
    auto refuse = [refusal](ReplaceOutcome outcome, long error) {
        *refusal = {outcome, MakeSystemError(error)};
        return false;
    };
    *attributes = GetFileAttributesW(target.c_str());
    if (*attributes == INVALID_FILE_ATTRIBUTES) {
        const long error = LastError();
        return mayCreate && error == ERROR_FILE_NOT_FOUND ? true : refuse(ReplaceOutcome::Failed, error);
    }
    if (*attributes & FILE_ATTRIBUTE_READONLY)
        return refuse(ReplaceOutcome::Refused, ERROR_ACCESS_DENIED);
    // Opening it for writing and deletion checks this user's access rights; a file that another
    // program holds open without sharing it could not be replaced at the end either.
    const HANDLE probe = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const long error = LastError();
        return refuse(Refusal(error) ? ReplaceOutcome::Refused : ReplaceOutcome::Failed, error);
    }
    CloseHandle(probe);
    return true;
}

} // namespace

bool MayReplace(const std::string& path, bool mayCreate, ReplaceResult* refusal)
{
    long error = 0;
    const std::wstring target = FullPath(path, &error);
    if (target.empty()) {
        *refusal = {ReplaceOutcome::Failed, MakeSystemError(error)};
        return false;
    }
    DWORD attributes = 0;
    return Check(target, mayCreate, &attributes, refusal);
}

long ReplaceSteps::WriteSome(NativeFile file, const char* data, std::size_t size, std::size_t* written)
{
    DWORD n = 0;
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    if (!WriteFile(Handle(file), data, chunk, &n, nullptr))
        return LastError();
    *written = n;
    return 0;
}

long ReplaceSteps::FlushToDisk(NativeFile file) { return FlushFileBuffers(Handle(file)) ? 0 : LastError(); }

long ReplaceSteps::Commit(const std::string& from, const std::string& to)
{
    // One rename that replaces the target: the name holds the old file or the new one, never
    // nothing, and the call returns once the move is on the disk.
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        ? 0
        : LastError();
}

ReplaceResult ReplaceFileContent(const std::string& path, const char* data, std::size_t size, bool mayCreate,
                                 ReplaceSteps& steps)
{
    auto fail = [](ReplaceOutcome outcome, long error) { return ReplaceResult{outcome, MakeSystemError(error)}; };

    long pathError = 0;
    const std::wstring target = FullPath(path, &pathError);
    if (target.empty())
        return fail(ReplaceOutcome::Failed, pathError);
    DWORD attributes = 0;
    ReplaceResult refusal;
    if (!Check(target, mayCreate, &attributes, &refusal))
        return refusal;
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;

    TempFile temp(target);
    if (temp.name().empty()) {
        const long error = LastError();
        return fail(Refusal(error) ? ReplaceOutcome::FolderRefused : ReplaceOutcome::Failed, error);
    }
    std::size_t left = size;
    while (left > 0) {
        std::size_t written = 0;
        const long error = steps.WriteSome(temp.file(), data, left, &written);
        if (error != 0 || written == 0)
            return fail(ReplaceOutcome::Failed, error != 0 ? error : ERROR_WRITE_FAULT);
        data += written;
        left -= written;
    }
    if (const long error = steps.FlushToDisk(temp.file()))
        return fail(ReplaceOutcome::Failed, error);
    if (!temp.Close())
        return fail(ReplaceOutcome::Failed, LastError());
    if (existed && !SetFileAttributesW(temp.name().c_str(), (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE))
        return fail(ReplaceOutcome::Failed, LastError());
    if (const long error = steps.Commit(Utf8(temp.name()), Utf8(target)))
        return fail(ReplaceOutcome::Failed, error);
    temp.Release();
    return {ReplaceOutcome::Replaced, {}};
}

} // namespace platform
