// Purgeon's own setup, Purgeon_Setup.exe, for real in the run's prefix:
// installed silently, listed by the installed purgeon-cli, the installed
// purgeon.exe started, then removed by the setup's own silent uninstaller
// (its QuietUninstallString, as Windows' own list would run it). Also the
// version resources of the three programs, which must agree.
#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/own_executable.h"
#include "platform/win32/wide.h"
#include "window_test_support.h"

namespace purgeon {
namespace {

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Purgeon";
constexpr DWORD kWaitMs = 120000;

std::string Utf8(const std::wstring& text) {
    return ToUtf8(FromWide(text.c_str(), text.size()));
}

std::wstring Widen(const char* text) {
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

// A file of the build folder (the folder above this test's bin).
std::wstring BuildFile(const wchar_t* name) {
    std::wstring path = Wide(OwnExecutablePath());
    path.resize(path.find_last_of(L'\\'));
    path.resize(path.find_last_of(L'\\') + 1);
    return path + name;
}

std::wstring Folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return L"";
    return path;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether `output` has this line (ended by LF or CR LF).
bool HasLine(const std::string& output, const std::string& line) {
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string piece = output.substr(start, end - start);
        if (!piece.empty() && piece.back() == '\r') piece.pop_back();
        if (piece == line) return true;
        start = end + 1;
    }
    return false;
}

struct RunResult {
    bool started = false;
    DWORD exit_code = 0;
    std::string output;  // standard output
};

// Runs a command line and waits for it, collecting its standard output.
RunResult RunCommand(std::wstring command_line, DWORD timeout_ms = kWaitMs) {
    RunResult run;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return run;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    run.started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &process) != FALSE;
    CloseHandle(write_end);
    if (run.started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read_end, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            run.output.append(buffer, got);
        WaitForSingleObject(process.hProcess, timeout_ms);
        GetExitCodeProcess(process.hProcess, &run.exit_code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(read_end);
    return run;
}

// A value of the Uninstall entry in the 32-bit view; none when missing.
std::optional<std::wstring> EntryValue(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t), type = 0;
    const LONG result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::wstring(data);
}

bool EntryExists(REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The target of a shell link.
std::wstring LinkTarget(const std::wstring& link) {
    std::wstring target;
    IShellLinkW* shell_link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shell_link)))) {
        return target;
    }
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
            SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, 0))) {
            target = path;
        }
        file->Release();
    }
    shell_link->Release();
    return target;
}

struct VersionStrings {
    std::wstring fixed, file_version, product_version, product_name, description;
    bool operator==(const VersionStrings&) const = default;
};

VersionStrings ReadVersion(const std::wstring& path) {
    VersionStrings out;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return out;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return out;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) && info) {
        out.fixed = std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
                    std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
                    std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
                    std::to_wstring(LOWORD(info->dwFileVersionLS));
    }
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                           &length) &&
            value)
            return std::wstring(value);
        return std::wstring();
    };
    out.file_version = text(L"FileVersion");
    out.product_version = text(L"ProductVersion");
    out.product_name = text(L"ProductName");
    out.description = text(L"FileDescription");
    return out;
}

// Waits until `done` holds, polling; false after `timeout_ms`.
template <typename Done>
bool WaitFor(Done done, DWORD timeout_ms = kWaitMs) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    while (!done()) {
        if (GetTickCount64() > deadline) return false;
        Sleep(100);
    }
    return true;
}

class SetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        setup = BuildFile(L"package\\Purgeon_Setup.exe");
        ASSERT_TRUE(Exists(setup)) << Utf8(setup) << " was not built";
        install_dir = Folder(CSIDL_PROGRAM_FILESX86) + L"\\Purgeon";
        shortcut = Folder(CSIDL_COMMON_PROGRAMS) + L"\\Purgeon.lnk";
        ASSERT_FALSE(Exists(install_dir)) << "Purgeon is installed already";
    }
    void TearDown() override { CoUninitialize(); }

    void Install() {
        const RunResult run = RunCommand(L"\"" + setup + L"\" /S");
        ASSERT_TRUE(run.started);
        ASSERT_EQ(run.exit_code, 0u);
        ASSERT_TRUE(Exists(install_dir + L"\\purgeon.exe"));
    }

    // The Uninstall entry's quiet command; the NSIS uninstaller copies itself
    // away and ends at once, so the removal is waited for.
    void UninstallQuietly() {
        const std::optional<std::wstring> quiet = EntryValue(L"QuietUninstallString");
        ASSERT_TRUE(quiet.has_value());
        const RunResult run = RunCommand(*quiet);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.exit_code, 0u);
        ASSERT_TRUE(WaitFor([&] {
            return !EntryExists(KEY_WOW64_32KEY) && !Exists(install_dir + L"\\uninst.exe");
        })) << "the uninstaller did not finish";
    }

    std::wstring setup, install_dir, shortcut;
};

TEST_F(SetupTest, InstallsForTheMachineListsStartsAndUninstallsEverything) {
    Install();
    const std::wstring version = Widen(PURGEON_VERSION_TEXT);

    // The files, the shortcut and the Uninstall entry.
    for (const wchar_t* file : {L"purgeon.exe", L"Hostkit.dll", L"purgeon-cli.exe", L"uninst.exe"})
        EXPECT_TRUE(Exists(install_dir + L"\\" + file)) << Utf8(file);
    EXPECT_NE(install_dir.find(L"Program Files (x86)\\Purgeon"), std::wstring::npos)
        << Utf8(install_dir);
    ASSERT_TRUE(Exists(shortcut));
    EXPECT_EQ(LinkTarget(shortcut), install_dir + L"\\purgeon.exe");
    const struct {
        const wchar_t* name;
        std::wstring value;
    } values[] = {
        {L"DisplayName", L"Purgeon"},
        {L"DisplayVersion", version},
        {L"Publisher", L"Purgeon"},
        {L"DisplayIcon", install_dir + L"\\purgeon.exe"},
        {L"InstallLocation", install_dir},
        {L"UninstallString", L"\"" + install_dir + L"\\uninst.exe\""},
        {L"QuietUninstallString", L"\"" + install_dir + L"\\uninst.exe\" /S"},
    };
    for (const auto& v : values)
        EXPECT_EQ(EntryValue(v.name).value_or(L"(missing)"), v.value) << Utf8(v.name);
    EXPECT_FALSE(EntryExists(KEY_WOW64_64KEY)) << "a 32-bit program's entry is in the 32-bit view";

    // The three programs carry one version, product name and description.
    const VersionStrings expected{version, version, version, L"Purgeon", L"Purgeon uninstaller"};
    for (const wchar_t* file : {L"purgeon.exe", L"Hostkit.dll", L"purgeon-cli.exe"})
        EXPECT_EQ(ReadVersion(install_dir + L"\\" + file), expected) << Utf8(file);

    // The installed purgeon-cli lists Purgeon with its version and publisher.
    const RunResult list = RunCommand(L"\"" + install_dir + L"\\purgeon-cli.exe\" list");
    ASSERT_TRUE(list.started);
    EXPECT_EQ(list.exit_code, 0u) << list.output;
    EXPECT_TRUE(HasLine(list.output, "Purgeon  " + Utf8(version) + "  Purgeon")) << list.output;

    // The installed purgeon.exe starts and shows its main window.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + install_dir + L"\\purgeon.exe\"";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               install_dir.c_str(), &startup, &process));
    HWND main_window = nullptr;
    const bool shown = WaitFor([&] {
        main_window = FindTopWindow(process.dwProcessId, L"TFrm_Main_PG");
        return main_window != nullptr || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    });
    EXPECT_TRUE(shown && main_window != nullptr) << "no main window of the installed purgeon.exe";
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);

    // What the program writes beside itself goes with it (the version file
    // of an update check stands for them).
    HANDLE written = CreateFileW((install_dir + L"\\Update.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(written, INVALID_HANDLE_VALUE);
    CloseHandle(written);

    UninstallQuietly();
    ASSERT_TRUE(WaitFor([&] { return !Exists(install_dir); }, 30000))
        << "the install folder is left";
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_FALSE(EntryExists(KEY_WOW64_32KEY));
    EXPECT_FALSE(EntryExists(KEY_WOW64_64KEY));
    const RunResult after = RunCommand(L"\"" + BuildFile(L"bin\\purgeon-cli.exe") + L"\" list");
    EXPECT_EQ(after.exit_code, 0u) << after.output;
    EXPECT_FALSE(HasLine(after.output, "Purgeon  " + Utf8(version) + "  Purgeon")) << after.output;
}

TEST_F(SetupTest, TheUninstallerLeavesAFileItDidNotInstall) {
    // Only its own files are removed: a user's file in the folder stays, and
    // so does the folder around it.
    Install();
    const std::wstring foreign = install_dir + L"\\notes.txt";
    HANDLE written = CreateFileW(foreign.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(written, INVALID_HANDLE_VALUE);
    CloseHandle(written);
    UninstallQuietly();
    EXPECT_TRUE(Exists(foreign));
    for (const wchar_t* file : {L"purgeon.exe", L"Hostkit.dll", L"purgeon-cli.exe"})
        EXPECT_FALSE(Exists(install_dir + L"\\" + file)) << Utf8(file);
    EXPECT_FALSE(Exists(shortcut));
    DeleteFileW(foreign.c_str());
    RemoveDirectoryW(install_dir.c_str());
}

TEST(VersionResources, TheThreeProgramsCarryTheSameVersion) {
    const std::wstring bin = BuildFile(L"bin\\");
    const std::wstring version = Widen(PURGEON_VERSION_TEXT);
    const VersionStrings expected{version, version, version, L"Purgeon", L"Purgeon uninstaller"};
    for (const wchar_t* file : {L"purgeon.exe", L"Hostkit.dll", L"purgeon-cli.exe"})
        EXPECT_EQ(ReadVersion(bin + file), expected) << Utf8(file);
}

}  // namespace
}  // namespace purgeon
