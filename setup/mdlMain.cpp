#include "mdlMain.h"

#include "forms/engine/screen.h"

#include <QFile>

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

Long platformWinExec(const QString &commandLine, Long, QString &reason)
{
    // The folder part goes back to the bytes it was read as, so that a folder
    // name that is no UTF-8 survives; the rest is the launcher's own text.
    const QString folder = engine::App.Path();
    const std::string folderBytes = engine::App.PathBytes();
    std::string line;
    if (!folder.isEmpty() && commandLine.startsWith(folder))
        line = folderBytes + QFile::encodeName(commandLine.mid(folder.size())).toStdString();
    else
        line = QFile::encodeName(commandLine).toStdString();
    std::string why;
    const Long result = startProgram(line, folderBytes, why);
    reason = QString::fromUtf8(why.data(), qsizetype(why.size()));
    return result;
}

void setLauncherForTesting(Launcher launcher)
{
    testLauncher() = std::move(launcher);
}

} // namespace mdlMain
