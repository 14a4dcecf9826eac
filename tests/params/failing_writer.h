#pragma once
// A header writer that fails at one step the way a full disk, an exhausted quota or a broken
// device makes it fail: the write (after a first short write went through), the flush to the
// disk, or the rename that commits the new text. With Step::None it fails nowhere and only
// writes in short pieces.

#include "app/file_replacer.h"

class FailingWriter : public FileReplacer {
public:
    enum class Step { None, Write, Flush, Commit };

    FailingWriter(Step step, int error) : m_step(step), m_error(error) {}

    int writes = 0;  // calls of the write step

protected:
    long WriteSome(platform::NativeFile file, const char* data, std::size_t size, std::size_t* written) override
    {
        // Short writes of at most 16 bytes; the second one fails when asked to.
        if (++writes == 2 && m_step == Step::Write)
            return m_error;
        return ReplaceSteps::WriteSome(file, data, size < 16 ? size : 16, written);
    }
    long FlushToDisk(platform::NativeFile file) override
    {
        return m_step == Step::Flush ? m_error : ReplaceSteps::FlushToDisk(file);
    }
    long Commit(const std::string& from, const std::string& to) override
    {
        return m_step == Step::Commit ? m_error : ReplaceSteps::Commit(from, to);
    }

private:
    Step m_step;
    int m_error;
};
