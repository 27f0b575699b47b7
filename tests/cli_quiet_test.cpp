// The unattended uninstall's choice of command: the installer families told
// apart by the uninstall command and by the uninstaller file.
#include <gtest/gtest.h>

#include "cli/quiet_uninstall.h"
#include "platform/memory/memory_file_system.h"
#include "platform/text.h"

namespace purgeon {
namespace {

std::string Utf16(std::string_view ascii) {
    std::string wide;
    for (char c : ascii) wide += std::string{c, '\0'};
    return wide;
}

TEST(QuietUninstall, TellsTheFamiliesApart) {
    MemoryFileSystem files;
    files.AddFile(u"C:\\Program Files\\Quill\\uninst.exe",
                  std::string("MZ\0\0", 4) + "Nullsoft.NSIS.exehead" + std::string(8, '\0'));
    files.AddFile(u"C:\\Program Files\\Tidy\\unins000.exe", "MZ plain");
    files.AddFile(u"C:\\Program Files\\Inno\\remove.exe", "MZ" + Utf16("Inno Setup") + "x");
    files.AddFile(u"C:\\Program Files\\Other\\uninst.exe", "MZ some other installer");
    struct Case {
        const char* what;
        std::u16string command, quiet;
        InstallerFamily family;
        std::u16string expected;
    } cases[] = {
        {"MSI listed with /I", u"MsiExec.exe /I{1234-AB}", u"", InstallerFamily::kWindowsInstaller,
         u"MsiExec.exe /X{1234-AB} /qn"},
        {"MSI listed with /X and a path", u"C:\\Windows\\system32\\msiexec.exe /x{CD-EF} REBOOT=0",
         u"", InstallerFamily::kWindowsInstaller, u"MsiExec.exe /X{CD-EF} /qn"},
        {"MSI without a product code", u"MsiExec.exe /I package.msi", u"",
         InstallerFamily::kUnknown, u""},
        {"NSIS quoted", u"\"C:\\Program Files\\Quill\\uninst.exe\"", u"", InstallerFamily::kNsis,
         u"\"C:\\Program Files\\Quill\\uninst.exe\" /S"},
        // NSIS takes all after "_?=" as its folder: the switch goes before it.
        {"NSIS unquoted with blanks and a folder",
         u"C:\\Program Files\\Quill\\uninst.exe _?=C:\\Program Files\\Quill", u"",
         InstallerFamily::kNsis,
         u"\"C:\\Program Files\\Quill\\uninst.exe\" /S _?=C:\\Program Files\\Quill"},
        {"NSIS that is silent already", u"\"C:\\Program Files\\Quill\\uninst.exe\" /s /LANG=1031",
         u"", InstallerFamily::kNsis, u"\"C:\\Program Files\\Quill\\uninst.exe\" /s /LANG=1031"},
        {"Inno by its name", u"\"C:\\Program Files\\Tidy\\unins000.exe\"", u"",
         InstallerFamily::kInnoSetup,
         u"\"C:\\Program Files\\Tidy\\unins000.exe\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART"},
        {"Inno by its UTF-16 marker, with an argument",
         u"\"C:\\Program Files\\Inno\\remove.exe\" /LOG", u"", InstallerFamily::kInnoSetup,
         u"\"C:\\Program Files\\Inno\\remove.exe\" /LOG /VERYSILENT /SUPPRESSMSGBOXES /NORESTART"},
        {"Inno with one of its switches", u"\"C:\\Program Files\\Tidy\\unins000.exe\" /norestart",
         u"", InstallerFamily::kInnoSetup,
         u"\"C:\\Program Files\\Tidy\\unins000.exe\" /norestart /VERYSILENT /SUPPRESSMSGBOXES"},
        {"unknown uninstaller", u"\"C:\\Program Files\\Other\\uninst.exe\"", u"",
         InstallerFamily::kUnknown, u""},
        {"missing uninstaller", u"\"C:\\Program Files\\Gone\\uninst.exe\"", u"",
         InstallerFamily::kUnknown, u""},
        {"QuietUninstallString wins", u"\"C:\\Program Files\\Other\\uninst.exe\"",
         u"  \"C:\\Program Files\\Other\\uninst.exe\" --silent ",
         InstallerFamily::kQuietUninstallString,
         u"\"C:\\Program Files\\Other\\uninst.exe\" --silent"},
    };
    for (const auto& c : cases) {
        const QuietUninstall quiet = ChooseQuietUninstall(files, c.command, c.quiet);
        EXPECT_EQ(quiet.family, c.family) << c.what;
        EXPECT_EQ(ToUtf8(quiet.command), ToUtf8(c.expected)) << c.what;
    }
}

}  // namespace
}  // namespace purgeon
