// Undo sets under Wine: the registry through the real registry (both views),
// the .reg files imported by the real regedit of each view, files moved into
// the set and back on the real file system.
#include <windows.h>
// After <windows.h>, which it builds on.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli/undo_set.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_security.h"
#include "platform/win32/win32_shell_folders.h"

namespace purgeon {
namespace {

const std::u16string kKey = u"SOFTWARE\\PurgeonUndoTest";

std::vector<std::uint8_t> Utf16(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(std::uint8_t(c & 0xFF));
        bytes.push_back(std::uint8_t(c >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    bool operator==(const Value&) const = default;
};
using Values = std::map<std::u16string, Value>;  // "sub|name" -> value

// Every value type, differing per view so that a mix-up shows.
void Seed(RegistryPort& registry, bool view64) {
    const std::u16string tag = view64 ? u"64" : u"32";
    const std::vector<std::pair<std::u16string, Value>> values = {
        {u"", {kRegSz, Utf16(u"default " + tag)}},
        {u"quote \"and\" \\", {kRegSz, Utf16(u"C:\\Program Files\\\"x\" " + tag)}},
        {u"expand", {kRegExpandSz, Utf16(u"%ProgramFiles%\\" + tag)}},
        {u"multi", {kRegMultiSz, Utf16(std::u16string(u"a\0b", 3) + tag + u'\0')}},
        {u"dword", {kRegDword, {0x78, 0x56, 0x34, std::uint8_t(view64 ? 0x64 : 0x32)}}},
        {u"qword", {kRegQword, {1, 2, 3, 4, 5, 6, 7, std::uint8_t(view64 ? 0x64 : 0x32)}}},
        {u"binary",
         {kRegBinary, std::vector<std::uint8_t>(200, std::uint8_t(view64 ? 0xAB : 0xCD))}},
        {u"none", {kRegNone, {}}},
        {u"long", {kRegSz, Utf16(std::u16string(100000, view64 ? u'L' : u'l'))}},
    };
    for (const std::u16string sub : {u"", u"\\Sub\\Deeper"}) {
        RegKey key = 0;
        ASSERT_EQ(registry.CreateKey(kHkeyLocalMachine, kKey + sub,
                                     kKeyAllAccess | (view64 ? kKeyWow64_64Key : 0), &key),
                  kErrorSuccess);
        for (const auto& [name, value] : values)
            registry.SetValue(key, name, value.type,
                              value.data.empty() ? nullptr : value.data.data(),
                              std::uint32_t(value.data.size()));
        registry.CloseKey(key);
    }
}

// Everything below the test key in one view.
Values Read(RegistryPort& registry, bool view64) {
    Values all;
    std::vector<std::u16string> pending{kKey};
    while (!pending.empty()) {
        const std::u16string path = pending.back();
        pending.pop_back();
        RegKey key = 0;
        if (registry.OpenKey(kHkeyLocalMachine, path, kKeyRead | (view64 ? kKeyWow64_64Key : 0),
                             &key) != kErrorSuccess)
            continue;
        for (std::uint32_t i = 0;; ++i) {
            std::u16string name;
            if (registry.EnumValue(key, i, 16384, &name) != kErrorSuccess) break;
            std::uint32_t type = 0, size = 0;
            registry.QueryValue(key, name, &type, nullptr, &size);
            std::vector<std::uint8_t> data(size + 1);
            registry.QueryValue(key, name, &type, data.data(), &size);
            data.resize(size);
            all[path + u"|" + name] = {type, data};
        }
        for (std::uint32_t i = 0;; ++i) {
            std::u16string name;
            if (registry.EnumKey(key, i, 256, &name) != kErrorSuccess) break;
            pending.push_back(path + u"\\" + name);
        }
        registry.CloseKey(key);
    }
    return all;
}

void DeleteTestKey(RegistryPort& registry, bool view64) {
    RegKey key = 0;
    if (registry.OpenKey(kHkeyLocalMachine, u"SOFTWARE",
                         kKeyAllAccess | (view64 ? kKeyWow64_64Key : 0), &key) != kErrorSuccess)
        return;
    registry.DeleteTree(key, u"PurgeonUndoTest");
    registry.CloseKey(key);
}

DWORD RunAndWait(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

std::u16string TempFolder(const wchar_t* name) {
    wchar_t buffer[MAX_PATH];
    GetTempPathW(MAX_PATH, buffer);
    return FromWide((std::wstring(buffer) + name).c_str());
}

TEST(UndoSetUnderWine, RegFilesImportWithTheRealRegistryEditorsAndRestoreExactly) {
    Win32Registry registry;
    Win32FileSystem files;
    for (const bool view64 : {true, false}) DeleteTestKey(registry, view64);
    for (const bool view64 : {true, false}) Seed(registry, view64);
    const Values before64 = Read(registry, true), before32 = Read(registry, false);
    ASSERT_EQ(before64.size(), 18u);
    ASSERT_NE(before64, before32);

    const std::u16string set = TempFolder(L"purgeon-undo-reg");
    UndoSetWriter writer(files, registry, set, u"Test", u"now");
    ASSERT_TRUE(writer.Begin());
    ASSERT_TRUE(writer.SaveRegistry(u"HKLM|" + kKey, true));
    ASSERT_TRUE(writer.SaveRegistry(u"HKLM|" + kKey, false));
    writer.Finish();
    for (const bool view64 : {true, false}) DeleteTestKey(registry, view64);
    ASSERT_TRUE(Read(registry, true).empty());
    ASSERT_TRUE(Read(registry, false).empty());

    // Each view's file with that view's registry editor.
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring file64 = Wide(set + u"\\registry-64.reg"),
                       file32 = Wide(set + u"\\registry-32.reg");
#ifdef _WIN64
    // The 64-bit test build starts the 64-bit registry editor itself; the
    // 32-bit one cannot start where no 32-bit code runs, so the 32-bit view's
    // file goes in with the registry tool's switch for that view.
    EXPECT_EQ(RunAndWait(std::wstring(windows) + L"\\regedit.exe", L"/s \"" + file64 + L"\""), 0u);
    EXPECT_EQ(RunAndWait(std::wstring(windows) + L"\\System32\\reg.exe",
                         L"import \"" + file32 + L"\" /reg:32"),
              0u);
#else
    // From this 32-bit process Wine starts regedit.exe as a 32-bit program;
    // a 64-bit command prompt (through Sysnative) starts the 64-bit one.
    EXPECT_EQ(RunAndWait(std::wstring(windows) + L"\\Sysnative\\cmd.exe",
                         L"/c " + std::wstring(windows) + L"\\regedit.exe /s \"" + file64 + L"\""),
              0u);
    EXPECT_EQ(
        RunAndWait(std::wstring(windows) + L"\\SysWOW64\\regedit.exe", L"/s \"" + file32 + L"\""),
        0u);
#endif
    EXPECT_EQ(Read(registry, true), before64);
    EXPECT_EQ(Read(registry, false), before32);

    // And through the registry itself.
    for (const bool view64 : {true, false}) DeleteTestKey(registry, view64);
    Win32ShellFolders shell;
    const RestoreReport report = RestoreUndoSet(files, registry, shell, set);
    EXPECT_TRUE(report.failed.empty());
    EXPECT_TRUE(report.refused.empty());
    EXPECT_EQ(Read(registry, true), before64);
    EXPECT_EQ(Read(registry, false), before32);
    for (const bool view64 : {true, false}) DeleteTestKey(registry, view64);
}

TEST(UndoSetUnderWine, AFolderWithAReadOnlyFileAndALongPathGoesAndComesBack) {
    Win32FileSystem files;
    Win32Registry registry;
    const std::u16string app = TempFolder(L"purgeon-undo-app");
    const std::u16string deep =
        app + u"\\" + std::u16string(120, u'd') + u"\\" + std::u16string(100, u'e');
    const std::u16string long_file = deep + u"\\" + std::u16string(80, u'f') + u".txt";
    ASSERT_GT(long_file.size(), 260u);
    for (const auto& folder : {app, app + u"\\" + std::u16string(120, u'd'), deep})
        files.CreateDirectory(folder);
    ASSERT_TRUE(files.WriteFile(long_file, {'l', 'o', 'n', 'g'}));
    ASSERT_TRUE(files.WriteFile(app + u"\\readme.txt", {'r'}));
    ASSERT_TRUE(files.SetAttributes(app + u"\\readme.txt", kFileAttributeReadOnly));
    ASSERT_TRUE(files.WriteFile(app + u"\\held.txt", {'h'}));

    // A file held open without sharing.
    HANDLE held = CreateFileW(Wide(app + u"\\held.txt"), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::u16string set = TempFolder(L"purgeon-undo-files");
    UndoSetWriter writer(files, registry, set, u"Test", u"now");
    writer.RecordStartingFolders({app, TempFolder(L"purgeon-undo-lone.txt")});
    ASSERT_TRUE(writer.Begin());
    writer.TakePath(app);
    writer.Finish();
    CloseHandle(held);
    // Nothing is lost: the held file is where it was, and reported, or in the set.
    const bool held_stayed = files.GetAttributes(app + u"\\held.txt") != kInvalidFileAttributes;
    const std::u16string mirror = UndoMirrorPath(set, app);
    EXPECT_NE(held_stayed, files.GetAttributes(mirror + u"\\held.txt") != kInvalidFileAttributes);
    EXPECT_EQ(held_stayed, writer.not_taken() == StringList{app + u"\\held.txt"});
    std::printf("a file held open %s\n",
                held_stayed ? "stays and is reported" : "moved with its folder");
    EXPECT_EQ(files.GetAttributes(long_file), kInvalidFileAttributes);
    EXPECT_NE(files.GetAttributes(mirror + long_file.substr(app.size())), kInvalidFileAttributes);

    // A file held open, taken by itself.
    const std::u16string lone = TempFolder(L"purgeon-undo-lone.txt");
    ASSERT_TRUE(files.WriteFile(lone, {'o'}));
    held = CreateFileW(Wide(lone), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    writer.TakePath(lone);
    CloseHandle(held);
    const bool lone_stayed = files.GetAttributes(lone) != kInvalidFileAttributes;
    EXPECT_NE(lone_stayed,
              files.GetAttributes(UndoMirrorPath(set, lone)) != kInvalidFileAttributes);
    EXPECT_EQ(lone_stayed, !writer.not_taken().empty() && writer.not_taken().back() == lone);
    std::printf("a file held open by itself %s\n",
                lone_stayed ? "stays and is reported" : "is moved");

    Win32ShellFolders shell;
    const RestoreReport report = RestoreUndoSet(files, registry, shell, set);
    EXPECT_TRUE(report.failed.empty());
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(files.ReadFile(lone, &bytes));
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{'o'});
    files.DeleteFile(lone);
    ASSERT_TRUE(files.ReadFile(long_file, &bytes));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'l', 'o', 'n', 'g'}));
    EXPECT_EQ(files.GetAttributes(app + u"\\readme.txt") & kFileAttributeReadOnly,
              kFileAttributeReadOnly);
    ASSERT_TRUE(files.ReadFile(app + u"\\held.txt", &bytes));
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{'h'});
    files.SetAttributes(app + u"\\readme.txt", kFileAttributeNormal);
}

// purgeon-cli.exe beside this test, with standard input empty and its
// output in `output`; the exit code.
DWORD RunCli(const std::wstring& arguments, std::string& output) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe(self);
    exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"purgeon-cli.exe";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const std::wstring log = Wide(TempFolder(L"purgeon-cli-output.txt"));
    HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE nothing = CreateFileW(L"NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION process = {};
    DWORD code = 0xFFFFFFFF;
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                       nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(file);
    CloseHandle(nothing);
    Win32FileSystem files;
    std::vector<std::uint8_t> bytes;
    files.ReadFile(FromWide(log.c_str()), &bytes);
    output.assign(bytes.begin(), bytes.end());
    return code;
}

// Closes Hostkit's "SR" boxes (its restore-point exports show one when they
// fail and wait for the user) while it lives; counts them.
class SrBoxCloser {
  public:
    SrBoxCloser()
        : thread_([this] {
              while (!stop_) {
                  if (HWND box = FindWindowW(L"#32770", L"SR")) {
                      PostMessageW(box, WM_COMMAND, IDOK, 0);
                      ++closed_;
                      Sleep(500);
                  }
                  Sleep(50);
              }
          }) {}
    ~SrBoxCloser() {
        stop_ = true;
        thread_.join();
    }
    int closed() const { return closed_; }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<int> closed_{0};
    std::thread thread_;
};

// A new set's folder: a protected DACL with full control for Administrators
// and SYSTEM alone, read back as stored. Wine 8 on this project's machines
// keeps no DACL: it reports one made up from the Unix permissions (the user
// and SYSTEM), which the port then tells as a volume that keeps no access
// rights; the stored entries are checked only where they are kept.
TEST(UndoSetUnderWine, ASetFolderIsMadeForAdministratorsOnly) {
    Win32Security security;
    const std::u16string folder = TempFolder(L"purgeon-undo-dacl");
    ASSERT_TRUE(security.CreateAdminOnlyDirectory(folder));
    EXPECT_FALSE(security.CreateAdminOnlyDirectory(folder)) << "an existing folder is refused";
    if (!security.KeepsAccessRights(folder)) {
        EXPECT_FALSE(security.OnlyAdminsMayWrite(folder));
        std::wstring name(Wide(folder));
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        LPWSTR text = nullptr;
        GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor);
        ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
            &text, nullptr);
        const std::string stored = text ? ToUtf8(FromWide(text)) : "(none)";
        LocalFree(text);
        LocalFree(descriptor);
        RemoveDirectoryW(Wide(folder));
        GTEST_SKIP() << "the DACL as stored: this Wine keeps none, it reads back " << stored;
    }
    EXPECT_TRUE(security.OnlyAdminsMayWrite(folder));

    std::wstring name(Wide(folder));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, &dacl, nullptr, &descriptor),
              DWORD(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "inherits nothing";
    std::vector<std::pair<bool, bool>> trustees;  // (administrators, system)
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &entry));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Mask & FILE_ALL_ACCESS, DWORD(FILE_ALL_ACCESS));
        PSID sid = const_cast<DWORD*>(&ace->SidStart);
        trustees.push_back({IsWellKnownSid(sid, WinBuiltinAdministratorsSid) != FALSE,
                            IsWellKnownSid(sid, WinLocalSystemSid) != FALSE});
    }
    LocalFree(descriptor);
    EXPECT_EQ(trustees, (std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}));
    // A folder made without it lets others in.
    const std::u16string plain = TempFolder(L"purgeon-undo-plain");
    CreateDirectoryW(Wide(plain), nullptr);
    EXPECT_FALSE(security.OnlyAdminsMayWrite(plain));
    RemoveDirectoryW(Wide(plain));
    RemoveDirectoryW(Wide(folder));
}

// The removal lock is one for the machine: while one holder has it, another
// (here another thread, as the mutex belongs to a thread) waits or gives up.
TEST(UndoSetUnderWine, OneRemovalAtATime) {
    Win32Security first, second;
    ASSERT_TRUE(first.AcquireRemovalLock(0));
    bool got = true;
    std::thread([&] { got = second.AcquireRemovalLock(200); }).join();
    EXPECT_FALSE(got);
    first.ReleaseRemovalLock();
    std::thread([&] {
        got = second.AcquireRemovalLock(0);
        if (got) second.ReleaseRemovalLock();
    }).join();
    EXPECT_TRUE(got);
}

// Wine's SRSetRestorePointW fails: --restore-point says so, goes on only
// with --yes, and the removal then keeps its undo set as always. Hostkit's
// export also shows its "SR" box, which an unattended run would wait on.
TEST(UndoSetUnderWine, ARestorePointUnavailableIsSaidAndAskedFor) {
    SrBoxCloser closer;
    Win32FileSystem files;
    const std::u16string app = u"C:\\PurgeonRestorePoint\\App";
    files.CreateDirectory(u"C:\\PurgeonRestorePoint");
    files.CreateDirectory(app);
    ASSERT_TRUE(files.WriteFile(app + u"\\tool.exe", {'M', 'Z'}));
    std::string output;
    EXPECT_EQ(RunCli(L"uninstall --folder C:\\PurgeonRestorePoint\\App --restore-point", output),
              4u)
        << output;
    EXPECT_NE(output.find("System Restore is unavailable"), std::string::npos) << output;
    EXPECT_NE(files.GetAttributes(app + u"\\tool.exe"), kInvalidFileAttributes);

    EXPECT_EQ(RunCli(L"uninstall --folder C:\\PurgeonRestorePoint\\App --restore-point --yes "
                     L"--undo-dir C:\\PurgeonRestorePoint\\Undo",
                     output),
              0u)
        << output;
    EXPECT_NE(output.find("System Restore is unavailable"), std::string::npos) << output;
    EXPECT_EQ(files.GetAttributes(app), kInvalidFileAttributes);
    Win32Registry registry;
    const auto sets = ListUndoSets(files, u"C:\\PurgeonRestorePoint\\Undo");
    ASSERT_EQ(sets.size(), 1u);
    // Wine keeps no access rights: the set cannot be kept from others, so
    // its restore needs --trust-set.
    EXPECT_EQ(
        RunCli(L"restore \"" + std::wstring(Wide(sets[0].folder)) + L"\" --trust-set", output), 0u)
        << output;
    EXPECT_NE(files.GetAttributes(app + u"\\tool.exe"), kInvalidFileAttributes);
    std::printf("Hostkit's SR boxes closed: %d\n", closer.closed());
}

}  // namespace
}  // namespace purgeon
