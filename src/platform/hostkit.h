// Hostkit port: the program's calls into Hostkit.dll. The Win32 adapter calls
// the DLL's imports; the in-memory one works on the in-memory registry.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace purgeon {

class HostkitPort {
public:
    virtual ~HostkitPort() = default;
    virtual bool Is64BitOs() = 0;                         // Dll_Is64BitOs
    virtual std::uint32_t GetSamDesiredx6432() = 0;       // Dll_GetSamDesiredx6432
    virtual bool EnableWow64FsRedirection(bool enable) = 0;  // Dll_EnableWow64FsRedirection
    // Dll_Common_RegDeleteKey: the key with everything below it. The view
    // byte selects the 64-bit view only when it equals 1.
    virtual bool CommonRegDeleteKey(RegKey root, const std::u16string& sub_key,
                                    std::uint8_t use_64bit_view) = 0;
};

}  // namespace purgeon
