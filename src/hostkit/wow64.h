// How this 32-bit process sits on 64-bit Windows: the WOW64 test and the
// file-system redirection switch, looked up in kernel32 at run time so that
// the library also loads where they do not exist.
#pragma once

#include <windows.h>

#include "platform/win32/win32_handles.h"

namespace purgeon::hostkit {

// The named kernel32 function, or null when this Windows lacks it.
FARPROC Kernel32Proc(const char* name);

template <typename Fn>
Fn Kernel32Function(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(Kernel32Proc(name)));
}

// KEY_ALL_ACCESS with no view named: for this 32-bit process on 64-bit
// Windows it opens the 32-bit view. The 64-bit test build, standing in for
// it, names that view.
#ifdef _WIN64
constexpr REGSAM kSamAllAccess = 0xF003F | KEY_WOW64_32KEY;
#else
constexpr REGSAM kSamAllAccess = 0xF003F;
#endif
// KEY_ALL_ACCESS | KEY_WOW64_64KEY: the 64-bit view from any process.
constexpr REGSAM kSamAllAccess64 = 0xF013F;

// Whether IsWow64Process reported TRUE for this process; false when the
// function is missing or fails. Computed once, then cached for good. TRUE in
// the 64-bit test build, which stands in for the 32-bit program on 64-bit
// Windows.
BOOL IsWow64Cached();

// Wow64DisableWow64FsRedirection on the calling thread, the value to revert
// with stored in *saved. False when the function is missing or fails. In the
// 64-bit test build true with nothing switched: a 64-bit process sees the
// native system folder, as the 32-bit one does with redirection off.
bool DisableFsRedirection(PVOID* saved);

// Wow64RevertWow64FsRedirection with the value DisableFsRedirection saved
// (in the 64-bit test build true with nothing switched).
bool RevertFsRedirection(PVOID saved);

// Switches redirection off for one scope under WOW64 and back on when the
// scope ends, on every return path. Outside WOW64 it does nothing.
class ScopedFsRedirectionOff : public ScopedWow64RedirectionOff {
  public:
    ScopedFsRedirectionOff()
        : ScopedWow64RedirectionOff(IsWow64Cached(), &DisableFsRedirection, &RevertFsRedirection) {}
};

}  // namespace purgeon::hostkit
