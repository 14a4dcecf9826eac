#include "platform/system_error.h"

#include <cstring>

namespace platform {

std::string SystemMessage(long code) { return std::strerror(static_cast<int>(code)); }

} // namespace platform
