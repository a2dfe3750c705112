// Texts at the Windows API's edge: the engine's UTF-8 to UTF-16 and back.
#pragma once

#include <string>

namespace win32port {

std::wstring wide(const std::string &text);
std::string utf8(const std::wstring &text);

} // namespace win32port
