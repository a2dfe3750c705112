// Texts at the Windows API's edge, for every Windows program of the project
// (the Win32 port, the launcher's Windows part, the stand-in installer, the
// tests' tool): UTF-8 to UTF-16 and back. Header-only, the Windows API alone.
#pragma once

#include <string>

#include <windows.h>

namespace utf16 {

inline std::wstring wide(const std::string &text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), result.data(), length);
    return result;
}

inline std::string utf8(const std::wstring &text)
{
    if (text.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), length, nullptr, nullptr);
    return result;
}

} // namespace utf16
