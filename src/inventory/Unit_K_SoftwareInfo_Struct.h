// The record of one installed program and the inventory of all of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/text.h"

namespace purgeon {

// One installed program: what its Uninstall entry says, plus the lists the
// leftover analysis fills for it.
class K_Class_SoftwareInfo {
  public:
    K_Class_SoftwareInfo() = default;
    virtual ~K_Class_SoftwareInfo() = default;  // Destroy: frees the owned lists only
    K_Class_SoftwareInfo(const K_Class_SoftwareInfo&) = delete;
    K_Class_SoftwareInfo& operator=(const K_Class_SoftwareInfo&) = delete;

    std::u16string m_strSoftwareName;  // display name, trimmed
    std::u16string m_strNamelow;       // the name with A-Z lowered: the inventory key
    std::u16string m_strPublisher;
    std::u16string m_strInstallLocation;  // ends with "\" when not empty
    std::u16string m_strUninstallString;
    std::u16string m_strDisplayIcon;
    std::int32_t m_nDisplayIcon_ID = 0;  // 65535: the icon source names no index
    std::u16string m_strDisplayVersion;
    std::u16string m_strInstallRegPath;  // "HKLM|SOFTWARE\...\Uninstall\<key>" or empty
    std::int32_t m_nIs64Bit = 0;         // 1: found in the 64-bit registry view

    StringList m_ListStr_AXCFiles;  // bare names of found module files
    StringList m_ListStr_Folders;   // found leftover folders
    StringList m_ListStr_Files;     // found leftover files, full paths
    StringList m_ListStr_Registry;  // found registry leftovers, location notation

    // Borrowed from the known-software library, which outlives every record;
    // a record never frees it. Null when no library entry matches.
    const StringList* m_ListStr_Lib_FolderName = nullptr;
};

// Turns a display name into its inventory key: only A-Z are lowered.
inline std::u16string SoftwareKey(std::u16string_view name) {
    return AsciiLower(name);
}

// All installed programs. Owns its records; the map and the name list only
// refer to them. Keys compare exactly (they are already ASCII-lowered).
class K_Class_SoftwareInfo_List {
  public:
    K_Class_SoftwareInfo_List() = default;
    ~K_Class_SoftwareInfo_List() = default;
    K_Class_SoftwareInfo_List(const K_Class_SoftwareInfo_List&) = delete;
    K_Class_SoftwareInfo_List& operator=(const K_Class_SoftwareInfo_List&) = delete;

    std::vector<std::unique_ptr<K_Class_SoftwareInfo>> m_ObjList_InstalledSoftware;
    StringList m_ListStr_InstalledSoftwareName;
    std::unordered_map<std::u16string, K_Class_SoftwareInfo*> m_Map_InstalledSoftware;
    bool m_bIsSearch = false;

    // Empties the name list, the records (freeing each) and the map, and
    // releases their storage. m_bIsSearch is left alone.
    void mpu_Clean();
    // Empties the name list only; records and map stay.
    void mpu_Search_Clean();
    // Teardown: releases the name list, the records and the map.
    void mpu_Free();

    // The record under `key` (an m_strNamelow), or null.
    K_Class_SoftwareInfo* Find(const std::u16string& key) const;
    // Appends a record whose key is new: to the record list, its key to the
    // name list, then to the map. A record whose key is held already is
    // refused and handed back untouched, so the caller can merge it.
    std::unique_ptr<K_Class_SoftwareInfo> Add(std::unique_ptr<K_Class_SoftwareInfo> record);
};

}  // namespace purgeon
