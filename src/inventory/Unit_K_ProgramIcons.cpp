#include "inventory/Unit_K_ProgramIcons.h"

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "inventory/Unit_String_Proc.h"

namespace purgeon {

namespace {

const std::u16string kInstallerProductsKey = u"SOFTWARE\\Classes\\Installer\\Products\\";
const std::u16string kAppPathsKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

void AddProductIcon(RegistryPort& reg, RegKey root, const std::u16string& key, bool view64,
                    IconSources& sources) {
    std::u16string icon, name;
    if (!Reg_ReadString(reg, root, key, u"ProductIcon", view64, icon)) return;
    if (!Reg_ReadString(reg, root, key, u"ProductName", view64, name)) return;
    if (icon.empty() || name.empty()) return;
    sources.m_Map_InstalledAppICO.try_emplace(Trim(AsciiLower(name)), Trim(icon));
}

// True when a file name found in a listing matches `name` exactly when both
// are ASCII-lowered: printable ASCII, no separator or wildcard, no trailing
// dot or blank (the path rules drop those), not a device name.
bool ListingCanAnswer(const std::u16string& name) {
    if (name.empty() || name == u"." || name == u"..") return false;
    for (char16_t c : name) {
        if (c < 0x20 || c > 0x7E ||
            std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos)
            return false;
    }
    if (name.back() == u'.' || name.back() == u' ') return false;
    // "nul.exe" opens the device NUL in any folder on older Windows.
    std::u16string base = AsciiUpper(name.substr(0, name.find(u'.')));
    while (!base.empty() && base.back() == u' ') base.pop_back();
    if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return false;
    if (base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) &&
        base[3] >= u'0' && base[3] <= u'9')
        return false;
    return true;
}

bool IsAsciiText(const std::u16string& text) {
    for (char16_t c : text) {
        if (c > 0x7F) return false;
    }
    return true;
}

std::size_t FirstByTests(FileSystemPort& fs, const std::u16string& folder,
                         const StringList& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (IsExistingFile(fs, folder + names[i])) return i;
    }
    return std::u16string::npos;
}

}  // namespace

FirstFileFinder::FirstFileFinder(const StringList& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (ListingCanAnswer(names[i]))
            first_by_folded_name_.try_emplace(AsciiLower(names[i]), i);
        else
            tested_alone_.push_back(i);
    }
}

std::size_t FirstFileFinder::FirstIn(FileSystemPort& fs, const std::u16string& folder,
                                     const StringList& names) {
    if (names.empty()) return std::u16string::npos;
    if (folder.empty() || folder.back() != u'\\') return FirstByTests(fs, folder, names);
    auto known = answers_.find(folder);
    if (known != answers_.end()) return known->second;
    const std::size_t answer = FromListing(fs, folder, names);
    answers_.emplace(folder, answer);
    return answer;
}

std::size_t FirstFileFinder::FromListing(FileSystemPort& fs, const std::u16string& folder,
                                         const StringList& names) {
    FindData data;
    ScopedFindHandle find(fs, fs.FindFirst(folder + u"*", &data));
    if (!find.Valid()) {
        // Nothing to list in a folder that is not there; a folder that
        // exists but cannot be listed may still let its files be reached.
        if (fs.GetAttributes(folder) == kInvalidFileAttributes) return std::u16string::npos;
        return FirstByTests(fs, folder, names);
    }
    std::size_t best = std::u16string::npos;
    do {
        if (data.attributes & kFileAttributeDirectory) continue;
        // File systems fold letters outside ASCII by tables of their own.
        if (!IsAsciiText(data.name) || !IsAsciiText(data.short_name))
            return FirstByTests(fs, folder, names);
        for (const std::u16string* listed : {&data.name, &data.short_name}) {
            if (listed->empty()) continue;
            auto it = first_by_folded_name_.find(AsciiLower(*listed));
            if (it != first_by_folded_name_.end() && it->second < best) best = it->second;
        }
    } while (fs.FindNext(find.Get(), &data));
    for (std::size_t i : tested_alone_) {
        if (i >= best) break;
        if (IsExistingFile(fs, folder + names[i])) return i;
    }
    return best;
}

bool IsExistingFile(FileSystemPort& fs, const std::u16string& path) {
    const std::uint32_t attributes = fs.GetAttributes(path);
    return attributes != kInvalidFileAttributes && !(attributes & kFileAttributeDirectory);
}

void BuildIconSources(RegistryPort& reg, bool view64, IconSources& sources) {
    StringList codes;
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, kInstallerProductsKey, codes, view64);
    for (const auto& code : codes) {
        AddProductIcon(reg, kHkeyLocalMachine, kInstallerProductsKey + code + u"\\", view64,
                       sources);
    }
    StringList users;
    Reg_EnumUserHives(reg, users, false);
    for (const auto& user : users) {
        const std::u16string base = user + u"\\Software\\Microsoft\\Installer\\Products";
        Reg_EnumSubKeys(reg, kHkeyUsers, base + u"\\", codes, view64);
        for (const auto& code : codes) {
            AddProductIcon(reg, kHkeyUsers, base + u"\\" + code + u"\\", view64, sources);
        }
    }
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, kAppPathsKey, sources.m_strList_InstalledAppName,
                    view64);
    sources.app_paths_finder = FirstFileFinder(sources.m_strList_InstalledAppName);
}

std::u16string IconSourceOfEntry(FileSystemPort& fs, IconSources& sources,
                                 const std::u16string& display_icon,
                                 const std::u16string& display_name,
                                 const std::u16string& install_folder) {
    if (!display_icon.empty()) return display_icon;
    auto it = sources.m_Map_InstalledAppICO.find(AsciiLower(display_name));
    if (it != sources.m_Map_InstalledAppICO.end() && !it->second.empty()) return it->second;
    if (install_folder.empty()) return {};
    const StringList& names = sources.m_strList_InstalledAppName;
    const std::size_t first = sources.app_paths_finder.FirstIn(fs, install_folder, names);
    if (first == std::u16string::npos) return {};
    return install_folder + names[first];
}

void ParseDisplayIcon(FileSystemPort& fs, ShellFoldersPort& shell, std::u16string& text,
                      std::int32_t& index) {
    if (Contains(AsciiUpper(text), u"%APPDATA%")) {
        const size_t at = FindIgnoreAsciiCase(text, u"%APPDATA%\\");
        if (at != std::u16string::npos) text.replace(at, 10, GetAppDataDirPath(shell));
    }
    const std::u16string msiexec = GetSystemDirPath(shell) + u"msiexec.exe";
    if (!Contains(text, u":\\")) {
        text = msiexec;
        return;
    }
    StringList pieces;
    Str_SplitByComma(text, pieces);
    std::u16string path = pieces.empty() ? std::u16string() : Trim(pieces[0]);
    if (!path.empty() && path[0] == u'"') {
        for (auto& c : path) {
            if (c == u'"') c = u' ';
        }
        path = Trim(path);
    }
    if (!IsExistingFile(fs, path)) path = msiexec;
    std::int32_t number = 0;
    if (pieces.size() >= 2 && ParseInt32(pieces[1], number)) index = number;
    text = path;
}

}  // namespace purgeon
