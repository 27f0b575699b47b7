// Hostkit.dll: how a 32-bit process sits on 64-bit Windows (registry view
// mask, file-system redirection), deleting a registry key with its subtree,
// and the function table of further services (services.h).
#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "hostkit_exports.h"
#include "services.h"
#include "wow64.h"

namespace {

// One slot for the value Wow64DisableWow64FsRedirection saves; callers must
// not nest or interleave the switches.
PVOID g_saved_redirection = nullptr;

}  // namespace

namespace purgeon::hostkit {

int __stdcall Net_IsConnected() {
    DWORD flags = 0;
    if (!InternetGetConnectedState(&flags, 0)) return 0;
    return (flags &
            (INTERNET_CONNECTION_MODEM | INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_PROXY))
               ? 1
               : 0;
}

}  // namespace purgeon::hostkit

using purgeon::hostkit::DisableFsRedirection;
using purgeon::hostkit::IsWow64Cached;
using purgeon::hostkit::kSamAllAccess;
using purgeon::hostkit::kSamAllAccess64;
using purgeon::hostkit::RevertFsRedirection;

extern "C" {

BYTE __stdcall Dll_Is64BitOs() {
    return static_cast<BYTE>(IsWow64Cached() & 0xFF);
}

DWORD __stdcall Dll_GetSamDesiredx6432() {
    return Dll_Is64BitOs() ? kSamAllAccess64 : kSamAllAccess;
}

BYTE __stdcall Dll_EnableWow64FsRedirection(BYTE enable) {
    if (!IsWow64Cached()) return TRUE;
    const bool done = enable ? RevertFsRedirection(g_saved_redirection)
                             : DisableFsRedirection(&g_saved_redirection);
    return done ? TRUE : FALSE;
}

BYTE __stdcall Dll_Common_RegDeleteKey(HKEY root, const wchar_t* subKey, BYTE use64BitView) {
    // An empty key path names `root` itself, which is never deleted.
    if (subKey == nullptr || subKey[std::wcsspn(subKey, L"\\")] == L'\0') return FALSE;
    const DWORD sam = use64BitView == 1 ? kSamAllAccess64 : kSamAllAccess;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, sam, &key) != ERROR_SUCCESS) return FALSE;
    DWORD sub_keys = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return FALSE;
    }
    // An empty sub-key name addresses the opened key itself. RegDeleteTreeW
    // only empties it (Windows and Wine alike), so the key, a leaf by then,
    // goes with RegDeleteKeyExW.
    LONG status = sub_keys == 0 ? ERROR_SUCCESS : RegDeleteTreeW(key, L"");
    if (status == ERROR_SUCCESS) status = RegDeleteKeyExW(key, L"", sam, 0);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? TRUE : FALSE;
}

HostkitFunctionTable* __stdcall InitDll_Hostkit() {
    // The caller owns the block for the life of the process. Out of memory
    // gives null: no exception may cross an export.
    auto* table = static_cast<HostkitFunctionTable*>(std::malloc(sizeof(HostkitFunctionTable)));
    if (table == nullptr) return nullptr;
    std::memset(table, 0, sizeof(*table));
    namespace hk = purgeon::hostkit;
    auto set = [table](HostkitSlot slot, auto* function) {
        table->slots[slot] = reinterpret_cast<void*>(function);
    };
    set(kSlotRunKeyDeleteValue, &hk::RunKey_DeleteValue);
    set(kSlotRunKeySetValue, &hk::RunKey_SetValue);
    set(kSlotTaskCreateWeekly, &hk::Task_CreateWeekly);
    set(kSlotTaskCreateMonthly, &hk::Task_CreateMonthly);
    set(kSlotTaskDelete, &hk::Task_Delete);
    set(kSlotTaskCreateOnce, &hk::Task_CreateOnce);
    set(kSlotTaskGetTrigger, &hk::Task_GetTrigger);
    set(kSlotTaskCreateWeeklyOnDays, &hk::Task_CreateWeeklyOnDays);
    set(kSlotTaskCreateDaily, &hk::Task_CreateDaily);
    set(kSlotTaskTriggerToTime, &hk::Task_TriggerToTime);
    set(kSlotTaskMaskHasDay, &hk::Task_MaskHasDay);
    set(kSlotNetIsConnected, &hk::Net_IsConnected);
    set(kSlotToolRunRegistryEditor, &hk::Tool_RunRegistryEditor);
    set(kSlotToolRunDxDiag, &hk::Tool_RunDxDiag);
    set(kSlotToolRunSystemInformation, &hk::Tool_RunSystemInformation);
    set(kSlotToolRunSystemConfiguration, &hk::Tool_RunSystemConfiguration);
    set(kSlotToolRunDiskCleanup, &hk::Tool_RunDiskCleanup);
    set(kSlotToolRunDefragmenter, &hk::Tool_RunDefragmenter);
    set(kSlotToolRunComputerManagement, &hk::Tool_RunComputerManagement);
    set(kSlotToolRunBackup, &hk::Tool_RunBackup);
    set(kSlotToolRunSystemRestore, &hk::Tool_RunSystemRestore);
    set(kSlotToolRunGroupPolicyEditor, &hk::Tool_RunGroupPolicyEditor);
    set(kSlotRegBackupSetTarget, &hk::RegBackup_SetTarget);
    set(kSlotRegBackupImport, &hk::RegBackup_Import);
    set(kSlotRegBackupExport, &hk::RegBackup_Export);
    return table;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
