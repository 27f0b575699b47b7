// Launcher port: starting other programs the way the shell does.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"

namespace purgeon {

constexpr int kSwShowNormal = 1;

class LauncherPort {
  public:
    virtual ~LauncherPort() = default;
    // ShellExecuteW: the result as Windows gives it; 32 or less is a failure.
    virtual std::intptr_t ShellExecuteFile(WindowId owner, const std::u16string& verb,
                                           const std::u16string& file,
                                           const std::u16string& parameters,
                                           const std::u16string& directory, int show) = 0;
    // WinExec with a command line in the ANSI code page.
    virtual std::uint32_t WinExecCommand(const std::string& ansi_command_line, int show) = 0;
};

}  // namespace purgeon
