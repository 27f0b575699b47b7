// Unattended uninstall: the command that removes a program without its
// windows, from the entry's QuietUninstallString or from the silent switches
// of the installer families recognised in its uninstall command and in the
// uninstaller file.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace purgeon {

enum class InstallerFamily {
    kQuietUninstallString,
    kWindowsInstaller,
    kNsis,
    kInnoSetup,
    kUnknown
};

struct QuietUninstall {
    InstallerFamily family = InstallerFamily::kUnknown;
    std::u16string command;  // empty for an unknown family: nothing may run
};

// `quiet_string` (the entry's QuietUninstallString) wins when it is not
// blank. Otherwise: an MsiExec command with a product code gives
// "MsiExec.exe /X{code} /qn" (whether it listed /I or /X); an uninstaller
// whose file carries "Inno Setup" or is named unins000.exe (any three
// digits) gets "/VERYSILENT /SUPPRESSMSGBOXES /NORESTART"; one whose file
// carries "Nullsoft" gets "/S". The file is read through `files`; the
// command's own arguments are kept.
QuietUninstall ChooseQuietUninstall(FileSystemPort& files, const std::u16string& uninstall_string,
                                    const std::u16string& quiet_string);

// The entry's QuietUninstallString ("HKLM|...\Uninstall\X" as the inventory
// records it), empty when it has none.
std::u16string ReadQuietUninstallString(RegistryPort& registry, const std::u16string& entry_key,
                                        bool view64);

const char* InstallerFamilyName(InstallerFamily family);

}  // namespace purgeon
