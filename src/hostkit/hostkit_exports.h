// The binary interface of Hostkit.dll: its exports and its function table.
// Shared by the DLL and by the programs that import from it. Every export is
// stdcall under its plain, undecorated name; Booleans are one byte.
#pragma once

#include <windows.h>
// TASK_TRIGGER, the trigger record of the task functions.
#include <mstask.h>

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
static_assert(sizeof(void*) != 4 || sizeof(HostkitFunctionTable) == 128,
              "128 bytes in the 32-bit build");

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

// The slot functions. Strings are zero-terminated UTF-16 owned by the caller;
// `int` results are a full 0 or 1, BYTE results a one-byte Boolean.
typedef int(__stdcall* RunKey_DeleteValue_Fn)(const wchar_t* value_name);
typedef int(__stdcall* RunKey_SetValue_Fn)(const wchar_t* value_name, const wchar_t* command);
// Note the argument orders: day, month, year here ...
typedef int(__stdcall* Task_CreateWeekly_Fn)(const wchar_t* task_name, const wchar_t* program_path,
                                             int day, int month, int year, int hour, int minute);
typedef int(__stdcall* Task_CreateMonthly_Fn)(const wchar_t* task_name, const wchar_t* program_path,
                                              int day, int month, int year, int hour, int minute);
typedef int(__stdcall* Task_Delete_Fn)(const wchar_t* task_name);
// ... and year, month, day here.
typedef int(__stdcall* Task_CreateOnce_Fn)(const wchar_t* task_name, const wchar_t* program_path,
                                           int year, int month, int day, int hour, int minute);
typedef int(__stdcall* Task_GetTrigger_Fn)(const wchar_t* task_name, TASK_TRIGGER* trigger,
                                           int* found);
typedef int(__stdcall* Task_CreateWeeklyOnDays_Fn)(const wchar_t* task_name,
                                                   const wchar_t* program_path, int days_of_week,
                                                   int hour, int minute);
typedef int(__stdcall* Task_CreateDaily_Fn)(const wchar_t* task_name, const wchar_t* program_path,
                                            int hour, int minute);
typedef int(__stdcall* Task_TriggerToTime_Fn)(const TASK_TRIGGER* trigger, SYSTEMTIME* time);
typedef int(__stdcall* Task_MaskHasDay_Fn)(WORD mask, WORD day);
typedef int(__stdcall* Net_IsConnected_Fn)();
// Slots 13 to 22, one per administration tool.
typedef BYTE(__stdcall* Tool_Run_Fn)();
typedef BYTE(__stdcall* RegBackup_SetTarget_Fn)(const wchar_t* folder, const wchar_t* file_name);
typedef BYTE(__stdcall* RegBackup_Import_Fn)(const wchar_t* reg_file_path);
typedef BYTE(__stdcall* RegBackup_Export_Fn)();

extern "C" {
HOSTKIT_API BYTE __stdcall Dll_Is64BitOs();
HOSTKIT_API DWORD __stdcall Dll_GetSamDesiredx6432();
HOSTKIT_API BYTE __stdcall Dll_EnableWow64FsRedirection(BYTE enable);
HOSTKIT_API BYTE __stdcall Dll_Common_RegDeleteKey(HKEY root, const wchar_t* subKey,
                                                   BYTE use64BitView);
HOSTKIT_API HostkitFunctionTable* __stdcall InitDll_Hostkit();

// System Restore points: Dll_SR_Init once, then per restore point Dll_SR_Begin
// followed by exactly one of Dll_SR_Cancel or Dll_SR_End. Not thread-safe.
HOSTKIT_API BYTE __stdcall Dll_SR_Init();
HOSTKIT_API BYTE __stdcall Dll_SR_Begin(const wchar_t* description);
HOSTKIT_API BYTE __stdcall Dll_SR_Cancel();
HOSTKIT_API BYTE __stdcall Dll_SR_End();
}
