#pragma once
// An error the system reported: its code and its own text for it.

#include <string>

namespace platform {

struct SystemError {
    long code = 0;        // errno, or GetLastError() on Windows
    std::string message;  // the system's text for the code, in UTF-8
};

// The system's text for an error code: strerror(), or on Windows FormatMessageW() in the user's
// language where Windows has the message in it. Never empty.
std::string SystemMessage(long code);

inline SystemError MakeSystemError(long code) { return {code, SystemMessage(code)}; }

} // namespace platform
