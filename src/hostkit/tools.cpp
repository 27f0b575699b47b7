// Launchers of ten Windows administration tools. Each checks that its tool
// exists on this Windows (with file-system redirection off, so that a 32-bit
// caller sees the real system folder), then opens it through the shell.
#include "tools.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <initializer_list>
#include <string>

#include "services.h"
#include "wow64.h"

namespace purgeon::hostkit {

namespace {

constexpr int kWindowsFolder = 0x24;             // CSIDL_WINDOWS
constexpr int kSystemFolder = 0x25;              // CSIDL_SYSTEM
constexpr int kCommonProgramFilesFolder = 0x2B;  // CSIDL_PROGRAM_FILES_COMMON
constexpr DWORD kPlatformWin32Nt = 2;
constexpr DWORD kVistaMajorVersion = 6;

ToolLauncherSystem g_system = {
    &IsWow64Cached,   &DisableFsRedirection, &RevertFsRedirection, &SHGetSpecialFolderPathW,
    &PathFileExistsW, &ShellExecuteW,        &GetVersionExW,
};

// The value to revert with, shared by all launchers (separate from the one
// Dll_EnableWow64FsRedirection keeps). One launcher at a time.
PVOID g_tool_redirection = nullptr;

// Redirection off for one launcher call under WOW64, back on at every exit.
class ToolRedirectionOff {
  public:
    ToolRedirectionOff()
        : off_(g_system.is_wow64() && g_system.disable_fs_redirection(&g_tool_redirection)) {}
    ~ToolRedirectionOff() {
        if (off_) g_system.revert_fs_redirection(g_tool_redirection);
    }
    ToolRedirectionOff(const ToolRedirectionOff&) = delete;
    ToolRedirectionOff& operator=(const ToolRedirectionOff&) = delete;

  private:
    bool off_;
};

struct Candidate {
    int folder;
    const wchar_t* tail;
};

// Stands for the first candidate's full path in a command list.
constexpr const wchar_t* kFirstCandidate = nullptr;

// The candidate's full path, or empty when the folder is unknown.
std::wstring CandidatePath(const Candidate& candidate) {
    wchar_t folder[MAX_PATH] = L"";
    if (!g_system.get_special_folder_path(GetDesktopWindow(), folder, candidate.folder, FALSE) ||
        folder[0] == L'\0') {
        return std::wstring();
    }
    return std::wstring(folder) + candidate.tail;
}

bool Exists(const std::wstring& path) {
    return !path.empty() && g_system.path_file_exists(path.c_str());
}

void Open(const wchar_t* file, const wchar_t* parameters = nullptr) {
    // Launch failures are not reported: a command for another Windows
    // version fails without effect.
    g_system.shell_execute(nullptr, L"open", file, parameters, nullptr, SW_SHOWNORMAL);
}

// One existing candidate is enough; then every command is launched in order.
BYTE RunTool(std::initializer_list<Candidate> candidates,
             std::initializer_list<const wchar_t*> commands) {
    try {
        ToolRedirectionOff redirection_off;
        std::wstring first;
        bool found = false;
        for (const Candidate& candidate : candidates) {
            const std::wstring path = CandidatePath(candidate);
            if (&candidate == candidates.begin()) first = path;
            if (Exists(path)) {
                found = true;
                break;
            }
        }
        if (!found) return FALSE;
        for (const wchar_t* command : commands)
            Open(command != kFirstCandidate ? command : first.c_str());
        return TRUE;
    } catch (...) {  // out of memory: no exception leaves the library
        return FALSE;
    }
}

bool IsVistaOrLater() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    static_assert(sizeof(OSVERSIONINFOW) == 276, "the basic version record");
    return g_system.get_version_ex(&info) && info.dwPlatformId == kPlatformWin32Nt &&
           info.dwMajorVersion >= kVistaMajorVersion;
}

}  // namespace

#ifdef HOSTKIT_TEST_HOOKS
ToolLauncherSystem& ToolLauncherSystemForTest() {
    return g_system;
}
#endif

BYTE __stdcall Tool_RunRegistryEditor() {
    return RunTool({{kWindowsFolder, L"\\regedit.exe"}}, {L"regedit.exe"});
}

BYTE __stdcall Tool_RunDxDiag() {
    return RunTool({{kSystemFolder, L"\\dxdiag.exe"}}, {L"dxdiag.exe"});
}

BYTE __stdcall Tool_RunSystemInformation() {
    return RunTool({{kCommonProgramFilesFolder, L"\\Microsoft Shared\\MSInfo\\msinfo32.exe"}},
                   {L"msinfo32.exe"});
}

BYTE __stdcall Tool_RunSystemConfiguration() {
    return RunTool({{kWindowsFolder, L"\\PCHealth\\HelpCtr\\Binaries\\msconfig.exe"},
                    {kSystemFolder, L"\\msconfig.exe"}},
                   {kFirstCandidate, L"msconfig"});
}

BYTE __stdcall Tool_RunDiskCleanup() {
    return RunTool({{kSystemFolder, L"\\cleanmgr.exe"}}, {L"cleanmgr.exe"});
}

BYTE __stdcall Tool_RunDefragmenter() {
    return RunTool({{kSystemFolder, L"\\dfrg.msc"}, {kSystemFolder, L"\\dfrgui.exe"}},
                   {L"dfrg.msc", L"dfrgui.exe"});
}

BYTE __stdcall Tool_RunComputerManagement() {
    return RunTool({{kSystemFolder, L"\\compmgmt.msc"}}, {L"compmgmt.msc"});
}

BYTE __stdcall Tool_RunSystemRestore() {
    return RunTool({{kSystemFolder, L"\\Restore\\rstrui.exe"}, {kSystemFolder, L"\\rstrui.exe"}},
                   {kFirstCandidate, L"rstrui.exe"});
}

BYTE __stdcall Tool_RunGroupPolicyEditor() {
    return RunTool({{kSystemFolder, L"\\gpedit.msc"}}, {L"gpedit.msc"});
}

// Windows Backup: ntbackup.exe before Vista, the Backup and Restore Center
// from Vista on. ntbackup.exe is tried on every version.
BYTE __stdcall Tool_RunBackup() {
    try {
        ToolRedirectionOff redirection_off;
        const bool vista_or_later = IsVistaOrLater();
        Open(L"ntbackup.exe");
        if (!vista_or_later && !Exists(CandidatePath({kSystemFolder, L"\\ntbackup.exe"}))) {
            return FALSE;
        }
        Open(L"control.exe", L"/name Microsoft.BackupAndRestoreCenter");
        return TRUE;
    } catch (...) {  // out of memory: no exception leaves the library
        return FALSE;
    }
}

}  // namespace purgeon::hostkit
