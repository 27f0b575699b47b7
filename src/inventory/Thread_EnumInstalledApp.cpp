#include "inventory/Thread_EnumInstalledApp.h"

#include <algorithm>
#include <vector>

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "platform/window_messages.h"

namespace purgeon {

namespace {

const std::u16string kUninstallKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::u16string kUserDataKey =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\";

// Reads a text value of an open key; a missing value gives the empty text.
std::u16string ReadText(RegistryPort& reg, RegKey key, const std::u16string& name) {
    std::u16string text;
    RegQueryText(reg, key, name, text);
    return text;
}

// ReadKeyNumber: a 32-bit number; a missing or shorter value counts as 0.
std::uint32_t ReadKeyNumber(RegistryPort& reg, RegKey key, const std::u16string& name) {
    std::uint8_t data[8] = {};
    std::uint32_t size = sizeof data;
    const RegStatus status = reg.QueryValue(key, name, nullptr, data, &size);
    if (status != kErrorSuccess || size < 4) return 0;
    return std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16 |
           std::uint32_t(data[3]) << 24;
}

// A text read through a buffer of `max_bytes`: a longer value is not read.
std::u16string ReadLimitedText(RegistryPort& reg, RegKey root, const std::u16string& path,
                               const std::u16string& name, std::uint32_t sam,
                               std::uint32_t max_bytes) {
    ScopedRegKey key(reg);
    if (reg.OpenKey(root, path, sam, key.Receive()) != kErrorSuccess) return {};
    std::vector<std::uint8_t> buffer(max_bytes);
    std::uint32_t size = max_bytes;
    if (reg.QueryValue(key.Get(), name, nullptr, buffer.data(), &size) != kErrorSuccess) return {};
    return RegDataToText(buffer.data(), std::min(size, max_bytes));
}

// Everything up to and including the last "\" or ":", without quotes.
std::u16string FolderPart(const std::u16string& path) {
    const size_t end = path.find_last_of(u"\\:");
    if (end == std::u16string::npos) return {};
    std::u16string folder;
    for (char16_t c : path.substr(0, end + 1)) {
        if (c != u'"') folder.push_back(c);
    }
    return Trim(folder);
}

}  // namespace

struct TThread_EnumInstalledApp::Entry {
    std::u16string display_name;  // as read
    std::u16string publisher;
    std::u16string version;
    std::u16string location;
    std::u16string uninstall;
    std::u16string display_icon;  // as read
    std::u16string local_package;
    bool has_local_package = false;
    std::u16string install_reg_path;
    bool parrot_rule = false;
};

TThread_EnumInstalledApp::TThread_EnumInstalledApp(
    Ports ports, K_Class_SoftwareInfo_List& class_param_SWL,
    const K_Software_Const_Feature_Lib& class_param_SWLib, std::u16string str_param_CurrentAppPath,
    InstallerSoftwareListListener& listener, EnumWindows windows)
    : ports_(ports),
      m_pClass_AppInfoList(class_param_SWL),
      m_pClass_AppFeatureLib(class_param_SWLib),
      m_strCurAppPath(std::move(str_param_CurrentAppPath)),
      listener_(listener),
      windows_(windows) {}

bool TThread_EnumInstalledApp::IsSkippedSubKey(const std::u16string& sub_key_name) {
    return ContainsIgnoreAsciiCase(sub_key_name, u"IMBoosterARP");
}

bool TThread_EnumInstalledApp::IsHiddenEntry(std::uint32_t system_component,
                                             const std::u16string& display_name,
                                             const std::u16string& release_type) {
    if (Trim(display_name).empty() || system_component == 1) return true;
    const std::u16string release = Trim(release_type);
    return EqualsIgnoreAsciiCase(release, u"hotfix") || EqualsIgnoreAsciiCase(release, u"update");
}

std::u16string TThread_EnumInstalledApp::GetLocationFromUninstallString(
    const std::u16string& uninstall_string) {
    if (uninstall_string.empty()) return {};
    size_t uninstaller = std::u16string::npos;
    for (auto name : {u"Uninstall.exe", u"unins000.exe", u"uninst.exe", u"Uninstal.exe"}) {
        uninstaller = FindIgnoreAsciiCase(uninstall_string, name);
        if (uninstaller != std::u16string::npos) break;
    }
    if (uninstaller == std::u16string::npos) return {};
    const size_t colon = uninstall_string.find(u":\\");
    if (colon == std::u16string::npos || colon == 0) return {};
    // From the drive letter up to the character before the uninstaller.
    const size_t start = colon - 1;
    if (uninstaller <= start) return {};
    return uninstall_string.substr(start, uninstaller - start);
}

void TThread_EnumInstalledApp::PrepareRun() {
    icon_sources_ = IconSources{};
    BuildIconSources(ports_.registry, false, icon_sources_);
    protected_folders_.emplace(ports_.shell, ports_.files, &ports_.registry);
    installer_folders_ = InstallerFolderIndex(ReadInstallerFolders(ports_.registry));
    checked_locations_.clear();
}

std::u16string TThread_EnumInstalledApp::CheckedLocation(std::u16string location) {
    if (location.empty()) return location;
    location = WithTrailingBackslash(location);
    auto known = checked_locations_.find(location);
    if (known != checked_locations_.end()) return known->second;
    // A drive root, a folder of Windows or of its users, a folder holding
    // one, anything below a Windows folder: in any spelling and through
    // links (ProtectedFolders), not only as the shell writes them.
    const bool refused =
        location.size() <= 3 || !protected_folders_ || protected_folders_->IsProtected(location);
    return checked_locations_.emplace(location, refused ? std::u16string() : location)
        .first->second;
}

void TThread_EnumInstalledApp::Execute() {
    if (windows_.main_window != 0) {
        ports_.dispatcher.Post(windows_.main_window, WM_SHOW_LOADING_WINDOW, 0, 0);
    }
    listener_.Callback_InstallerSoftwarelist_Start();
    try {
        PrepareRun();
        EnumUninstallKey(kHkeyLocalMachine, false);
        EnumUninstallKey(kHkeyCurrentUser, false);
        EnumInstallerProducts(false);
        if (ports_.hostkit.Is64BitOs()) {
            EnumUninstallKey(kHkeyLocalMachine, true);
            EnumUninstallKey(kHkeyCurrentUser, true);
            EnumInstallerProducts(true);
        }
        auto& names = m_pClass_AppInfoList.m_ListStr_InstalledSoftwareName;
        std::sort(names.begin(), names.end());
        for (const auto& name : names) {
            const K_Class_SoftwareInfo* record = m_pClass_AppInfoList.Find(name);
            if (record == nullptr) continue;
            listener_.Callback_InstallerSoftwarelist(
                0, record->m_strSoftwareName, record->m_strPublisher, record->m_strDisplayVersion,
                record->m_strDisplayIcon, std::uint32_t(record->m_nDisplayIcon_ID));
        }
    } catch (...) {
        // Out of memory or a failing port: what was listed stays listed; the
        // window must still hear the end and close its loading window.
    }
    icon_sources_ = IconSources{};
    installer_folders_ = InstallerFolderIndex();
    checked_locations_.clear();
    listener_.Callback_InstallerSoftwarelist_End(0);
    if (windows_.loading_window != 0 && listener_.IsLoadingWindowVisible()) {
        ports_.dispatcher.Post(windows_.loading_window, WM_CLOSE_LOADING_WINDOW, 0, 0);
    }
}

void TThread_EnumInstalledApp::EnumUninstallKey(RegKey root, bool view64) {
    RegistryPort& reg = ports_.registry;
    const std::uint32_t sam = RegistryViewMask(view64);
    ScopedRegKey uninstall(reg);
    if (reg.OpenKey(root, kUninstallKey, sam, uninstall.Receive()) != kErrorSuccess) return;
    std::uint32_t count = 0;
    if (reg.QueryInfoKey(uninstall.Get(), &count, nullptr) != kErrorSuccess) return;

    std::u16string sub_key_name;
    for (std::uint32_t index = 0; index < count; ++index) {
        if (reg.EnumKey(uninstall.Get(), index, kRegNameBufferChars, &sub_key_name) !=
            kErrorSuccess)
            continue;
        if (IsSkippedSubKey(sub_key_name)) continue;
        const std::u16string sub_key = Trim(sub_key_name);
        ScopedRegKey key(reg);
        if (reg.OpenKey(uninstall.Get(), sub_key, sam, key.Receive()) != kErrorSuccess) continue;

        const std::uint32_t system_component = ReadKeyNumber(reg, key.Get(), u"SystemComponent");
        const std::u16string release_type = ReadText(reg, key.Get(), u"ReleaseType");
        Entry entry;
        entry.display_name = ReadText(reg, key.Get(), u"DisplayName");
        if (IsHiddenEntry(system_component, entry.display_name, release_type)) continue;
        entry.publisher = ReadText(reg, key.Get(), u"Publisher");
        entry.version = ReadText(reg, key.Get(), u"DisplayVersion");

        // The install folder: each source only while none was found.
        const std::u16string& name = entry.display_name;
        auto missing = [&entry] { return Trim(entry.location).empty(); };
        entry.location = ReadText(reg, key.Get(), u"InstallLocation");
        if (missing() && ContainsIgnoreAsciiCase(name, u"VirtualBox")) {
            entry.location = ReadLimitedText(
                reg, kHkeyLocalMachine, u"SOFTWARE\\Oracle\\VirtualBox", u"InstallDir", sam, 255);
        }
        if (missing() && ContainsIgnoreAsciiCase(name, u"Soda PDF 8")) {
            entry.location = ReadLimitedText(reg, kHkeyLocalMachine, u"SOFTWARE\\Soda PDF 8", u"",
                                             ports_.hostkit.GetSamDesiredx6432(), 255);
        }
        if (missing()) entry.location = ReadText(reg, key.Get(), u"Inno Setup: App Path");
        const auto& lib = m_pClass_AppFeatureLib;
        if (missing())
            entry.location = lib.mpu_fun_InstallLocation_For_ZillyaAntivirus(reg, name, view64);
        if (missing()) entry.location = lib.mpu_fun_InstallLocation_For_Babylon(reg, name, view64);
        if (missing()) entry.location = lib.mpu_fun_InstallLocation_For_StarWars(reg, name, view64);
        if (missing()) entry.location = installer_folders_.Find(name);
        if (RegQueryText(reg, key.Get(), u"UninstallString", entry.uninstall) && missing()) {
            entry.location = GetLocationFromUninstallString(entry.uninstall);
        }
        if (Trim(entry.uninstall).empty())
            entry.uninstall = ReadText(reg, key.Get(), u"UninstallPath");
        entry.has_local_package =
            RegQueryText(reg, key.Get(), u"LocalPackage", entry.local_package);
        entry.display_icon = ReadText(reg, key.Get(), u"DisplayIcon");
        entry.install_reg_path =
            Trim((root == kHkeyLocalMachine ? u"HKLM|" : u"HKCU|") + kUninstallKey + sub_key);
        entry.parrot_rule = true;
        FinishEntry(entry, view64);
    }
}

void TThread_EnumInstalledApp::EnumInstallerProducts(bool view64) {
    RegistryPort& reg = ports_.registry;
    const std::uint32_t sam = RegistryViewMask(view64);
    StringList users, products;
    Reg_EnumUserDataSids(reg, users, view64);
    for (const auto& user : users) {
        const std::u16string products_path = kUserDataKey + user + u"\\Products\\";
        Reg_EnumSubKeys(reg, kHkeyLocalMachine, products_path, products, view64);
        for (const auto& product : products) {
            ScopedRegKey key(reg);
            const std::u16string path = Trim(products_path + product + u"\\InstallProperties\\");
            if (reg.OpenKey(kHkeyLocalMachine, path, sam, key.Receive()) != kErrorSuccess) continue;
            Entry entry;
            entry.display_name = ReadText(reg, key.Get(), u"DisplayName");
            entry.publisher = ReadText(reg, key.Get(), u"Publisher");
            entry.version = ReadText(reg, key.Get(), u"DisplayVersion");
            entry.location = ReadText(reg, key.Get(), u"InstallLocation");
            if (Trim(entry.location).empty())
                entry.location = ReadText(reg, key.Get(), u"Inno Setup: App Path");
            if (RegQueryText(reg, key.Get(), u"UninstallString", entry.uninstall) &&
                Trim(entry.location).empty()) {
                entry.location = GetLocationFromUninstallString(entry.uninstall);
            }
            if (Trim(entry.uninstall).empty())
                entry.uninstall = ReadText(reg, key.Get(), u"UninstallPath");
            entry.has_local_package =
                RegQueryText(reg, key.Get(), u"LocalPackage", entry.local_package);
            entry.display_icon = ReadText(reg, key.Get(), u"DisplayIcon");
            FinishEntry(entry, view64);
        }
    }
}

// The steps both sources share: the location check, the uninstall command's
// last fallback, the icon, the record, its library folders and the merge.
void TThread_EnumInstalledApp::FinishEntry(Entry& entry, bool view64) {
    entry.location = CheckedLocation(Trim(entry.location));

    if (Trim(entry.uninstall).empty() && entry.has_local_package) {
        // Only a package cached by Windows Installer can uninstall.
        entry.uninstall = Contains(AsciiLower(entry.local_package), u":\\windows\\installer\\")
                              ? entry.local_package
                              : std::u16string();
    }

    const std::u16string name = Trim(entry.display_name);
    if (name.empty()) return;

    // An entry whose name is held already only lends its install folder and
    // uninstall command to the held record, so its icon (up to one file test
    // per App Paths name) is worked out only when the Parrot rule takes
    // those two from it.
    const bool parrot = entry.parrot_rule && ContainsIgnoreAsciiCase(entry.display_name, u"Parrot");
    const bool merges = m_pClass_AppInfoList.Find(SoftwareKey(name)) != nullptr;
    std::u16string icon;
    std::int32_t icon_index = kNoIconIndex;
    if (!merges || parrot) {
        icon = IconSourceOfEntry(ports_.files, icon_sources_, entry.display_icon,
                                 entry.display_name, entry.location);
    }
    if (parrot && !icon.empty()) {
        // Parrot's entries name a wrong folder; its icon lies in the right one.
        const std::u16string folder = FolderPart(icon);
        if (!folder.empty()) {
            entry.location = WithTrailingBackslash(folder);
            entry.uninstall = entry.location + u"Uninstall.exe";
        }
    }
    if (!merges) {
        ParseDisplayIcon(ports_.files, ports_.shell, icon, icon_index);
        if (icon_index < 0) icon_index = 0;
    }

    auto record = std::make_unique<K_Class_SoftwareInfo>();
    record->m_strSoftwareName = name;
    record->m_strNamelow = SoftwareKey(name);
    record->m_strPublisher = Trim(entry.publisher);
    record->m_strInstallLocation = Trim(entry.location);
    record->m_strUninstallString = Trim(entry.uninstall);
    record->m_strDisplayIcon = Trim(icon);
    record->m_nDisplayIcon_ID = icon_index;
    record->m_strDisplayVersion = Trim(entry.version);
    record->m_strInstallRegPath = entry.install_reg_path;
    record->m_nIs64Bit = view64 ? 1 : 0;
    record->m_ListStr_Lib_FolderName =
        m_pClass_AppFeatureLib.mpu_fun_FindFolderNames(record->m_strNamelow);
    Merge(std::move(record));
}

// The first entry of a name wins; a later one only fills its empty install
// folder and uninstall command.
void TThread_EnumInstalledApp::Merge(std::unique_ptr<K_Class_SoftwareInfo> record) {
    std::unique_ptr<K_Class_SoftwareInfo> refused = m_pClass_AppInfoList.Add(std::move(record));
    if (!refused) return;
    K_Class_SoftwareInfo* held = m_pClass_AppInfoList.Find(refused->m_strNamelow);
    if (!refused->m_strInstallLocation.empty() && held->m_strInstallLocation.empty())
        held->m_strInstallLocation = refused->m_strInstallLocation;
    if (!refused->m_strUninstallString.empty() && held->m_strUninstallString.empty())
        held->m_strUninstallString = refused->m_strUninstallString;
}

}  // namespace purgeon
