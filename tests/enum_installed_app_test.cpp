#include <gtest/gtest.h>

#include "inventory/Thread_EnumInstalledApp.h"
#include "platform/window_messages.h"
#include "support/memory_machine.h"
#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;
using testing::PutDword;
using testing::PutKey;
using testing::PutString;

const std::u16string kUninstall = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::u16string kUserData =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\";
const std::u16string kMsiexec = u"C:\\Windows\\system32\\msiexec.exe";

struct Listed {
    std::u16string name, publisher, version, icon;
    std::uint32_t icon_id;
};

class RecordingListener : public InstallerSoftwareListListener {
  public:
    void Callback_InstallerSoftwarelist_Start() override { events.push_back("start"); }
    void Callback_InstallerSoftwarelist(std::uint32_t, const std::u16string& name,
                                        const std::u16string& publisher,
                                        const std::u16string& version, const std::u16string& icon,
                                        std::uint32_t icon_id) override {
        events.push_back("program");
        listed.push_back({name, publisher, version, icon, icon_id});
    }
    void Callback_InstallerSoftwarelist_End(std::uint32_t) override { events.push_back("end"); }
    bool IsLoadingWindowVisible() override { return loading_visible; }

    std::vector<std::string> events;
    std::vector<Listed> listed;
    bool loading_visible = true;
};

class Enumeration : public ::testing::Test {
  protected:
    explicit Enumeration(bool is_64bit_os = true) : machine_(is_64bit_os) { lib_.mpu_InitLib(); }

    // An Uninstall entry: name/value pairs written as strings.
    void Entry(RegKey root, const std::u16string& sub_key,
               std::initializer_list<std::pair<std::u16string, std::u16string>> values,
               bool view64 = false) {
        PutKey(machine_.registry, root, kUninstall + sub_key, view64);
        for (const auto& [name, text] : values)
            PutString(machine_.registry, root, kUninstall + sub_key, name, text, view64);
    }
    void Product(const std::u16string& sid, const std::u16string& code,
                 std::initializer_list<std::pair<std::u16string, std::u16string>> values,
                 bool view64 = true) {
        const std::u16string path =
            kUserData + sid + u"\\Products\\" + code + u"\\InstallProperties";
        PutKey(machine_.registry, kHkeyLocalMachine, path, view64);
        for (const auto& [name, text] : values)
            PutString(machine_.registry, kHkeyLocalMachine, path, name, text, view64);
    }
    void Run(EnumWindows windows = {}) {
        TThread_EnumInstalledApp worker(machine_.ports(), list_, lib_, u"C:\\Purgeon\\", listener_,
                                        windows);
        worker.Execute();
    }
    const K_Class_SoftwareInfo* Record(const std::u16string& name) {
        return list_.Find(AsciiLower(name));
    }

    MemoryMachine machine_;
    K_Software_Const_Feature_Lib lib_;
    K_Class_SoftwareInfo_List list_;
    RecordingListener listener_;
};

TEST_F(Enumeration, ReportsInNameOrderBetweenStartAndEndAndPostsBothMessages) {
    Entry(kHkeyLocalMachine, u"b",
          {{u"DisplayName", u"beta"}, {u"Publisher", u" Acme "}, {u"DisplayVersion", u"2.0"}});
    Entry(kHkeyLocalMachine, u"a", {{u"DisplayName", u"Zed"}});
    Entry(kHkeyCurrentUser, u"c", {{u"DisplayName", u"Alpha"}});
    Run({0x10, 0x20});
    EXPECT_EQ(listener_.events,
              (std::vector<std::string>{"start", "program", "program", "program", "end"}));
    ASSERT_EQ(listener_.listed.size(), 3u);
    EXPECT_EQ(listener_.listed[0].name, u"Alpha");
    EXPECT_EQ(listener_.listed[1].name, u"beta");
    EXPECT_EQ(listener_.listed[1].publisher, u"Acme");
    EXPECT_EQ(listener_.listed[1].version, u"2.0");
    EXPECT_EQ(listener_.listed[2].name, u"Zed");
    // No icon source anywhere: msiexec.exe with "no index".
    EXPECT_EQ(listener_.listed[0].icon, kMsiexec);
    EXPECT_EQ(listener_.listed[0].icon_id, 65535u);
    EXPECT_EQ(list_.m_ListStr_InstalledSoftwareName, (StringList{u"alpha", u"beta", u"zed"}));
    EXPECT_EQ(Record(u"beta")->m_strInstallRegPath, u"HKLM|" + kUninstall + u"b");
    EXPECT_EQ(Record(u"alpha")->m_strInstallRegPath, u"HKCU|" + kUninstall + u"c");
    EXPECT_EQ(machine_.dispatcher.Posted(),
              (std::vector<PostedMessage>{{0x10, WM_SHOW_LOADING_WINDOW, 0, 0},
                                          {0x20, WM_CLOSE_LOADING_WINDOW, 0, 0}}));
}

TEST_F(Enumeration, ClosesTheLoadingWindowOnlyWhenItIsVisible) {
    listener_.loading_visible = false;
    Run({0x10, 0x20});
    EXPECT_EQ(machine_.dispatcher.Posted(),
              (std::vector<PostedMessage>{{0x10, WM_SHOW_LOADING_WINDOW, 0, 0}}));
    EXPECT_EQ(listener_.events, (std::vector<std::string>{"start", "end"}));
}

TEST_F(Enumeration, SkipsAndHidesEntries) {
    Entry(kHkeyLocalMachine, u"x-imboosterARP-1", {{u"DisplayName", u"Booster"}});
    Entry(kHkeyLocalMachine, u"sys", {{u"DisplayName", u"System Part"}});
    PutDword(machine_.registry, kHkeyLocalMachine, kUninstall + u"sys", u"SystemComponent", 1);
    Entry(kHkeyLocalMachine, u"sys0", {{u"DisplayName", u"Visible Part"}});
    PutDword(machine_.registry, kHkeyLocalMachine, kUninstall + u"sys0", u"SystemComponent", 0);
    Entry(kHkeyLocalMachine, u"hf", {{u"DisplayName", u"Hotfix 1"}, {u"ReleaseType", u"Hotfix"}});
    Entry(kHkeyLocalMachine, u"up",
          {{u"DisplayName", u"Update 1"}, {u"ReleaseType", u"  update "}});
    Entry(kHkeyLocalMachine, u"su",
          {{u"DisplayName", u"Security Fix"}, {u"ReleaseType", u"Security Update"}});
    Entry(kHkeyLocalMachine, u"blank", {{u"DisplayName", u"   "}});
    Entry(kHkeyLocalMachine, u"none", {{u"Publisher", u"Nobody"}});
    Run();
    EXPECT_EQ(list_.m_ListStr_InstalledSoftwareName,
              (StringList{u"security fix", u"visible part"}));
}

TEST_F(Enumeration, InstallLocationChecks) {
    struct Case {
        std::u16string location;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"C:\\", u""},
        {u"C:", u""},
        {u"C:\\Windows", u""},
        {u"c:\\windows\\", u""},
        {u"D:\\Windows\\Tools\\App\\", u""},
        {u"C:\\Program Files", u""},
        {u"C:\\Windows\\system32\\", u""},
        {u"C:\\Users\\me\\Desktop", u""},
        // Other spellings Windows opens as a protected folder, and a link to one.
        {u"\\\\?\\C:\\", u""},
        {u"\\\\?\\C:\\Users", u""},
        {u"\\??\\C:\\Users\\me\\", u""},
        {u"\\\\.\\C:\\Program Files", u""},
        {u"C:\\Users.", u""},
        {u"C:\\Windows. ", u""},
        {u"C:\\Program Files.\\", u""},
        {u"C:/Users/me/Documents/", u""},
        {u"C:\\Users\\other\\Downloads", u""},
        {u"%SystemRoot%\\", u""},
        {u"C:Users", u""},
        {u"C:\\Links\\ToDesktop", u""},
        {u" C:\\Program Files\\App ", u"C:\\Program Files\\App\\"},
        {u"\\\\?\\C:\\Program Files\\App", u"\\\\?\\C:\\Program Files\\App\\"},
        {u"C:\\Users\\me\\AppData\\Local\\Programs\\App",
         u"C:\\Users\\me\\AppData\\Local\\Programs\\App\\"},
        {u"C:\\WindowsApps\\App", u"C:\\WindowsApps\\App\\"},
    };
    for (const auto& c : cases) {
        MemoryMachine machine;
        machine.files.AddFolder(u"C:\\Users\\me\\Desktop");
        machine.files.AddFolder(u"C:\\Users\\other\\Downloads");
        machine.files.AddJunction(u"C:\\Links\\ToDesktop", u"C:\\Users\\me\\Desktop");
        K_Class_SoftwareInfo_List list;
        RecordingListener listener;
        PutString(machine.registry, kHkeyLocalMachine, kUninstall + u"e", u"DisplayName", u"App");
        PutString(machine.registry, kHkeyLocalMachine, kUninstall + u"e", u"InstallLocation",
                  c.location);
        TThread_EnumInstalledApp(machine.ports(), list, lib_, u"", listener).Execute();
        ASSERT_NE(list.Find(u"app"), nullptr);
        EXPECT_EQ(list.Find(u"app")->m_strInstallLocation, c.expected) << ToUtf8(c.location);
    }
}

TEST_F(Enumeration, LocationFromUninstallString) {
    using T = TThread_EnumInstalledApp;
    EXPECT_EQ(T::GetLocationFromUninstallString(u"C:\\Program Files\\App\\unins000.exe"),
              u"C:\\Program Files\\App\\");
    EXPECT_EQ(T::GetLocationFromUninstallString(u"\"C:\\Program Files\\App\\UNINSTALL.EXE\" /S"),
              u"C:\\Program Files\\App\\");
    EXPECT_EQ(T::GetLocationFromUninstallString(u"C:\\Tools\\remove.exe"), u"");
    EXPECT_EQ(T::GetLocationFromUninstallString(u"uninst.exe"), u"");
    EXPECT_EQ(T::GetLocationFromUninstallString(u""), u"");
    // The uninstaller's name must come after the drive.
    EXPECT_EQ(T::GetLocationFromUninstallString(u"uninst.exe C:\\x"), u"");

    Entry(kHkeyLocalMachine, u"q",
          {{u"DisplayName", u"Quoted"},
           {u"UninstallString", u"\"C:\\Program Files\\Q\\unins000.exe\""}});
    Entry(
        kHkeyLocalMachine, u"p",
        {{u"DisplayName", u"Plain"}, {u"UninstallString", u"C:\\Program Files\\P\\unins000.exe"}});
    Entry(kHkeyLocalMachine, u"r",
          {{u"DisplayName", u"Remove"}, {u"UninstallString", u"C:\\Tools\\remove.exe"}});
    Run();
    EXPECT_EQ(Record(u"Quoted")->m_strInstallLocation, u"C:\\Program Files\\Q\\");
    EXPECT_EQ(Record(u"Plain")->m_strInstallLocation, u"C:\\Program Files\\P\\");
    EXPECT_EQ(Record(u"Plain")->m_strUninstallString, u"C:\\Program Files\\P\\unins000.exe");
    EXPECT_EQ(Record(u"Remove")->m_strInstallLocation, u"");
}

TEST_F(Enumeration, InstallLocationSourcesInOrder) {
    PutString(machine_.registry, kHkeyLocalMachine, u"SOFTWARE\\Oracle\\VirtualBox", u"InstallDir",
              u"C:\\VBox\\");
    Entry(kHkeyLocalMachine, u"vb", {{u"DisplayName", u"Oracle VM VirtualBox 7"}});
    Entry(kHkeyLocalMachine, u"inno",
          {{u"DisplayName", u"Inno App"}, {u"Inno Setup: App Path", u"C:\\Inno"}});
    Entry(kHkeyLocalMachine, u"own",
          {{u"DisplayName", u"Own VirtualBox Tool"}, {u"InstallLocation", u"C:\\Own"}});
    PutString(machine_.registry, kHkeyLocalMachine,
              u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
              u"C:\\Program Files\\Folded\\bin\\", u"", true);
    Entry(kHkeyLocalMachine, u"fold", {{u"DisplayName", u"Folded"}});
    Run();
    EXPECT_EQ(Record(u"Oracle VM VirtualBox 7")->m_strInstallLocation, u"C:\\VBox\\");
    EXPECT_EQ(Record(u"Inno App")->m_strInstallLocation, u"C:\\Inno\\");
    EXPECT_EQ(Record(u"Own VirtualBox Tool")->m_strInstallLocation, u"C:\\Own\\");
    EXPECT_EQ(Record(u"Folded")->m_strInstallLocation, u"C:\\Program Files\\Folded\\");
}

TEST_F(Enumeration, VirtualBoxFolderLongerThanItsBufferIsNotRead) {
    PutString(machine_.registry, kHkeyLocalMachine, u"SOFTWARE\\Oracle\\VirtualBox", u"InstallDir",
              u"C:\\" + std::u16string(124, u'v'));  // 127 characters + NUL: 256 bytes
    Entry(kHkeyLocalMachine, u"vb", {{u"DisplayName", u"VirtualBox"}});
    Run();
    EXPECT_EQ(Record(u"VirtualBox")->m_strInstallLocation, u"");
}

TEST_F(Enumeration, UninstallCommandFallbacks) {
    Entry(kHkeyLocalMachine, u"path",
          {{u"DisplayName", u"ByPath"},
           {u"UninstallString", u"  "},
           {u"UninstallPath", u"C:\\P\\rm.exe"}});
    Entry(kHkeyLocalMachine, u"pkg",
          {{u"DisplayName", u"Cached"}, {u"LocalPackage", u"C:\\Windows\\Installer\\1a2b.msi"}});
    Entry(kHkeyLocalMachine, u"elsewhere",
          {{u"DisplayName", u"Elsewhere"}, {u"LocalPackage", u"D:\\Setup\\app.msi"}});
    Run();
    EXPECT_EQ(Record(u"ByPath")->m_strUninstallString, u"C:\\P\\rm.exe");
    EXPECT_EQ(Record(u"Cached")->m_strUninstallString, u"C:\\Windows\\Installer\\1a2b.msi");
    EXPECT_EQ(Record(u"Elsewhere")->m_strUninstallString, u"");
}

TEST_F(Enumeration, MergesOneNameAcrossRootsKeepingTheFirstEntry) {
    Entry(kHkeyLocalMachine, u"app",
          {{u"DisplayName", u"Same App"},
           {u"InstallLocation", u"C:\\Apps\\Same"},
           {u"Publisher", u"First"}});
    Entry(kHkeyCurrentUser, u"app-user",
          {{u"DisplayName", u"SAME APP "},
           {u"UninstallString", u"C:\\Apps\\Same\\uninst.exe"},
           {u"Publisher", u"Second"}});
    Run();
    ASSERT_EQ(list_.m_ObjList_InstalledSoftware.size(), 1u);
    const K_Class_SoftwareInfo* record = Record(u"same app");
    EXPECT_EQ(record->m_strSoftwareName, u"Same App");
    EXPECT_EQ(record->m_strPublisher, u"First");
    EXPECT_EQ(record->m_strInstallLocation, u"C:\\Apps\\Same\\");
    EXPECT_EQ(record->m_strUninstallString, u"C:\\Apps\\Same\\uninst.exe");
    EXPECT_EQ(record->m_strInstallRegPath, u"HKLM|" + kUninstall + u"app");
    EXPECT_EQ(record->m_nIs64Bit, 0);
}

TEST_F(Enumeration, ThirtyTwoBitViewFirstThenSixtyFourBit) {
    Entry(kHkeyLocalMachine, u"both", {{u"DisplayName", u"Both"}}, false);
    Entry(kHkeyLocalMachine, u"both",
          {{u"DisplayName", u"Both"}, {u"InstallLocation", u"C:\\Program Files\\Both"}}, true);
    Entry(kHkeyLocalMachine, u"only64", {{u"DisplayName", u"Only64"}}, true);
    Run();
    EXPECT_EQ(Record(u"Both")->m_nIs64Bit, 0);
    EXPECT_EQ(Record(u"Both")->m_strInstallLocation, u"C:\\Program Files\\Both\\");
    EXPECT_EQ(Record(u"Only64")->m_nIs64Bit, 1);
}

class Enumeration32 : public Enumeration {
  protected:
    Enumeration32() : Enumeration(false) {}
};

TEST_F(Enumeration32, OnlyThe32BitPassesRunOnA32BitMachine) {
    Entry(kHkeyLocalMachine, u"one", {{u"DisplayName", u"One"}});
    Product(u"S-1-5-18", u"P1", {{u"DisplayName", u"Product"}}, false);
    Run();
    EXPECT_EQ(list_.m_ListStr_InstalledSoftwareName, (StringList{u"one", u"product"}));
    EXPECT_EQ(Record(u"One")->m_nIs64Bit, 0);
}

TEST_F(Enumeration, InstallerOnlyProductsHaveNoRegistryPathAndAreNeverHidden) {
    Entry(kHkeyLocalMachine, u"{P1}", {{u"DisplayName", u"Msi App"}});
    PutDword(machine_.registry, kHkeyLocalMachine, kUninstall + u"{P1}", u"SystemComponent", 1);
    Product(u"S-1-5-18", u"ABC123",
            {{u"DisplayName", u"Msi App"},
             {u"InstallLocation", u"C:\\Program Files\\Msi App"},
             {u"LocalPackage", u"C:\\Windows\\Installer\\abc.msi"}});
    Product(u"S-1-5-18", u"EMPTY", {{u"DisplayName", u" "}});
    Run();
    ASSERT_EQ(list_.m_ListStr_InstalledSoftwareName, StringList{u"msi app"});
    const K_Class_SoftwareInfo* record = Record(u"Msi App");
    EXPECT_EQ(record->m_strInstallRegPath, u"");
    EXPECT_EQ(record->m_nIs64Bit, 1);
    EXPECT_EQ(record->m_strInstallLocation, u"C:\\Program Files\\Msi App\\");
    EXPECT_EQ(record->m_strUninstallString, u"C:\\Windows\\Installer\\abc.msi");
}

TEST_F(Enumeration, IconSources) {
    auto& reg = machine_.registry;
    auto& files = machine_.files;
    // Windows Installer product icons: HKLM first, then per user.
    const std::u16string products = u"SOFTWARE\\Classes\\Installer\\Products\\";
    PutString(reg, kHkeyLocalMachine, products + u"1", u"ProductName", u"Msi Icon App");
    PutString(reg, kHkeyLocalMachine, products + u"1", u"ProductIcon", u"C:\\Icons\\machine.ico");
    PutString(reg, kHkeyCurrentUser, u"Software\\Microsoft\\Installer\\Products\\2", u"ProductName",
              u"MSI ICON APP");
    PutString(reg, kHkeyCurrentUser, u"Software\\Microsoft\\Installer\\Products\\2", u"ProductIcon",
              u"C:\\Icons\\user.ico");
    files.AddFile(u"C:\\Icons\\machine.ico");
    files.AddFile(u"C:\\Icons\\user.ico");
    // App Paths executables found in the install folder.
    PutKey(reg, kHkeyLocalMachine,
           u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\other.exe");
    PutKey(reg, kHkeyLocalMachine,
           u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe");
    files.AddFile(u"C:\\Tool\\tool.exe");
    files.AddFile(u"C:\\Own\\own.exe");

    Entry(kHkeyLocalMachine, u"own",
          {{u"DisplayName", u"Own Icon"}, {u"DisplayIcon", u"\"C:\\Own\\own.exe\",0"}});
    Entry(kHkeyLocalMachine, u"msi", {{u"DisplayName", u"msi icon app"}});
    Entry(kHkeyLocalMachine, u"tool",
          {{u"DisplayName", u"Tool"}, {u"InstallLocation", u"C:\\Tool"}});
    Entry(kHkeyLocalMachine, u"neg",
          {{u"DisplayName", u"Negative"}, {u"DisplayIcon", u"C:\\Own\\own.exe,-101"}});
    Run();
    EXPECT_EQ(Record(u"Own Icon")->m_strDisplayIcon, u"C:\\Own\\own.exe");
    EXPECT_EQ(Record(u"Own Icon")->m_nDisplayIcon_ID, 0);
    EXPECT_EQ(Record(u"msi icon app")->m_strDisplayIcon, u"C:\\Icons\\machine.ico");
    EXPECT_EQ(Record(u"msi icon app")->m_nDisplayIcon_ID, 65535);
    EXPECT_EQ(Record(u"Tool")->m_strDisplayIcon, u"C:\\Tool\\tool.exe");
    EXPECT_EQ(Record(u"Negative")->m_nDisplayIcon_ID, 0);
}

// The App Paths names are looked up in an install folder of thousands of
// files; the icon is the first name in registry order that is a file there,
// spelt as App Paths spells it.
TEST_F(Enumeration, AppPathsNamesInAFolderOfThousandsOfFiles) {
    const std::u16string app_paths = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    for (int i = 0; i < 300; ++i) {
        PutKey(machine_.registry, kHkeyLocalMachine,
               app_paths + u"tool" + FromUtf8(std::to_string(i)) + u".exe");
    }
    const std::u16string folder = u"C:\\Program Files\\Big\\";
    for (int i = 0; i < 5000; ++i) {
        ASSERT_TRUE(
            machine_.files.AddFile(folder + u"data" + FromUtf8(std::to_string(i)) + u".bin"));
    }
    ASSERT_TRUE(machine_.files.AddFolder(folder + u"tool40.exe"));  // a folder, not a file
    ASSERT_TRUE(machine_.files.AddFile(folder + u"TOOL150.EXE"));
    ASSERT_TRUE(machine_.files.AddFile(folder + u"tool7.exe.bak"));
    ASSERT_TRUE(machine_.files.AddFile(folder + u"tool299.exe"));
    Entry(kHkeyLocalMachine, u"big", {{u"DisplayName", u"Big"}, {u"InstallLocation", folder}});
    Entry(kHkeyLocalMachine, u"none",
          {{u"DisplayName", u"None"}, {u"InstallLocation", u"C:\\Program Files\\Missing"}});
    Run();
    EXPECT_EQ(Record(u"Big")->m_strDisplayIcon, folder + u"tool150.exe");
    EXPECT_EQ(Record(u"None")->m_strDisplayIcon, kMsiexec);
}

// The finder gives what one attribute test per name in list order gives,
// also where a listing cannot tell: short names, names the path rules
// rewrite, names outside ASCII, folders that cannot be listed.
TEST(FirstFileFinder, AnswersAsTestsInListOrderDo) {
    MemoryMachine machine;
    MemoryFileSystem& fs = machine.files;
    const StringList names = {u"absent.exe", u"sub.exe",       u"Long Tool Name.exe",
                              u"late.exe.",  u"caf\u00e9.exe", u"nul.exe",
                              u"plain.exe",  u"LATE.EXE",      u"ZZ.exe"};
    auto by_tests = [&](const std::u16string& folder) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (IsExistingFile(fs, folder + names[i])) return i;
        }
        return std::u16string::npos;
    };
    struct Case {
        std::u16string folder;
        std::vector<std::u16string> files;
        std::size_t expected;
    };
    const Case cases[] = {
        {u"C:\\A\\", {u"plain.exe", u"zz.EXE"}, 6},
        {u"C:\\B\\", {u"late.exe", u"plain.exe"}, 3},  // "late.exe." opens late.exe
        {u"C:\\C\\", {u"Long Tool Name.exe", u"plain.exe"}, 2},
        {u"C:\\D\\", {u"zz.exe"}, 8},
        {u"C:\\E\\", {u"CAF\u00e9.exe", u"zz.exe"}, 4},
        {u"C:\\F\\", {u"\u00e9t\u00e9.txt", u"plain.exe"}, 6},  // a listing outside ASCII
        {u"C:\\G\\", {u"other.txt"}, std::u16string::npos},
        {u"C:\\Missing\\", {}, std::u16string::npos},
    };
    for (const auto& c : cases) {
        fs.AddFolder(c.folder);
        for (const auto& file : c.files) ASSERT_TRUE(fs.AddFile(c.folder + file));
    }
    fs.AddFolder(u"C:\\A\\sub.exe");
    // A folder that cannot be listed still lets its files be reached.
    ASSERT_TRUE(fs.AddFile(u"C:\\Locked\\late.exe"));
    ASSERT_TRUE(fs.SetListable(u"C:\\Locked", false));
    ASSERT_TRUE(fs.AddFile(u"C:\\S\\Long Tool Name.exe"));
    const StringList short_names = {u"absent.exe", fs.ShortNameOf(u"C:\\S\\Long Tool Name.exe")};

    FirstFileFinder finder(names);
    for (const auto& c : cases) {
        EXPECT_EQ(by_tests(c.folder), c.expected) << ToUtf8(c.folder);
        EXPECT_EQ(finder.FirstIn(fs, c.folder, names), c.expected) << ToUtf8(c.folder);
        EXPECT_EQ(finder.FirstIn(fs, c.folder, names), c.expected) << "again " << ToUtf8(c.folder);
    }
    EXPECT_EQ(finder.FirstIn(fs, u"C:\\Locked\\", names), 3u);
    EXPECT_EQ(FirstFileFinder(short_names).FirstIn(fs, u"C:\\S\\", short_names), 1u);
    EXPECT_EQ(fs.OpenFindHandleCount(), 0u);
}

TEST_F(Enumeration, ParrotTakesItsFolderFromTheIcon) {
    machine_.files.AddDrive(u'D');
    ASSERT_TRUE(machine_.files.AddFile(u"D:\\Games\\Parrot\\parrot.exe"));
    Entry(kHkeyLocalMachine, u"parrot",
          {{u"DisplayName", u"Parrot Game"},
           {u"InstallLocation", u"C:\\Wrong"},
           {u"DisplayIcon", u"D:\\Games\\Parrot\\parrot.exe,0"}});
    Run();
    const K_Class_SoftwareInfo* record = Record(u"Parrot Game");
    EXPECT_EQ(record->m_strInstallLocation, u"D:\\Games\\Parrot\\");
    EXPECT_EQ(record->m_strUninstallString, u"D:\\Games\\Parrot\\Uninstall.exe");
    EXPECT_EQ(record->m_strDisplayIcon, u"D:\\Games\\Parrot\\parrot.exe");
}

// A later Parrot entry of a name already held still lends the folder and
// uninstall command it derives from its icon.
TEST_F(Enumeration, ParrotRuleAppliesToAnEntryThatMerges) {
    machine_.files.AddDrive(u'D');
    ASSERT_TRUE(machine_.files.AddFile(u"D:\\Games\\Parrot\\parrot.exe"));
    Product(u"S-1-5-18", u"0A1B2C", {{u"DisplayName", u"Parrot Game"}}, false);  // first, no folder
    Entry(kHkeyLocalMachine, u"parrot",
          {{u"DisplayName", u"Parrot Game"}, {u"DisplayIcon", u"D:\\Games\\Parrot\\parrot.exe,0"}},
          true);
    Run();
    const K_Class_SoftwareInfo* record = Record(u"Parrot Game");
    EXPECT_EQ(record->m_strInstallRegPath, u"");  // the product's record
    EXPECT_EQ(record->m_strInstallLocation, u"D:\\Games\\Parrot\\");
    EXPECT_EQ(record->m_strUninstallString, u"D:\\Games\\Parrot\\Uninstall.exe");
}

TEST_F(Enumeration, AttachesTheLibraryFoldersAndMergesIntoWhatIsThere) {
    Entry(kHkeyLocalMachine, u"sk", {{u"DisplayName", u"Skype Click to Call"}});
    Run();
    ASSERT_NE(Record(u"Skype Click to Call")->m_ListStr_Lib_FolderName, nullptr);
    EXPECT_EQ(*Record(u"Skype Click to Call")->m_ListStr_Lib_FolderName, StringList{u"Skype"});
    // A second run without cleaning merges and reports everything again.
    Entry(kHkeyLocalMachine, u"new", {{u"DisplayName", u"Added Later"}});
    listener_.listed.clear();
    Run();
    EXPECT_EQ(list_.m_ObjList_InstalledSoftware.size(), 2u);
    EXPECT_EQ(listener_.listed.size(), 2u);
}

TEST(ParseDisplayIcon, Cases) {
    MemoryMachine machine;
    machine.files.AddFile(u"C:\\Program Files\\A, B\\app.exe");
    machine.files.AddFile(u"C:\\Users\\me\\AppData\\Roaming\\Vendor\\tool.exe");
    struct Case {
        std::u16string text;
        std::u16string path;
        std::int32_t index;
    };
    const Case cases[] = {
        {u"\"C:\\Program Files\\A, B\\app.exe\",0", u"C:\\Program Files\\A, B\\app.exe", 0},
        {u"C:\\Program Files\\A, B\\app.exe", kMsiexec,
         65535},  // the comma splits an unquoted path
        {u"%SystemRoot%\\system32\\shell32.dll,5", kMsiexec, 65535},
        {u"%APPDATA%\\Vendor\\tool.exe", u"C:\\Users\\me\\AppData\\Roaming\\Vendor\\tool.exe",
         65535},
        {u"%appdata%\\Vendor\\tool.exe,2", u"C:\\Users\\me\\AppData\\Roaming\\Vendor\\tool.exe", 2},
        {u"C:\\Gone\\gone.exe,3", kMsiexec, 3},
        {u"C:\\Gone\\gone.exe,x", kMsiexec, 65535},
        {u"", kMsiexec, 65535},
    };
    for (const auto& c : cases) {
        std::u16string text = c.text;
        std::int32_t index = 65535;
        ParseDisplayIcon(machine.files, machine.shell, text, index);
        EXPECT_EQ(text, c.path) << ToUtf8(c.text);
        EXPECT_EQ(index, c.index) << ToUtf8(c.text);
    }
}

}  // namespace
}  // namespace purgeon
