// Registry port: the Windows registry operations the program uses, with
// Windows' own status codes, handles and access masks, so that the logic
// above it reads like the Win32 code it stands for and runs unchanged on the
// in-memory registry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace purgeon {

// A registry key handle. Predefined roots use their Windows handle values.
using RegKey = std::uintptr_t;
constexpr RegKey kHkeyClassesRoot = 0x80000000;
constexpr RegKey kHkeyCurrentUser = 0x80000001;
constexpr RegKey kHkeyLocalMachine = 0x80000002;
constexpr RegKey kHkeyUsers = 0x80000003;

// Win32 status codes (LONG) returned by the registry operations.
using RegStatus = std::int32_t;
constexpr RegStatus kErrorSuccess = 0;
constexpr RegStatus kErrorFileNotFound = 2;
constexpr RegStatus kErrorAccessDenied = 5;
constexpr RegStatus kErrorInvalidHandle = 6;
constexpr RegStatus kErrorInvalidParameter = 87;
constexpr RegStatus kErrorBadPathname = 161;
constexpr RegStatus kErrorMoreData = 234;
constexpr RegStatus kErrorNoMoreItems = 259;
constexpr RegStatus kErrorKeyDeleted = 1018;

// Access masks.
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;
constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
constexpr std::uint32_t kKeyWow64_32Key = 0x0200;

// Value types.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

class RegistryPort {
  public:
    virtual ~RegistryPort() = default;

    // RegOpenKeyExW. `sub_key` may be empty (opens `parent` again). On
    // failure `*key` is not touched.
    virtual RegStatus OpenKey(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                              RegKey* key) = 0;
    // RegCreateKeyExW: opens the key, creating it and its missing parents.
    virtual RegStatus CreateKey(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                                RegKey* key) = 0;
    // RegQueryInfoKeyW: the numbers of sub-keys and of values.
    virtual RegStatus QueryInfoKey(RegKey key, std::uint32_t* sub_keys, std::uint32_t* values) = 0;
    // RegEnumKeyExW / RegEnumValueW into a name buffer of `capacity`
    // characters including the terminator: a longer name gives
    // kErrorMoreData and leaves `name` untouched; past the end
    // kErrorNoMoreItems.
    virtual RegStatus EnumKey(RegKey key, std::uint32_t index, std::uint32_t capacity,
                              std::u16string* name) = 0;
    virtual RegStatus EnumValue(RegKey key, std::uint32_t index, std::uint32_t capacity,
                                std::u16string* name) = 0;
    // RegQueryValueExW. `data` null: only `*size` (bytes) and `*type` are
    // reported. Otherwise `*size` is the buffer size in bytes on entry and
    // the data size on return; a smaller buffer gives kErrorMoreData and the
    // needed size, with nothing written to `data`. `type` may be null.
    virtual RegStatus QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) = 0;
    virtual RegStatus SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) = 0;
    virtual RegStatus DeleteValue(RegKey key, const std::u16string& name) = 0;
    // RegDeleteKeyExW: deletes a key that has no sub-keys (empty `sub_key`:
    // the opened key itself); `sam` picks the view of `sub_key`.
    virtual RegStatus DeleteKey(RegKey key, const std::u16string& sub_key, std::uint32_t sam) = 0;
    // RegDeleteTreeW: deletes the key's values and sub-keys and, when
    // `sub_key` is not empty, that sub-key itself.
    virtual RegStatus DeleteTree(RegKey key, const std::u16string& sub_key) = 0;
    virtual RegStatus CloseKey(RegKey key) = 0;
};

// Closes a key handle on scope exit; roots are never closed.
class ScopedRegKey {
  public:
    explicit ScopedRegKey(RegistryPort& registry) : registry_(registry) {}
    ~ScopedRegKey() { Reset(); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    RegKey* Receive() {
        Reset();
        return &key_;
    }
    RegKey Get() const { return key_; }
    void Reset() {
        if (key_ != 0) registry_.CloseKey(key_);
        key_ = 0;
    }

  private:
    RegistryPort& registry_;
    RegKey key_ = 0;
};

}  // namespace purgeon
