// Launcher port over ShellExecuteW and WinExec.
#pragma once

#include "platform/launcher.h"

namespace purgeon {

class Win32Launcher : public LauncherPort {
  public:
    std::intptr_t ShellExecuteFile(WindowId owner, const std::u16string& verb,
                                   const std::u16string& file, const std::u16string& parameters,
                                   const std::u16string& directory, int show) override;
    std::uint32_t WinExecCommand(const std::string& ansi_command_line, int show) override;
};

}  // namespace purgeon
