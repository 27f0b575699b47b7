#include "inventory/installer_folder_index.h"

#include "inventory/Unit_K_Registry_Proc.h"

namespace purgeon {

namespace {

bool IsExcluded(const std::u16string& folder) {
    return ContainsIgnoreAsciiCase(folder, u"COMMON FILES") ||
           ContainsIgnoreAsciiCase(folder, u"START MENU");
}

}  // namespace

InstallerFolderIndex::InstallerFolderIndex(StringList folders) : folders_(std::move(folders)) {
    // "\<name>\" occurs in a folder exactly where a level between two "\"
    // equals the name (a name without "\"), so indexing every level, with
    // the earliest folder and the leftmost occurrence, answers every such
    // lookup as a scan would.
    for (std::size_t i = 0; i < folders_.size(); ++i) {
        const std::u16string& folder = folders_[i];
        if (IsExcluded(folder)) continue;
        std::size_t start = folder.find(u'\\');
        while (start != std::u16string::npos) {
            const std::size_t end = folder.find(u'\\', start + 1);
            if (end == std::u16string::npos) break;
            first_.try_emplace(
                AsciiUpper(std::u16string_view(folder).substr(start + 1, end - start - 1)), i,
                start);
            start = end;
        }
    }
}

std::u16string InstallerFolderIndex::Find(const std::u16string& display_name) const {
    if (display_name.empty()) return {};
    if (display_name.find(u'\\') != std::u16string::npos) {
        return InstallFolderFromInstallerFolders(folders_, display_name);
    }
    const auto it = first_.find(AsciiUpper(display_name));
    if (it == first_.end()) return {};
    const auto [folder, position] = it->second;
    return folders_[folder].substr(0, position + display_name.size() + 2);
}

}  // namespace purgeon
