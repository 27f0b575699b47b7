// Hostkit port: the program's calls into Hostkit.dll. The Win32 adapter calls
// the DLL's imports; the in-memory one works on the in-memory registry.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace purgeon {

// The function table InitDll_Hostkit hands out. Opaque to the core, which
// reaches the table's services through this port; owned by the program for
// the life of the process and never freed.
using HostkitTable = void*;

class HostkitPort {
  public:
    virtual ~HostkitPort() = default;
    virtual bool Is64BitOs() = 0;                            // Dll_Is64BitOs
    virtual std::uint32_t GetSamDesiredx6432() = 0;          // Dll_GetSamDesiredx6432
    virtual bool EnableWow64FsRedirection(bool enable) = 0;  // Dll_EnableWow64FsRedirection
    // Dll_Common_RegDeleteKey: the key with everything below it. The view
    // byte selects the 64-bit view only when it equals 1.
    virtual bool CommonRegDeleteKey(RegKey root, const std::u16string& sub_key,
                                    std::uint8_t use_64bit_view) = 0;
    // InitDll_Hostkit: a new table on every call; null when out of memory.
    virtual HostkitTable InitFunctionTable() = 0;
    // Net_IsConnected through slot 12 of `table`: non-zero when connected.
    virtual int NetIsConnected(HostkitTable table) = 0;
    // Dll_SR_Init, Dll_SR_Begin, Dll_SR_Cancel, Dll_SR_End: a System Restore
    // point begun before changes and then ended (kept) or cancelled. False
    // when System Restore is unavailable; adapters without it keep these.
    virtual bool SrInit() { return false; }
    virtual bool SrBegin(const std::u16string& description) {
        (void)description;
        return false;
    }
    virtual bool SrCancel() { return false; }
    virtual bool SrEnd() { return false; }
};

}  // namespace purgeon
