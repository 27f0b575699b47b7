// The uninstall workflow of the main window against the in-memory machine:
// the real analysis, launcher and watcher workers on threads of their own,
// the modal windows' loops played by the test's dispatcher, message boxes
// answered by script.
#include <gtest/gtest.h>

#include <atomic>

#include "inventory/Unit_K_Registry_Proc.h"
#include "inventory/Unit_String_Proc.h"
#include "support/main_form_fixture.h"
#include "ui/Unit_LeftoverRemoval.h"

namespace purgeon {
namespace {

using testing::kUninstall;
using testing::PutString;

const std::u16string kApp = u"C:\\Program Files (x86)\\Acme Notes\\";
const std::u16string kRecords = u"C:\\Program Files (x86)\\Purgeon\\";
const char16_t kCancelQuestion[] =
    u"The current uninstall process has not yet completed.\r\nThe associated program files and "
    u"registry entries may lead to system slowdown and occupy unnecessary drive space.\r\nAre you "
    u"sure you want to cancel the current uninstall process?";

class Workflow : public testing::MainForm {
  protected:
    Workflow() {
        view.run_modal = [this](const std::function<bool()>& done) {
            ASSERT_TRUE(machine.dispatcher.RunUntil(done, std::chrono::seconds(20)));
        };
        machine.files.AddFolder(kRecords);
        machine.files.AddFile(kApp + u"notes.exe");
        machine.files.AddFile(kApp + u"readme.txt");
        machine.files.AddFile(kApp + u"plugins\\spell.dll");
        AddProgram(u"AcmeNotes", u"Acme Notes", u"2.0", u"Acme", kApp);
        // Another program whose folder begins alike, and the user's file.
        machine.files.AddFile(u"C:\\Program Files (x86)\\Acme Notes Pro\\pro.exe");
        AddProgram(u"AcmePro", u"Acme Notes Pro", u"1.0", u"Acme",
                   u"C:\\Program Files (x86)\\Acme Notes Pro");
        icons.shell_icons[testing::kMsiexec] = {32, 32};
        ShowAndEnumerate();
    }

    void Select(const std::u16string& name) {
        for (std::size_t i = 0; i < form.ListView_InstalledApp.size(); ++i) {
            if (form.ListView_InstalledApp[i].caption == name)
                form.ListView_InstalledAppClick(int(i));
        }
        ASSERT_NE(form.current_program(), nullptr);
    }

    std::vector<std::u16string> Paths(const std::vector<ReportRow>& rows) const {
        std::vector<std::u16string> paths;
        for (const auto& row : rows) paths.push_back(row.path);
        return paths;
    }

    std::vector<DialogCall> Dialogs() { return machine.dialog.Calls(); }
};

TEST_F(Workflow, RunWithNothingSelectedOnlyTellsTheUser) {
    form.ImgBtn_Step1_RunClick();
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].text, u"Please select the software you want to uninstall on the right.");
    EXPECT_EQ(Dialogs()[0].flags, 64u);
    EXPECT_EQ(view.analysing_mode, 0) << "no analysis";
    EXPECT_EQ(form.NB_Main, MainPage::kStep1);
}

TEST_F(Workflow, AStandardUninstallFromRunToDelete) {
    Select(u"Acme Notes");
    form.ImgBtn_Step1_RunClick();
    // The analysing window was prepared, shown, and closed by the end.
    EXPECT_EQ(view.analysing_mode, 1);
    EXPECT_EQ(view.analysing_heading,
              u"Collecting and analyzing Acme Notes software's install information");
    EXPECT_FALSE(view.analysing_open);
    EXPECT_EQ(form.NB_Main, MainPage::kStep2);
    EXPECT_EQ(form.m_nUninstallType, 0);

    // Its folder and files in both pages' lists, ticked; not the neighbour's.
    const auto files = Paths(form.ListView_Step2_FilesFolders);
    EXPECT_EQ(Paths(form.ListView_Step3_FilesFolders), files);
    EXPECT_NE(std::find(files.begin(), files.end(), kApp + u"notes.exe"), files.end());
    for (const auto& path : files) EXPECT_EQ(path.find(u"Acme Notes Pro"), std::u16string::npos);
    for (const auto& row : form.ListView_Step2_FilesFolders) EXPECT_TRUE(row.ticked);
    ASSERT_FALSE(form.ListView_Step2_Registry.empty());  // its Uninstall key at least
    EXPECT_EQ(form.Label_Step2_FilesCount,
              FromUtf8(std::to_string(form.m_strlist_Analyzed_AllFilesFolders.size())) +
                  u" files/folders found");
    EXPECT_EQ(
        form.Label_Step2_RegistryCount,
        FromUtf8(std::to_string(form.ListView_Step2_Registry.size())) + u" registry entries found");
    EXPECT_EQ(form.RLB_QVU_UninstallProgram, u"Uninstall Program: Acme Notes");
    EXPECT_EQ(form.NB_Step2_Report, ReportTab::kFilesFolders);
    EXPECT_TRUE(machine.files.Exists(kRecords + u"Config.ini")) << "records written";
    EXPECT_GE(view.files_counts.back(), 1);

    // Complete Uninstall: No changes nothing.
    machine.dialog.Script({kIdNo});
    form.ImagBtn_Step2_CompleteUninstallClick();
    EXPECT_EQ(Dialogs().back().text, u"Are you sure you want to uninstall Acme Notes ?");
    EXPECT_EQ(Dialogs().back().flags, 36u);
    EXPECT_TRUE(machine.launcher.Launches().empty());
    EXPECT_EQ(form.NB_Main, MainPage::kStep2);

    // Yes: the program's own uninstaller, the watcher's two steps, then Step 3.
    machine.dialog.Script({kIdYes});
    form.ImagBtn_Step2_CompleteUninstallClick();
    // The launch runs on its own thread; the 1000 ms before the watcher
    // starts are no time on the test's clock.
    ASSERT_TRUE(machine.dispatcher.RunUntil([&] { return !machine.launcher.Launches().empty(); },
                                            std::chrono::seconds(20)));
    EXPECT_EQ(view.steps, (std::vector<std::uint32_t>{2, 3}));
    EXPECT_TRUE(view.uninstall_complete);
    EXPECT_EQ(form.NB_Main, MainPage::kStep3);
    EXPECT_EQ(form.NB_Step3_Bottom_Tip, Step3Tip::kStandard);
    EXPECT_EQ(form.Label_Step3_Bottom_StandName, u"Uninstall Program: Acme Notes");
    const auto sleeps = machine.clock.Sleeps();
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 1000u), sleeps.end());
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 2100u), sleeps.end());

    // Delete: the user keeps one file by unticking it; the rest goes.
    std::size_t readme = 0;
    for (std::size_t i = 0; i < form.ListView_Step3_FilesFolders.size(); ++i)
        if (form.ListView_Step3_FilesFolders[i].path == kApp + u"readme.txt") readme = i;
    form.SetReportRowTicked(TFrm_Main_PG::ReportList::kStep3FilesFolders, readme, false);
    // While another removal holds the machine's lock, Delete says so and
    // removes nothing; the window does not wait.
    form.set_security(&machine.security);
    machine.security.SetHeldElsewhere(true);
    machine.dialog.Script({kIdOk});
    form.ImgBtn_Step3_DeleteClick();
    EXPECT_EQ(Dialogs().back().text, kRemovalBusyText);
    EXPECT_TRUE(machine.files.Exists(kApp + u"notes.exe"));
    machine.security.SetHeldElsewhere(false);
    machine.dialog.Script({kIdYes, kIdOk});
    form.ImgBtn_Step3_DeleteClick();
    EXPECT_FALSE(machine.security.held()) << "let go when the removal ended";
    EXPECT_FALSE(machine.files.Exists(kApp + u"notes.exe"));
    EXPECT_FALSE(machine.files.Exists(kApp + u"plugins\\spell.dll"));
    EXPECT_TRUE(machine.files.Exists(kApp + u"readme.txt")) << "unticked: kept";
    EXPECT_TRUE(machine.files.Exists(u"C:\\Program Files (x86)\\Acme Notes Pro\\pro.exe"));
    EXPECT_TRUE(form.ListView_Step3_FilesFolders.empty());
    EXPECT_TRUE(form.ListView_Step2_Registry.empty());
    EXPECT_FALSE(machine.files.Exists(kRecords + u"Config.ini")) << "records removed";

    // After a removal Back asks nothing.
    const std::size_t asked = Dialogs().size();
    form.ImgBtn_Step3_BackClick();
    EXPECT_EQ(Dialogs().size(), asked);
    EXPECT_EQ(form.NB_Main, MainPage::kStep1);
    EXPECT_EQ(form.current_program(), nullptr);
    WaitForEnumeration();
}

// Step 3 shows what is left after the program's own uninstaller: what it
// removed is no leftover. Here the uninstaller takes its files but
// readme.txt, and its Uninstall key.
TEST_F(Workflow, Step3ListsOnlyWhatTheUninstallerLeft) {
    Select(u"Acme Notes");
    form.ImgBtn_Step1_RunClick();
    ASSERT_EQ(form.NB_Main, MainPage::kStep2);
    const std::size_t step2_files = form.ListView_Step2_FilesFolders.size();
    const std::size_t step2_registry = form.ListView_Step2_Registry.size();
    std::atomic<bool> uninstalled{false};
    machine.launcher.set_on_launch([&](const Launch&) {
        machine.files.DeleteFile(kApp + u"notes.exe");
        machine.files.DeleteFile(kApp + u"plugins\\spell.dll");
        machine.files.RemoveDirectory(kApp + u"plugins\\");
        machine.registry.DeleteTree(kHkeyLocalMachine, kUninstall + u"AcmeNotes");
        uninstalled = true;
    });
    // The uninstall-process window stays until the uninstaller has run.
    view.run_modal = [&](const std::function<bool()>& done) {
        ASSERT_TRUE(machine.dispatcher.RunUntil([&] { return uninstalled && done(); },
                                                std::chrono::seconds(20)));
    };
    machine.dialog.Script({kIdYes});
    const std::size_t renders_before = view.renders.size();
    form.ImagBtn_Step2_CompleteUninstallClick();
    ASSERT_EQ(form.NB_Main, MainPage::kStep3);

    const auto left = Paths(form.ListView_Step3_FilesFolders);
    EXPECT_NE(std::find(left.begin(), left.end(), kApp + u"readme.txt"), left.end());
    EXPECT_NE(std::find(left.begin(), left.end(), kApp), left.end()) << "its folder is still there";
    for (const auto& path : left) {
        EXPECT_EQ(path.find(u"notes.exe"), std::u16string::npos);
        EXPECT_EQ(path.find(u"plugins"), std::u16string::npos);
    }
    for (const auto& row : form.ListView_Step3_Registry)
        EXPECT_EQ(row.path.find(u"Uninstall\\AcmeNotes"), std::u16string::npos);
    EXPECT_EQ(form.ListView_Step3_Registry.size(), step2_registry - 1);
    EXPECT_EQ(form.ListView_Step2_FilesFolders.size(), step2_files) << "Step 2 stays as found";
    EXPECT_EQ(view.renders.size() > renders_before &&
                  std::find(view.renders.begin() + long(renders_before), view.renders.end(),
                            MainPart::kReportLists) != view.renders.end(),
              true)
        << "the lists are drawn again";

    // Delete removes what is left; the neighbour stays.
    machine.dialog.Script({kIdYes, kIdOk});
    form.ImgBtn_Step3_DeleteClick();
    EXPECT_FALSE(machine.files.Exists(kApp + u"readme.txt"));
    EXPECT_FALSE(machine.files.Exists(kApp));
    EXPECT_TRUE(machine.files.Exists(u"C:\\Program Files (x86)\\Acme Notes Pro\\pro.exe"));
    EXPECT_EQ(Dialogs().back().text, u"All Acme Notes leftovers have been completely removed.");
    form.ImgBtn_Step3_BackClick();
    WaitForEnumeration();
}

// An uninstaller that took everything leaves Step 3 empty: Delete only says
// so.
TEST_F(Workflow, AfterAnUninstallerThatTookEverythingDeleteOnlySaysSo) {
    Select(u"Acme Notes");
    form.ImgBtn_Step1_RunClick();
    ASSERT_EQ(form.NB_Main, MainPage::kStep2);
    const auto step2 = form.ListView_Step2_Registry;
    std::atomic<bool> uninstalled{false};
    machine.launcher.set_on_launch([&](const Launch&) {
        for (const char16_t* file : {u"notes.exe", u"readme.txt", u"plugins\\spell.dll"})
            machine.files.DeleteFile(kApp + file);
        machine.files.RemoveDirectory(kApp + u"plugins\\");
        machine.files.RemoveDirectory(kApp);
        for (const auto& row : step2) {
            StringList pieces;
            Str_SplitByBar(row.path, pieces);
            if (pieces.size() == 2)
                machine.registry.DeleteTree(Reg_RootFromName(pieces[0]), pieces[1]);
        }
        uninstalled = true;
    });
    view.run_modal = [&](const std::function<bool()>& done) {
        ASSERT_TRUE(machine.dispatcher.RunUntil([&] { return uninstalled && done(); },
                                                std::chrono::seconds(20)));
    };
    machine.dialog.Script({kIdYes});
    form.ImagBtn_Step2_CompleteUninstallClick();
    ASSERT_EQ(form.NB_Main, MainPage::kStep3);
    EXPECT_TRUE(form.ListView_Step3_FilesFolders.empty());
    EXPECT_TRUE(form.ListView_Step3_Registry.empty());

    const std::size_t asked = Dialogs().size();
    form.ImgBtn_Step3_DeleteClick();
    ASSERT_EQ(Dialogs().size(), asked + 1) << "no question, only the notice";
    EXPECT_EQ(Dialogs().back().text, u"All Acme Notes leftovers have been completely removed.");
    EXPECT_TRUE(machine.files.Exists(u"C:\\Program Files (x86)\\Acme Notes Pro\\pro.exe"));
    form.ImgBtn_Step3_BackClick();
    WaitForEnumeration();
}

TEST_F(Workflow, BackWithRowsAsksAndNoStays) {
    Select(u"Acme Notes");
    form.ImgBtn_Step1_RunClick();
    ASSERT_EQ(form.NB_Main, MainPage::kStep2);
    machine.dialog.Script({kIdNo});
    form.ImgBtn_Step2_BackClick();
    EXPECT_EQ(Dialogs().back().text, kCancelQuestion);
    EXPECT_EQ(Dialogs().back().flags, 36u);
    EXPECT_EQ(form.NB_Main, MainPage::kStep2);
    EXPECT_NE(form.current_program(), nullptr);

    machine.dialog.Script({kIdYes});
    form.ImgBtn_Step2_BackClick();
    EXPECT_EQ(form.NB_Main, MainPage::kStep1);
    EXPECT_EQ(form.current_program(), nullptr);
    EXPECT_FALSE(form.Panel_CurSelect_Software_Info_Visible);
    WaitForEnumeration();
    EXPECT_EQ(form.ListView_InstalledApp.size(), 2u) << "Refresh listed the programs again";
    EXPECT_FALSE(form.ListView_Step2_FilesFolders.empty()) << "Back keeps the analysis lists";
}

TEST_F(Workflow, TheCustomUninstallGoesStraightToStep3AndNamesTheFolder) {
    // Closed without confirmation: nothing changes.
    form.ImgBtn_CustomUninstallWizardClick();
    EXPECT_EQ(view.wizard_shown, 1);
    EXPECT_EQ(form.m_nUninstallMode, 1);
    EXPECT_EQ(view.analysing_mode, 0);

    view.wizard_answer = kApp;
    form.ImgBtn_CustomUninstallWizardClick();
    EXPECT_EQ(form.m_nUninstallMode, 2);
    EXPECT_EQ(view.analysing_mode, 2);
    EXPECT_EQ(view.analysing_heading, u"Collecting and analyzing " + kApp + u" directory.");
    EXPECT_EQ(form.NB_Main, MainPage::kStep3);
    EXPECT_EQ(form.NB_Step3_Bottom_Tip, Step3Tip::kCustom);
    EXPECT_EQ(form.Label_Step3_Bottom_CustomNameContext,
              u"Purgeon has successfully detected the following " +
                  FromUtf8(std::to_string(form.m_strlist_Analyzed_AllFilesFolders.size())) +
                  u" files and " + FromUtf8(std::to_string(form.ListView_Step3_Registry.size())) +
                  u" associated registry entries of the program you specify.");
    EXPECT_FALSE(form.ListView_Step3_FilesFolders.empty());

    // The removal's question names the folder.
    machine.dialog.Script({kIdNo});
    form.ImgBtn_Step3_DeleteClick();
    EXPECT_EQ(Dialogs().back().text, u"Are you sure you want to remove all " + kApp +
                                         u" leftover files and registry entries?");
    EXPECT_TRUE(machine.files.Exists(kApp + u"notes.exe"));
}

TEST_F(Workflow, CompleteUninstallAfterAnEmptyAnalysisDoesNothing) {
    form.Callback_UninstallSoftware_Start(0);
    form.Callback_UninstallSoftware_End(0);
    // Nothing found: no records, zero counts, and still on to Step 2.
    EXPECT_FALSE(machine.files.Exists(kRecords + u"Config.ini"));
    EXPECT_EQ(form.Label_Step2_FilesCount, u"0 files/folders found");
    EXPECT_EQ(form.Label_Step2_RegistryCount, u"0 registry entries found");
    EXPECT_EQ(form.NB_Main, MainPage::kStep2);
    form.ImagBtn_Step2_CompleteUninstallClick();
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_TRUE(machine.launcher.Launches().empty());
    form.ImgBtn_Step2_BackClick();  // nothing to lose: no question
    EXPECT_TRUE(Dialogs().empty());
    WaitForEnumeration();
}

TEST_F(Workflow, TheNotificationsFillTheListsAsWritten) {
    form.Callback_UninstallSoftware_Start(0);
    // The same registry text twice, and in another letter case (beyond
    // ASCII too): one row each.
    for (const char16_t* entry : {u"HKLM|SOFTWARE\\Café", u"HKLM|SOFTWARE\\Café",
                                  u"hklm|software\\CAFÉ", u"", u"HKCU|Software\\Other"}) {
        form.Callback_InstalledSoftwareRegPath(0, entry);
    }
    EXPECT_EQ(Paths(form.ListView_Step2_Registry),
              (std::vector<std::u16string>{u"HKLM|SOFTWARE\\Café", u"HKCU|Software\\Other"}));
    EXPECT_EQ(form.ListView_Step3_Registry.size(), 2u);
    EXPECT_EQ(form.m_strlist_Analyzed_Registry.size(), 2u);

    // The same file twice: two rows.
    form.Callback_InstalledSoftwareFilePath(0, kApp + u"notes.exe");
    form.Callback_InstalledSoftwareFilePath(0, kApp + u"notes.exe");
    EXPECT_EQ(form.ListView_Step2_FilesFolders.size(), 2u);

    // A folder at report time goes to the folders, anything else to the files.
    form.Callback_InstalledSoftwareFileCount(0, kApp + u"plugins", 1);
    form.Callback_InstalledSoftwareFileCount(0, kApp + u"gone.txt", 2);
    EXPECT_EQ(form.m_strlist_Analyzed_Folders, std::vector<std::u16string>{kApp + u"plugins"});
    EXPECT_EQ(form.m_strlist_Analyzed_Files, std::vector<std::u16string>{kApp + u"gone.txt"});

    // Counts shown: 0-99, then every hundredth.
    view.files_counts.clear();
    for (std::uint32_t n = 1; n <= 250; ++n) form.Callback_InstalledSoftwareFileCount(0, u"x", n);
    std::vector<int> expected;
    for (int n = 1; n <= 99; ++n) expected.push_back(n);
    expected.push_back(100);
    expected.push_back(200);
    EXPECT_EQ(view.files_counts, expected);
    view.registry_counts.clear();
    form.Callback_InstalledSoftwareRegCount(0, u"", 101);
    EXPECT_EQ(view.registry_counts, std::vector<int>{101}) << "every registry count is shown";

    form.Callback_UninstallSoftware_End(0);
    EXPECT_EQ(form.m_strlist_Analyzed_AllFilesFolders.front(), kApp + u"plugins");
    EXPECT_EQ(form.m_strlist_Analyzed_AllFilesFolders[1], kApp + u"gone.txt");
}

TEST_F(Workflow, AProgramNameTooWideForItsLabelIsShownBare) {
    Select(u"Acme Notes");
    view.char_width = 30;  // "Uninstall Program: Acme Notes" is 29 characters: 870 px
    form.ImgBtn_Step1_RunClick();
    EXPECT_EQ(form.RLB_QVU_UninstallProgram, u"Acme Notes");
}

}  // namespace
}  // namespace purgeon
