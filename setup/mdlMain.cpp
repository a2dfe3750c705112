#include "mdlMain.h"

namespace mdlMain {

namespace {
Launcher &testLauncher()
{
    static Launcher launcher;
    return launcher;
}
QString &lastError()
{
    static QString reason;
    return reason;
}
} // namespace

Long WinExec(const QString &lpCmdLine, Long nCmdShow)
{
    lastError().clear();
    if (testLauncher())
        return testLauncher()(lpCmdLine, nCmdShow, lastError());
    return platformWinExec(lpCmdLine, nCmdShow, lastError());
}

QString LastExecError()
{
    return lastError();
}

void setLauncherForTesting(Launcher launcher)
{
    testLauncher() = std::move(launcher);
}

} // namespace mdlMain
