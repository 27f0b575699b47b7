#include "platform/win32/win32_launcher.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"

namespace purgeon {

std::intptr_t Win32Launcher::ShellExecuteFile(WindowId owner, const std::u16string& verb,
                                              const std::u16string& file,
                                              const std::u16string& parameters,
                                              const std::u16string& directory, int show) {
    HINSTANCE result = ShellExecuteW(reinterpret_cast<HWND>(owner), Wide(verb), Wide(file),
                                     Wide(parameters), Wide(directory), show);
    return reinterpret_cast<std::intptr_t>(result);
}

std::uint32_t Win32Launcher::WinExecCommand(const std::string& ansi_command_line, int show) {
    return ::WinExec(ansi_command_line.c_str(), UINT(show));
}

}  // namespace purgeon
