#include <gtest/gtest.h>

#include "support/memory_machine.h"
#include "support/registry_fixture.h"
#include "ui/Unit_LeftoverRemoval.h"
#include "ui/Unit_UninstallRecords.h"
#include "uninstall/Unit_K_ProcessProc.h"

namespace purgeon {
namespace {

using testing::KeyExists;
using testing::MemoryMachine;
using testing::PutKey;
using testing::PutString;
using testing::ValueExists;

const std::u16string kProgramFolder = u"C:\\Purgeon\\";
const std::u16string kRun = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class Removal : public ::testing::Test {
  protected:
    Removal() {
        for (auto name : {u"Config.ini", u"FileRecord.ini", u"FolderRecord", u"RegRecord.ini"})
            machine_.files.AddFile(kProgramFolder + name, "x\r\n");
        machine_.files.AddFile(u"C:\\App\\app.exe");
        machine_.files.AddFile(u"C:\\App\\sub\\data.txt");
        paths_ = {u"C:\\App\\", u"C:\\App\\sub", u"C:\\App\\app.exe", u"C:\\App\\sub\\data.txt"};
        PutString(machine_.registry, kHkeyLocalMachine, kRun, u"App", u"C:\\App\\app.exe");
        PutString(machine_.registry, kHkeyLocalMachine, kRun, u"Other", u"C:\\Other\\o.exe");
        PutKey(machine_.registry, kHkeyLocalMachine, u"SOFTWARE\\Vendor\\App\\Deep");
        rows_ = {{u"HKLM|" + kRun + u"|App", true}, {u"HKLM|SOFTWARE\\Vendor\\App", true}};
    }
    // Answers the question with Yes unless the test scripted otherwise.
    RemovalOutcome Remove(std::size_t file_rows = 4, std::size_t registry_rows = 2) {
        if (machine_.dialog.RemainingAnswers() == 0) machine_.dialog.Script({kIdYes, kIdOk});
        RemovalRequest request;
        request.step3_files_folders_rows = file_rows;
        request.step3_registry_rows = registry_rows;
        request.all_files_folders = &paths_;
        request.step2_registry = &rows_;
        request.starting_folders = &starts_;
        request.uninstall_type = type_;
        request.select_software = u"App";
        request.cur_app_path = kProgramFolder;
        request.empty_report_lists = [this] { lists_emptied_ = true; };
        Ports ports = machine_.ports();
        return RemoveLeftovers(ports, request, &tally_);
    }
    bool RecordsExist() { return machine_.files.Exists(kProgramFolder + u"Config.ini"); }

    MemoryMachine machine_;
    StringList paths_;
    StringList starts_ = {u"C:\\App\\"};
    RemovalTally tally_;
    std::vector<RegistryRow> rows_;
    std::int32_t type_ = 0;
    bool lists_emptied_ = false;
};

TEST_F(Removal, BothListsEmptyGiveOnlyTheNotice) {
    machine_.dialog.Script({kIdOk});
    EXPECT_EQ(Remove(0, 0), RemovalOutcome::kNothingToRemove);
    ASSERT_EQ(machine_.dialog.Calls().size(), 1u);
    EXPECT_EQ(machine_.dialog.Calls()[0].text, u"All App leftovers have been completely removed.");
    EXPECT_EQ(machine_.dialog.Calls()[0].flags, 0x40u);
    EXPECT_TRUE(machine_.files.Exists(u"C:\\App\\app.exe"));
    EXPECT_TRUE(RecordsExist());
    EXPECT_FALSE(lists_emptied_);
}

TEST_F(Removal, AnswerNoChangesNothing) {
    machine_.processes.Start(u"app.exe");
    machine_.dialog.Script({kIdNo});
    EXPECT_EQ(Remove(), RemovalOutcome::kDeclined);
    const auto calls = machine_.dialog.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text,
              u"Are you sure you want to remove all App leftover files and registry entries?");
    EXPECT_EQ(calls[0].caption, u"Purgeon");
    EXPECT_EQ(calls[0].flags, 36u);
    EXPECT_TRUE(machine_.processes.Terminated().empty());
    EXPECT_TRUE(machine_.files.Exists(u"C:\\App\\app.exe"));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"App"));
    EXPECT_TRUE(RecordsExist());
}

TEST_F(Removal, DeletesEverythingFoundAndOnlyTickedRegistryRows) {
    const auto app = machine_.processes.Start(u"C:\\App\\APP.EXE");
    rows_.push_back({u"HKLM|" + kRun + u"|Other", false});  // unticked on Step 2: kept
    EXPECT_EQ(Remove(1, 1), RemovalOutcome::kRemoved);
    EXPECT_EQ(machine_.processes.Terminated(), std::vector<std::uint32_t>{app});
    EXPECT_FALSE(machine_.files.Exists(u"C:\\App"));
    EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"App"));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Other"));
    EXPECT_FALSE(KeyExists(machine_.registry, kHkeyLocalMachine, u"SOFTWARE\\Vendor\\App"));
    EXPECT_TRUE(KeyExists(machine_.registry, kHkeyLocalMachine, u"SOFTWARE\\Vendor"));
    EXPECT_FALSE(RecordsExist());
    EXPECT_FALSE(machine_.files.Exists(kProgramFolder + u"FolderRecord"));
    EXPECT_TRUE(lists_emptied_);
    EXPECT_EQ(machine_.dialog.Calls().back().text,
              u"All App leftovers have been completely removed.");
    EXPECT_EQ(tally_.deleted, 4u);
    EXPECT_EQ(tally_.refused, 0u);
    EXPECT_EQ(tally_.ended_processes, 1u);
    EXPECT_EQ(tally_.registry_deleted, 2u);
}

// A process is ended because its executable lies in what is deleted, never
// because its file name matches a deleted file.
TEST_F(Removal, EndsOnlyProcessesWhoseImageLiesInTheRemovedFolders) {
    auto& processes = machine_.processes;
    machine_.files.AddFile(u"C:\\App\\explorer.exe");
    machine_.files.AddFile(u"C:\\App Extra\\app.exe");
    machine_.files.AddFile(u"C:\\Other\\app.exe");
    machine_.files.AddFile(u"C:\\Program Files\\Long Name Tool\\tool.exe");
    paths_ = {u"C:\\App\\", u"C:\\App\\app.exe", u"C:\\App\\explorer.exe",
              u"C:\\Program Files\\Long Name Tool\\"};
    starts_ = {u"C:\\App", u"C:\\Program Files\\Long Name Tool"};
    const std::u16string short_tool =
        u"C:\\" + machine_.files.ShortNameOf(u"C:\\Program Files") + u"\\" +
        machine_.files.ShortNameOf(u"C:\\Program Files\\Long Name Tool") + u"\\tool.exe";
    const auto inside = processes.Start(u"C:\\App\\app.exe");
    const auto nested = processes.Start(u"c:/app/sub/../sub/helper.exe");
    const auto by_short_name = processes.Start(short_tool);
    const auto namesake = processes.Start(u"C:\\Other\\app.exe");
    const auto sibling = processes.Start(u"C:\\App Extra\\app.exe");
    const auto unknown_path = processes.Start(u"app.exe");
    const auto shell = processes.Start(u"C:\\App\\explorer.exe");
    Remove();
    EXPECT_EQ(processes.Terminated(), (std::vector<std::uint32_t>{inside, nested, by_short_name}));
    for (auto kept : {namesake, sibling, unknown_path, shell})
        EXPECT_TRUE(processes.IsRunning(kept));
    EXPECT_FALSE(machine_.files.Exists(u"C:\\App"));
}

TEST(ProcessTermination, ByImagePathAgainstTheProcessPort) {
    testing::MemoryMachine machine;
    auto& processes = machine.processes;
    machine.files.AddFolder(u"C:\\Tools\\Acme");
    const auto acme = processes.Start(u"C:\\Tools\\Acme\\acme.exe");
    const auto acme_other = processes.Start(u"D:\\Acme\\acme.exe");
    const auto prefix = processes.Start(u"C:\\Tools\\AcmeX\\acme.exe");
    const auto system = processes.Start(u"C:\\Tools\\Acme\\csrss.exe");
    const auto self_named = processes.Start(u"C:\\Tools\\Acme\\purgeon.exe");
    const auto exact = processes.Start(u"C:\\Single\\one.exe");
    const auto ended = TerminateProcessesInFolders(processes, machine.files, {u"C:\\Tools\\Acme\\"},
                                                   {u"C:\\Single\\one.exe"});
    EXPECT_EQ(ended, (std::vector<std::uint32_t>{acme, exact}));
    for (auto kept : {acme_other, prefix, system, self_named})
        EXPECT_TRUE(processes.IsRunning(kept));
    EXPECT_TRUE(processes.IsRunning(processes.CurrentProcessId()));
    // Nothing to remove ends nothing.
    EXPECT_TRUE(TerminateProcessesInFolders(processes, machine.files, {}).empty());
}

TEST_F(Removal, MoreThan3000PathsAreAllDeleted) {
    paths_.clear();
    for (int i = 0; i < 3500; ++i) {
        const std::u16string path = u"C:\\Many\\f" + FromUtf8(std::to_string(i));
        machine_.files.AddFile(path);
        paths_.push_back(path);
    }
    starts_ = {u"C:\\Many"};
    Remove(3000, 0);
    for (const auto& path : paths_) ASSERT_FALSE(machine_.files.Exists(path)) << ToUtf8(path);
}

TEST_F(Removal, RegistryLocationsByPieceCountAndView) {
    auto& reg = machine_.registry;
    PutString(reg, kHkeyLocalMachine, u"SOFTWARE\\V\\K", u"val", u"32", false);
    PutString(reg, kHkeyLocalMachine, u"SOFTWARE\\V\\K", u"val", u"64", true);
    PutKey(reg, kHkeyLocalMachine, u"SOFTWARE\\V\\Gone\\Sub", true);
    type_ = 1;
    rows_ = {{u"HKLM|SOFTWARE\\V\\K|val", true},
             {u"HKLM|SOFTWARE\\V\\Gone", true},
             {u"HKLM", true},
             {u"HKLM|", true},
             {u"HKLM|SOFTWARE\\V\\K|val|extra", true},
             {u"hklm|SOFTWARE\\V\\K", true}};
    Remove();
    EXPECT_FALSE(ValueExists(reg, kHkeyLocalMachine, u"SOFTWARE\\V\\K", u"val", true));
    EXPECT_TRUE(ValueExists(reg, kHkeyLocalMachine, u"SOFTWARE\\V\\K", u"val", false));
    EXPECT_FALSE(KeyExists(reg, kHkeyLocalMachine, u"SOFTWARE\\V\\Gone", true));
    EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, u"SOFTWARE\\V\\K", true));
    EXPECT_EQ(machine_.hostkit.redirection_calls(), (std::vector<bool>{false, true}));
}

TEST(RemovalSafety, KeysThatMustNeverGoWhole) {
    struct Case {
        std::u16string root, path;
        bool is_protected;
    };
    const Case cases[] = {
        {u"HKLM", u"", true},
        {u"HKLM", u"\\\\", true},
        {u"HKLM", u"SOFTWARE", true},
        {u"HKLM", u"SOFTWARE\\Classes", true},
        {u"HKLM", u"SOFTWARE\\Classes\\CLSID\\", true},
        {u"HKLM", u"software\\wow6432node\\classes\\clsid", true},
        {u"HKLM", u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true},
        {u"HKLM",
         u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products",
         true},
        {u"HKLM", u"SYSTEM\\CurrentControlSet", true},
        {u"HKCU", u"Software", true},
        {u"HKCU", u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {u"HKU", u"S-1-5-21-1", true},
        {u"HKU", u"S-1-5-21-1\\Software\\Microsoft", true},
        {u"HKCR", u"CLSID", true},
        {u"HKCR", u".txt", false},
        {u"HKLM", u"SOFTWARE\\Classes\\CLSID\\{C1}", false},
        {u"HKLM", u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App", false},
        {u"HKLM",
         u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-"
         u"18\\Products\\P1",
         false},
        {u"HKCU", u"Software\\Vendor", false},
        {u"HKU", u"S-1-5-21-1\\Software\\Vendor", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsProtectedRegistryKey(c.root, c.path), c.is_protected)
            << ToUtf8(c.root + u"|" + c.path);
    }
}

// One odd registry value can make a recorded folder another spelling of a
// drive root or of a folder that holds the user's files: none goes whole,
// whatever the lists hold, and nothing outside the starting folders goes.
TEST_F(Removal, LastLineRefusesProtectedFoldersAndAnythingOutsideTheStart) {
    machine_.files.AddFile(u"C:\\Users\\me\\Desktop\\notes.txt");
    machine_.files.AddFile(u"C:\\Users\\me\\Documents\\letter.doc");
    machine_.files.AddFile(u"C:\\Program Files\\Other\\other.exe");
    machine_.files.AddFile(u"C:\\Windows\\explorer.exe");
    machine_.files.AddFile(u"C:\\Elsewhere\\keep.txt");
    machine_.files.AddJunction(u"C:\\App\\docs", u"C:\\Users\\me\\Documents");
    machine_.files.AddJunction(u"C:\\App\\elsewhere", u"C:\\Elsewhere");
    ASSERT_EQ(machine_.files.ShortNameOf(u"C:\\Program Files"), u"PROGRA~1");
    paths_ = {u"C:\\\\",
              u"C:/",
              u"\\\\?\\C:\\",
              u"C:\\Users\\me\\",
              u"\\\\?\\C:\\Users",
              u"\\??\\C:\\Users\\me\\Desktop",
              u"C:\\Users.",
              u"C:\\Program Files\\.",
              u"C:\\PROGRA~1",
              u"C:\\Program Files. \\Other\\other.exe",
              u"C:/Windows/",
              u"\\\\.\\C:\\Windows.\\explorer.exe",
              u"%SystemRoot%",
              u"C:\\App\\..\\Elsewhere",
              u"C:\\Elsewhere\\keep.txt",
              u"C:\\App\\docs\\letter.doc",
              u"C:\\App\\elsewhere\\keep.txt",
              u"App",
              u"C:\\App\\"};
    EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
    for (auto kept : {u"C:\\Users\\me\\Desktop\\notes.txt", u"C:\\Users\\me\\Documents\\letter.doc",
                      u"C:\\Program Files\\Other\\other.exe", u"C:\\Windows\\explorer.exe",
                      u"C:\\Elsewhere\\keep.txt"})
        EXPECT_TRUE(machine_.files.Exists(kept)) << ToUtf8(kept);
    EXPECT_FALSE(machine_.files.Exists(u"C:\\App")) << "the program's own folder still goes";
    EXPECT_EQ(tally_.refused, paths_.size() - 1);
}

// A starting folder that is protected (in any spelling, or a link to one)
// lets nothing below it go; without starting folders nothing goes at all.
TEST_F(Removal, AProtectedOrMissingStartLetsNothingGo) {
    machine_.files.AddFile(u"C:\\Users\\me\\Documents\\letter.doc");
    machine_.files.AddJunction(u"C:\\Link", u"C:\\Users\\me\\Documents");
    struct Case {
        StringList starts;
        StringList paths;
    } cases[] = {
        {{u"C:\\Users\\me\\Documents."}, {u"C:\\Users\\me\\Documents\\letter.doc"}},
        {{u"\\\\?\\C:\\Users\\me"}, {u"C:\\Users\\me\\Documents\\letter.doc"}},
        {{u"C:\\Link"}, {u"C:\\Link\\letter.doc", u"C:\\Link"}},
        {{}, {u"C:\\App\\app.exe"}},
    };
    for (const auto& c : cases) {
        starts_ = c.starts;
        paths_ = c.paths;
        Remove();
        EXPECT_TRUE(machine_.files.Exists(u"C:\\Users\\me\\Documents\\letter.doc"));
        EXPECT_TRUE(machine_.files.Exists(u"C:\\App\\app.exe"));
        EXPECT_EQ(tally_.deleted, 0u);
    }
}

class Records : public ::testing::Test {
  protected:
    std::string Bytes(const std::u16string& name) {
        std::vector<std::uint8_t> bytes;
        machine_.files.ReadFile(kProgramFolder + name, &bytes);
        return std::string(bytes.begin(), bytes.end());
    }
    void SetUp() override { machine_.files.AddFolder(kProgramFolder); }
    MemoryMachine machine_;
    UninstallRecords records_{machine_.files, machine_.code_page, kProgramFolder};
    StringList config_;
};

TEST_F(Records, WritesFourFilesByteForByte) {
    const StringList files{u"C:\\Caf\u00E9\\a.exe", u"C:\\\u6F22\\b.dll"};
    const StringList folders{u"C:\\Caf\u00E9\\"};
    const StringList registry{u"HKLM|SOFTWARE\\Caf\u00E9|v"};
    AnalysisRecord analysis{3, 1, u"Caf\u00E9 App", 1, 0, &files, &folders, &registry};
    records_.WriteAfterAnalysis(analysis, config_);
    EXPECT_EQ(Bytes(u"Config.ini"), "1\r\n3\r\n1\r\nCaf\xE9 App\r\n0\r\n0\r\n0\r\n1\r\n1\r\n0\r\n");
    EXPECT_EQ(Bytes(u"FileRecord.ini"), "C:\\Caf\xE9\\a.exe\r\nC:\\?\\b.dll\r\n");
    EXPECT_EQ(Bytes(u"FolderRecord"), "C:\\Caf\xE9\\\r\n");
    EXPECT_EQ(Bytes(u"RegRecord.ini"), "HKLM|SOFTWARE\\Caf\xE9|v\r\n");
    EXPECT_EQ(config_.size(), 10u);

    records_.SetStepUninstalled(config_);
    EXPECT_EQ(Bytes(u"Config.ini"), "1\r\n3\r\n1\r\nCaf\xE9 App\r\n0\r\n0\r\n0\r\n2\r\n1\r\n0\r\n");

    records_.Remove();
    for (auto name : {u"Config.ini", u"FileRecord.ini", u"FolderRecord", u"RegRecord.ini"})
        EXPECT_FALSE(machine_.files.Exists(kProgramFolder + name));
}

TEST_F(Records, CustomModeAndAnExistingConfigKeepItsExtraLinesAndEncoding) {
    // UTF-16 with a byte-order mark, twelve lines.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string(
             "9\r\n9\r\n9\r\nold\r\n9\r\n9\r\n9\r\n9\r\n9\r\n9\r\nextra 1\r\nextra 2\r\n")) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    machine_.files.AddFile(kProgramFolder + u"Config.ini", utf16);
    const StringList none;
    records_.WriteAfterAnalysis({7, 0, u"D:\\Tools\\X", 2, 1, &none, &none, &none}, config_);
    EXPECT_EQ(config_, (StringList{u"1", u"7", u"0", u"D:\\Tools\\X", u"0", u"0", u"0", u"2", u"2",
                                   u"1", u"extra 1", u"extra 2"}));
    const std::string written = Bytes(u"Config.ini");
    EXPECT_EQ(written.substr(0, 4), std::string("\xFF\xFE"
                                                "1\0",
                                                4));
    EXPECT_EQ(Bytes(u"FileRecord.ini"), "");
}

TEST_F(Records, ShortOrMissingConfigFiles) {
    // A step update without a Config.ini writes nothing.
    records_.SetStepUninstalled(config_);
    EXPECT_FALSE(machine_.files.Exists(kProgramFolder + u"Config.ini"));
    // One of five lines is left alone by the step update...
    machine_.files.AddFile(kProgramFolder + u"Config.ini", "1\r\n2\r\n3\r\nx\r\n0\r\n");
    records_.SetStepUninstalled(config_);
    EXPECT_EQ(Bytes(u"Config.ini"), "1\r\n2\r\n3\r\nx\r\n0\r\n");
    // ...and completed to ten lines by the next analysis.
    const StringList none;
    records_.WriteAfterAnalysis({1, 2, u"App", 1, 0, &none, &none, &none}, config_);
    EXPECT_EQ(Bytes(u"Config.ini"), "1\r\n1\r\n2\r\nApp\r\n0\r\n0\r\n0\r\n1\r\n1\r\n0\r\n");
}

}  // namespace
}  // namespace purgeon
