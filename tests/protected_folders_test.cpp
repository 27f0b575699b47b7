#include "analysis/protected_folders.h"

#include <gtest/gtest.h>

#include "support/memory_machine.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;

// A 32-bit program's view of 64-bit Windows, with the user's folders.
class Protected : public ::testing::Test {
  protected:
    Protected() {
        machine_.shell.SetSpecialFolder(kCsidlProgramFiles, u"C:\\Program Files (x86)");
        machine_.shell.SetSpecialFolder(kCsidlLocalAppData, u"C:\\Users\\me\\AppData\\Local");
        machine_.shell.SetSpecialFolder(kCsidlCommonAppData, u"C:\\ProgramData");
        machine_.shell.SetSpecialFolder(kCsidlPersonal, u"C:\\Users\\me\\Documents");
        machine_.shell.SetSpecialFolder(kCsidlCommonDesktopDirectory,
                                        u"C:\\Users\\Public\\Desktop");
        machine_.files.AddFolder(u"C:\\Program Files\\Vendor");
        machine_.files.AddFolder(u"C:\\Program Files (x86)\\App");
    }
    MemoryMachine machine_;
};

TEST_F(Protected, FoldersOfWindowsAndOfItsUsersInAnySpelling) {
    const ProtectedFolders folders(machine_.shell, machine_.files);
    const std::u16string short_program_files = machine_.files.ShortNameOf(u"C:\\Program Files");
    ASSERT_FALSE(short_program_files.empty());
    struct Case {
        std::u16string path;
        bool is_protected;
    };
    const Case cases[] = {
        // Drive roots, however written.
        {u"", true},
        {u"C:", true},
        {u"C:\\", true},
        {u"C:\\\\", true},
        {u"C:/", true},
        {u"C:\\.\\", true},
        {u"C:\\App\\..", true},
        // The folders themselves, both program-files folders and their common files.
        {u"C:\\Program Files (x86)", true},
        {u"C:\\Program Files\\", true},
        {u"c:/program files/", true},
        {u"C:\\" + short_program_files, true},
        {u"C:\\Program Files\\Common Files", true},
        {u"C:\\Program Files (x86)\\Common Files\\", true},
        {u"C:\\Windows", true},
        {u"C:\\Windows\\System32\\drivers", true},
        {u"D:\\Windows\\App", true},
        {u"C:\\ProgramData", true},
        {u"C:\\Users\\me\\Documents", true},
        {u"C:\\Users\\me\\AppData\\Local\\", true},
        // Folders that hold one of them.
        {u"C:\\Users", true},
        {u"C:\\Users\\me\\", true},
        {u"C:\\Users\\Public", true},
        {u"C:\\Users\\me\\AppData", true},
        {u"C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu", true},
        // A program's own folders and files.
        {u"C:\\Program Files (x86)\\App", false},
        {u"C:\\Program Files\\Vendor\\", false},
        {u"C:\\Program Files (x86)\\Common Files\\Vendor", false},
        {u"C:\\Users\\me\\AppData\\Local\\App", false},
        {u"C:\\Users\\me\\Documents\\My Games\\App", false},
        {u"C:\\ProgramData\\App\\settings.ini", false},
        {u"C:\\WindowsApps\\X", false},
        {u"C:\\Program Files Extra", false},
        {u"D:\\Games", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(folders.IsProtected(c.path), c.is_protected) << ToUtf8(c.path);
    }
}

TEST_F(Protected, NormalisedPathResolvesSpellings) {
    const std::u16string short_name = machine_.files.ShortNameOf(u"C:\\Program Files (x86)");
    ASSERT_FALSE(short_name.empty());
    struct Case {
        std::u16string path, normalised;
    } cases[] = {
        {u"C:", u"C:\\"},
        {u"C:/Program Files//Vendor/./", u"C:\\Program Files\\Vendor"},
        {u"C:\\a\\..\\..\\b", u"C:\\b"},
        {u"C:\\" + short_name + u"\\App", u"C:\\Program Files (x86)\\App"},
        {u"C:\\NOSUCH~1\\x", u"C:\\NOSUCH~1\\x"},  // not on disk: kept as written
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalisedPath(machine_.files, c.path), c.normalised) << ToUtf8(c.path);
}

}  // namespace
}  // namespace purgeon
