// Hostkit port for native tests: the registry key deletion works on a
// MemoryRegistry the way the DLL works on the real one; the machine's
// bitness follows that registry; redirection switches are counted.
#pragma once

#include <memory>
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

    // What tests look at or set.
    bool redirection_disabled() const { return redirection_disabled_; }
    const std::vector<bool>& redirection_calls() const { return redirection_calls_; }
    void set_connected(bool connected) { connected_ = connected; }

  private:
    MemoryRegistry& registry_;
    bool redirection_disabled_ = false;
    std::vector<bool> redirection_calls_;
    bool connected_ = true;
    std::vector<std::unique_ptr<char[]>> tables_;
};

}  // namespace purgeon
