// Process procedures: is an executable running, and end one process of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/processes.h"
#include "platform/text.h"

namespace purgeon {

// True when a running process's executable file name equals `name`,
// ignoring ASCII letter case. A name with a folder never matches.
bool IsProcessRunning(ProcessPort& processes, const std::u16string& name);

// Ends the first process (in snapshot order) whose executable file name
// equals the trimmed `name`, with exit code 0. Never ends this program
// itself, the Windows shell, or a process Windows cannot live without.
void TerminateProcessByName(ProcessPort& processes, const std::u16string& name);

// Ends, with exit code 0, every process whose executable file lies inside
// one of `folders` or is one of `files` (full paths), judged by the
// process's full image path: read as Windows reads it and compared by text,
// then by the identity of the folders above it, so another spelling of the
// same folder matches and a namesake elsewhere does not. A process whose
// image path is unknown is left alone, as are this program and the
// processes IsProtectedProcessName names. Returns the ids it ended.
std::vector<std::uint32_t> TerminateProcessesInFolders(ProcessPort& processes, FileSystemPort& fs,
                                                       const StringList& folders,
                                                       const StringList& files = {});

// True for the names TerminateProcessByName refuses (trimmed, any case).
bool IsProtectedProcessName(const std::u16string& name);

}  // namespace purgeon
