// The launcher's one call outside the forms engine: starting a program from the
// disc without waiting for it.
#pragma once

#include "forms/core/values.h"

#include <functional>
#include <string>

namespace mdlMain {

using engine::Long;

inline constexpr Long SW_SHOWMAXIMIZED = 3;

// Starts the program that the command line names, as a process of its own, and
// returns at once. The command line is one program path (the program's folder,
// then the Windows-style name on the disc): never split at blanks, never handed
// to a shell. Greater than 31 on success; 31 or less on failure, with the reason
// in LastExecError().
Long WinExec(const std::string &lpCmdLine, Long nCmdShow);

// Why the last WinExec failed, in a few words a player can read (UTF-8).
std::string LastExecError();

// Tests put a recorder in the launcher's place; an empty function restores it.
using Launcher = std::function<Long(const std::string &commandLine, Long showState, std::string &reason)>;
void setLauncherForTesting(Launcher launcher);

} // namespace mdlMain
