// The System Restore client behind Dll_SR_Init, Dll_SR_Begin, Dll_SR_Cancel
// and Dll_SR_End: where SRSetRestorePointW comes from and the process-wide
// state the four exports share. Only one caller at a time.
#pragma once

#include <windows.h>
// The Windows headers below build on <windows.h>.
#include <objbase.h>
#include <srrestoreptapi.h>

namespace purgeon::hostkit {

using SrSetRestorePointFn = BOOL(WINAPI*)(PRESTOREPOINTINFOW request, PSTATEMGRSTATUS status);
using CoInitializeSecurityFn = decltype(&CoInitializeSecurity);
using MessageBoxFn = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);

struct SystemRestoreClient {
    // What the exports use of Windows: "srclient.dll", the COM runtime's
    // security call and the message box.
    const wchar_t* library_name;
    CoInitializeSecurityFn co_initialize_security;
    MessageBoxFn message_box;
    // Set once Dll_SR_Init has succeeded; a failed init leaves it false and
    // the library released, so that a later call tries again.
    bool initialised;
    HMODULE module;
    SrSetRestorePointFn set_restore_point;
    // Filled by Dll_SR_Begin; Dll_SR_Cancel and Dll_SR_End take the sequence
    // number from it and overwrite it with their own result.
    STATEMGRSTATUS last_status;
};

#ifdef HOSTKIT_TEST_HOOKS
// Test builds only (the exports compiled into a test program): the client the
// exports use, for the test to reset or to put a stand-in in place of
// SRSetRestorePointW, the library name, the COM security call or the box.
SystemRestoreClient& SystemRestoreClientForTest();
#endif

}  // namespace purgeon::hostkit
