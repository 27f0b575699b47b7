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

}  // namespace

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
}

std::u16string IconSourceOfEntry(FileSystemPort& fs, const IconSources& sources,
                                 const std::u16string& display_icon,
                                 const std::u16string& display_name,
                                 const std::u16string& install_folder) {
    if (!display_icon.empty()) return display_icon;
    auto it = sources.m_Map_InstalledAppICO.find(AsciiLower(display_name));
    if (it != sources.m_Map_InstalledAppICO.end() && !it->second.empty()) return it->second;
    if (install_folder.empty()) return {};
    for (const auto& name : sources.m_strList_InstalledAppName) {
        const std::u16string path = install_folder + name;
        if (IsExistingFile(fs, path)) return path;
    }
    return {};
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
