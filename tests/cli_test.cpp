#include <gtest/gtest.h>

#include "cli/json_writer.h"
#include "cli/purgeon_cli.h"
#include "support/memory_machine.h"
#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;
using testing::PutString;

const std::u16string kUninstall = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class Cli : public ::testing::Test {
  protected:
    int Run(std::vector<std::u16string> args) {
        out_.clear();
        err_.clear();
        CliContext context{machine_.ports(), u"C:\\Purgeon\\"};
        return RunPurgeonCli(args, context, out_, err_);
    }
    MemoryMachine machine_;
    std::string out_, err_;
};

TEST_F(Cli, ListsProgramsForPeopleInNameOrder) {
    PutString(machine_.registry, kHkeyLocalMachine, kUninstall + u"b", u"DisplayName",
              u"B\u00E9ta");
    PutString(machine_.registry, kHkeyLocalMachine, kUninstall + u"b", u"DisplayVersion", u"1.2");
    PutString(machine_.registry, kHkeyLocalMachine, kUninstall + u"b", u"Publisher", u"Acme");
    PutString(machine_.registry, kHkeyLocalMachine, kUninstall + u"a", u"DisplayName", u"Alpha",
              true);
    EXPECT_EQ(Run({u"list"}), 0);
    EXPECT_EQ(out_, "Alpha  [64-bit]\nB\xC3\xA9ta  1.2  Acme\n");
    EXPECT_EQ(err_, "");
}

TEST_F(Cli, ListsProgramsAsJson) {
    const std::u16string key = kUninstall + u"{A}";
    PutString(machine_.registry, kHkeyLocalMachine, key, u"DisplayName", u"Tab\tQuote\" App");
    PutString(machine_.registry, kHkeyLocalMachine, key, u"UninstallString",
              u"\"C:\\App\\uninst.exe\" /S");
    EXPECT_EQ(Run({u"list", u"--json"}), 0);
    EXPECT_EQ(out_,
              "[\n  {\"name\":\"Tab\\tQuote\\\" App\",\"publisher\":\"\",\"version\":\"\","
              "\"install_location\":\"C:\\\\App\\\\\",\"uninstall_string\":\"\\\"C:"
              "\\\\App\\\\uninst.exe\\\" /S\","
              "\"display_icon\":\"C:\\\\Windows\\\\system32\\\\msiexec.exe\",\"icon_index\":65535,"
              "\"registry_key\":\"HKLM|"
              "SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\{A}\","
              "\"is64bit\":false}\n]\n");
    MemoryMachine empty;
    std::string out, err;
    CliContext context{empty.ports(), u"C:\\"};
    EXPECT_EQ(RunPurgeonCli({u"list", u"--json"}, context, out, err), 0);
    EXPECT_EQ(out, "[]\n");
}

TEST_F(Cli, UsageErrorsExitWithTwo) {
    for (const auto& args :
         std::vector<std::vector<std::u16string>>{{}, {u"lst"}, {u"list", u"--yaml"}}) {
        EXPECT_EQ(Run(args), 2);
        EXPECT_EQ(out_, "");
        EXPECT_NE(err_.find("usage: purgeon-cli"), std::string::npos);
    }
}

TEST_F(Cli, AnalyzesAProgramByItsNameAsJson) {
    PutString(machine_.registry, kHkeyLocalMachine, kUninstall + u"app", u"DisplayName", u"My App");
    PutString(machine_.registry, kHkeyLocalMachine, kUninstall + u"app", u"InstallLocation",
              u"C:\\My App");
    machine_.files.AddFile(u"C:\\My App\\app.exe");
    const std::u16string run = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    PutString(machine_.registry, kHkeyLocalMachine, run, u"MyApp", u"C:\\My App\\app.exe");
    // One key found twice in two letter cases: as a file type and as a
    // class's ProgID.
    const std::u16string classes = u"SOFTWARE\\Classes\\";
    PutString(machine_.registry, kHkeyLocalMachine, classes + u"App.Doc\\Shell\\Open\\Command", u"",
              u"C:\\My App\\app.exe %1");
    PutString(machine_.registry, kHkeyLocalMachine, classes + u"CLSID\\{C}\\LocalServer32", u"",
              u"C:\\My App\\app.exe");
    PutString(machine_.registry, kHkeyLocalMachine, classes + u"CLSID\\{C}\\ProgID", u"",
              u"app.doc");
    EXPECT_EQ(Run({u"analyze", u"--program", u"  my APP ", u"--json"}), 0);
    EXPECT_EQ(
        out_,
        "{\n  \"program\": \"My App\",\n"
        "  \"folders\": [\n    \"C:\\\\My App\\\\\"\n  ],\n"
        "  \"files\": [\n    \"C:\\\\My App\\\\app.exe\"\n  ],\n"
        "  \"registry\": [\n"
        "    \"HKLM|SOFTWARE\\\\Classes\\\\App.Doc\",\n"
        "    \"HKLM|SOFTWARE\\\\Classes\\\\CLSID\\\\{C}\",\n"
        "    \"HKLM|SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run|MyApp\",\n"
        "    \"HKLM|SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\app\"\n  "
        "]\n}\n");
}

TEST_F(Cli, AnalyzesAFolderForPeople) {
    machine_.files.AddFile(u"C:\\Portable\\tool.exe");
    EXPECT_EQ(Run({u"analyze", u"--folder", u"C:\\Portable"}), 0);
    EXPECT_EQ(out_,
              "C:\\Portable\nFolders (1):\n  C:\\Portable\\\nFiles (1):\n  "
              "C:\\Portable\\tool.exe\nRegistry (0):\n");
}

TEST_F(Cli, AnalyzeRefusesWhatItCannotTake) {
    EXPECT_EQ(Run({u"analyze", u"--program", u"Nothing Here"}), 3);
    EXPECT_EQ(err_, "purgeon-cli: no installed program is named \"Nothing Here\"\n");
    EXPECT_EQ(Run({u"analyze", u"--folder", u"C:\\Windows\\Temp"}), 3);
    EXPECT_EQ(err_.substr(0, 34), "As C:\\Windows\\Temp directory is hi");
    // The wizard's CR LF breaks as console line ends: the C runtime on
    // Windows adds the CR itself.
    EXPECT_NE(err_.find("and files,\n we do not"), std::string::npos) << err_;
    EXPECT_EQ(err_.find('\r'), std::string::npos);
    EXPECT_EQ(out_, "");
    // A folder that is not there is reported as such.
    EXPECT_EQ(Run({u"analyze", u"--folder", u"C:\\Nowhere"}), 3);
    EXPECT_EQ(err_, "purgeon-cli: there is no folder C:\\Nowhere\n");
    EXPECT_EQ(out_, "");
    // Other spellings of protected folders get the same refusal.
    machine_.files.AddFolder(u"C:\\Users\\me\\Documents");
    for (auto folder : {u"\\\\?\\C:\\Users", u"\\??\\C:\\Users\\me", u"C:\\Users.",
                        u"C:\\Windows. ", u"%USERPROFILE%", u"C:Users"}) {
        EXPECT_EQ(Run({u"analyze", u"--folder", folder}), 3) << ToUtf8(folder);
        EXPECT_EQ(err_.substr(0, 3), "As ") << ToUtf8(folder);
    }
    for (const auto& args : std::vector<std::vector<std::u16string>>{
             {u"analyze"},
             {u"analyze", u"--program"},
             {u"analyze", u"--program", u"a", u"--folder", u"C:\\x"}}) {
        EXPECT_EQ(Run(args), 2);
    }
}

TEST(JsonString, EscapesControlCharactersAndSurrogates) {
    EXPECT_EQ(JsonString(u"a\x01\n\\"), "\"a\\u0001\\n\\\\\"");
    EXPECT_EQ(JsonString(std::u16string(1, char16_t(0xDC00))), "\"\xEF\xBF\xBD\"");
}

}  // namespace
}  // namespace purgeon
