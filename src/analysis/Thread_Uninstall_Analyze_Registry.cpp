// The registry side of the analysis: seven searches, each over one family of
// places where programs leave traces, recording what points into the
// collected folders or is tied to something already recorded.
#include <unordered_set>

#include "analysis/Thread_Uninstall_Analyze.h"
#include "inventory/Unit_K_Registry_Proc.h"

namespace purgeon {

namespace {

const std::u16string kClasses = u"SOFTWARE\\Classes\\";
const std::u16string kInstallerFolders =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const std::u16string kSharedDlls = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::u16string kApproved =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const std::u16string kToolbar = u"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const std::u16string kBrowserHelpers =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\";
const std::u16string kUserData =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\";
const std::u16string kLayers =
    u"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
// Recorded and opened without a leading backslash: Windows refuses to open
// a sub-key path that starts with one, so with it this cache could never be
// searched nor its values deleted.
const std::u16string kCurrentUserMuiCache =
    u"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
const std::u16string kUserMuiCache = u"\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
const std::u16string kElevationPolicy =
    u"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\";
const std::u16string kRun = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

using UpperSet = std::unordered_set<std::u16string>;

bool InSet(const UpperSet& set, const std::u16string& text) {
    return set.count(AsciiUpper(text)) != 0;
}

// A key or value name read from the registry may end an entry only when it
// is not empty and holds no "|": an empty one would name the parent key
// itself (every class, every association), and a bar would make the entry
// name something else.
bool IsRecordableName(const std::u16string& name) {
    return !name.empty() && name.find(u'|') == std::u16string::npos;
}

// A ProgID read from a value becomes a key name below SOFTWARE\Classes: it
// must be one plain key name, and none of the keys there that are not a
// program's own: the parents the searches walk, all files ("*"), or a file
// type (".txt"), which no ProgID can be.
bool IsPlainKeyName(const std::u16string& name) {
    if (!IsRecordableName(Trim(name)) || name.find_first_of(u"\\\"'") != std::u16string::npos)
        return false;
    const std::u16string upper = AsciiUpper(Trim(name));
    for (const char16_t* reserved :
         {u"*", u"CLSID", u"TYPELIB", u"INTERFACE", u"INSTALLER", u"APPID"}) {
        if (upper == reserved) return false;
    }
    return upper.front() != u'.';
}

}  // namespace

void TThread_Uninstall_Analyze::RecordRegistry(const std::u16string& entry) {
    StringList& registry = m_class_CurUninstallAppInfo->m_ListStr_Registry;
    registry.push_back(entry);
    if (m_CallbackPtr_RegCount) m_CallbackPtr_RegCount(entry, std::uint32_t(registry.size()));
}

// Records "ROOT|key|name" for every value name of the key that, trimmed,
// points into the program.
void TThread_Uninstall_Analyze::RecordValuesPointingIn(RegKey root, const std::u16string& root_name,
                                                       const std::u16string& key_path,
                                                       bool view64) {
    StringList names;
    if (!Reg_EnumValueNames(ports_.registry, root, key_path, names, view64)) return;
    for (const auto& name : names) {
        if (IsRecordableName(name) && mpr_fun_IsInCollectedFolders(Trim(name)))
            RecordRegistry(root_name + u"|" + key_path + u"|" + name);
    }
}

void TThread_Uninstall_Analyze::mpr_pro_SearchFileAssociations(bool view64) {
    RegistryPort& reg = ports_.registry;
    StringList names;
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, kClasses, names, view64);
    UpperSet program_types;
    std::u16string command;
    for (const auto& name : names) {
        if (!IsRecordableName(name) || name[0] == u'.') continue;
        // Only a failed read falls back to the icon: an empty command stays.
        if (!Reg_ReadString(reg, kHkeyLocalMachine, kClasses + name + u"\\Shell\\Open\\Command\\",
                            u"", view64, command) &&
            !Reg_ReadString(reg, kHkeyLocalMachine, kClasses + name + u"\\DefaultIcon\\", u"",
                            view64, command))
            continue;
        if (mpr_fun_IsInCollectedFolders(command)) {
            RecordRegistry(u"HKLM|" + kClasses + name);
            program_types.insert(AsciiUpper(name));
        }
    }
    std::u16string type;
    for (const auto& name : names) {
        if (!IsRecordableName(name) || name[0] != u'.') continue;
        if (Reg_ReadString(reg, kHkeyLocalMachine, kClasses + name + u"\\", u"", view64, type) &&
            InSet(program_types, type))
            RecordRegistry(u"HKLM|" + kClasses + name);
    }
}

void TThread_Uninstall_Analyze::mpr_pro_SearchInstallerFoldersAndSharedDlls(bool view64) {
    RecordValuesPointingIn(kHkeyLocalMachine, u"HKLM", kInstallerFolders, view64);
    RecordValuesPointingIn(kHkeyLocalMachine, u"HKLM", kSharedDlls, view64);
}

void TThread_Uninstall_Analyze::mpr_pro_SearchComRegistrations(bool view64) {
    RegistryPort& reg = ports_.registry;
    const std::u16string type_libs = kClasses + u"TypeLib\\";
    const std::u16string classes = kClasses + u"CLSID\\";
    const std::u16string interfaces = kClasses + u"Interface\\";
    UpperSet type_lib_set, class_set, interface_set;
    StringList names;
    std::u16string text, found;

    // A. Type libraries whose win32 file lies in the program.
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, type_libs, names, view64);
    for (const auto& guid : names) {
        if (!IsRecordableName(guid)) continue;
        Reg_FindSubKey(reg, kHkeyLocalMachine, type_libs + guid + u"\\", u"win32", found, view64);
        if (found.empty() || !Reg_ReadString(reg, kHkeyLocalMachine, found, u"", view64, text))
            continue;
        if (mpr_fun_IsInCollectedFolders(Trim(text))) {
            type_lib_set.insert(AsciiUpper(guid));
            RecordRegistry(u"HKLM|" + type_libs + guid);
        }
    }

    // B. Classes served from the program, or described by its type library.
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, classes, names, view64);
    for (const auto& clsid : names) {
        if (!IsRecordableName(clsid)) continue;
        const std::u16string key = classes + clsid;
        std::u16string server;
        if (!Reg_ReadString(reg, kHkeyLocalMachine, key + u"\\InprocServer32\\", u"", view64,
                            server))
            Reg_ReadString(reg, kHkeyLocalMachine, key + u"\\LocalServer32\\", u"", view64, server);
        bool taken;
        if (!server.empty()) {
            taken = mpr_fun_IsInCollectedFolders(Trim(server));
        } else {
            taken =
                Reg_ReadString(reg, kHkeyLocalMachine, key + u"\\TypeLib\\", u"", view64, text) &&
                !text.empty() && InSet(type_lib_set, text);
        }
        if (!taken) continue;
        class_set.insert(AsciiUpper(clsid));
        RecordRegistry(u"HKLM|" + key);
        if (Reg_ReadString(reg, kHkeyLocalMachine, key + u"\\ProgID\\", u"", view64, text) &&
            IsPlainKeyName(text))
            RecordRegistry(u"HKLM|" + kClasses + text);
    }

    // C. Interfaces proxied by a recorded class or described by a recorded
    // type library; each recorded once.
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, interfaces, names, view64);
    for (const auto& iid : names) {
        if (!IsRecordableName(iid)) continue;
        const std::u16string key = interfaces + iid;
        if (!Reg_ReadString(reg, kHkeyLocalMachine, key + u"\\ProxyStubClsid32\\", u"", view64,
                            text))
            Reg_ReadString(reg, kHkeyLocalMachine, key + u"\\ProxyStubClsid\\", u"", view64, text);
        if (!text.empty() && InSet(class_set, text)) {
            interface_set.insert(AsciiUpper(iid));
            RecordRegistry(u"HKLM|" + key);
        }
        Reg_ReadString(reg, kHkeyLocalMachine, key + u"\\TypeLib\\", u"", view64, text);
        if (!text.empty() && InSet(type_lib_set, text) && !InSet(interface_set, iid)) {
            interface_set.insert(AsciiUpper(iid));
            RecordRegistry(u"HKLM|" + key);
        }
    }

    // D, E. Approved shell extensions and browser toolbars of recorded classes.
    for (const auto& key : {kApproved, kToolbar}) {
        if (!Reg_EnumValueNames(reg, kHkeyLocalMachine, key, names, view64)) continue;
        for (const auto& name : names) {
            if (IsRecordableName(name) && InSet(class_set, name))
                RecordRegistry(u"HKLM|" + key + u"|" + name);
        }
    }

    // F. Browser helper objects of recorded classes.
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, kBrowserHelpers, names, view64);
    for (const auto& name : names) {
        if (IsRecordableName(name) && InSet(class_set, name))
            RecordRegistry(u"HKLM|" + kBrowserHelpers + name);
    }
}

void TThread_Uninstall_Analyze::mpr_pro_SearchMsiUserData(bool view64) {
    RegistryPort& reg = ports_.registry;
    const std::u16string own_uninstall =
        AsciiUpper(Trim(m_class_CurUninstallAppInfo->m_strUninstallString));
    StringList users, products, components, patches;
    Reg_EnumUserDataSids(reg, users, view64);
    std::u16string text;
    for (const auto& sid : users) {
        if (!IsRecordableName(sid)) continue;
        const std::u16string user = kUserData + sid;
        Reg_EnumSubKeys(reg, kHkeyLocalMachine, user + u"\\Products\\", products, view64);
        Reg_EnumSubKeys(reg, kHkeyLocalMachine, user + u"\\Components\\", components, view64);
        for (const auto& product : products) {
            if (!IsRecordableName(product)) continue;
            const std::u16string product_key = user + u"\\Products\\" + product;
            const std::u16string properties = product_key + u"\\InstallProperties\\";
            if (!Reg_ReadString(reg, kHkeyLocalMachine, properties, u"InstallLocation", view64,
                                text))
                continue;
            bool tied = false;
            if (mpr_fun_IsInCollectedFolders(Trim(text))) {
                tied = true;
                RecordRegistry(u"HKLM|" + product_key);
            }
            if (!Reg_ReadString(reg, kHkeyLocalMachine, properties, u"UninstallString", view64,
                                text))
                continue;
            if (!own_uninstall.empty() && own_uninstall == AsciiUpper(Trim(text))) {
                tied = true;
                RecordRegistry(u"HKLM|" + product_key);
            }
            if (!tied) continue;
            Reg_EnumSubKeys(reg, kHkeyLocalMachine, product_key + u"\\Patches\\", patches, view64);
            for (const auto& patch : patches) {
                if (IsRecordableName(patch))
                    RecordRegistry(u"HKLM|" + user + u"\\Patches\\" + patch);
            }
            for (const auto& component : components) {
                if (!IsRecordableName(component)) continue;
                const std::u16string component_key = user + u"\\Components\\" + component;
                if (Reg_ReadString(reg, kHkeyLocalMachine, component_key, product, view64, text))
                    RecordRegistry(u"HKLM|" + component_key);
            }
        }
    }
}

void TThread_Uninstall_Analyze::mpr_pro_SearchAppCompatLayers(bool view64) {
    StringList hives;
    Reg_EnumUserHives(ports_.registry, hives, view64);
    for (const auto& hive : hives) {
        if (IsRecordableName(hive))
            RecordValuesPointingIn(kHkeyUsers, u"HKU", hive + kLayers, view64);
    }
}

void TThread_Uninstall_Analyze::mpr_pro_SearchMuiCache(bool view64) {
    RecordValuesPointingIn(kHkeyCurrentUser, u"HKCU", kCurrentUserMuiCache, view64);
    StringList hives;
    Reg_EnumUserHives(ports_.registry, hives, view64);
    for (const auto& hive : hives) {
        if (IsRecordableName(hive))
            RecordValuesPointingIn(kHkeyUsers, u"HKU", hive + kUserMuiCache, view64);
    }
}

void TThread_Uninstall_Analyze::mpr_pro_SearchElevationPolicyAndRun(bool view64) {
    RegistryPort& reg = ports_.registry;
    StringList policies;
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, kElevationPolicy, policies, view64);
    std::u16string path;
    for (const auto& policy : policies) {
        if (IsRecordableName(policy) &&
            Reg_ReadString(reg, kHkeyLocalMachine, kElevationPolicy + policy, u"AppPath", view64,
                           path) &&
            mpr_fun_IsInCollectedFolders(Trim(path)))
            RecordRegistry(u"HKLM|" + kElevationPolicy + policy);
    }
    for (const auto& [root, root_name] :
         {std::pair{kHkeyLocalMachine, u"HKLM"}, std::pair{kHkeyCurrentUser, u"HKCU"}}) {
        StringList names, texts;
        if (!Reg_EnumValues(reg, root, kRun, names, view64, &texts)) continue;
        for (size_t i = 0; i < names.size() && i < texts.size(); ++i) {
            if (IsRecordableName(names[i]) && mpr_fun_IsInCollectedFolders(Trim(texts[i])))
                RecordRegistry(std::u16string(root_name) + u"|" + kRun + u"|" + names[i]);
        }
    }
}

}  // namespace purgeon
