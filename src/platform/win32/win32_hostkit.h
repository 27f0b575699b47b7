// Hostkit port over the DLL's imports (load-time link to Hostkit.dll).
#pragma once

#include "platform/hostkit.h"

namespace purgeon {

class Win32Hostkit : public HostkitPort {
  public:
    bool Is64BitOs() override;
    std::uint32_t GetSamDesiredx6432() override;
    bool EnableWow64FsRedirection(bool enable) override;
    bool CommonRegDeleteKey(RegKey root, const std::u16string& sub_key,
                            std::uint8_t use_64bit_view) override;
    HostkitTable InitFunctionTable() override;
    int NetIsConnected(HostkitTable table) override;
    bool SrInit() override;
    bool SrBegin(const std::u16string& description) override;
    bool SrCancel() override;
    bool SrEnd() override;
};

}  // namespace purgeon
