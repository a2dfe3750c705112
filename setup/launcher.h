// The system's own start of a program, one implementation per system. Only
// mdlMain::WinExec and the launcher tests call it.
#pragma once

#include "forms/core/values.h"

#include <string>

namespace mdlMain {

using engine::Long;

// Starts the program at `commandLine`, which begins with `discFolder` (the
// program's folder, kept as it is) followed by a Windows-style name, with the
// disc folder as working directory. Returns 33 when it started; else 2 (no such
// file), 3 (no such folder, or a path too long to start), 5 (refused) or 11
// (not a program) with a reason for the player.
Long startProgram(const std::string &commandLine, const std::string &discFolder, std::string &reason);

} // namespace mdlMain
