// Hostkit.dll: how a 32-bit process sits on 64-bit Windows (WOW64 test,
// registry view mask, file-system redirection), deleting a registry key with
// its subtree, and the function table of further services.
#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <cstring>

#include "hostkit_exports.h"

namespace {

// WOW64 cache: filled on first use, never recomputed. Two threads filling it
// at once store the same value.
volatile LONG g_wow64_checked = 0;
BOOL g_is_wow64 = FALSE;

// One slot for the value Wow64DisableWow64FsRedirection saves; callers must
// not nest or interleave the switches.
PVOID g_saved_redirection = nullptr;

constexpr DWORD kSamAllAccess = 0xF003F;
constexpr DWORD kSamAllAccess64 = 0xF013F;

FARPROC Kernel32Proc(const char* name) {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32");
    return kernel32 != nullptr ? GetProcAddress(kernel32, name) : nullptr;
}

BOOL IsWow64Cached() {
    if (!g_wow64_checked) {
        BOOL value = FALSE;
        using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
        auto is_wow64_process = reinterpret_cast<IsWow64ProcessFn>(Kernel32Proc("IsWow64Process"));
        if (is_wow64_process != nullptr && !is_wow64_process(GetCurrentProcess(), &value)) value = FALSE;
        g_is_wow64 = value;
        InterlockedExchange(&g_wow64_checked, 1);
    }
    return g_is_wow64;
}

int __stdcall Net_IsConnected() {
    DWORD flags = 0;
    if (!InternetGetConnectedState(&flags, 0)) return 0;
    return (flags & (INTERNET_CONNECTION_MODEM | INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_PROXY)) ? 1 : 0;
}

}  // namespace

extern "C" {

BYTE __stdcall Dll_Is64BitOs() { return static_cast<BYTE>(IsWow64Cached() & 0xFF); }

DWORD __stdcall Dll_GetSamDesiredx6432() { return Dll_Is64BitOs() ? kSamAllAccess64 : kSamAllAccess; }

BYTE __stdcall Dll_EnableWow64FsRedirection(BYTE enable) {
    if (!IsWow64Cached()) return TRUE;
    if (!enable) {
        using DisableFn = BOOL(WINAPI*)(PVOID*);
        auto disable = reinterpret_cast<DisableFn>(Kernel32Proc("Wow64DisableWow64FsRedirection"));
        if (disable == nullptr) return FALSE;
        return disable(&g_saved_redirection) ? TRUE : FALSE;
    }
    using RevertFn = BOOL(WINAPI*)(PVOID);
    auto revert = reinterpret_cast<RevertFn>(Kernel32Proc("Wow64RevertWow64FsRedirection"));
    if (revert == nullptr) return FALSE;
    return revert(g_saved_redirection) ? TRUE : FALSE;
}

BYTE __stdcall Dll_Common_RegDeleteKey(HKEY root, const wchar_t* subKey, BYTE use64BitView) {
    const DWORD sam = use64BitView == 1 ? kSamAllAccess64 : kSamAllAccess;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, sam, &key) != ERROR_SUCCESS) return FALSE;
    DWORD sub_keys = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return FALSE;
    }
    // An empty sub-key name addresses the opened key itself.
    const LONG status = sub_keys == 0 ? RegDeleteKeyExW(key, L"", sam, 0) : RegDeleteTreeW(key, L"");
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? TRUE : FALSE;
}

HostkitFunctionTable* __stdcall InitDll_Hostkit() {
    // The caller owns the block for the life of the process. Out of memory
    // gives null: no exception may cross an export.
    auto* table = static_cast<HostkitFunctionTable*>(std::malloc(sizeof(HostkitFunctionTable)));
    if (table == nullptr) return nullptr;
    std::memset(table, 0, sizeof(*table));
    table->slots[kSlotNetIsConnected] = reinterpret_cast<void*>(&Net_IsConnected);
    return table;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
