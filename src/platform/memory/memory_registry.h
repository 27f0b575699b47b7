// In-memory registry with Windows semantics, as a 32-bit program sees it:
//  - on a 64-bit machine two views: the 32-bit view of HKLM\SOFTWARE\X is
//    HKLM\SOFTWARE\Wow6432Node\X, everything else is shared; the view comes
//    from the access mask (KEY_WOW64_64KEY / KEY_WOW64_32KEY, default 32-bit);
//  - on a 32-bit machine one view, the view flags ignored;
//  - HKCU is HKU\<current user's SID>, HKCR is HKLM\SOFTWARE\Classes;
//  - names keep their case and compare case-insensitively; sub-keys enumerate
//    in upper-cased order, values in creation order, as Windows does;
//  - enumerating all N sub-keys by ascending index costs O(N) in total.
// Thread-safe: one lock around every operation.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry.h"

namespace purgeon {

class MemoryRegistry : public RegistryPort {
  public:
    explicit MemoryRegistry(bool is_64bit_os = true,
                            std::u16string current_user_sid = u"S-1-5-21-1000-1000-1000-1001");
    ~MemoryRegistry() override;

    bool Is64BitOs() const { return is_64bit_os_; }
    const std::u16string& CurrentUserSid() const { return current_user_sid_; }
    std::size_t OpenHandleCount() const;

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

  private:
    struct Node;
    struct Handle {
        std::shared_ptr<Node> node;
        std::vector<std::u16string> logical_path;  // from the hive top, views not applied
        int hive = 0;
        bool view64 = false;
    };

    RegStatus Resolve(RegKey parent, const std::u16string& sub_key, std::uint32_t sam, bool create,
                      Handle* out);
    const Handle* Find(RegKey key) const;
    Node* NodeOf(RegKey key, RegStatus* status);
    RegKey AddHandle(Handle handle);
    static void MarkDeleted(Node& node);
    void Detach(Node& node);

    const bool is_64bit_os_;
    const std::u16string current_user_sid_;
    mutable std::mutex mutex_;
    std::shared_ptr<Node> hklm_, hku_;
    std::unordered_map<RegKey, Handle> handles_;
    RegKey next_handle_ = 0x1000;
};

}  // namespace purgeon
