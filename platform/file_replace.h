#pragma once
// Replaces the whole content of a file so that it holds either its old bytes or the new ones,
// never a mix and never nothing. The new bytes go to a temporary file created beside it, are
// written in full and flushed to the disk, the temporary file takes what the old file carries
// (POSIX: owner, group and mode; Windows: its attributes), and only then takes the file's place
// in one rename (rename(), then the folder flushed; Windows: MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). Any failure removes the temporary file and
// leaves the file as it was.
//
// Before anything is written, a file this user may not write is refused, and the file stays as it
// was: a read-only file (POSIX: no write permission bit at all; Windows: the read-only attribute),
// whoever asks; a file the system does not let this user write (POSIX: as the kernel checks the
// process's own identity, so that a file of another user in a folder anyone may write is not
// replaced by the rename only the folder permits; Windows: its access rights); on Windows a file
// that another program holds open without sharing it. Every writer of the program asks the same
// check, MayReplace, also before it shows what it would write.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system_error.h"

namespace platform {

// A file of the system: a descriptor, or a HANDLE on Windows.
using NativeFile = std::intptr_t;

// The steps that can fail once the temporary file exists, as the system calls they wrap. Each
// returns 0 or the system's error code (errno, GetLastError()). Tests stand in for them to fail
// as a full disk or a broken device makes them fail.
class ReplaceSteps {
public:
    virtual ~ReplaceSteps() = default;
    // write() / WriteFile(): writes some of the bytes and tells how many in *written.
    virtual long WriteSome(NativeFile file, const char* data, std::size_t size, std::size_t* written);
    // fsync() / FlushFileBuffers().
    virtual long FlushToDisk(NativeFile file);
    // rename() / MoveFileExW(): the temporary file takes the file's name.
    virtual long Commit(const std::string& from, const std::string& to);
};

enum class ReplaceOutcome {
    Replaced,
    Refused,        // nothing written: the file may not be written (read-only, no permission, in use)
    FolderRefused,  // nothing written: its folder refuses the new file the replacement needs
    Failed,         // missing file or folder, or writing, flushing or renaming failed
};

struct ReplaceResult {
    ReplaceOutcome outcome = ReplaceOutcome::Failed;
    SystemError error;  // unless Replaced
};

// Replaces the content of the file at `path` (UTF-8 on Windows, the file system's bytes
// elsewhere; a symbolic link replaces the file it points to on POSIX). The file must exist unless
// mayCreate; a new file gets the mode or attributes of any new file there.
ReplaceResult ReplaceFileContent(const std::string& path, const char* data, std::size_t size, bool mayCreate,
                                 ReplaceSteps& steps);
ReplaceResult ReplaceFileContent(const std::string& path, const std::string& bytes, bool mayCreate = false);

// The checks ReplaceFileContent makes before it writes anything, on their own: whether the file
// (or, with mayCreate, a new file at path) may be written and, on POSIX, its folder takes a new
// file. Windows has no such question short of making a file there, so a folder that refuses one is
// found only when the temporary file is made. False with the outcome and the system's error in
// *refusal (Refused, FolderRefused, or Failed for a missing file or folder). A yes is no promise:
// the writing itself may still fail.
bool MayReplace(const std::string& path, bool mayCreate, ReplaceResult* refusal);

} // namespace platform
