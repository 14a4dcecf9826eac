#include "platform/file_replace.h"

namespace platform {

ReplaceResult ReplaceFileContent(const std::string& path, const std::string& bytes, bool mayCreate)
{
    ReplaceSteps steps;
    return ReplaceFileContent(path, bytes.data(), bytes.size(), mayCreate, steps);
}

} // namespace platform
