#pragma once
// A header writer that fails at one step the way a full disk, an exhausted quota or a broken
// device makes it fail: the write (after a first short write went through), the flush to the
// disk, or the rename that commits the new text. With Step::None it fails nowhere and only
// writes in short pieces.

#include <cerrno>

#include "app/file_replacer.h"

class FailingWriter : public FileReplacer {
public:
    enum class Step { None, Write, Flush, Commit };

    FailingWriter(Step step, int error) : m_step(step), m_error(error) {}

    int writes = 0;  // calls of the write step

protected:
    long WriteSome(int fd, const char* data, std::size_t size) override
    {
        // Short writes of at most 16 bytes; the second one fails when asked to.
        if (++writes == 2 && m_step == Step::Write)
            return Fail();
        return FileReplacer::WriteSome(fd, data, size < 16 ? size : 16);
    }
    int FlushToDisk(int fd) override { return m_step == Step::Flush ? Fail() : FileReplacer::FlushToDisk(fd); }
    int Commit(const char* from, const char* to) override
    {
        return m_step == Step::Commit ? Fail() : FileReplacer::Commit(from, to);
    }

private:
    int Fail()
    {
        errno = m_error;
        return -1;
    }

    Step m_step;
    int m_error;
};
