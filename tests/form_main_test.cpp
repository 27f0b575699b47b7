#include "ui/Form_Main.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/memory/memory_text_compare.h"
#include "platform/window_messages.h"
#include "support/fake_main_view.h"
#include "support/main_form_fixture.h"
#include "support/memory_machine.h"
#include "support/registry_fixture.h"
#include "ui/app_list_rules.h"

namespace purgeon {
namespace {

using testing::FakeIconFile;
using testing::FakeMainView;
using testing::FakeProgramIcons;
using testing::kMsiexec;
using testing::kUninstall;
using testing::MainForm;
using testing::MemoryMachine;
using testing::PutString;

// Counts the InitDll_Hostkit calls and remembers the last table handed out.
class CountingHostkit : public MemoryHostkit {
  public:
    using MemoryHostkit::MemoryHostkit;
    HostkitTable InitFunctionTable() override {
        ++init_calls;
        last_table = MemoryHostkit::InitFunctionTable();
        return last_table;
    }
    int init_calls = 0;
    HostkitTable last_table = nullptr;
};

struct FolderCase {
    std::u16string exe_path;
    std::u16string expected;
};

TEST(ProgramFolderOf, KeepsTheFolderWithExactlyOneTrailingBackslash) {
    const FolderCase cases[] = {
        {u"C:\\Program Files\\Purgeon\\purgeon.exe", u"C:\\Program Files\\Purgeon\\"},
        {u"C:\\purgeon.exe", u"C:\\"},
        {u"C:\\Tools\\", u"C:\\Tools\\"},  // already ends in "\": no second one
        {u"C:\\dir\\\\purgeon.exe", u"C:\\dir\\\\"},
        {u"C:\\a.b\\c d\\pur geon.exe", u"C:\\a.b\\c d\\"},
        {u"\\\\?\\C:\\Long\\Path\\purgeon.exe", u"\\\\?\\C:\\Long\\Path\\"},
        {u"\\\\server\\share\\purgeon.exe", u"\\\\server\\share\\"},
        {u"C:\\Programme\\L\u00f6schen \u4e2d\\purgeon.exe",
         u"C:\\Programme\\L\u00f6schen \u4e2d\\"},
        {u"C:purgeon.exe", u"C:\\"},  // drive-relative: the folder part is "C:"
        {u"purgeon.exe", u"\\"},      // no folder part at all
        {u"", u"\\"},
    };
    for (const FolderCase& c : cases) {
        EXPECT_EQ(ProgramFolderOf(c.exe_path), c.expected) << ToUtf8(c.exe_path);
    }
}

TEST(FormMain, CreationSetsTheProgramFolderAndKeepsOneHostkitTable) {
    MemoryMachine machine;
    CountingHostkit hostkit(machine.registry);
    Ports ports = machine.ports();
    Ports counted{ports.registry, ports.files,  ports.shell,     hostkit,        ports.dispatcher,
                  ports.clock,    ports.dialog, ports.processes, ports.launcher, ports.code_page};
    FakeMainView view;
    FakeProgramIcons icons;
    MemoryTextCompare text_compare;
    TFrm_Main_PG form(counted, view, icons, text_compare);
    EXPECT_EQ(form.hostkit_table(), nullptr);

    form.FormCreate(u"C:\\Program Files (x86)\\Purgeon\\purgeon.exe");
    EXPECT_EQ(form.m_strCurAppPath, u"C:\\Program Files (x86)\\Purgeon\\");
    EXPECT_EQ(hostkit.init_calls, 1);
    ASSERT_NE(form.hostkit_table(), nullptr);
    EXPECT_EQ(form.hostkit_table(), hostkit.last_table);
    EXPECT_EQ(hostkit.NetIsConnected(form.hostkit_table()), 1);
    EXPECT_EQ(form.current_program(), nullptr);
    EXPECT_TRUE(form.inventory().m_ObjList_InstalledSoftware.empty());
    EXPECT_EQ(form.library().m_Map_Lib_SoftwareName.size(), 58u);

    // Creation runs once: a second call neither asks for a new table nor
    // moves the program folder.
    const HostkitTable first = form.hostkit_table();
    form.FormCreate(u"D:\\Elsewhere\\purgeon.exe");
    EXPECT_EQ(hostkit.init_calls, 1);
    EXPECT_EQ(form.hostkit_table(), first);
    EXPECT_EQ(form.m_strCurAppPath, u"C:\\Program Files (x86)\\Purgeon\\");
    EXPECT_EQ(form.library().m_Map_Lib_SoftwareName.size(), 58u);  // filled once, not twice
}

struct VersionCase {
    FileVersion version;
    std::u16string expected;
};

TEST(VersionLabelText, FormatsFourNumbersWithATrailingBlank) {
    const VersionCase cases[] = {
        {{1, 0, 0, 0}, u"Version: 1.0.0.0 "},
        {{0, 0, 0, 0}, u"Version: 0.0.0.0 "},
        {{10, 2, 300, 4000}, u"Version: 10.2.300.4000 "},
        {{65535, 65535, 65535, 65535}, u"Version: 65535.65535.65535.65535 "},
    };
    for (const VersionCase& c : cases) {
        const FileVersion& v = c.version;
        EXPECT_EQ(VersionLabelText(v.major, v.minor, v.release, v.build), c.expected)
            << ToUtf8(c.expected);
    }
}

TEST_F(MainForm, TheFirstShowingListsEveryProgramInNameOrderAndResetsThePage) {
    AddProgram(u"b", u"Beta Tool");
    AddProgram(u"a", u"Alpha Editor");
    AddProgram(u"kb", u"Security Update for Windows (KB123456)");
    icons.shell_icons[kMsiexec] = {32, 32};
    // What the view saw of the list each time it was told: rows and whether
    // the enumeration was still handing them over.
    std::vector<std::pair<std::size_t, bool>> list_renders;
    view.on_render = [&](MainPart part) {
        if (part == MainPart::kAppList)
            list_renders.emplace_back(form.ListView_InstalledApp.size(),
                                      form.ListView_InstalledApp_Filling);
    };

    ShowAndEnumerate();
    view.on_render = nullptr;
    // Every row arrived while the list was marked as filling, and the end
    // was told once all three were there, so that the view lays them out.
    ASSERT_GE(list_renders.size(), 5u);
    EXPECT_EQ(list_renders.front(), std::make_pair(std::size_t(0), true));
    for (std::size_t i = 1; i + 1 < list_renders.size(); ++i)
        EXPECT_TRUE(list_renders[i].second) << i;
    EXPECT_EQ(list_renders.back(), std::make_pair(std::size_t(3), false));
    EXPECT_EQ(form.Label_Version, u"Version: 1.0.0.0 ");
    EXPECT_TRUE(form.app_list_groups_enabled);
    EXPECT_EQ(form.NB_Main, MainPage::kStep1);
    EXPECT_FALSE(form.Panel_CurSelect_Software_Info_Visible);
    EXPECT_FALSE(form.Panel_AppList_Status_Title_Visible);
    EXPECT_EQ(form.Edit_SearchAppName, u"Search...");
    EXPECT_EQ(form.Edit_SearchAppName_Colour, 4158063u);
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Alpha Editor", u"Beta Tool",
                                                       u"Security Update for Windows (KB123456)"}));
    EXPECT_EQ(form.ListView_InstalledApp[2].group_id, 5);
    // The worker asked for the loading window first and, as it was not
    // visible at the end, posted no close.
    const auto posted = machine.dispatcher.Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, WM_SHOW_LOADING_WINDOW);
    EXPECT_EQ(posted[0].window, view.MainWindowId());
    EXPECT_GE(view.focus_calls, 1);

    // The show request arrives after the end: no window that would never close.
    form.OnShowLoadingWindow();
    EXPECT_EQ(view.loading_shown, 0);

    // Showing again with a filled list does not enumerate again.
    form.FormShow({1, 0, 0, 0});
    EXPECT_FALSE(form.enumeration_running());
    EXPECT_EQ(form.ListView_InstalledApp.size(), 3u);
}

TEST_F(MainForm, AVisibleLoadingWindowIsClosedByTheWorker) {
    AddProgram(u"a", u"Alpha Editor");
    view.loading_visible = true;
    form.FormShow({1, 0, 0, 0});
    form.OnShowLoadingWindow();  // the request while the worker runs
    EXPECT_EQ(view.loading_shown, 1);
    // The worker posts the close after its last question has been answered.
    ASSERT_TRUE(machine.dispatcher.RunUntil([&] { return machine.dispatcher.Posted().size() == 2; },
                                            std::chrono::seconds(20)));
    EXPECT_FALSE(form.enumeration_running());
    const auto posted = machine.dispatcher.Posted();
    EXPECT_EQ(posted[1].message, WM_CLOSE_LOADING_WINDOW);
    EXPECT_EQ(posted[1].window, view.LoadingWindowId());
}

struct GroupCase {
    const char16_t* name;
    std::int32_t group;
};

TEST(GetAppListGroupID, TheLastMatchingTestWins) {
    const GroupCase cases[] = {
        {u"Microsoft .NET Framework 4.8", 2},
        {u"Microsoft Visual Studio 2019", 3},
        {u"Security Update for Windows (KB123456)", 5},
        {u"NVIDIA Graphics Driver", 7},
        {u"7-Zip 22.01", 0},
        {u"Update (KB123) for Office", 0},  // "(KB" but not ending in ")"
        {u"Microsoft Update (KB123) for Office", 1},
        {u"microsoft office", 1},
        {u"Windows Driver Package - Intel (x) USB", 4},
        {u"Windows Driver Package - Microsoft .net", 4},  // 4 comes after 1 and 2
        {u"Visual Studio Windows Driver Package", 3},     // 3 is tested after 4
        {u"AMD CCC Help English", 6},
        {u"Nvidia CCC Help", 7},
        {u"Hotfix for Microsoft .NET (KB2468871)", 5},
        {u"", 0},
        {u")", 0},
    };
    for (const GroupCase& c : cases) {
        EXPECT_EQ(GetAppListGroupID(c.name), c.group) << ToUtf8(c.name);
    }
    EXPECT_EQ(kAppListGroups[5].id, 5);
    EXPECT_EQ(std::u16string(kAppListGroups[5].header), u"Microsoft Hotfix");
}

TEST_F(MainForm, RowIconsFollowTheIconFileRules) {
    icons.shell_icons[u"C:\\A\\app.exe"] = {48, 48};  // redrawn at 32
    icons.dll_icons[u"C:\\Shared\\icons.dll"] = {32, 32};
    icons.icon_files[u"C:\\A\\logo.ico"] = FakeIconFile::kIcon;
    icons.icon_files[u"C:\\A\\readme"] = FakeIconFile::kNotAnIcon;
    icons.icon_files[u"C:\\A\\art.png"] = FakeIconFile::kNotAnIcon;

    Row(u"App", u"C:\\A\\app.exe");
    Row(u"First DLL user", u"C:\\Shared\\icons.dll", 3);
    Row(u"Second DLL user", u"C:\\Shared\\icons.dll", 7);  // same path: same image
    Row(u"McAfee Total Protection", u"C:\\McAfee\\mc.dll");
    Row(u"Bitdefender Antivirus", u"C:\\B\\bd.dll");
    Row(u"Bitdefender Agent", u"C:\\B\\agent.png");
    Row(u"Icon file", u"C:\\A\\logo.ico");
    Row(u"Not an icon", u"C:\\A\\readme");
    Row(u"Picture", u"C:\\A\\art.png");
    Row(u"Missing icon file", u"C:\\Gone\\x.ico");  // cannot be opened: no row
    Row(u"No shell icon", u"C:\\Gone\\x.exe");      // the shell gives none: generic

    struct Expected {
        const char16_t* caption;
        const char16_t* image;
    };
    const Expected expected[] = {
        {u"App", u"shell:C:\\A\\app.exe@32"},
        {u"First DLL user", u"dll:C:\\Shared\\icons.dll#3"},
        {u"Second DLL user", u"dll:C:\\Shared\\icons.dll#3"},
        {u"McAfee Total Protection", u"fixed:0"},
        {u"Bitdefender Antivirus", u"fixed:1"},
        {u"Bitdefender Agent", u"fixed:1"},
        {u"Icon file", u"ico:C:\\A\\logo.ico"},
        {u"Not an icon", u"fixed:2"},
        {u"Picture", u"fixed:2"},
        {u"No shell icon", u"fixed:2"},
    };
    ASSERT_EQ(form.ListView_InstalledApp.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const AppListRow& row = form.ListView_InstalledApp[i];
        EXPECT_EQ(row.caption, expected[i].caption);
        ASSERT_GE(row.image_index, 0) << ToUtf8(row.caption);
        EXPECT_EQ(icons.image_list.at(std::size_t(row.image_index)), expected[i].image)
            << ToUtf8(row.caption);
    }
    // The shared DLL made one image, not two; the first icon fixed the edge.
    EXPECT_EQ(icons.image_list.size(), std::size(expected) - 1);
    EXPECT_EQ(icons.image_edges, std::vector<int>{32});
    EXPECT_EQ(icons.make32_folders,
              std::vector<std::u16string>{u"C:\\Program Files (x86)\\Purgeon\\"});
    EXPECT_TRUE(icons.live.empty()) << "every icon made was released";
}

TEST_F(MainForm, AnIconThatCannotBeMadeOrDoesNotFitGivesNoRow) {
    icons.shell_icons[u"C:\\A\\a.exe"] = {32, 32};
    icons.shell_icons[u"C:\\A\\big.exe"] = {64, 64};
    icons.shell_icons[u"C:\\A\\odd.exe"] = {20, 20};
    Row(u"Fits", u"C:\\A\\a.exe");

    icons.make32_fails = true;  // its temporary file cannot be written
    Row(u"Redraw fails", u"C:\\A\\big.exe");
    icons.make32_fails = false;
    icons.make32_result = {48, 48};  // a redraw that does not match the list's edge
    Row(u"Wrong size", u"C:\\A\\odd.exe");

    ASSERT_EQ(form.ListView_InstalledApp.size(), 1u);
    EXPECT_EQ(form.ListView_InstalledApp[0].caption, u"Fits");
    EXPECT_EQ(form.m_nSoftwareList_ICOWH, 32);
    EXPECT_EQ(icons.image_list.size(), 1u);
    EXPECT_TRUE(icons.live.empty());
}

TEST_F(MainForm, AClickShowsTheDetailsOfTheRowsProgram) {
    AddProgram(u"full", u"Full Program", u"2.1", u"Acme Ltd", u"C:\\Program Files\\Full");
    AddProgram(u"bare", u"Bare Program", u"");
    icons.shell_icons[kMsiexec] = {32, 32};
    ShowAndEnumerate();
    ASSERT_EQ(Captions(), (std::vector<std::u16string>{u"Bare Program", u"Full Program"}));

    form.ListView_InstalledAppClick(1);
    ASSERT_NE(form.current_program(), nullptr);
    EXPECT_EQ(form.current_program()->m_strNamelow, u"full program");
    EXPECT_TRUE(form.Panel_CurSelect_Software_Info_Visible);
    EXPECT_EQ(form.Label_Step1_CurSoftwareName, u"Full Program");
    EXPECT_EQ(form.Label_Step1_CurSoftware_Ver, u"Version: 2.1");
    EXPECT_EQ(form.Label_Step1_CurSoftware_Publisher, u"Publisher: Acme Ltd");
    EXPECT_EQ(form.Label_Step1_CurSoftware_Location,
              u"Install Location: C:\\Program Files\\Full\\");
    EXPECT_EQ(form.Img_Step1_CurSoftwareLogo, form.ListView_InstalledApp[1].image_index);
    EXPECT_EQ(form.m_Img_AppLogo, form.Img_Step1_CurSoftwareLogo);

    form.ListView_InstalledAppClick(0);
    form.current_program()->m_strInstallLocation.clear();  // not even inferred
    form.ListView_InstalledAppClick(0);
    EXPECT_EQ(form.Label_Step1_CurSoftware_Ver, u"Version: N/A");
    EXPECT_EQ(form.Label_Step1_CurSoftware_Publisher, u"Publisher: N/A");
    EXPECT_EQ(form.Label_Step1_CurSoftware_Location, u"Install Location: N/A");

    form.ListView_InstalledAppClick(-1);  // a click where there is no row
    EXPECT_EQ(form.current_program(), nullptr);
    EXPECT_FALSE(form.Panel_CurSelect_Software_Info_Visible);

    form.ImgBtn_Step1_RunClick();  // nothing selected: the notice
    const auto calls = machine.dialog.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, u"Please select the software you want to uninstall on the right.");
    EXPECT_EQ(calls[0].caption, u"Purgeon");
    EXPECT_EQ(calls[0].flags, 64u);
}

TEST_F(MainForm, TheSearchBoxFiltersAndReloadsTheList) {
    AddProgram(u"vs", u"Microsoft Visual Studio 2019");
    AddProgram(u"vlc", u"VisiCalc");
    AddProgram(u"zip", u"7-Zip");
    icons.shell_icons[kMsiexec] = {32, 32};
    ShowAndEnumerate();
    ASSERT_EQ(form.ListView_InstalledApp.size(), 3u);

    // Entering the box clears the placeholder and shows the hint.
    form.Edit_SearchAppNameEnter();
    EXPECT_EQ(form.Edit_SearchAppName, u"");
    EXPECT_EQ(form.Edit_SearchAppName_Colour, 0u);
    EXPECT_TRUE(form.m_bSearchAppNameInitStatus);
    EXPECT_TRUE(form.Panel_AppList_Status_Title_Visible);
    EXPECT_TRUE(form.Gif_AppList_Status_Title_Playing);
    EXPECT_EQ(form.Label_AppList_Status_Title,
              u"Please enter the software keywords, such as Visual Studio...");

    // Typing "vis": the hits, sorted by name, made at once (a repaint each).
    const int repaints = view.repaints;
    form.Edit_SearchAppNameChange(u"vis");
    EXPECT_EQ(Captions(),
              (std::vector<std::u16string>{u"Microsoft Visual Studio 2019", u"VisiCalc"}));
    EXPECT_EQ(form.ListView_InstalledApp[0].group_id, 3);
    EXPECT_TRUE(form.inventory().m_bIsSearch);
    EXPECT_EQ(view.repaints, repaints + 2);
    EXPECT_EQ(icons.image_list.size(), 1u) << "the icon cache serves the search";

    // A text without hits.
    form.Edit_SearchAppNameChange(u"visx");
    EXPECT_TRUE(form.ListView_InstalledApp.empty());
    EXPECT_EQ(form.Label_AppList_Status_Title, u"Sorry, no software found.");

    // Deleting the text reloads the full list.
    form.Edit_SearchAppNameChange(u"");
    EXPECT_FALSE(form.m_bSearchAppNameInitStatus);
    WaitForEnumeration();
    EXPECT_EQ(form.ListView_InstalledApp.size(), 3u);
    EXPECT_FALSE(form.inventory().m_bIsSearch);

    // Leaving the box puts the placeholder back; a filtered list stays.
    form.Edit_SearchAppNameEnter();
    form.Edit_SearchAppNameChange(u"zip");
    form.Edit_SearchAppNameExit();
    EXPECT_EQ(form.Edit_SearchAppName, u"Search...");
    EXPECT_EQ(form.Edit_SearchAppName_Colour, 4158063u);
    EXPECT_FALSE(form.m_bSearchAppNameInitStatus);
    EXPECT_FALSE(form.Panel_AppList_Status_Title_Visible);
    EXPECT_FALSE(form.Gif_AppList_Status_Title_Playing);
    EXPECT_EQ(Captions(), std::vector<std::u16string>{u"7-Zip"});

    // Enter over any other text than the placeholder leaves it.
    form.Edit_SearchAppNameChange(u"abc");
    form.Edit_SearchAppNameEnter();
    EXPECT_EQ(form.Edit_SearchAppName, u"abc");
    EXPECT_FALSE(form.m_bSearchAppNameInitStatus);
}

TEST_F(MainForm, KeysInTheSearchBox) {
    AddProgram(u"a", u"Alpha");
    AddProgram(u"b", u"Beta");
    icons.shell_icons[kMsiexec] = {32, 32};
    ShowAndEnumerate();

    form.Edit_SearchAppNameKeyDown(13, u"  alp ");  // Enter searches the trimmed text
    EXPECT_EQ(Captions(), std::vector<std::u16string>{u"Alpha"});
    form.Edit_SearchAppNameKeyDown(65, u"al");  // other keys do nothing here
    EXPECT_EQ(Captions(), std::vector<std::u16string>{u"Alpha"});

    // Backspace over the last character reloads everything.
    form.Edit_SearchAppNameKeyDown(8, u" a");
    EXPECT_TRUE(form.enumeration_running());
    // A second Refresh while that runs (the change event of the same key)
    // does not start another worker on the same inventory.
    form.ImgBtn_Step1_RefreshClick();
    WaitForEnumeration();
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Alpha", u"Beta"}));
    EXPECT_EQ(machine.dispatcher.Posted().size(), 2u) << "two enumerations in all";

    // The search button with the placeholder, or nothing, does nothing.
    form.Edit_SearchAppNameChange(u"Search...");
    form.ImgBtn_SearchAppClick();
    EXPECT_EQ(form.ListView_InstalledApp.size(), 2u);
}

TEST_F(MainForm, MinimiseFadesOutThenIsOpaqueAgain) {
    std::vector<std::uint32_t> opacities;
    struct OpacityView : FakeMainView {
        TFrm_Main_PG* form = nullptr;
        std::vector<std::uint32_t>* seen = nullptr;
        void Render(MainPart part) override {
            if (part == MainPart::kOpacity) seen->push_back(form->m_ulAlphaBlend);
        }
    };
    OpacityView opacity_view;
    TFrm_Main_PG fading(machine.ports(), opacity_view, icons, text_compare);
    opacity_view.form = &fading;
    opacity_view.seen = &opacities;

    fading.AImg_MinClick();
    EXPECT_EQ(opacities, (std::vector<std::uint32_t>{205, 155, 105, 55, 5, 255}));
    EXPECT_EQ(opacity_view.minimised, 1);
    EXPECT_EQ(fading.m_ulAlphaBlend, 255u);
    EXPECT_EQ(machine.clock.Sleeps(), (std::vector<std::uint32_t>{50, 50, 50, 50, 50}));
}

TEST_F(MainForm, TheMenuButtonsOpenTheSitesPagesOverHttps) {
    form.ImgBtn_Menu_SupportClick();
    form.ImgBtn_Menu_HelpClick();
    const auto launches = machine.launcher.Launches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].verb, u"open");
    EXPECT_EQ(launches[0].file, u"https://www.purgeon.com/support.html");
    EXPECT_EQ(launches[0].parameters, u"");
    EXPECT_EQ(launches[0].directory, u"");
    EXPECT_EQ(launches[0].show, 1);
    EXPECT_EQ(launches[1].file, u"https://www.purgeon.com/help/");
}

}  // namespace
}  // namespace purgeon
