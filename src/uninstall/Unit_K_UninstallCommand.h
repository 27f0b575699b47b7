// Launching a program's uninstall command: a free-form command line split
// into a program and its parameters by a fixed sequence of cases, launched
// through the shell, with the whole command line launched once more through
// WinExec when the shell refuses.
#pragma once

#include <string>

#include "platform/ports.h"
#include "platform/text.h"

namespace purgeon {

// Splits at `separator`, CR and LF; a stretch that begins with a quote runs
// to the next same quote (separators inside do not split, the quotes stay);
// empty pieces are dropped.
StringList SplitCommand(std::u16string_view command, char16_t separator);

// Windows lists a Windows Installer product with "MsiExec.exe /I{code}",
// which for an installed product starts its maintenance (in a package
// without dialogs: a silent repair), not its removal. The uninstall the
// entry stands for is /X with the same code: that is what this returns for
// such a command; any other command comes back as it is.
std::u16string UninstallCommandToRun(const std::u16string& command);

// Launches `command` (see the .cpp for the cases), a Windows Installer
// product's maintenance command as its removal (UninstallCommandToRun). Returns as soon as the
// launch is done; it does not wait for the uninstaller.
void RunUninstallCommand(Ports& ports, WindowId owner, const std::u16string& command);

}  // namespace purgeon
