// The safety decisions on the real Win32 adapters: what GetFileInformationByHandle
// says of one folder reached through different spellings and through a link,
// the protected folders of the machine at hand in any spelling, and the image
// paths the process adapter reads, with the termination that goes by them.
// Each measurement is printed and recorded as a test property.
#include <windows.h>

// <windows.h> maps these names to their W functions; below they name the
// file-system port's methods, so the port header must come after this.
#undef CreateDirectory
#undef DeleteFile
#undef GetLongPathName
#undef RemoveDirectory

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "analysis/protected_folders.h"
#include "platform/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_shell_folders.h"
#include "uninstall/Unit_K_ProcessProc.h"
#include "wine_host.h"

namespace purgeon {
namespace {

std::u16string LongTempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    wchar_t long_temp[4096] = {};
    GetLongPathNameW(temp, long_temp, 4096);
    return FromWide(long_temp);
}

std::string Describe(bool opened, const FileIdentity& identity) {
    if (!opened) return "not opened";
    char text[64];
    std::snprintf(text, sizeof text, "%08lx:%016llx",
                  static_cast<unsigned long>(identity.volume_serial),
                  static_cast<unsigned long long>(identity.file_index));
    return text;
}

class SafetyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        root_ = LongTempFolder() + u"purgeon-safety-" +
                FromUtf8(std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
        ASSERT_TRUE(CreateDirectoryW(Wide(root_), nullptr));
    }
    void TearDown() override {
        for (const auto& link : links_) wine_host::RemoveUnixLink(link);
        DeleteFolderTree(fs_, root_);
    }
    std::u16string Path(const std::u16string& relative) const { return root_ + u"\\" + relative; }
    bool Link(const std::u16string& link, const std::u16string& target) {
        if (!wine_host::MakeUnixFolderLink(link, target)) return false;
        links_.push_back(link);
        return true;
    }

    Win32FileSystem fs_;
    std::u16string root_;
    std::vector<std::u16string> links_;
};

// One folder, many spellings: every spelling that opens must open the same
// folder; the plain forms, the prefixes, the short name and a link must open.
TEST_F(SafetyTest, OneFolderHasOneIdentityInEverySpellingAndThroughALink) {
    const std::u16string folder = Path(u"Target Folder");
    ASSERT_TRUE(CreateDirectoryW(Wide(folder), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Wide(Path(u"Other")), nullptr));
    FileIdentity plain;
    ASSERT_TRUE(fs_.GetFileIdentity(folder, &plain));

    wchar_t short_buffer[4096] = {};
    const DWORD short_length = GetShortPathNameW(Wide(folder), short_buffer, 4096);
    const std::u16string short_form = FromWide(short_buffer, short_length);
    std::u16string slashes = folder, doubled;
    for (auto& c : slashes) c = c == u'\\' ? u'/' : c;
    for (char16_t c : folder)
        doubled += c == u'\\' ? std::u16string(u"\\\\") : std::u16string(1, c);
    const bool linked = Link(Path(u"Link"), folder);
    struct Spelling {
        const char* what;
        std::u16string path;
        bool must_open;
    } spellings[] = {
        {"as written", folder, true},
        {"lower case", AsciiLower(folder), true},
        {"upper case", AsciiUpper(folder), true},
        {"forward slashes", slashes, true},
        {"doubled separators", doubled, true},
        {"trailing backslash", folder + u"\\", true},
        {"\".\" and \"..\" pieces", root_ + u"\\.\\Other\\..\\Target Folder", true},
        {"trailing dot", folder + u".", false},
        {"trailing dot and blank", folder + u". ", false},
        {"\\\\?\\ prefix", u"\\\\?\\" + folder, true},
        {"\\\\?\\ prefix and trailing dot", u"\\\\?\\" + folder + u".", false},
        {"\\??\\ prefix", u"\\??\\" + folder, false},
        {"\\\\.\\ prefix", u"\\\\.\\" + folder, true},
        {"::$INDEX_ALLOCATION stream", folder + u"::$INDEX_ALLOCATION", false},
        {"8.3 short name", short_form, short_length > 0 && short_form != folder},
        {"Unix symbolic link", Path(u"Link"), linked},
    };
    std::string table;
    for (const auto& spelling : spellings) {
        FileIdentity identity;
        const bool opened = fs_.GetFileIdentity(spelling.path, &identity);
        const std::string line = std::string(spelling.what) + ": " + Describe(opened, identity) +
                                 (opened && identity == plain ? " (same)" : "");
        std::printf("identity %s  [%s]\n", line.c_str(), ToUtf8(spelling.path).c_str());
        table += line + "; ";
        if (spelling.must_open) EXPECT_TRUE(opened) << spelling.what;
        if (opened) EXPECT_EQ(identity, plain) << spelling.what << ": " << line;
    }
    RecordProperty("identities", table);
    FileIdentity other;
    ASSERT_TRUE(fs_.GetFileIdentity(Path(u"Other"), &other));
    EXPECT_NE(other, plain);
    EXPECT_FALSE(fs_.GetFileIdentity(Path(u"Missing"), &other));
}

// The protected folders of this machine, in spellings and through links.
TEST_F(SafetyTest, TheMachinesProtectedFoldersInAnySpellingAndThroughLinks) {
    Win32ShellFolders shell;
    const std::u16string desktop = shell.SpecialFolder(kCsidlDesktopDirectory);
    const std::u16string windows = shell.SpecialFolder(kCsidlWindows);
    const std::u16string profile = shell.SpecialFolder(kCsidlProfile);
    ASSERT_FALSE(desktop.empty());
    ASSERT_FALSE(windows.empty());
    const ProtectedFolders folders(shell, fs_);
    for (const auto& folder : {desktop, windows, profile, shell.SystemDirectory(),
                               shell.SpecialFolder(kCsidlProgramFiles)}) {
        if (folder.empty()) continue;
        for (const auto& spelling : {folder, u"\\\\?\\" + folder, u"\\??\\" + folder + u".",
                                     u"\\\\.\\" + AsciiLower(folder) + u"\\", folder + u" . "}) {
            EXPECT_TRUE(folders.IsProtected(spelling)) << ToUtf8(spelling);
        }
    }
    ASSERT_TRUE(CreateDirectoryW(Wide(Path(u"Program")), nullptr));
    EXPECT_FALSE(folders.IsProtected(Path(u"Program")));
    EXPECT_FALSE(folders.IsProtected(u"\\\\?\\" + Path(u"Program.")));
    if (!Link(Path(u"ToDesktop"), desktop) || !Link(Path(u"ToWindows"), windows) ||
        !Link(Path(u"ToProgram"), Path(u"Program")))
        GTEST_SKIP() << "no way to make a folder link here";
    EXPECT_TRUE(folders.IsProtected(Path(u"ToDesktop")));
    EXPECT_TRUE(folders.IsProtected(Path(u"ToWindows")));
    EXPECT_FALSE(folders.IsProtected(Path(u"ToProgram")));  // recorded, never walked
    EXPECT_TRUE(folders.IsProtected(Path(u"ToProgram\\Below")));
}

bool IsRunning(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

// Starts `exe` (a copy of the sleeper); the handle is the caller's.
HANDLE Start(const std::u16string& exe) {
    std::wstring command = L"\"" + std::wstring(Wide(exe)) + L"\" 120";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(Wide(exe), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

std::u16string SleeperPath() {
    wchar_t own[4096] = {};
    GetModuleFileNameW(nullptr, own, 4096);
    return std::u16string(PathFolder(FromWide(own))) + u"safety_sleeper.exe";
}

// Image paths, of 32-bit and of 64-bit processes, and the termination that
// goes by them: a namesake elsewhere survives.
TEST_F(SafetyTest, ProcessesAreEndedByTheirImagePath) {
    Win32Processes processes;
    wchar_t own[4096] = {};
    GetModuleFileNameW(nullptr, own, 4096);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    bool saw_self = false, saw_64bit = false;
    std::string report;
    for (const auto& process : processes.Snapshot()) {
        if (process.id == GetCurrentProcessId()) {
            saw_self = EqualsIgnoreAsciiCase(process.image_path, FromWide(own));
            continue;
        }
        HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.id);
        if (!handle) continue;
        BOOL other_wow64 = TRUE;
        if (wow64 && IsWow64Process(handle, &other_wow64) && !other_wow64) {
            report += ToUtf8(process.exe_name) + " (64-bit) -> " +
                      (process.image_path.empty() ? "no path" : ToUtf8(process.image_path)) + "; ";
            saw_64bit = saw_64bit || !process.image_path.empty();
        }
        CloseHandle(handle);
    }
    std::printf("64-bit processes seen from this 32-bit one: %s\n", report.c_str());
    RecordProperty("processes_64bit", report);
    EXPECT_TRUE(saw_self);
    if (wow64) EXPECT_TRUE(saw_64bit) << "no 64-bit process told its image path";

    const std::u16string removed = Path(u"Removed Program"), elsewhere = Path(u"Elsewhere");
    ASSERT_TRUE(CreateDirectoryW(Wide(removed), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Wide(elsewhere), nullptr));
    for (const auto& copy :
         {removed + u"\\other.exe", removed + u"\\own.exe", elsewhere + u"\\other.exe"})
        ASSERT_TRUE(CopyFileW(Wide(SleeperPath()), Wide(copy), FALSE)) << ToUtf8(copy);
    HANDLE inside = Start(removed + u"\\other.exe");
    HANDLE own_one = Start(removed + u"\\own.exe");
    HANDLE namesake = Start(elsewhere + u"\\other.exe");
    ASSERT_TRUE(inside && own_one && namesake);
    Sleep(300);
    // The folder as the removal would write it: another spelling.
    const auto ended =
        TerminateProcessesInFolders(processes, fs_, {u"\\\\?\\" + AsciiUpper(removed) + u"\\"});
    EXPECT_EQ(ended.size(), 2u);
    EXPECT_EQ(WaitForSingleObject(inside, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(own_one, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(IsRunning(namesake)) << "a program of the same name elsewhere was ended";
    TerminateProcess(namesake, 0);
    WaitForSingleObject(namesake, 5000);
    for (HANDLE handle : {inside, own_one, namesake}) CloseHandle(handle);
}

}  // namespace
}  // namespace purgeon
