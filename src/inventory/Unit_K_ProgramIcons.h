// Icon sources of installed programs: where the program list finds the icon
// of an entry, and the reading of an icon source text ("path,index").
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"
#include "platform/text.h"

namespace purgeon {

constexpr std::int32_t kNoIconIndex = 65535;

// Icon paths registered by Windows Installer products, by lower-cased trimmed
// product name (the first one found for a name stays), and the executable
// names registered under App Paths, in registry order.
struct IconSources {
    std::unordered_map<std::u16string, std::u16string> m_Map_InstalledAppICO;
    StringList m_strList_InstalledAppName;
};

// Reads both tables once for an enumeration run.
void BuildIconSources(RegistryPort& reg, bool view64, IconSources& sources);

// The icon source of an entry: its DisplayIcon text as read; else the
// product icon registered under its display name (ASCII-lowered, untrimmed);
// else the first App Paths executable that exists in its install folder.
std::u16string IconSourceOfEntry(FileSystemPort& fs, const IconSources& sources,
                                 const std::u16string& display_icon,
                                 const std::u16string& display_name,
                                 const std::u16string& install_folder);

// Turns an icon source text into a file path and, when it names one, an
// icon index. A source without a drive path, or naming a file that does not
// exist, becomes the system folder's msiexec.exe.
void ParseDisplayIcon(FileSystemPort& fs, ShellFoldersPort& shell, std::u16string& text,
                      std::int32_t& index);

// True when `path` names an existing file (not a folder).
bool IsExistingFile(FileSystemPort& fs, const std::u16string& path);

}  // namespace purgeon
