// Helpers that build registry fixtures through any RegistryPort.
#pragma once

#include <string>

#include "inventory/Unit_K_Registry_Proc.h"
#include "platform/registry.h"

namespace purgeon::testing {

inline void PutKey(RegistryPort& reg, RegKey root, const std::u16string& path,
                   bool view64 = false) {
    ScopedRegKey key(reg);
    reg.CreateKey(root, path, RegistryViewMask(view64), key.Receive());
}

inline void PutValue(RegistryPort& reg, RegKey root, const std::u16string& path,
                     const std::u16string& name, std::uint32_t type, const void* data,
                     std::uint32_t size, bool view64 = false) {
    ScopedRegKey key(reg);
    if (reg.CreateKey(root, path, RegistryViewMask(view64), key.Receive()) != kErrorSuccess) return;
    reg.SetValue(key.Get(), name, type, static_cast<const std::uint8_t*>(data), size);
}

inline void PutString(RegistryPort& reg, RegKey root, const std::u16string& path,
                      const std::u16string& name, const std::u16string& text, bool view64 = false) {
    PutValue(reg, root, path, name, kRegSz, text.c_str(), std::uint32_t((text.size() + 1) * 2),
             view64);
}

inline void PutDword(RegistryPort& reg, RegKey root, const std::u16string& path,
                     const std::u16string& name, std::uint32_t number, bool view64 = false) {
    PutValue(reg, root, path, name, kRegDword, &number, 4, view64);
}

inline bool KeyExists(RegistryPort& reg, RegKey root, const std::u16string& path,
                      bool view64 = false) {
    ScopedRegKey key(reg);
    return reg.OpenKey(root, path, RegistryViewMask(view64), key.Receive()) == kErrorSuccess;
}

inline bool ValueExists(RegistryPort& reg, RegKey root, const std::u16string& path,
                        const std::u16string& name, bool view64 = false) {
    ScopedRegKey key(reg);
    if (reg.OpenKey(root, path, RegistryViewMask(view64), key.Receive()) != kErrorSuccess)
        return false;
    return reg.QueryValue(key.Get(), name, nullptr, nullptr, nullptr) == kErrorSuccess;
}

}  // namespace purgeon::testing
