// The forms engine on the Windows API: each form a top-level window, buttons
// real BUTTON controls, labels and images drawn by the form itself (as the
// original runtime's light-weight controls were); the thread's message loop,
// nested for modal shows; pictures decoded by OleLoadPicture from resources.
// Texts cross into Windows as UTF-16; the engine keeps UTF-8.
#pragma once

#include "forms/core/form.h"

#include <windows.h>

namespace win32port {

// Installs the Win32 port as the engine's window system. Call once, first thing
// in wWinMain. `defaultIcon` is the icon of forms whose definition leaves the
// icon to the engine (null: the system's application icon).
void install(HINSTANCE instance, HICON defaultIcon);

// The native windows, for tests.
HWND windowOf(engine::Form &form);
HWND windowOf(const engine::Control &control);

} // namespace win32port
