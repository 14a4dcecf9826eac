#pragma once
// Replaces the whole content of an existing file so that it holds either its old bytes or the new
// ones, never a mix and never nothing, through the platform layer: the new text goes to a
// temporary file created next to it, is written in full and flushed to the disk, takes what the
// old file carries (owner, group and mode; on Windows its attributes), and only then takes its
// place. Any error removes the temporary file and leaves the file as it was.

#include <QByteArray>
#include <QString>

#include "platform/file_replace.h"

class FileReplacer : protected platform::ReplaceSteps {
public:
    enum class Outcome {
        Replaced,
        // Nothing written: a read-only file, a folder that refuses a new file (permissions,
        // read-only file system), on Windows a file another program holds open.
        NotWritable,
        Failed,  // missing file or folder; writing, flushing or renaming failed (full disk, quota, I/O error, ...)
    };

    // Replaces the content of `path` (a symbolic link replaces the file it points to) with
    // `bytes`. Unless the result is Replaced, *reason receives the system's text for the error.
    // The file must exist.
    Outcome Replace(const QString& path, const QByteArray& bytes, QString* reason);
    // As Replace, but a file that does not exist yet is created (mode from the umask, owner this
    // process), with the same all-or-nothing rule.
    Outcome Save(const QString& path, const QByteArray& bytes, QString* reason);

    // The steps of platform::ReplaceSteps (write, flush to the disk, rename into place) are
    // virtual: tests override them to fail on demand.

private:
    Outcome Store(const QString& path, const QByteArray& bytes, QString* reason, bool mayCreate);
};

// The replacer the page and the command-line tool use unless told otherwise.
FileReplacer& DefaultFileReplacer();
