// The uninstall road on real processes, launches, files and registry: the
// process procedures on a running unins000.exe, RunUninstallCommand through
// the real shell launch and its WinExec fallback, a relaunching uninstaller
// followed to its end, a Windows Installer package uninstalled through
// "MsiExec.exe /X{code}", and the removal in the registry view it is given.
// Message boxes are scripted, so nothing pops up.
#include <windows.h>
// After <windows.h>, which they need.
#include <msi.h>
#include <shellapi.h>

// <windows.h> maps these names to their W functions; below they name the
// file-system port's methods, so the port headers must come after this.
#undef CreateDirectory
#undef DeleteFile
#undef GetLongPathName
#undef RemoveDirectory

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/launched_processes.h"
#include "platform/inline_dispatcher.h"
#include "platform/memory/scripted_dialog.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_hostkit.h"
#include "platform/win32/win32_launcher.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell_folders.h"
#include "support/registry_fixture.h"
#include "ui/Unit_LeftoverRemoval.h"
#include "uninstall/Thread_ShellUninstall.h"
#include "uninstall/Unit_K_ProcessProc.h"
#include "uninstall/Unit_K_UninstallCommand.h"

namespace purgeon {
namespace {

using testing::KeyExists;
using testing::PutKey;
using testing::PutString;
using testing::ValueExists;

// Real launches, with what the shell answered and whether the fallback ran.
class ObservedLauncher : public LauncherPort {
  public:
    std::intptr_t ShellExecuteFile(WindowId owner, const std::u16string& verb,
                                   const std::u16string& file, const std::u16string& parameters,
                                   const std::u16string& directory, int show) override {
        const std::intptr_t result =
            real_.ShellExecuteFile(owner, verb, file, parameters, directory, show);
        shell_results.push_back(result);
        return result;
    }
    std::uint32_t WinExecCommand(const std::string& ansi_command_line, int show) override {
        fallbacks.push_back(ansi_command_line);
        return real_.WinExecCommand(ansi_command_line, show);
    }
    std::vector<std::intptr_t> shell_results;
    std::vector<std::string> fallbacks;

  private:
    Win32Launcher real_;
};

struct RealMachine {
    Ports ports() {
        return {registry, files,  shell,     hostkit,  dispatcher,
                clock,    dialog, processes, launcher, code_page};
    }
    Win32Registry registry;
    Win32FileSystem files;
    Win32ShellFolders shell;
    Win32Hostkit hostkit;
    InlineDispatcher dispatcher;
    Win32Clock clock;
    ScriptedDialog dialog;
    Win32Processes processes;
    ObservedLauncher launcher;
    Win32CodePage code_page;
};

std::u16string FolderOf(const std::u16string& path) {
    return path.substr(0, path.find_last_of(u'\\') + 1);
}

std::u16string OwnFolder() {
    wchar_t path[MAX_PATH * 4];
    return FolderOf(
        FromWide(path, GetModuleFileNameW(nullptr, path, DWORD(sizeof path / sizeof path[0]))));
}

bool RawExists(const std::u16string& path) {
    const std::u16string raw = path.size() < MAX_PATH ? path : u"\\\\?\\" + path;
    return GetFileAttributesW(Wide(raw)) != INVALID_FILE_ATTRIBUTES;
}

bool RawWriteFile(const std::u16string& path, const std::string& text) {
    const std::u16string raw = path.size() < MAX_PATH ? path : u"\\\\?\\" + path;
    const HANDLE file = CreateFileW(Wide(raw), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

// Every folder of `path` (which ends in "\"), in the "\\?\" form so that
// long ones work too.
void RawMakeFolders(const std::u16string& path) {
    for (size_t at = path.find(u'\\', 3); at != std::u16string::npos; at = path.find(u'\\', at + 1))
        CreateDirectoryW(Wide(u"\\\\?\\" + path.substr(0, at)), nullptr);
}

std::vector<std::string> ReadLines(const std::u16string& path) {
    std::vector<std::string> lines;
    const HANDLE file = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lines;
    std::string text(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), DWORD(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Polls until `path` holds `count` lines or `ms` have passed.
std::vector<std::string> AwaitLines(const std::u16string& path, size_t count, DWORD ms = 10000) {
    for (DWORD waited = 0;; waited += 50) {
        std::vector<std::string> lines = ReadLines(path);
        if (lines.size() >= count || waited >= ms) return lines;
        Sleep(50);
    }
}

struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
};

Process StartProcess(const std::u16string& exe, const std::u16string& arguments) {
    std::u16string command = u"\"" + exe + u"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(Wide(exe), reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &info))
        return {};
    CloseHandle(info.hThread);
    return {info.hProcess, info.dwProcessId};
}

bool Ended(const Process& process, DWORD ms = 0) {
    return WaitForSingleObject(process.handle, ms) == WAIT_OBJECT_0;
}

DWORD ExitCodeOf(const Process& process) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.handle, &code);
    return code;
}

bool SeenInSnapshot(ProcessPort& processes, const std::u16string& name, DWORD ms) {
    for (DWORD waited = 0;; waited += 50) {
        if (IsProcessRunning(processes, name)) return true;
        if (waited >= ms) return false;
        Sleep(50);
    }
}

bool GoneFromSnapshot(ProcessPort& processes, const std::u16string& name, DWORD ms) {
    for (DWORD waited = 0;; waited += 50) {
        if (!IsProcessRunning(processes, name)) return true;
        if (waited >= ms) return false;
        Sleep(50);
    }
}

class UninstallOnWine : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1], long_temp[MAX_PATH * 4];
        ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
        ASSERT_GT(GetLongPathNameW(temp, long_temp, DWORD(sizeof long_temp / sizeof long_temp[0])),
                  0u);
        // No "uninstall" in it: one case below depends on that word.
        root_ = FromWide(long_temp) + u"purgeon-g-wine-" +
                FromUtf8(std::to_string(GetCurrentProcessId())) + u"\\";
        RawMakeFolders(root_);
        ASSERT_TRUE(RawExists(root_));
    }
    void TearDown() override {
        for (const auto& process : started_) {
            if (process.handle == nullptr) continue;
            if (!Ended(process)) TerminateProcess(process.handle, 9);
            WaitForSingleObject(process.handle, 5000);
            CloseHandle(process.handle);
        }
        std::u16string tree = root_ + u'\0';
        SHFILEOPSTRUCTW remove{};
        remove.wFunc = FO_DELETE;
        remove.pFrom = Wide(tree);
        remove.fFlags = FOF_NO_UI;
        SHFileOperationW(&remove);
    }

    // The probe copied to `relative` below the test folder.
    std::u16string CopyProbe(const std::u16string& relative) {
        const std::u16string path = root_ + relative;
        RawMakeFolders(FolderOf(path));
        EXPECT_TRUE(CopyFileW(Wide(OwnFolder() + u"uninstall_probe.exe"), Wide(path), FALSE))
            << ToUtf8(path);
        return path;
    }
    Process Start(const std::u16string& exe, const std::u16string& arguments) {
        started_.push_back(StartProcess(exe, arguments));
        EXPECT_NE(started_.back().handle, nullptr) << ToUtf8(exe);
        return started_.back();
    }

    RealMachine machine_;
    std::u16string root_;
    std::vector<Process> started_;
};

TEST_F(UninstallOnWine, Unins000IsSeenAndEndedOneInstanceAtATime) {
    const std::u16string exe = CopyProbe(u"Setup Folder\\unins000.exe");
    const Process first = Start(exe, u"/wait");
    const Process second = Start(exe, u"/wait");
    ASSERT_EQ(AwaitLines(exe + u".log", 2).size(), 2u);
    ProcessPort& processes = machine_.processes;
    EXPECT_TRUE(IsProcessRunning(processes, u"unins000.exe"));
    EXPECT_TRUE(IsProcessRunning(processes, u"UNINS000.EXE"));
    EXPECT_FALSE(IsProcessRunning(processes, exe));  // a name with a folder never matches
    // Wine reports who started whom, which the wait for uninstallers needs.
    bool ours = false;
    for (const auto& entry : processes.Snapshot()) {
        if (entry.id == first.id) ours = entry.parent_id == GetCurrentProcessId();
    }
    EXPECT_TRUE(ours);

    TerminateProcessByName(processes, u" unins000.exe ");
    const HANDLE both[] = {first.handle, second.handle};
    const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 10000);
    ASSERT_TRUE(ended == WAIT_OBJECT_0 || ended == WAIT_OBJECT_0 + 1) << ended;
    const Process& gone = ended == WAIT_OBJECT_0 ? first : second;
    const Process& other = ended == WAIT_OBJECT_0 ? second : first;
    EXPECT_EQ(ExitCodeOf(gone), 0u);
    Sleep(300);
    EXPECT_FALSE(Ended(other)) << "one call ends one instance only";

    TerminateProcessByName(processes, u"Unins000.exe");
    EXPECT_TRUE(Ended(other, 10000));
    EXPECT_TRUE(GoneFromSnapshot(processes, u"unins000.exe", 5000));
}

TEST_F(UninstallOnWine, ProtectedNamesAreNeverEnded) {
    // The shell's process of this prefix, and this test under a protected name.
    const std::u16string exe = CopyProbe(u"Protected\\purgeon.exe");
    const Process ours = Start(exe, u"/wait");
    ASSERT_TRUE(SeenInSnapshot(machine_.processes, u"purgeon.exe", 5000));
    const bool explorer_runs = IsProcessRunning(machine_.processes, u"explorer.exe");
    TerminateProcessByName(machine_.processes, u"PURGEON.EXE");
    TerminateProcessByName(machine_.processes, u"Explorer.exe");
    Sleep(500);
    EXPECT_FALSE(Ended(ours));
    if (explorer_runs) {
        EXPECT_TRUE(IsProcessRunning(machine_.processes, u"explorer.exe"));
    }
    RecordProperty("explorer_running", explorer_runs ? "yes" : "no");
}

TEST_F(UninstallOnWine, AQuotedPathWithASlashSwitchIsReallyLaunched) {
    const std::u16string exe = CopyProbe(u"Probe Dir\\uninst probe.exe");
    Ports ports = machine_.ports();
    RunUninstallCommand(ports, 0, u"\"" + exe + u"\" /S /NORESTART");
    const std::vector<std::string> lines = AwaitLines(exe + u".log", 1);
    ASSERT_EQ(lines.size(), 1u);
    // The program got its switches once, after its own path.
    EXPECT_NE(lines[0].find(ToUtf8(exe)), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - 13), "/S /NORESTART") << lines[0];
    // Either the shell took the quoted file (with the blank before the
    // slash), or it refused it and the whole command went to WinExec once.
    // Wine's shell refuses it; what Windows does is recorded by this test.
    ASSERT_EQ(machine_.launcher.shell_results.size(), 1u);
    const bool shell_took_it = machine_.launcher.shell_results[0] > 32;
    RecordProperty("shell_took_quoted_file", shell_took_it ? "yes" : "no");
    if (shell_took_it) {
        EXPECT_TRUE(machine_.launcher.fallbacks.empty());
    } else {
        // Built by append: GCC 12 warns falsely on "literal" + std::string&&.
        std::string expected = "\"";
        expected += ToUtf8(exe);
        expected += "\" /S /NORESTART";
        EXPECT_EQ(machine_.launcher.fallbacks, std::vector<std::string>{expected});
    }
    EXPECT_TRUE(machine_.dialog.Calls().empty());
    Sleep(300);
    EXPECT_EQ(ReadLines(exe + u".log").size(), 1u) << "launched once";
}

TEST_F(UninstallOnWine, ARefusedShellLaunchFallsBackToTheWholeCommand) {
    // "<path> Uninstall": the word is cut out of the upper-cased path too, so
    // the shell is asked for a file that does not exist and WinExec runs the
    // command as received.
    const std::u16string exe = CopyProbe(u"Uninstall Probe\\probe.exe");
    Ports ports = machine_.ports();
    RunUninstallCommand(ports, 0, u"  " + exe + u" Uninstall ");
    ASSERT_EQ(machine_.launcher.shell_results.size(), 1u);
    EXPECT_LE(machine_.launcher.shell_results[0], 32);
    EXPECT_EQ(machine_.launcher.fallbacks, std::vector<std::string>{ToUtf8(exe) + " Uninstall"});
    const std::vector<std::string> lines = AwaitLines(exe + u".log", 1);
    ASSERT_EQ(lines.size(), 1u);
    // (Wine quotes the program's path in the command line it passes on.)
    EXPECT_NE(lines[0].find(ToUtf8(exe)), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - 10), " Uninstall") << lines[0];
}

// Launched the product's way (on Wine the shell refuses the quoted file and
// WinExec returns only once the uninstaller has handed over and ended), and
// started directly (the uninstaller still runs at the first look).
TEST_F(UninstallOnWine, ARelaunchingUninstallerIsFollowedToItsCopysEnd) {
    for (const bool through_command : {true, false}) {
        SCOPED_TRACE(through_command ? "RunUninstallCommand" : "CreateProcess");
        const std::u16string exe =
            CopyProbe(through_command ? u"App\\uninst.exe" : u"Other App\\uninst.exe");
        LaunchedProcesses launched(machine_.processes);
        launched.Begin();
        const std::uint64_t start = machine_.clock.TickCount();
        if (through_command) {
            QVU_Thread_ShellCallUninstall launcher(machine_.ports(), 0,
                                                   u"\"" + exe + u"\" /relaunch", false);
            launcher.Execute();
        } else {
            Start(exe, u"/relaunch");
        }
        ASSERT_EQ(WaitForLaunchedProcesses(launched, machine_.clock, 30000, 100),
                  WaitOutcome::kEnded);
        const std::uint64_t waited = machine_.clock.TickCount() - start;
        std::string names;
        bool copy_followed = false;
        for (const auto& entry : launched.followed()) {
            names += ToUtf8(entry.exe_name) + " ";
            copy_followed = copy_followed || entry.exe_name == u"Au_.exe";
        }
        EXPECT_TRUE(copy_followed) << names;
        EXPECT_GE(waited, 1400u) << "the copy sleeps 1500 ms";
        EXPECT_FALSE(IsProcessRunning(machine_.processes, u"Au_.exe"));
        RecordProperty(through_command ? "followed_after_command" : "followed_after_start", names);
    }
}

TEST_F(UninstallOnWine, AWindowsInstallerPackageIsUninstalledThroughMsiExecX) {
    const std::u16string package = OwnFolder() + u"uninstall_probe.msi";
    if (!RawExists(package)) GTEST_SKIP() << "wixl was not there to build " << ToUtf8(package);
    const wchar_t* code = L"{0E6A2C84-B3D1-4F95-8E27-5A9C1D3F7B60}";
    const Process install =
        Start(u"C:\\windows\\system32\\msiexec.exe", u"/i \"" + package + u"\" /qn");
    ASSERT_TRUE(Ended(install, 120000));
    ASSERT_EQ(ExitCodeOf(install), 0u);
    ASSERT_EQ(MsiQueryProductStateW(code), INSTALLSTATE_DEFAULT);
    const std::u16string readme =
        u"C:\\Program Files (x86)\\Purgeon Uninstall Probe MSI\\readme.txt";
    ASSERT_TRUE(RawExists(readme));

    // The command as Windows Installer entries carry it; no /qn.
    LaunchedProcesses launched(machine_.processes);
    launched.Begin();
    QVU_Thread_ShellCallUninstall launcher(
        machine_.ports(), 0, u"MsiExec.exe /X{0E6A2C84-B3D1-4F95-8E27-5A9C1D3F7B60}", false);
    launcher.Execute();
    ASSERT_EQ(WaitForLaunchedProcesses(launched, machine_.clock, 120000, 200), WaitOutcome::kEnded);
    bool msiexec_followed = false;
    for (const auto& entry : launched.followed())
        msiexec_followed =
            msiexec_followed || EqualsIgnoreAsciiCase(entry.exe_name, u"msiexec.exe");
    EXPECT_TRUE(msiexec_followed);
    ASSERT_EQ(machine_.launcher.shell_results.size(), 1u);
    EXPECT_GT(machine_.launcher.shell_results[0], 32);
    EXPECT_EQ(MsiQueryProductStateW(code), INSTALLSTATE_UNKNOWN);
    EXPECT_FALSE(RawExists(readme));
    EXPECT_TRUE(machine_.dialog.Calls().empty());
}

// The removal in the view m_nUninstallType names; the other view's keys and
// values of the same names stay.
TEST_F(UninstallOnWine, RemovalDeletesRealLeftoversInTheGivenView) {
    const std::u16string base = u"SOFTWARE\\PurgeonRemovalWine";
    for (const std::int32_t type : {1, 0}) {
        SCOPED_TRACE("m_nUninstallType " + std::to_string(type));
        const bool view64 = type == 1;
        RegistryPort& reg = machine_.registry;
        for (const bool view : {true, false}) {
            PutString(reg, kHkeyLocalMachine, base + u"\\Key\\Sub", u"x", u"1", view);
            PutString(reg, kHkeyLocalMachine, base + u"\\Values", u"Val", u"2", view);
            PutString(reg, kHkeyLocalMachine, base + u"\\Values", u"Other", u"3", view);
            PutKey(reg, kHkeyLocalMachine, base + u"\\Kept", view);
        }
        const std::u16string app = root_ + u"Leftover App " + FromUtf8(std::to_string(type));
        const std::u16string tool =
            CopyProbe(u"Leftover App " + FromUtf8(std::to_string(type)) + u"\\Tool.exe");
        const Process running = Start(tool, u"/wait");
        ASSERT_TRUE(SeenInSnapshot(machine_.processes, u"tool.exe", 5000));
        RawMakeFolders(app + u"\\data\\");
        ASSERT_TRUE(RawWriteFile(app + u"\\data\\notes.txt", "notes"));
        std::u16string deep = app + u"\\deep";
        while (deep.size() < 300) deep += u"\\a-long-folder-name";
        RawMakeFolders(deep + u"\\");
        ASSERT_TRUE(RawWriteFile(deep + u"\\far.txt", "far"));
        ASSERT_TRUE(RawWriteFile(app + u" Extra.txt", "a sibling whose name begins alike"));
        const std::u16string records = root_ + u"records\\";
        RawMakeFolders(records);
        for (auto name : {u"Config.ini", u"FileRecord.ini", u"FolderRecord", u"RegRecord.ini"})
            ASSERT_TRUE(RawWriteFile(records + name, "x\r\n"));

        const StringList paths = {app + u"\\", app + u"\\data", tool, app + u"\\data\\notes.txt"};
        const std::vector<RegistryRow> rows = {{u"HKLM|" + base + u"\\Key", true},
                                               {u"HKLM|" + base + u"\\Values|Val", true},
                                               {u"HKLM|" + base + u"\\Kept", false},
                                               {u"HKLM", true},
                                               {u"HKLM|", true},
                                               {u"HKLM|SOFTWARE", true}};
        const size_t calls_before = machine_.dialog.Calls().size();
        machine_.dialog.Script({kIdYes, kIdOk});
        RemovalRequest request;
        request.step3_files_folders_rows = paths.size();
        request.step3_registry_rows = rows.size();
        request.all_files_folders = &paths;
        request.step2_registry = &rows;
        const StringList starts = {app + u"\\"};
        request.starting_folders = &starts;
        request.uninstall_type = type;
        request.select_software = u"Leftover App";
        request.cur_app_path = records;
        Ports ports = machine_.ports();
        EXPECT_EQ(RemoveLeftovers(ports, request), RemovalOutcome::kRemoved);

        EXPECT_TRUE(Ended(running, 10000)) << "the running leftover was ended";
        EXPECT_FALSE(RawExists(app));
        EXPECT_FALSE(RawExists(deep + u"\\far.txt"));
        EXPECT_TRUE(RawExists(app + u" Extra.txt"));
        EXPECT_FALSE(KeyExists(reg, kHkeyLocalMachine, base + u"\\Key", view64));
        EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, base + u"\\Key\\Sub", !view64));
        EXPECT_FALSE(ValueExists(reg, kHkeyLocalMachine, base + u"\\Values", u"Val", view64));
        EXPECT_TRUE(ValueExists(reg, kHkeyLocalMachine, base + u"\\Values", u"Other", view64));
        EXPECT_TRUE(ValueExists(reg, kHkeyLocalMachine, base + u"\\Values", u"Val", !view64));
        EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, base + u"\\Kept", view64));
        EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, u"SOFTWARE\\Microsoft", view64));
        for (auto name : {u"Config.ini", u"FileRecord.ini", u"FolderRecord", u"RegRecord.ini"})
            EXPECT_FALSE(RawExists(records + name)) << ToUtf8(name);
        const auto calls = machine_.dialog.Calls();
        ASSERT_EQ(calls.size(), calls_before + 2);
        EXPECT_EQ(calls.back().text, u"All Leftover App leftovers have been completely removed.");
        EXPECT_FALSE(machine_.dialog.AnyUnscripted());

        for (const bool view : {true, false}) {
            HKEY software = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0,
                              KEY_ALL_ACCESS | (view ? KEY_WOW64_64KEY : KEY_WOW64_32KEY),
                              &software) == ERROR_SUCCESS) {
                RegDeleteTreeW(software, L"PurgeonRemovalWine");
                RegCloseKey(software);
            }
        }
    }
}

}  // namespace
}  // namespace purgeon
