#pragma once
// UTF-8 text to and from the UTF-16 of Windows' wide calls.

#include <string>

namespace platform {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

} // namespace platform
