// Registry port over the real Win32 registry functions.
#pragma once

#include "platform/registry.h"

namespace purgeon {

class Win32Registry : public RegistryPort {
  public:
    RegStatus OpenKey(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                      RegKey* key) override;
    RegStatus CreateKey(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                        RegKey* key) override;
    RegStatus QueryInfoKey(RegKey key, std::uint32_t* sub_keys, std::uint32_t* values) override;
    RegStatus EnumKey(RegKey key, std::uint32_t index, std::uint32_t capacity,
                      std::u16string* name) override;
    RegStatus EnumValue(RegKey key, std::uint32_t index, std::uint32_t capacity,
                        std::u16string* name) override;
    RegStatus QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                         std::uint8_t* data, std::uint32_t* size) override;
    RegStatus SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) override;
    RegStatus DeleteValue(RegKey key, const std::u16string& name) override;
    RegStatus DeleteKey(RegKey key, const std::u16string& sub_key, std::uint32_t sam) override;
    RegStatus DeleteTree(RegKey key, const std::u16string& sub_key) override;
    RegStatus CloseKey(RegKey key) override;
};

}  // namespace purgeon
