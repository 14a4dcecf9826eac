#include "platform/system_error.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/text.h"

namespace platform {

std::string SystemMessage(long code)
{
    // Language 0: the user's language where Windows has the message in it, else the system's,
    // else English.
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                       | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0,
                                   nullptr);
    std::wstring message = n > 0 && text ? std::wstring(text, n) : std::wstring();
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    if (!message.empty())
        return Utf8(message);
    char fallback[48];
    std::snprintf(fallback, sizeof fallback, "Windows error %ld", code);
    return fallback;
}

} // namespace platform
