// The binary interface of Hostkit.dll: its exports and its function table.
// Shared by the DLL and by the programs that import from it. Every export is
// stdcall under its plain, undecorated name; Booleans are one byte.
#pragma once

#include <windows.h>

#include <cstddef>

#ifdef HOSTKIT_BUILDING
#define HOSTKIT_API
#else
#define HOSTKIT_API __declspec(dllimport)
#endif

// 32 pointer-sized slots; positions are a binary interface (slot 12 is at
// byte offset 48 in the 32-bit build). Unlisted slots are null.
struct HostkitFunctionTable {
    void* slots[32];
};
static_assert(sizeof(void*) != 4 || sizeof(HostkitFunctionTable) == 128, "128 bytes in the 32-bit build");

enum HostkitSlot : int {
    kSlotRunKeyDeleteValue = 0,
    kSlotRunKeySetValue = 1,
    kSlotTaskCreateWeekly = 3,
    kSlotTaskCreateMonthly = 4,
    kSlotTaskDelete = 5,
    kSlotTaskCreateOnce = 6,
    kSlotTaskGetTrigger = 7,
    kSlotTaskCreateWeeklyOnDays = 8,
    kSlotTaskCreateDaily = 9,
    kSlotTaskTriggerToTime = 10,
    kSlotTaskMaskHasDay = 11,
    kSlotNetIsConnected = 12,
    kSlotToolRunRegistryEditor = 13,
    kSlotToolRunDxDiag = 14,
    kSlotToolRunSystemInformation = 15,
    kSlotToolRunSystemConfiguration = 16,
    kSlotToolRunDiskCleanup = 17,
    kSlotToolRunDefragmenter = 18,
    kSlotToolRunComputerManagement = 19,
    kSlotToolRunBackup = 20,
    kSlotToolRunSystemRestore = 21,
    kSlotToolRunGroupPolicyEditor = 22,
    kSlotRegBackupSetTarget = 23,
    kSlotRegBackupImport = 24,
    kSlotRegBackupExport = 25,
};

typedef int(__stdcall* Net_IsConnected_Fn)();

extern "C" {
HOSTKIT_API BYTE __stdcall Dll_Is64BitOs();
HOSTKIT_API DWORD __stdcall Dll_GetSamDesiredx6432();
HOSTKIT_API BYTE __stdcall Dll_EnableWow64FsRedirection(BYTE enable);
HOSTKIT_API BYTE __stdcall Dll_Common_RegDeleteKey(HKEY root, const wchar_t* subKey, BYTE use64BitView);
HOSTKIT_API HostkitFunctionTable* __stdcall InitDll_Hostkit();
}
