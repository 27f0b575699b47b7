// Icon sources of installed programs: where the program list finds the icon
// of an entry, and the reading of an icon source text ("path,index").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"
#include "platform/text.h"

namespace purgeon {

constexpr std::int32_t kNoIconIndex = 65535;

// Which of a list of file names is the first that names an existing file in
// a folder, answered from one listing of the folder (a few hundred names
// against a folder cost one FindFirst walk, not one attribute test each).
// The answer is the one the tests in list order give: names the listing
// cannot settle by ASCII case folding (other characters, trailing dots or
// blanks, device names, separators, wildcards) are still tested one by
// one, and so is every name when the folder cannot be listed or lists a
// name outside ASCII. Answers are kept by folder text for the finder's life.
class FirstFileFinder {
  public:
    FirstFileFinder() = default;
    explicit FirstFileFinder(const StringList& names);

    // The index in `names` (the list given to the constructor) of the first
    // name N for which `folder` + N is an existing file; npos when none is.
    // `folder` ends with "\".
    std::size_t FirstIn(FileSystemPort& fs, const std::u16string& folder, const StringList& names);

  private:
    std::size_t FromListing(FileSystemPort& fs, const std::u16string& folder,
                            const StringList& names);

    std::unordered_map<std::u16string, std::size_t> first_by_folded_name_;
    std::vector<std::size_t> tested_alone_;  // ascending
    std::unordered_map<std::u16string, std::size_t> answers_;
};

// Icon paths registered by Windows Installer products, by lower-cased trimmed
// product name (the first one found for a name stays), and the executable
// names registered under App Paths, in registry order, with the finder that
// looks them up in install folders.
struct IconSources {
    std::unordered_map<std::u16string, std::u16string> m_Map_InstalledAppICO;
    StringList m_strList_InstalledAppName;
    FirstFileFinder app_paths_finder;
};

// Reads both tables once for an enumeration run.
void BuildIconSources(RegistryPort& reg, bool view64, IconSources& sources);

// The icon source of an entry: its DisplayIcon text as read; else the
// product icon registered under its display name (ASCII-lowered, untrimmed);
// else the first App Paths executable that exists in its install folder.
std::u16string IconSourceOfEntry(FileSystemPort& fs, IconSources& sources,
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
