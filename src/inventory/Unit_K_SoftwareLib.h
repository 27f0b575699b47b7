// Built-in knowledge of well-known programs of other vendors: the folder
// names they use (searched for on the system drive when a program registers
// no install folder), and three products' own registry places for their
// install folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"

namespace purgeon {

// One entry: the folder names of a product, in table order. Records point
// at this list without owning it.
class K_SoftwareInstall_Lib {
  public:
    virtual ~K_SoftwareInstall_Lib() = default;
    StringList m_List_FoldersName;
};

class K_Software_Const_Feature_Lib {
  public:
    struct Entry {
        std::u16string key;  // lower-case name fragment
        std::unique_ptr<K_SoftwareInstall_Lib> lib;
    };

    // Adds the 58 entries of the table, in table order. Call once.
    void mpu_InitLib();
    // Frees every entry; the library's teardown.
    void mpu_Free();

    // The folder list of the entry whose key occurs in `name_low` (an
    // m_strNamelow), or null. When several keys occur, the longest wins (the
    // most specific name: "babylon toolbar on ie" over "babylon"); between
    // keys of equal length the earlier table row wins.
    const StringList* mpu_fun_FindFolderNames(const std::u16string& name_low) const;

    // Install-folder resolvers for three products; each gives the empty text
    // when the display name is not its product's, or nothing is found.
    std::u16string mpu_fun_InstallLocation_For_ZillyaAntivirus(
        RegistryPort& reg, const std::u16string& str_param_Software_Name,
        bool bool_param_IsWow64) const;
    std::u16string mpu_fun_InstallLocation_For_Babylon(
        RegistryPort& reg, const std::u16string& str_param_Software_Name,
        bool bool_param_IsWow64) const;
    std::u16string mpu_fun_InstallLocation_For_StarWars(
        RegistryPort& reg, const std::u16string& str_param_Software_Name,
        bool bool_param_IsWow64) const;

    // Key -> entry, in table order (an ordered list, so that lookups are
    // deterministic).
    std::vector<Entry> m_Map_Lib_SoftwareName;
};

}  // namespace purgeon
