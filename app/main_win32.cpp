// The Trenchmoor setup launcher for Windows, SETUP.EXE at the root of the
// game's CD: the launcher on the Win32 port of the forms engine.
#include "forms/core/errors.h"
#include "forms/core/screen.h"
#include "forms/win32/win32port.h"
#include "setup/frmAcrobat.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t *, int)
{
    engine::App.setTitle("Trenchmoor Setup");
    int status = 0;
    engine::guarded([&] {
        // The program's own icon (the first icon group) for forms that leave it to the engine.
        win32port::install(instance, LoadIconW(instance, MAKEINTRESOURCEW(1)));
        status = engine::run(frmAcrobat.get());
    });
    return status;
}
