#include "wow64.h"

namespace purgeon::hostkit {

namespace {

// WOW64 cache: filled on first use, never recomputed. Two threads filling it
// at once store the same value.
volatile LONG g_wow64_checked = 0;
BOOL g_is_wow64 = FALSE;

}  // namespace

FARPROC Kernel32Proc(const char* name) {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32");
    return kernel32 != nullptr ? GetProcAddress(kernel32, name) : nullptr;
}

BOOL IsWow64Cached() {
#ifdef _WIN64
    return TRUE;
#endif
    if (!g_wow64_checked) {
        BOOL value = FALSE;
        using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
        auto is_wow64_process = Kernel32Function<IsWow64ProcessFn>("IsWow64Process");
        if (is_wow64_process != nullptr && !is_wow64_process(GetCurrentProcess(), &value)) {
            value = FALSE;
        }
        g_is_wow64 = value;
        InterlockedExchange(&g_wow64_checked, 1);
    }
    return g_is_wow64;
}

bool DisableFsRedirection(PVOID* saved) {
#ifdef _WIN64
    *saved = nullptr;
    return true;
#endif
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    auto disable = Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection");
    return disable != nullptr && disable(saved);
}

bool RevertFsRedirection(PVOID saved) {
#ifdef _WIN64
    (void)saved;
    return true;
#endif
    using RevertFn = BOOL(WINAPI*)(PVOID);
    auto revert = Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection");
    return revert != nullptr && revert(saved);
}

}  // namespace purgeon::hostkit
