#include "inventory/Unit_K_SoftwareInfo_Struct.h"

namespace purgeon {

void K_Class_SoftwareInfo_List::mpu_Clean() {
    StringList().swap(m_ListStr_InstalledSoftwareName);
    std::unordered_map<std::u16string, K_Class_SoftwareInfo*>().swap(m_Map_InstalledSoftware);
    std::vector<std::unique_ptr<K_Class_SoftwareInfo>>().swap(m_ObjList_InstalledSoftware);
}

void K_Class_SoftwareInfo_List::mpu_Search_Clean() {
    StringList().swap(m_ListStr_InstalledSoftwareName);
}

void K_Class_SoftwareInfo_List::mpu_Free() {
    mpu_Clean();
}

K_Class_SoftwareInfo* K_Class_SoftwareInfo_List::Find(const std::u16string& key) const {
    auto it = m_Map_InstalledSoftware.find(key);
    return it == m_Map_InstalledSoftware.end() ? nullptr : it->second;
}

std::unique_ptr<K_Class_SoftwareInfo> K_Class_SoftwareInfo_List::Add(
    std::unique_ptr<K_Class_SoftwareInfo> record) {
    if (!record || m_Map_InstalledSoftware.count(record->m_strNamelow)) return record;
    K_Class_SoftwareInfo* raw = record.get();
    m_ObjList_InstalledSoftware.push_back(std::move(record));
    m_ListStr_InstalledSoftwareName.push_back(raw->m_strNamelow);
    m_Map_InstalledSoftware.emplace(raw->m_strNamelow, raw);
    return nullptr;
}

}  // namespace purgeon
