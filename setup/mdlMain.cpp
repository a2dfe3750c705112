#include "mdlMain.h"

#include "launcher.h"

#include "forms/core/screen.h"

namespace mdlMain {

namespace {
Launcher &testLauncher()
{
    static Launcher launcher;
    return launcher;
}
std::string &lastError()
{
    static std::string reason;
    return reason;
}
} // namespace

Long WinExec(const std::string &lpCmdLine, Long nCmdShow)
{
    lastError().clear();
    if (testLauncher())
        return testLauncher()(lpCmdLine, nCmdShow, lastError());
    return startProgram(lpCmdLine, engine::App.Path(), lastError());
}

std::string LastExecError()
{
    return lastError();
}

void setLauncherForTesting(Launcher launcher)
{
    testLauncher() = std::move(launcher);
}

} // namespace mdlMain
