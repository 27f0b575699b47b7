#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/memory_machine.h"
#include "ui/Form_K_CustomUninstallWizard.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;

TEST(CustomUninstallFolder, RefusesWindowsFoldersAndDriveRoots) {
    MemoryMachine machine;
    machine.files.AddFolder(u"C:\\Program Files\\App");
    struct Case {
        std::u16string text;
        CustomFolderVerdict verdict;
    };
    const Case cases[] = {
        {u"", CustomFolderVerdict::kEmpty},
        {u"   ", CustomFolderVerdict::kEmpty},
        {u"C:\\", CustomFolderVerdict::kRefused},
        {u"D:", CustomFolderVerdict::kRefused},
        {u"x", CustomFolderVerdict::kRefused},
        {u"C:\\Program Files\\", CustomFolderVerdict::kRefused},
        {u"  c:\\program files ", CustomFolderVerdict::kRefused},
        {u"C:\\Windows", CustomFolderVerdict::kRefused},
        {u"C:\\Windows\\System32\\", CustomFolderVerdict::kRefused},
        {u"C:\\Users\\me\\Desktop", CustomFolderVerdict::kRefused},
        {u"C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
         CustomFolderVerdict::kRefused},
        {u"D:\\Windows\\Temp\\", CustomFolderVerdict::kRefused},
        {u"d:\\windows\\x\\", CustomFolderVerdict::kRefused},
        // Other spellings of refused folders.
        {u"C:/Program Files/", CustomFolderVerdict::kRefused},
        {u"C:\\Program Files\\App\\..", CustomFolderVerdict::kRefused},
        {u"C:\\\\Windows", CustomFolderVerdict::kRefused},
        {u"C:\\PROGRA~1", CustomFolderVerdict::kRefused},
        {u"C:\\.\\", CustomFolderVerdict::kRefused},
        {u"C:\\WindowsApps", CustomFolderVerdict::kAccepted},
        {u"C:\\Program Files\\App", CustomFolderVerdict::kAccepted},
        {u"E:\\Does\\Not\\Exist", CustomFolderVerdict::kAccepted},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckCustomUninstallFolder(machine.shell, machine.files, c.text), c.verdict)
            << ToUtf8(c.text);
    }
}

TEST(CustomUninstallFolder, RefusesBothProgramFilesFoldersOn64BitWindows) {
    MemoryMachine machine;
    machine.shell.SetSpecialFolder(kCsidlProgramFiles, u"C:\\Program Files (x86)");
    for (auto text : {u"C:\\Program Files (x86)", u"C:\\Program Files", u"c:\\program files\\"})
        EXPECT_EQ(CheckCustomUninstallFolder(machine.shell, machine.files, text),
                  CustomFolderVerdict::kRefused)
            << ToUtf8(text);
    EXPECT_EQ(CheckCustomUninstallFolder(machine.shell, machine.files, u"C:\\Program Files\\App"),
              CustomFolderVerdict::kAccepted);
}

TEST(CustomUninstallFolder, MessagesNameTheFolder) {
    EXPECT_EQ(FormatWithText(kCustomUninstallConfirmText, u"D:\\Apps\\X"),
              u"Are you sure to scan and analyze the associated program install information of "
              u"D:\\Apps\\X directory?");
    EXPECT_EQ(FormatWithText(kCustomUninstallRefusedText, u"C:\\"),
              u"As C:\\ directory is highly associated with Windows system and files,\r\n we do "
              u"not recommend to "
              u"scan this directory to avoid any risk of damaging your system performance and "
              u"stability. \r\nPlease "
              u"select the appropriate directory where the program has been installed.");
}

}  // namespace
}  // namespace purgeon
