// The services behind the slots of HostkitFunctionTable (see
// hostkit_exports.h for the slot numbers and the function types). All are
// stdcall; none lets an exception out. They are reached only through the
// table, never exported by name.
#pragma once

#include <windows.h>
// The Windows headers below build on <windows.h>.
#include <mstask.h>

namespace purgeon::hostkit {

// Values of HKLM\Software\Microsoft\Windows\CurrentVersion\Run (run_key.cpp).
int __stdcall RunKey_DeleteValue(const wchar_t* value_name);
int __stdcall RunKey_SetValue(const wchar_t* value_name, const wchar_t* command);

// Task Scheduler 1.0 tasks (tasks.cpp). Each call initialises and
// uninitialises COM on the calling thread around its own work.
int __stdcall Task_CreateWeekly(const wchar_t* task_name, const wchar_t* program_path, int day,
                                int month, int year, int hour, int minute);
int __stdcall Task_CreateMonthly(const wchar_t* task_name, const wchar_t* program_path, int day,
                                 int month, int year, int hour, int minute);
int __stdcall Task_Delete(const wchar_t* task_name);
int __stdcall Task_CreateOnce(const wchar_t* task_name, const wchar_t* program_path, int year,
                              int month, int day, int hour, int minute);
int __stdcall Task_GetTrigger(const wchar_t* task_name, TASK_TRIGGER* trigger, int* found);
int __stdcall Task_CreateWeeklyOnDays(const wchar_t* task_name, const wchar_t* program_path,
                                      int days_of_week, int hour, int minute);
int __stdcall Task_CreateDaily(const wchar_t* task_name, const wchar_t* program_path, int hour,
                               int minute);
int __stdcall Task_TriggerToTime(const TASK_TRIGGER* trigger, SYSTEMTIME* time);
int __stdcall Task_MaskHasDay(WORD mask, WORD day);

// Internet connectivity test (hostkit.cpp).
int __stdcall Net_IsConnected();

// Launchers of Windows administration tools (tools.cpp).
BYTE __stdcall Tool_RunRegistryEditor();
BYTE __stdcall Tool_RunDxDiag();
BYTE __stdcall Tool_RunSystemInformation();
BYTE __stdcall Tool_RunSystemConfiguration();
BYTE __stdcall Tool_RunDiskCleanup();
BYTE __stdcall Tool_RunDefragmenter();
BYTE __stdcall Tool_RunComputerManagement();
BYTE __stdcall Tool_RunBackup();
BYTE __stdcall Tool_RunSystemRestore();
BYTE __stdcall Tool_RunGroupPolicyEditor();

// Whole-registry backup through the registry editor (reg_backup.cpp).
BYTE __stdcall RegBackup_SetTarget(const wchar_t* folder, const wchar_t* file_name);
BYTE __stdcall RegBackup_Import(const wchar_t* reg_file_path);
BYTE __stdcall RegBackup_Export();

// printf to standard output, flushed at once so that each diagnostic keeps its
// place among message boxes and other output. Goes nowhere without a console.
void PrintStdout(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

}  // namespace purgeon::hostkit
