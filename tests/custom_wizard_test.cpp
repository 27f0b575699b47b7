#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/text.h"
#include "support/memory_machine.h"
#include "ui/Form_K_CustomUninstallWizard.h"
#include "ui/product_site.h"

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

// The wizard window's logic over the in-memory machine, its message boxes
// answered from a script.
class CustomWizard : public ::testing::Test {
  protected:
    CustomWizard() { wizard.set_window_id(77); }

    // Types `text`, presses Scan; the boxes shown by this press.
    std::vector<DialogCall> Scan(const std::u16string& text) {
        const std::size_t before = machine.dialog.Calls().size();
        wizard.Edit_SelSoftwareFilePath = text;
        wizard.ImgBtn_ScanClick();
        const auto calls = machine.dialog.Calls();
        return {calls.begin() + std::ptrdiff_t(before), calls.end()};
    }

    MemoryMachine machine;
    TFrm_K_CustomUninstallWizard wizard{machine.dialog, machine.shell, machine.files,
                                        machine.launcher};
};

TEST_F(CustomWizard, EachShowingStartsEmptyWithTheSupportLink) {
    wizard.FormShow();
    machine.dialog.Script({kIdYes});
    Scan(u"D:\\Apps\\Old");
    ASSERT_TRUE(wizard.mpu_bool_IsCustomUinstall);
    ASSERT_FALSE(wizard.visible);

    wizard.FormShow();
    EXPECT_TRUE(wizard.visible);
    EXPECT_FALSE(wizard.mpu_bool_IsCustomUinstall);
    EXPECT_EQ(wizard.Edit_SelSoftwareFilePath, u"");
    EXPECT_EQ(wizard.mpu_str_SelCustomUinstallPath, u"");
    EXPECT_EQ(wizard.Label_URL_Support, u"https://www.purgeon.com/support.html");
    wizard.Label_URL_SupportClick();
    const auto launches = machine.launcher.Launches();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].verb, u"open");
    EXPECT_EQ(launches[0].file, kSupportPageUrl);
    EXPECT_EQ(launches[0].show, kSwShowNormal);
}

TEST_F(CustomWizard, AnEmptyOrBlankFolderAsksForTheDirectory) {
    wizard.FormShow();
    for (const char16_t* text : {u"", u"   ", u"\t "}) {
        const auto calls = Scan(text);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].text, kCustomUninstallNeedFolderText);
        EXPECT_EQ(calls[0].caption, u"Purgeon");
        EXPECT_EQ(calls[0].flags, 64u);
        EXPECT_EQ(calls[0].owner, 77u);
        EXPECT_TRUE(wizard.visible);
        EXPECT_FALSE(wizard.mpu_bool_IsCustomUinstall);
        EXPECT_EQ(wizard.mpu_str_SelCustomUinstallPath, text);
    }
}

TEST_F(CustomWizard, RefusedFoldersGetTheNoticeWithTheTextAndTheWindowStays) {
    wizard.FormShow();
    const char16_t* const refused[] = {u"C:\\",
                                       u"  c:\\program files ",
                                       u"C:\\Program Files\\",
                                       u"C:\\Windows",
                                       u" C:\\WINDOWS\\ ",
                                       u"C:\\Windows\\system32",
                                       u"D:\\Windows\\Temp\\",
                                       u"d:\\windows\\x\\",
                                       u"C:\\Users\\me\\Desktop\\"};
    for (const char16_t* text : refused) {
        const auto calls = Scan(text);
        ASSERT_EQ(calls.size(), 1u) << ToUtf8(text);
        EXPECT_EQ(calls[0].text, FormatWithText(kCustomUninstallRefusedText, text)) << ToUtf8(text);
        EXPECT_EQ(calls[0].flags, 64u);
        EXPECT_TRUE(wizard.visible) << ToUtf8(text);
        EXPECT_FALSE(wizard.mpu_bool_IsCustomUinstall);
    }
    // Close after refusals hands back no folder.
    wizard.ImgBtn_CloseClick();
    EXPECT_FALSE(wizard.visible);
    EXPECT_FALSE(wizard.mpu_bool_IsCustomUinstall);
}

TEST_F(CustomWizard, NoKeepsItOpenWithTheTextAndYesConfirmsTheFolderAsTyped) {
    wizard.FormShow();
    machine.dialog.Script({kIdNo});
    auto calls = Scan(u"C:\\WindowsApps");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text,
              u"Are you sure to scan and analyze the associated program install information of "
              u"C:\\WindowsApps directory?");
    EXPECT_EQ(calls[0].flags, 36u);
    EXPECT_EQ(calls[0].caption, u"Purgeon");
    EXPECT_TRUE(wizard.visible);
    EXPECT_FALSE(wizard.mpu_bool_IsCustomUinstall);
    EXPECT_EQ(wizard.Edit_SelSoftwareFilePath, u"C:\\WindowsApps");

    // Any answer but No confirms; the folder is kept as typed, blanks and all.
    machine.dialog.Script({kIdOk});
    calls = Scan(u" E:\\Tools\\Acme ");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(wizard.visible);
    EXPECT_TRUE(wizard.mpu_bool_IsCustomUinstall);
    EXPECT_EQ(wizard.mpu_str_SelCustomUinstallPath, u" E:\\Tools\\Acme ");
    EXPECT_FALSE(machine.dialog.AnyUnscripted());
}

TEST_F(CustomWizard, CloseAfterADeclinedConfirmationReturnsFalse) {
    wizard.FormShow();
    machine.dialog.Script({kIdNo});
    Scan(u"D:\\Apps\\X");
    wizard.ImgBtn_CloseClick();
    EXPECT_FALSE(wizard.visible);
    EXPECT_FALSE(wizard.mpu_bool_IsCustomUinstall);
    EXPECT_EQ(wizard.mpu_str_SelCustomUinstallPath, u"D:\\Apps\\X");
}

TEST_F(CustomWizard, TheChooserAddsTheFinalBackslashAndACancelChangesNothing) {
    wizard.FormShow();
    wizard.Edit_SelSoftwareFilePath = u"typed";
    wizard.ImgBtn_SelectDirClick(std::nullopt);
    EXPECT_EQ(wizard.Edit_SelSoftwareFilePath, u"typed");
    wizard.ImgBtn_SelectDirClick(u"");
    EXPECT_EQ(wizard.Edit_SelSoftwareFilePath, u"typed");
    wizard.ImgBtn_SelectDirClick(u"D:\\Apps\\Acme");
    EXPECT_EQ(wizard.Edit_SelSoftwareFilePath, u"D:\\Apps\\Acme\\");
    wizard.ImgBtn_SelectDirClick(u"E:\\");
    EXPECT_EQ(wizard.Edit_SelSoftwareFilePath, u"E:\\");
    // A chosen Program Files (with its "\") is refused like a typed one.
    wizard.ImgBtn_SelectDirClick(u"C:\\Program Files");
    const auto calls = Scan(wizard.Edit_SelSoftwareFilePath);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, FormatWithText(kCustomUninstallRefusedText, u"C:\\Program Files\\"));
}

}  // namespace
}  // namespace purgeon
