#pragma once
// Replaces the whole content of an existing file so that it holds either its old bytes or the new
// ones, never a mix and never nothing, through the platform layer: the new text goes to a
// temporary file created next to it, is written in full and flushed to the disk, takes what the
// old file carries (owner, group and mode; on Windows its attributes), and only then takes its
// place. Any error removes the temporary file and leaves the file as it was.
//
// Every writer of the program goes through MayWrite before it writes, and each replacement makes
// the same check again: a file this user may not write is refused, whatever its folder allows.

#include <QByteArray>
#include <QString>

#include "platform/file_replace.h"

class FileReplacer : protected platform::ReplaceSteps {
public:
    enum class Outcome {
        Replaced,
        // Nothing written, and *reason is a sentence for the user: the file may not be written
        // (read-only, no permission, on Windows held open by another program) ...
        NotWritable,
        // ... or its folder refuses the new file a replacement needs (permissions, read-only
        // file system).
        FolderNotWritable,
        // Missing file or folder; writing, flushing or renaming failed (full disk, quota, I/O
        // error, ...). *reason is the system's text for the error.
        Failed,
    };

    // Replaces the content of `path` (a symbolic link replaces the file it points to) with
    // `bytes`. Unless the result is Replaced, *reason says why. The file must exist.
    Outcome Replace(const QString& path, const QByteArray& bytes, QString* reason);
    // As Replace, but a file that does not exist yet is created (mode from the umask, owner this
    // process), with the same all-or-nothing rule.
    Outcome Save(const QString& path, const QByteArray& bytes, QString* reason);

    // The check before writing, on its own: whether this user may write the file at path (with
    // mayCreate, also a file still to be made there) and (on POSIX) its folder takes a new file.
    // False with the outcome in *refusal and the reason in *reason, as Replace gives them.
    static bool MayWrite(const QString& path, bool mayCreate, QString* reason, Outcome* refusal = nullptr);

    // The steps of platform::ReplaceSteps (write, flush to the disk, rename into place) are
    // virtual: tests override them to fail on demand.

private:
    Outcome Store(const QString& path, const QByteArray& bytes, QString* reason, bool mayCreate);
};

// A path as the platform layer takes it: UTF-8 with the system's separators on Windows, the file
// system's bytes elsewhere.
std::string PlatformPath(const QString& path);

// The replacer the page and the command-line tool use unless told otherwise.
FileReplacer& DefaultFileReplacer();
