// Hostkit port for native tests: the registry key deletion works on a
// MemoryRegistry the way the DLL works on the real one; the machine's
// bitness follows that registry; redirection switches are counted.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/hostkit.h"
#include "platform/memory/memory_registry.h"

namespace purgeon {

class MemoryHostkit : public HostkitPort {
  public:
    explicit MemoryHostkit(MemoryRegistry& registry) : registry_(registry) {}

    bool Is64BitOs() override { return registry_.Is64BitOs(); }
    std::uint32_t GetSamDesiredx6432() override;
    bool EnableWow64FsRedirection(bool enable) override;
    bool CommonRegDeleteKey(RegKey root, const std::u16string& sub_key,
                            std::uint8_t use_64bit_view) override;
    HostkitTable InitFunctionTable() override;
    int NetIsConnected(HostkitTable table) override;
    // A System Restore stand-in: available or not, and what was asked of it
    // ("init", "begin:DESCRIPTION", "cancel", "end").
    bool SrInit() override { return Record(u"init"); }
    bool SrBegin(const std::u16string& description) override {
        return Record(u"begin:" + description);
    }
    bool SrCancel() override { return Record(u"cancel"); }
    bool SrEnd() override { return Record(u"end"); }

    // What tests look at or set.
    bool redirection_disabled() const { return redirection_disabled_; }
    const std::vector<bool>& redirection_calls() const { return redirection_calls_; }
    void set_connected(bool connected) { connected_ = connected; }
    void set_system_restore(bool available) { system_restore_ = available; }
    const std::vector<std::u16string>& restore_point_calls() const { return sr_calls_; }

  private:
    bool Record(std::u16string call) {
        sr_calls_.push_back(std::move(call));
        return system_restore_;
    }

    MemoryRegistry& registry_;
    bool system_restore_ = true;
    std::vector<std::u16string> sr_calls_;
    bool redirection_disabled_ = false;
    std::vector<bool> redirection_calls_;
    bool connected_ = true;
    std::vector<std::unique_ptr<char[]>> tables_;
};

}  // namespace purgeon
