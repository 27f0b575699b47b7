// Process procedures: is an executable running, and end one process of it.
#pragma once

#include <string>

#include "platform/processes.h"

namespace purgeon {

// True when a running process's executable file name equals `name`,
// ignoring ASCII letter case. A name with a folder never matches.
bool IsProcessRunning(ProcessPort& processes, const std::u16string& name);

// Ends the first process (in snapshot order) whose executable file name
// equals the trimmed `name`, with exit code 0. Never ends this program
// itself, the Windows shell, or a process Windows cannot live without.
void TerminateProcessByName(ProcessPort& processes, const std::u16string& name);

// True for the names TerminateProcessByName refuses (trimmed, any case).
bool IsProtectedProcessName(const std::u16string& name);

}  // namespace purgeon
