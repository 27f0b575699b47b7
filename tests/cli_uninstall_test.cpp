// purgeon-cli uninstall over the in-memory machine: a launcher hook plays the
// program's own uninstaller (it relaunches itself from the temp folder, takes
// away part of the program and leaves the rest), and the clock moves only
// while the command waits.
#include <gtest/gtest.h>

#include <deque>

#include "cli/launched_processes.h"
#include "cli/purgeon_cli.h"
#include "support/memory_machine.h"
#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::KeyExists;
using testing::MemoryMachine;
using testing::PutKey;
using testing::PutString;
using testing::ValueExists;

const std::u16string kUninstallKey =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SampleApp";
const std::u16string kRun = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::u16string kFolder = u"C:\\Program Files (x86)\\Sample App";
const std::u16string kSibling = u"C:\\Program Files (x86)\\Sample App Extra";
const std::u16string kProgramFolder = u"C:\\Purgeon\\";

// Answers from a script and keeps what was asked and told.
class ScriptedTerminal : public CliTerminal {
  public:
    explicit ScriptedTerminal(std::deque<std::string> answers) : answers_(std::move(answers)) {}
    bool Ask(const std::string& question, std::string& answer) override {
        questions.push_back(question);
        if (answers_.empty()) return false;
        answer = answers_.front();
        answers_.pop_front();
        return true;
    }
    void Tell(const std::string& line) override { told.push_back(line); }

    std::vector<std::string> questions, told;

  private:
    std::deque<std::string> answers_;
};

// A machine with the sample program and its sibling installed, and the
// sample's uninstaller ready to play.
class SampleMachine {
  public:
    SampleMachine() {
        machine_.files.AddFolder(kProgramFolder);
        Install(false);
        machine_.launcher.set_on_launch([this](const Launch& launch) { OnLaunch(launch); });
        machine_.clock.SetOnSleep([this](std::uint32_t) { OnTime(); });
    }

    // The sample and a sibling of the same publisher whose folder name begins
    // alike, each with a value in the one Run key.
    void Install(bool view64) {
        view64_ = view64;
        auto& reg = machine_.registry;
        PutString(reg, kHkeyLocalMachine, kUninstallKey, u"DisplayName", u"Sample App", view64);
        PutString(reg, kHkeyLocalMachine, kUninstallKey, u"Publisher", u"Samples", view64);
        PutString(reg, kHkeyLocalMachine, kUninstallKey, u"InstallLocation", kFolder, view64);
        PutString(reg, kHkeyLocalMachine, kUninstallKey, u"UninstallString",
                  u"\"" + kFolder + u"\\uninst.exe\" /S", view64);
        PutString(reg, kHkeyLocalMachine, kRun, u"Sample App",
                  u"\"" + kFolder + u"\\app.exe\" /background", view64);
        PutString(reg, kHkeyLocalMachine, kRun, u"Sample App Extra",
                  u"\"" + kSibling + u"\\app.exe\"", view64);
        for (auto name : {u"\\uninst.exe", u"\\app.exe", u"\\settings.ini", u"\\data\\cache.bin"})
            machine_.files.AddFile(kFolder + name);
        machine_.files.AddFile(kSibling + u"\\app.exe");
    }

    // The uninstaller: a shell launch of uninst.exe starts it as a child of
    // this process; the clock hook plays the rest.
    void OnLaunch(const Launch& launch) {
        if (launch.kind == "shell" && Contains(launch.file, u"uninst.exe"))
            uninst_ =
                machine_.processes.Start(u"uninst.exe", machine_.processes.CurrentProcessId());
        launched_at_ = machine_.clock.TickCount();
    }
    // 200 ms in, it starts its copy from the temp folder and ends; 1000 ms in
    // the copy deletes the uninstaller, the program and its entry; unless
    // told to hang, the copy ends at 1400 ms.
    void OnTime() {
        const std::uint64_t t = machine_.clock.TickCount() - launched_at_;
        if (uninst_ != 0 && t >= 200) {
            copy_ = machine_.processes.Start(u"Au_.exe", uninst_);
            machine_.processes.Stop(uninst_);
            uninst_ = 0;
        }
        if (copy_ != 0 && t >= 1000 && !uninstalled_) {
            uninstalled_ = true;
            machine_.files.DeleteFile(kFolder + u"\\uninst.exe");
            machine_.files.DeleteFile(kFolder + u"\\app.exe");
            machine_.hostkit.CommonRegDeleteKey(kHkeyLocalMachine, kUninstallKey, view64_ ? 1 : 0);
        }
        if (copy_ != 0 && t >= 1400 && !hang_) {
            settings_there_when_copy_ended_ = machine_.files.Exists(kFolder + u"\\settings.ini");
            machine_.processes.Stop(copy_);
            copy_ = 0;
        }
    }

    int RunCli(std::vector<std::u16string> args, std::deque<std::string> answers = {},
               bool with_terminal = true) {
        out_.clear();
        err_.clear();
        terminal_ = std::make_unique<ScriptedTerminal>(std::move(answers));
        CliContext context{machine_.ports(), kProgramFolder,
                           with_terminal ? terminal_.get() : nullptr};
        return RunPurgeonCli(args, context, out_, err_);
    }

    bool RecordsExist() { return machine_.files.Exists(kProgramFolder + u"Config.ini"); }
    void ExpectSiblingUntouched() {
        EXPECT_TRUE(machine_.files.Exists(kSibling + u"\\app.exe"));
        EXPECT_TRUE(
            ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Sample App Extra", view64_));
    }

    MemoryMachine machine_;
    std::unique_ptr<ScriptedTerminal> terminal_;
    std::string out_, err_;
    bool view64_ = false;
    bool hang_ = false;
    std::uint32_t uninst_ = 0, copy_ = 0;
    std::uint64_t launched_at_ = 0;
    bool uninstalled_ = false;
    bool settings_there_when_copy_ended_ = false;
};

class CliUninstall : public ::testing::Test, public SampleMachine {};

TEST_F(CliUninstall, RunsTheUninstallerFollowsItsCopyAndRemovesWhatItLeft) {
    EXPECT_EQ(RunCli({u"uninstall", u"--program", u"sample app"}, {"y"}), 0) << err_;
    ASSERT_EQ(terminal_->questions.size(), 1u);
    EXPECT_EQ(terminal_->questions[0],
              "Uninstall Sample App? Its own uninstaller runs first, then Purgeon removes what is "
              "left of the 6 "
              "files and folders and 2 registry entries found. [y/N] ");
    // Launched as the entry lists it, with redirection off around the launch.
    EXPECT_EQ(machine_.launcher.Launches(),
              (std::vector<Launch>{
                  {"shell", u"Open", u"\"" + kFolder + u"\\uninst.exe\" ", u"/S", u"", "", 1}}));
    EXPECT_EQ(machine_.hostkit.redirection_calls(), (std::vector<bool>{false, true}));
    // The removal waited for the copy, not only for the process launched.
    EXPECT_TRUE(settings_there_when_copy_ended_);
    EXPECT_GE(machine_.clock.TickCount() - launched_at_, 1400u);
    EXPECT_EQ(out_,
              "Sample App: uninstalled\n"
              "Removed folders (2):\n"
              "  C:\\Program Files (x86)\\Sample App\\\n"
              "  C:\\Program Files (x86)\\Sample App\\data\n"
              "Removed files (2):\n"
              "  C:\\Program Files (x86)\\Sample App\\data\\cache.bin\n"
              "  C:\\Program Files (x86)\\Sample App\\settings.ini\n"
              "Removed registry entries (1):\n"
              "  HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|Sample App\n");
    EXPECT_EQ(err_, "");
    EXPECT_FALSE(machine_.files.Exists(kFolder));
    EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Sample App"));
    ExpectSiblingUntouched();
    EXPECT_FALSE(RecordsExist());
    // The terminal's question replaced the removal's, and the report above
    // its closing notice (which says "completely removed" even when some
    // leftovers stay): no box at all.
    EXPECT_TRUE(machine_.dialog.Calls().empty());
}

TEST_F(CliUninstall, SixtyFourBitProgramAsJsonWithoutAQuestion) {
    // The same program in the 64-bit view, beside a 32-bit one whose Run
    // value has the same name.
    machine_.registry.DeleteTree(
        kHkeyLocalMachine, u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    Install(true);
    PutString(machine_.registry, kHkeyLocalMachine, kRun, u"Sample App",
              u"\"" + kFolder + u"\\app.exe\"", false);
    EXPECT_EQ(
        RunCli({u"uninstall", u"--json", u"--program", u"Sample App", u"--yes", u"--no-undo"}), 0)
        << err_;
    EXPECT_TRUE(terminal_->questions.empty());
    EXPECT_EQ(
        out_,
        "{\n  \"program\": \"Sample App\",\n"
        "  \"uninstall_command\": \"\\\"C:\\\\Program Files (x86)\\\\Sample App\\\\uninst.exe\\\" "
        "/S\",\n"
        "  \"removed\": {\n"
        "    \"folders\": [\n"
        "      \"C:\\\\Program Files (x86)\\\\Sample App\\\\\",\n"
        "      \"C:\\\\Program Files (x86)\\\\Sample App\\\\data\"\n"
        "    ],\n"
        "    \"files\": [\n"
        "      \"C:\\\\Program Files (x86)\\\\Sample App\\\\data\\\\cache.bin\",\n"
        "      \"C:\\\\Program Files (x86)\\\\Sample App\\\\settings.ini\"\n"
        "    ],\n"
        "    \"registry\": [\n"
        "      \"HKLM|SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run|Sample App\"\n"
        "    ]\n"
        "  },\n"
        "  \"not_removed\": [],\n"
        "  \"installer\": null,\n"
        "  \"undo_set\": null\n}\n");
    EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Sample App", true));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Sample App", false));
    ExpectSiblingUntouched();
}

TEST(CliUninstallConfirmation, OnlyYesGoesOn) {
    struct Case {
        std::deque<std::string> answers;
        bool with_terminal;
        int exit_code;
    };
    const Case cases[] = {
        {{" YES \r"}, true, 0}, {{"y"}, true, 0},    {{"n"}, true, 4},
        {{""}, true, 4},        {{"yess"}, true, 4}, {{}, true, 4},  // end of input
        {{"y"}, false, 4},
    };
    for (const auto& c : cases) {
        SampleMachine sample;
        const std::string label = (c.answers.empty() ? "<end>" : c.answers.front()) +
                                  (c.with_terminal ? "" : " (no terminal)");
        EXPECT_EQ(
            sample.RunCli({u"uninstall", u"--program", u"Sample App"}, c.answers, c.with_terminal),
            c.exit_code)
            << label;
        if (c.exit_code != 4) continue;
        EXPECT_EQ(sample.err_, "purgeon-cli: not confirmed; nothing was changed\n") << label;
        EXPECT_EQ(sample.out_, "");
        EXPECT_TRUE(sample.machine_.launcher.Launches().empty()) << label;
        EXPECT_TRUE(sample.machine_.files.Exists(kFolder + u"\\settings.ini")) << label;
        EXPECT_FALSE(sample.RecordsExist()) << label;
    }
}

TEST_F(CliUninstall, AfterARefusedShellLaunchTheFallbacksHeirIsWaitedFor) {
    // As under Wine: the shell refuses the quoted file, and WinExec returns
    // only when the uninstaller has started its copy and ended.
    machine_.launcher.set_shell_result(2);
    machine_.launcher.set_on_launch([this](const Launch& launch) {
        if (launch.kind != "winexec") return;
        launched_at_ = machine_.clock.TickCount();
        const auto uninst =
            machine_.processes.Start(u"uninst.exe", machine_.processes.CurrentProcessId());
        copy_ = machine_.processes.Start(u"Au_.exe", uninst);
        machine_.processes.Stop(uninst);
    });
    EXPECT_EQ(RunCli({u"uninstall", u"--program", u"Sample App", u"--yes"}), 0) << err_;
    EXPECT_EQ(machine_.launcher.Launches().back().command_line,
              "\"C:\\Program Files (x86)\\Sample App\\uninst.exe\" /S");
    EXPECT_TRUE(settings_there_when_copy_ended_);
    EXPECT_FALSE(machine_.files.Exists(kFolder));
}

TEST_F(CliUninstall, AnUninstallerThatDoesNotEndStopsTheRoadAtTheTimeout) {
    hang_ = true;
    EXPECT_EQ(RunCli({u"uninstall", u"--program", u"Sample App", u"--yes", u"--timeout", u"5"}), 1);
    EXPECT_EQ(
        err_,
        "purgeon-cli: the uninstaller of Sample App is still running after 5 seconds (Au_.exe); "
        "nothing was removed\n");
    EXPECT_EQ(out_, "");
    const std::uint64_t waited = machine_.clock.TickCount() - launched_at_;
    EXPECT_GE(waited, 5000u);
    EXPECT_LT(waited, 5400u);
    EXPECT_TRUE(machine_.files.Exists(kFolder + u"\\settings.ini"));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Sample App"));
    // The records tell of an uninstall whose uninstaller has not finished.
    std::vector<std::uint8_t> config;
    ASSERT_TRUE(machine_.files.ReadFile(kProgramFolder + u"Config.ini", &config));
    EXPECT_EQ(std::string(config.begin(), config.end()),
              "1\r\n6\r\n2\r\nSample App\r\n0\r\n0\r\n0\r\n1\r\n1\r\n0\r\n");
}

TEST_F(CliUninstall, AProgramStillInstalledAfterItsUninstallerKeepsEverything) {
    // Cancelled by its user, failed, or never started: the uninstaller ends
    // (or never runs) and the program is still listed.
    machine_.launcher.set_on_launch([this](const Launch&) {
        machine_.processes.Stop(
            machine_.processes.Start(u"uninst.exe", machine_.processes.CurrentProcessId()));
    });
    EXPECT_EQ(RunCli({u"uninstall", u"--program", u"Sample App", u"--yes"}), 1);
    EXPECT_EQ(err_,
              "purgeon-cli: Sample App is still installed after its uninstaller ended (cancelled, "
              "failed or not started); nothing was removed\n");
    EXPECT_EQ(out_, "");
    for (auto name : {u"\\uninst.exe", u"\\app.exe", u"\\settings.ini", u"\\data\\cache.bin"})
        EXPECT_TRUE(machine_.files.Exists(kFolder + name)) << ToUtf8(name);
    EXPECT_TRUE(KeyExists(machine_.registry, kHkeyLocalMachine, kUninstallKey));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Sample App"));
    EXPECT_FALSE(RecordsExist()) << "no uninstall is under way";
}

TEST(CliUninstallCommand, WindowsInstallerEntriesAreUninstalledNotRepaired) {
    const std::pair<std::u16string, Launch> cases[] = {
        {u"MsiExec.exe /I{6B1D3F0E-5A4C-4B7E-9C21-0E5F1A2B3C4D}",
         {"shell", u"Open", u"MsiExec.exe", u"/X{6B1D3F0E-5A4C-4B7E-9C21-0E5F1A2B3C4D} ", u"", "",
          1}},
        {u"msiexec /i{A} /qn", {"shell", u"Open", u"msiexec", u"/X{A} /qn ", u"", "", 1}},
        {u"MsiExec.exe /X{A}", {"shell", u"Open", u"MsiExec.exe", u"/X{A} ", u"", "", 1}},
        // Not the Windows Installer: as listed.
        {u"\"C:\\App\\setup.exe\" /I{A}",
         {"shell", u"Open", u"\"C:\\App\\setup.exe\" ", u"/I{A}", u"", "", 1}},
    };
    for (const auto& [command, launch] : cases) {
        SampleMachine sample;
        PutString(sample.machine_.registry, kHkeyLocalMachine, kUninstallKey, u"UninstallString",
                  command);
        sample.RunCli({u"uninstall", u"--program", u"Sample App", u"--yes"});
        EXPECT_EQ(sample.machine_.launcher.Launches(), std::vector<Launch>{launch})
            << ToUtf8(command);
    }
}

TEST_F(CliUninstall, LeftoversThatStayAreListedAndFail) {
    // The data folder cannot be listed once the uninstaller has run, so it
    // cannot be emptied: its file goes by name, the folders stay.
    machine_.launcher.set_on_launch([this](const Launch& launch) {
        OnLaunch(launch);
        machine_.files.SetListable(kFolder + u"\\data", false);
    });
    // Without an undo set: it would take the folder whole, by a rename.
    EXPECT_EQ(RunCli({u"uninstall", u"--program", u"Sample App", u"--yes", u"--no-undo"}), 1);
    EXPECT_EQ(err_, "purgeon-cli: 2 of the leftovers could not be removed\n");
    EXPECT_EQ(out_,
              "Sample App: uninstalled\n"
              "Removed folders (0):\n"
              "Removed files (2):\n"
              "  C:\\Program Files (x86)\\Sample App\\data\\cache.bin\n"
              "  C:\\Program Files (x86)\\Sample App\\settings.ini\n"
              "Removed registry entries (1):\n"
              "  HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|Sample App\n"
              "Not removed (2):\n"
              "  C:\\Program Files (x86)\\Sample App\\\n"
              "  C:\\Program Files (x86)\\Sample App\\data\n");
    EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Sample App"));
}

TEST_F(CliUninstall, FolderRoadRemovesTheFoldersProgramWithoutAnUninstaller) {
    const std::u16string tools = u"C:\\Tools\\Portable";
    machine_.files.AddFile(tools + u"\\tool.exe");
    machine_.files.AddFile(tools + u" Extra\\tool.exe");
    PutString(machine_.registry, kHkeyLocalMachine, kRun, u"Portable", tools + u"\\tool.exe");
    PutString(machine_.registry, kHkeyLocalMachine, kRun, u"Portable Extra",
              tools + u" Extra\\tool.exe");
    // The folder's own running program ends; the sibling's program of the
    // same name keeps running.
    const auto tool = machine_.processes.Start(tools + u"\\tool.exe");
    const auto namesake = machine_.processes.Start(tools + u" Extra\\tool.exe");
    EXPECT_EQ(RunCli({u"uninstall", u"--folder", u" C:\\Tools\\Portable "}, {"yes"}), 0) << err_;
    EXPECT_EQ(
        terminal_->questions,
        std::vector<std::string>{
            "Remove C:\\Tools\\Portable and what belongs to it (2 files and folders and 1 registry "
            "entries)? [y/N] "});
    EXPECT_EQ(out_,
              "C:\\Tools\\Portable: removed\n"
              "Removed folders (1):\n  C:\\Tools\\Portable\\\n"
              "Removed files (1):\n  C:\\Tools\\Portable\\tool.exe\n"
              "Removed registry entries (1):\n"
              "  HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|Portable\n");
    EXPECT_TRUE(machine_.launcher.Launches().empty());
    EXPECT_EQ(machine_.processes.Terminated(), std::vector<std::uint32_t>{tool});
    EXPECT_TRUE(machine_.processes.IsRunning(namesake));
    EXPECT_TRUE(machine_.files.Exists(tools + u" Extra\\tool.exe"));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Portable Extra"));
    EXPECT_FALSE(RecordsExist());
    ExpectSiblingUntouched();
}

// A removal that could remove nothing says so rather than "removed" (without
// an undo set: a read-only file would be moved into one).
TEST_F(CliUninstall, ARemovalThatRemovedNothingSaysSo) {
    const std::u16string locked = u"C:\\Tools\\Locked";
    machine_.files.AddFile(locked + u"\\tool.exe", "", kFileAttributeReadOnly);
    EXPECT_EQ(RunCli({u"uninstall", u"--folder", locked, u"--no-undo"}, {"yes"}), 1);
    EXPECT_EQ(out_.substr(0, out_.find('\n')), "C:\\Tools\\Locked: nothing was removed");
    EXPECT_NE(out_.find("Not removed (2):"), std::string::npos) << out_;
    EXPECT_NE(err_.find("2 of the leftovers could not be removed"), std::string::npos) << err_;
    EXPECT_TRUE(machine_.files.Exists(locked + u"\\tool.exe"));
}

TEST_F(CliUninstall, RefusalsAndUsageErrors) {
    struct Case {
        std::vector<std::u16string> args;
        int exit_code;
        std::string message;  // the start of standard error
    };
    PutString(machine_.registry, kHkeyLocalMachine, kUninstallKey + u"2", u"DisplayName",
              u"No Command");
    const Case cases[] = {
        {{u"uninstall", u"--program", u"Nothing Here"},
         3,
         "purgeon-cli: no installed program is named \"Nothing Here\""},
        {{u"uninstall", u"--program", u"No Command"},
         3,
         "purgeon-cli: No Command lists no uninstall command"},
        {{u"uninstall", u"--folder", u"C:\\Windows\\Temp"},
         3,
         "As C:\\Windows\\Temp directory is hi"},
        {{u"uninstall", u"--folder", u"C:\\Nowhere"},
         3,
         "purgeon-cli: there is no folder C:\\Nowhere"},
        {{u"uninstall", u"--folder", u"\\\\?\\C:\\Users"},
         3,
         "As \\\\?\\C:\\Users directory is hi"},
        {{u"uninstall", u"--folder", u"C:\\Program Files."},
         3,
         "As C:\\Program Files. directory is hi"},
        {{u"uninstall", u"--folder", kFolder, u"--timeout", u"5"},
         2,
         "purgeon-cli: --timeout goes with --program"},
        {{u"uninstall", u"--program", u"Sample App", u"--timeout", u"0"},
         2,
         "purgeon-cli: --timeout needs"},
        {{u"uninstall", u"--program", u"Sample App", u"--timeout", u"soon"},
         2,
         "purgeon-cli: --timeout needs"},
        {{u"uninstall", u"--program", u"Sample App", u"--timeout"},
         2,
         "purgeon-cli: --timeout needs"},
        {{u"uninstall"}, 2, "purgeon-cli: give either --program NAME or --folder PATH"},
        {{u"analyze", u"--program", u"Sample App", u"--yes"},
         2,
         "purgeon-cli: unknown option: --yes"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunCli(c.args, {"y"}), c.exit_code) << c.message;
        EXPECT_EQ(err_.substr(0, c.message.size()), c.message);
        EXPECT_EQ(out_, "");
    }
    EXPECT_TRUE(machine_.launcher.Launches().empty());
    EXPECT_TRUE(machine_.files.Exists(kFolder + u"\\settings.ini"));
    EXPECT_FALSE(RecordsExist());
}

// --- following the launched processes ---------------------------------------

// A process list the test sets as a whole, in any order.
class ListedProcesses : public ProcessPort {
  public:
    std::vector<ProcessEntry> Snapshot() override { return list; }
    bool Terminate(std::uint32_t, std::uint32_t) override { return false; }
    std::uint32_t CurrentProcessId() override { return 1; }
    std::vector<ProcessEntry> list;
};

std::vector<std::u16string> Names(const std::vector<ProcessEntry>& entries) {
    std::vector<std::u16string> names;
    for (const auto& entry : entries) names.push_back(entry.exe_name);
    return names;
}

TEST(LaunchedProcesses, FollowsDescendantsInAnyListingOrderAndNothingElse) {
    ListedProcesses processes;
    const ProcessEntry self{1, 0, u"purgeon-cli.exe"}, older_child{5, 1, u"helper.exe"},
        other{9, 0, u"other.exe"};
    processes.list = {self, older_child, other};
    LaunchedProcesses launched(processes);
    launched.Begin();

    // The copy is listed before the uninstaller it came from; a child of
    // another process, our child from before and the shell Wine starts for
    // us on demand are not followed.
    const ProcessEntry uninstaller{20, 1, u"uninst.exe"}, copy{30, 20, u"Au_.exe"},
        stranger{40, 9, u"x.exe"}, shell{44, 1, u"explorer.exe"};
    processes.list = {copy, self, older_child, other, uninstaller, stranger, shell};
    EXPECT_EQ(Names(launched.PollAfterLaunch()),
              (std::vector<std::u16string>{u"Au_.exe", u"uninst.exe"}));
    EXPECT_EQ(Names(launched.followed()), (std::vector<std::u16string>{u"uninst.exe", u"Au_.exe"}));

    // The uninstaller ends; its copy still runs.
    processes.list = {self, older_child, other, copy, shell};
    EXPECT_EQ(Names(launched.Poll()), std::vector<std::u16string>{u"Au_.exe"});

    // The copy ends too, and the ids come back for unrelated processes: a
    // reused id is nobody we follow, nor is a child of it.
    processes.list = {self, other, {20, 9, u"unrelated.exe"}, {50, 20, u"child.exe"}};
    EXPECT_TRUE(launched.Poll().empty());
    EXPECT_EQ(launched.followed().size(), 2u);
}

TEST(LaunchedProcesses, AnHeirWhoseParentWasNeverSeenIsTakenOnlyAtTheFirstLook) {
    ListedProcesses processes;
    const ProcessEntry self{1, 0, u"purgeon-cli.exe"}, service{9, 0, u"services.exe"};
    processes.list = {self, service};
    LaunchedProcesses launched(processes);
    launched.Begin();
    // WinExec returned after the uninstaller (id 20) had started its copy and
    // ended; a process a service started meanwhile has a parent seen before.
    processes.list = {self, service, {30, 20, u"Au_.exe"}, {36, 9, u"job.exe"}};
    EXPECT_EQ(Names(launched.PollAfterLaunch()), std::vector<std::u16string>{u"Au_.exe"});
    // Later orphans are not the launch's.
    processes.list = {self, service, {30, 20, u"Au_.exe"}, {60, 55, u"late.exe"}};
    EXPECT_EQ(Names(launched.Poll()), std::vector<std::u16string>{u"Au_.exe"});
}

}  // namespace
}  // namespace purgeon
