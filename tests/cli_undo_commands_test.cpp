// purgeon-cli's undo and unattended commands end to end over the in-memory
// machine: an uninstall into an undo set, undo-list, restore; --quiet with
// an uninstaller of no known family; several programs with one JSON object
// each.
#include <gtest/gtest.h>

#include "cli/purgeon_cli.h"
#include "cli/undo_set.h"
#include "support/memory_machine.h"
#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;
using testing::PutString;
using testing::ValueExists;

const std::u16string kRun = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::u16string kUninstall = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::u16string kSets = u"C:\\Undo";

class CliUndo : public ::testing::Test {
  protected:
    int Run(std::vector<std::u16string> args) {
        out_.clear();
        err_.clear();
        CliContext context{machine_.ports(), u"C:\\Purgeon\\", nullptr, &machine_.security};
        return RunPurgeonCli(args, context, out_, err_);
    }
    // A program whose uninstaller is of no family purgeon-cli knows.
    void InstallUnknown(const std::u16string& name) {
        const std::u16string folder = u"C:\\Program Files\\" + name;
        machine_.files.AddFile(folder + u"\\remove.exe", "MZ nothing known");
        PutString(machine_.registry, kHkeyLocalMachine, kUninstall + name, u"DisplayName", name);
        PutString(machine_.registry, kHkeyLocalMachine, kUninstall + name, u"InstallLocation",
                  folder);
        PutString(machine_.registry, kHkeyLocalMachine, kUninstall + name, u"UninstallString",
                  u"\"" + folder + u"\\remove.exe\"");
    }

    MemoryMachine machine_;
    std::string out_, err_;
};

TEST_F(CliUndo, AnUninstallIsListedAndRestoredWhole) {
    const std::u16string tools = u"C:\\Tools\\Portable";
    machine_.files.AddFile(tools + u"\\tool.exe", "MZ tool");
    machine_.files.AddFile(tools + u"\\readme.txt", "r", kFileAttributeReadOnly);
    PutString(machine_.registry, kHkeyLocalMachine, kRun, u"Portable", tools + u"\\tool.exe");
    ASSERT_EQ(Run({u"uninstall", u"--folder", tools, u"--yes", u"--json", u"--undo-dir", kSets}), 0)
        << err_;
    EXPECT_FALSE(machine_.files.Exists(tools));
    EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Portable"));
    const std::size_t at = out_.find("\"undo_set\": \"C:\\\\Undo\\\\");
    ASSERT_NE(at, std::string::npos) << out_;

    ASSERT_EQ(Run({u"undo-list", u"--undo-dir", kSets, u"--json"}), 0) << err_;
    EXPECT_NE(out_.find("\"program\": \"C:\\\\Tools\\\\Portable\""), std::string::npos) << out_;
    EXPECT_NE(out_.find("\"complete\": true"), std::string::npos) << out_;
    const std::size_t begin = out_.find("\"undo_set\": \"") + 13;
    const std::u16string set = FromUtf8(out_.substr(begin, out_.find('"', begin) - begin));
    std::u16string folder;
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (set[i] == u'\\' && i + 1 < set.size() && set[i + 1] == u'\\') ++i;
        folder.push_back(set[i]);
    }

    ASSERT_EQ(Run({u"restore", folder}), 0) << err_;
    EXPECT_NE(out_.find("C:\\Tools\\Portable"), std::string::npos) << out_;
    EXPECT_TRUE(machine_.files.Exists(tools + u"\\tool.exe"));
    EXPECT_EQ(machine_.files.GetAttributes(tools + u"\\readme.txt") & kFileAttributeReadOnly,
              kFileAttributeReadOnly);
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Portable"));
    // A second restore finds everything there: refused, exit 1, nothing lost.
    EXPECT_EQ(Run({u"restore", folder}), 1);
    EXPECT_NE(out_.find("exists again"), std::string::npos) << out_;
    EXPECT_EQ(Run({u"restore", u"C:\\Tools"}), 3);  // no manifest: no set
}

TEST_F(CliUndo, ARemovalWaitsForAnotherOrEndsAtOnceWithNoWait) {
    const std::u16string tools = u"C:\\Tools\\Portable";
    machine_.files.AddFile(tools + u"\\tool.exe", "MZ tool");
    machine_.security.SetHeldElsewhere(true);
    EXPECT_EQ(Run({u"uninstall", u"--folder", tools, u"--yes", u"--no-wait"}), kExitBusy);
    EXPECT_NE(err_.find("another removal is under way"), std::string::npos) << err_;
    EXPECT_TRUE(machine_.files.Exists(tools + u"\\tool.exe"));
    // Waiting for a lock that is never let go: the in-memory lock cannot be
    // waited for, so the run ends with nothing removed rather than hanging.
    EXPECT_EQ(Run({u"uninstall", u"--folder", tools, u"--yes"}), kExitFailure);
    EXPECT_TRUE(machine_.files.Exists(tools + u"\\tool.exe"));
    machine_.security.SetHeldElsewhere(false);
    EXPECT_EQ(Run({u"uninstall", u"--folder", tools, u"--yes"}), kExitOk) << err_;
    EXPECT_FALSE(machine_.files.Exists(tools));
    EXPECT_FALSE(machine_.security.held());  // let go when the removal ended
}

TEST_F(CliUndo, SetsGoWhereOnlyAdministratorsWriteAndOthersAreRestoredOnlyWhenTrusted) {
    const std::u16string tools = u"C:\\Tools\\Portable";
    machine_.files.AddFile(tools + u"\\tool.exe", "MZ tool");
    ASSERT_EQ(Run({u"uninstall", u"--folder", tools, u"--yes", u"--json"}), 0) << err_;
    // The default place, made for administrators only.
    EXPECT_NE(out_.find("\"undo_set\": \"C:\\\\ProgramData\\\\Purgeon\\\\Undo\\\\"),
              std::string::npos)
        << out_;
    EXPECT_TRUE(machine_.security.OnlyAdminsMayWrite(u"C:\\ProgramData\\Purgeon"));
    EXPECT_TRUE(machine_.security.OnlyAdminsMayWrite(u"C:\\ProgramData\\Purgeon\\Undo"));
    ASSERT_EQ(Run({u"undo-list", u"--json"}), 0);
    const std::size_t begin = out_.find("\"undo_set\": \"") + 13;
    std::u16string set = FromUtf8(out_.substr(begin, out_.find('"', begin) - begin));
    for (std::size_t at = 0; (at = set.find(u"\\\\", at)) != std::u16string::npos; ++at)
        set.erase(at, 1);
    // Once others may write the set, what it holds is not trusted.
    machine_.security.SetAdminOnly(set, false);
    EXPECT_EQ(Run({u"restore", set}), kExitFailure);
    EXPECT_NE(err_.find("--trust-set"), std::string::npos) << err_;
    EXPECT_FALSE(machine_.files.Exists(tools + u"\\tool.exe"));
    EXPECT_EQ(Run({u"restore", set, u"--trust-set"}), kExitOk) << err_;
    EXPECT_TRUE(machine_.files.Exists(tools + u"\\tool.exe"));
}

TEST_F(CliUndo, AVolumeThatKeepsNoAccessRightsIsSaidAndItsSetNeedsTrust) {
    const std::u16string tools = u"C:\\Tools\\Portable";
    machine_.files.AddFile(tools + u"\\tool.exe", "MZ tool");
    machine_.security.SetKeepsAccessRights(false);
    ASSERT_EQ(Run({u"uninstall", u"--folder", tools, u"--yes", u"--undo-dir", kSets}), 0) << err_;
    EXPECT_NE(err_.find("keeps no access rights"), std::string::npos) << err_;
    const auto sets = ListUndoSets(machine_.files, kSets);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(Run({u"restore", sets[0].folder}), kExitFailure);
    EXPECT_FALSE(machine_.files.Exists(tools));
    EXPECT_EQ(Run({u"restore", sets[0].folder, u"--trust-set"}), kExitOk) << err_;
    EXPECT_TRUE(machine_.files.Exists(tools + u"\\tool.exe"));
}

TEST_F(CliUndo, QuietRunsNothingOfAnUnknownFamilyAndEachProgramHasItsObject) {
    InstallUnknown(u"Alpha");
    InstallUnknown(u"Beta");
    EXPECT_EQ(Run({u"uninstall", u"--program", u"Alpha", u"--program", u"Beta", u"--quiet",
                   u"--yes", u"--json", u"--undo-dir", kSets}),
              kExitUnknownFamily);
    EXPECT_TRUE(machine_.launcher.Launches().empty());
    EXPECT_TRUE(machine_.files.Exists(u"C:\\Program Files\\Alpha\\remove.exe"));
    EXPECT_NE(err_.find("Alpha has no QuietUninstallString"), std::string::npos) << err_;
    EXPECT_NE(out_.find("\"program\": \"Alpha\""), std::string::npos) << out_;
    EXPECT_NE(out_.find("\"program\": \"Beta\""), std::string::npos) << out_;
    EXPECT_EQ(out_.front(), '[');
    EXPECT_EQ(Run({u"uninstall", u"--folder", u"C:\\Tools", u"--quiet"}), kExitUsage);
    EXPECT_EQ(Run({u"uninstall", u"--program", u"Alpha", u"--no-undo", u"--undo-dir", kSets}),
              kExitUsage);
}

TEST_F(CliUndo, ARestorePointIsCompletedCancelledOrAskedFor) {
    const std::u16string tools = u"C:\\Tools\\Portable";
    machine_.files.AddFile(tools + u"\\tool.exe");
    // Nothing changed (no such program): begun, then cancelled.
    EXPECT_EQ(Run({u"uninstall", u"--program", u"Nobody", u"--restore-point", u"--yes"}),
              kExitNotFound);
    EXPECT_EQ(
        machine_.hostkit.restore_point_calls(),
        (std::vector<std::u16string>{u"init", u"begin:Purgeon: uninstall Nobody", u"cancel"}));
    // Unavailable and not told to go on: nothing is changed.
    machine_.hostkit.set_system_restore(false);
    EXPECT_EQ(Run({u"uninstall", u"--folder", tools, u"--restore-point"}), kExitDeclined);
    EXPECT_TRUE(machine_.files.Exists(tools + u"\\tool.exe"));
    // Unavailable with --yes: said, and the removal goes on.
    EXPECT_EQ(
        Run({u"uninstall", u"--folder", tools, u"--restore-point", u"--yes", u"--undo-dir", kSets}),
        0)
        << err_;
    EXPECT_NE(err_.find("System Restore is unavailable"), std::string::npos) << err_;
    EXPECT_FALSE(machine_.files.Exists(tools));
    // Available and something removed: completed.
    machine_.hostkit.set_system_restore(true);
    machine_.files.AddFile(tools + u"\\tool.exe");
    EXPECT_EQ(Run({u"uninstall", u"--folder", tools, u"--restore-point", u"--yes", u"--no-undo"}),
              0)
        << err_;
    EXPECT_EQ(machine_.hostkit.restore_point_calls().back(), u"end");
}

}  // namespace
}  // namespace purgeon
