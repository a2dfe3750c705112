// The launcher's one call outside the forms engine: starting a program from the
// disc without waiting for it.
#pragma once

#include "forms/engine/vbtypes.h"

#include <QString>
#include <functional>
#include <string>

namespace mdlMain {

using engine::Long;

inline constexpr Long SW_SHOWMAXIMIZED = 3;

// Starts the program that the command line names, as a process of its own, and
// returns at once. The command line is one program path: never split at
// blanks, never handed to a shell. Greater than 31 on success; 31 or less on
// failure, with the reason in LastExecError().
Long WinExec(const QString &lpCmdLine, Long nCmdShow);

// Why the last WinExec failed, in a few words a player can read.
QString LastExecError();

// Tests put a recorder in the launcher's place; an empty function restores it.
using Launcher = std::function<Long(const QString &commandLine, Long showState, QString &reason)>;
void setLauncherForTesting(Launcher launcher);

// The platform's start of a program; sets `reason` on failure.
Long platformWinExec(const QString &commandLine, Long showState, QString &reason);

// The start itself, on the file system's own bytes: `commandLine` is the disc
// folder followed by the Windows-style name of the program, `discFolder` the
// folder's bytes (App.Path), which is kept as it is and becomes the program's
// working folder. Greater than 31 on success; else `reason` in UTF-8.
Long startProgram(const std::string &commandLine, const std::string &discFolder, std::string &reason);

} // namespace mdlMain
