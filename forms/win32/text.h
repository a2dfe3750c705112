// Texts at the Windows API's edge: the engine's UTF-8 to UTF-16 and back.
#pragma once

#include "windows/utf16.h"

namespace win32port {

using utf16::utf8;
using utf16::wide;

} // namespace win32port
