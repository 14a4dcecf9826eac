#pragma once
// Replaces the whole content of an existing file so that it holds either its old bytes or the new
// ones, never a mix and never nothing: the new text goes to a temporary file created next to it,
// is written in full and flushed to the disk, takes the owner, group and mode of the file, and only
// then is renamed over it. Any error before the rename removes the temporary file and leaves the
// file as it was.

#include <QByteArray>
#include <QString>

#include <cstddef>

class FileReplacer {
public:
    enum class Outcome {
        Replaced,
        NotWritable,  // the folder refuses a new file (permissions, read-only file system)
        Failed,       // writing, flushing or renaming failed (full disk, quota, I/O error, ...)
    };

    virtual ~FileReplacer() = default;

    // Replaces the content of `path` (a symbolic link replaces the file it points to) with
    // `bytes`. Unless the result is Replaced, *reason receives the system's text for the error.
    // The file must exist.
    Outcome Replace(const QString& path, const QByteArray& bytes, QString* reason);
    // As Replace, but a file that does not exist yet is created (mode from the umask, owner this
    // process), with the same all-or-nothing rule.
    Outcome Save(const QString& path, const QByteArray& bytes, QString* reason);

private:
    Outcome Store(const QString& path, const QByteArray& bytes, QString* reason, bool mayCreate);

protected:
    // The three steps that can fail once the temporary file exists, as the system calls they
    // wrap: -1 with errno set on failure. Tests override them to fail on demand.
    virtual long WriteSome(int fd, const char* data, std::size_t size);  // write()
    virtual int FlushToDisk(int fd);                                    // fsync()
    virtual int Commit(const char* from, const char* to);               // rename()
};

// The replacer the page and the command-line tool use unless told otherwise.
FileReplacer& DefaultFileReplacer();
