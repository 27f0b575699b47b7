#include <gtest/gtest.h>

#include "analysis/Thread_Uninstall_Analyze.h"
#include "support/memory_machine.h"
#include "support/registry_fixture.h"
#include "support/small_stack.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;
using testing::PutKey;
using testing::PutString;

const std::u16string kApp = u"C:\\Program Files\\App\\";

struct Reports {
    std::vector<std::pair<std::u16string, std::uint32_t>> file_counts, reg_counts;
    StringList file_rows, reg_rows;
    std::vector<std::string> events;
};

class Analysis : public ::testing::Test {
  protected:
    Analysis() {
        auto record = std::make_unique<K_Class_SoftwareInfo>();
        record->m_strSoftwareName = u"App";
        record->m_strNamelow = u"app";
        record->m_strInstallLocation = kApp;
        record->m_strInstallRegPath =
            u"HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App";
        record->m_strUninstallString = u"\"C:\\Program Files\\App\\uninst.exe\"";
        record_ = record.get();
        list_.Add(std::move(record));
        machine_.files.AddFolder(kApp);
    }

    void Wire(TThread_Uninstall_Analyze& worker) {
        worker.m_CallbackPtr_Start = [this] { reports_.events.push_back("start"); };
        worker.m_CallbackPtr_End = [this] { reports_.events.push_back("end"); };
        worker.m_CallbackPtr_FileFolderCount = [this](const std::u16string& p, std::uint32_t n) {
            reports_.file_counts.push_back({p, n});
        };
        worker.m_CallbackPtr_RegCount = [this](const std::u16string& e, std::uint32_t n) {
            reports_.reg_counts.push_back({e, n});
        };
        worker.m_CallbackPtr_FileFolderList = [this](const std::u16string& p) {
            reports_.file_rows.push_back(p);
        };
        worker.m_CallbackPtr_RegList = [this](const std::u16string& e) {
            reports_.reg_rows.push_back(e);
        };
    }
    void Analyse() {
        reports_ = {};
        TThread_Uninstall_Analyze worker(machine_.ports(), list_);
        Wire(worker);
        worker.mpu_pro_SetUninstallSoftware(u"app");
        worker.Execute();
    }
    // The registry finds beyond the uninstall key, in final (sorted) order.
    StringList Finds() {
        StringList finds;
        for (const auto& entry : record_->m_ListStr_Registry)
            if (entry != record_->m_strInstallRegPath) finds.push_back(entry);
        return finds;
    }
    void Put(RegKey root, const std::u16string& path, const std::u16string& name,
             const std::u16string& text, bool view64 = false) {
        PutString(machine_.registry, root, path, name, text, view64);
    }

    MemoryMachine machine_;
    K_Class_SoftwareInfo_List list_;
    K_Class_SoftwareInfo* record_ = nullptr;
    Reports reports_;
};

TEST_F(Analysis, ReportsTheInstallFolderFirstAndAFolderAfterItsContents) {
    machine_.files.AddFile(kApp + u"app.dll");
    machine_.files.AddFile(kApp + u"sub\\readme.txt");
    Analyse();
    using Count = std::pair<std::u16string, std::uint32_t>;
    EXPECT_EQ(reports_.file_counts, (std::vector<Count>{{kApp, 1},
                                                        {kApp + u"app.dll", 2},
                                                        {kApp + u"sub\\readme.txt", 3},
                                                        {kApp + u"sub", 4}}));
    EXPECT_EQ(record_->m_ListStr_AXCFiles, StringList{u"app.dll"});
    EXPECT_EQ(record_->m_ListStr_Files, (StringList{kApp + u"app.dll", kApp + u"sub\\readme.txt"}));
    EXPECT_EQ(reports_.file_rows,
              (StringList{kApp, kApp + u"sub", kApp + u"app.dll", kApp + u"sub\\readme.txt"}));
    // Only the uninstall key: reported once running, once at the end.
    EXPECT_EQ(reports_.reg_counts, (std::vector<Count>{{record_->m_strInstallRegPath, 1}}));
    EXPECT_EQ(reports_.reg_rows, StringList{record_->m_strInstallRegPath});
    EXPECT_EQ(reports_.events, (std::vector<std::string>{"start", "end"}));
}

TEST_F(Analysis, ModuleFilesAndCodeUnitSorting) {
    machine_.files.AddFile(kApp + u"tool.exe.config");
    machine_.files.AddFile(kApp + u"Plugins.OCX\\data.bin");
    machine_.files.AddFile(kApp + u"Zeta\\z.txt");
    machine_.files.AddFile(kApp + u"alpha\\a.txt");
    Analyse();
    EXPECT_EQ(record_->m_ListStr_AXCFiles, (StringList{u"data.bin", u"tool.exe.config"}));
    EXPECT_EQ(record_->m_ListStr_Folders,
              (StringList{kApp, kApp + u"Plugins.OCX", kApp + u"Zeta", kApp + u"alpha"}));
}

TEST_F(Analysis, FinalFileReportStopsAfter3000Rows) {
    struct Case {
        int folders, files, reported_files;
    };
    for (const Case& c : {Case{3000, 10, 0}, Case{2990, 20, 10}}) {
        MemoryMachine machine;
        K_Class_SoftwareInfo_List list;
        auto record = std::make_unique<K_Class_SoftwareInfo>();
        record->m_strNamelow = u"x";
        record->m_strInstallLocation = u"C:\\X\\";
        K_Class_SoftwareInfo* raw = record.get();
        list.Add(std::move(record));
        // The install folder counts as one of the folders.
        for (int i = 1; i < c.folders; ++i)
            machine.files.AddFolder(u"C:\\X\\d" + FromUtf8(std::to_string(10000 + i)));
        for (int i = 0; i < c.files; ++i)
            machine.files.AddFile(u"C:\\X\\f" + FromUtf8(std::to_string(100 + i)));
        TThread_Uninstall_Analyze worker(machine.ports(), list);
        StringList rows;
        std::uint32_t last_count = 0;
        worker.m_CallbackPtr_FileFolderList = [&rows](const std::u16string& p) {
            rows.push_back(p);
        };
        worker.m_CallbackPtr_FileFolderCount = [&last_count](const std::u16string&,
                                                             std::uint32_t n) { last_count = n; };
        worker.mpu_pro_SetUninstallSoftware(u"x");
        worker.Execute();
        ASSERT_EQ(rows.size(), 3000u);
        EXPECT_EQ(last_count, std::uint32_t(c.folders + c.files));
        EXPECT_EQ(raw->m_ListStr_Files.size(), std::size_t(c.files));
        const StringList files(rows.begin() + c.folders, rows.end());
        EXPECT_EQ(files.size(), std::size_t(c.reported_files));
        if (c.reported_files > 0) {
            EXPECT_EQ(files.front(), u"C:\\X\\f100");
            EXPECT_EQ(files.back(), u"C:\\X\\f109");
        }
    }
}

TEST_F(Analysis, TwoAnalysesInARowStartEmpty) {
    machine_.files.AddFile(kApp + u"a.exe");
    Analyse();
    machine_.files.DeleteFile(kApp + u"a.exe");
    Analyse();
    EXPECT_TRUE(record_->m_ListStr_Files.empty());
    EXPECT_TRUE(record_->m_ListStr_AXCFiles.empty());
    EXPECT_EQ(record_->m_ListStr_Folders, StringList{kApp});
    EXPECT_EQ(reports_.file_rows, StringList{kApp});
    EXPECT_EQ(record_->m_ListStr_Registry, StringList{record_->m_strInstallRegPath});
}

TEST_F(Analysis, CustomAnalysisUsesItsOwnRecordAndReportsAnEmptyFirstEntry) {
    machine_.files.AddFile(u"C:\\Portable\\tool.exe");
    Put(kHkeyCurrentUser, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"Tool",
        u"C:\\Portable\\tool.exe");
    auto* worker = new TThread_Uninstall_Analyze(machine_.ports(), list_);
    Wire(*worker);
    worker->m_nUninstallMode = 2;
    worker->m_strUserSelectFilePath = u"  C:\\Portable\t";
    worker->mpu_pro_SetUninstallSoftware();
    ASSERT_NE(worker->m_class_CurUninstallAppInfo, record_);
    EXPECT_EQ(worker->m_class_CurUninstallAppInfo->m_strInstallLocation, u"C:\\Portable\\");
    EXPECT_EQ(worker->m_class_CurUninstallAppInfo->m_nDisplayIcon_ID, 0xFFFF);
    worker->Execute();
    EXPECT_EQ(worker->m_class_CurUninstallAppInfo, nullptr);  // freed at the end of the run
    delete worker;
    ASSERT_FALSE(reports_.reg_counts.empty());
    EXPECT_EQ(reports_.reg_counts[0], (std::pair<std::u16string, std::uint32_t>{u"", 1}));
    EXPECT_EQ(reports_.reg_rows,
              (StringList{u"", u"HKCU|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|Tool"}));
    EXPECT_EQ(reports_.file_rows, (StringList{u"C:\\Portable\\", u"C:\\Portable\\tool.exe"}));
    EXPECT_EQ(list_.m_ObjList_InstalledSoftware.size(), 1u);  // the inventory is untouched
}

TEST_F(Analysis, CustomFolderDoesNotMatchASiblingThatBeginsAlike) {
    machine_.files.AddFile(u"C:\\Tools\\A\\a.exe");
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"Acme",
        u"C:\\Tools\\Acme\\acme.exe");
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"A",
        u"C:\\Tools\\A\\a.exe");
    TThread_Uninstall_Analyze worker(machine_.ports(), list_);
    Wire(worker);
    worker.m_strUserSelectFilePath = u"C:\\Tools\\A";
    worker.mpu_pro_SetUninstallSoftware();
    worker.Execute();
    EXPECT_EQ(reports_.reg_rows,
              (StringList{u"", u"HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|A"}));
}

TEST_F(Analysis, DriveWalkForKnownSoftwareFolders) {
    static const StringList names{u"App"};
    record_->m_strInstallLocation.clear();
    record_->m_ListStr_Lib_FolderName = &names;
    auto& files = machine_.files;
    files.AddFile(u"C:\\Data\\App\\one.dll");
    files.AddFile(u"C:\\Data\\App\\deep\\two.txt");
    files.AddFile(u"C:\\Tools\\MyApp\\three.txt");
    files.AddFile(u"C:\\Tools\\Apple\\four.txt");
    Analyse();
    EXPECT_EQ(record_->m_ListStr_Folders,
              (StringList{u"C:\\Data\\App", u"C:\\Data\\App\\deep", u"C:\\Program Files\\App",
                          u"C:\\Tools\\MyApp"}));
    EXPECT_EQ(record_->m_ListStr_Files,
              (StringList{u"C:\\Data\\App\\deep\\two.txt", u"C:\\Data\\App\\one.dll",
                          u"C:\\Tools\\MyApp\\three.txt"}));
}

TEST_F(Analysis, NoFolderNoFolderMatch) {
    record_->m_strInstallLocation.clear();
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"Anything",
        u"C:\\x.exe");
    Analyse();
    EXPECT_TRUE(record_->m_ListStr_Folders.empty());
    EXPECT_EQ(reports_.reg_rows, StringList{record_->m_strInstallRegPath});
}

TEST_F(Analysis, NeverWalksThroughALinkOutOfTheFolder) {
    machine_.files.AddFile(u"C:\\Users\\me\\Documents\\thesis.docx");
    machine_.files.AddJunction(kApp + u"Docs", u"C:\\Users\\me\\Documents");
    machine_.files.AddFile(kApp + u"app.exe");
    Analyse();
    EXPECT_EQ(record_->m_ListStr_Folders, (StringList{kApp, kApp + u"Docs"}));
    EXPECT_EQ(record_->m_ListStr_Files, StringList{kApp + u"app.exe"});
}

// A program folder moved elsewhere and linked back, or a link picked as a
// custom folder: the link is the entry, what it points to is not walked.
TEST_F(Analysis, AnInstallFolderThatIsALinkIsRecordedButNotWalked) {
    const std::u16string moved = u"C:\\Program Files\\Moved\\";
    machine_.files.AddFile(u"C:\\Users\\me\\Documents\\thesis.docx");
    machine_.files.AddDrive(u'D');
    ASSERT_TRUE(machine_.files.AddFile(u"D:\\Moved\\shared.dll"));
    ASSERT_TRUE(machine_.files.AddJunction(u"C:\\Program Files\\Moved", u"D:\\Moved"));
    record_->m_strInstallLocation = moved;
    Analyse();
    EXPECT_EQ(record_->m_ListStr_Folders, StringList{moved});
    EXPECT_TRUE(record_->m_ListStr_Files.empty());
    // A link that leads to a protected folder is that folder: refused.
    ASSERT_TRUE(
        machine_.files.AddJunction(u"C:\\Program Files\\Docs", u"C:\\Users\\me\\Documents"));
    record_->m_strInstallLocation = u"C:\\Program Files\\Docs\\";
    Analyse();
    EXPECT_TRUE(record_->m_ListStr_Folders.empty());
    EXPECT_TRUE(record_->m_ListStr_Files.empty());
}

// One bad registry value can make the location another spelling of a drive
// root, a program-files folder or a user's profile: it is taken as no
// location, so nothing below it is listed or tied to the program.
TEST_F(Analysis, AProtectedLocationIsNeitherWalkedNorUsedToTieEntries) {
    machine_.files.AddFile(u"C:\\Users\\me\\Desktop\\notes.txt");
    machine_.files.AddFile(kApp + u"app.exe");
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"App",
        kApp + u"app.exe");
    for (auto location : {u"C:\\\\", u"C:/", u"C:\\Program Files\\", u"C:\\Users\\me\\",
                          u"\\\\?\\C:\\", u"\\??\\C:\\Users", u"C:\\Users.",
                          u"\\\\.\\C:\\Program Files. \\", u"%SystemDrive%\\", u"C:Users"}) {
        record_->m_strInstallLocation = location;
        Analyse();
        EXPECT_EQ(record_->m_ListStr_Folders, StringList{}) << ToUtf8(location);
        EXPECT_EQ(record_->m_ListStr_Files, StringList{}) << ToUtf8(location);
        EXPECT_EQ(Finds(), StringList{}) << ToUtf8(location);
    }
    record_->m_strInstallLocation = kApp;
    Analyse();
    EXPECT_EQ(Finds().size(), 1u) << "the program's own folder ties its Run value";
}

TEST_F(Analysis, DeepTreesDoNotExhaustTheStack) {
    // 3000 levels on a 256 KiB stack: a walk that recursed would overflow.
    std::u16string path = kApp;
    for (int i = 0; i < 3000; ++i) path += u"d\\";
    ASSERT_TRUE(machine_.files.AddFile(path + u"leaf.txt"));
    testing::RunWithSmallStack([this] { Analyse(); });
    EXPECT_EQ(record_->m_ListStr_Files, StringList{path + u"leaf.txt"});
    EXPECT_EQ(record_->m_ListStr_Folders.size(), 3001u);
}

TEST_F(Analysis, PathTestNormalisesShortNames) {
    TThread_Uninstall_Analyze worker(machine_.ports(), list_);
    worker.mpu_pro_SetUninstallSoftware(u"app");
    record_->m_ListStr_Folders = {kApp};
    const std::u16string short_app = machine_.files.ShortNameOf(u"C:\\Program Files");
    ASSERT_EQ(short_app, u"PROGRA~1");
    machine_.files.AddFile(kApp + u"app.exe");
    EXPECT_EQ(worker.mpr_pro_NormalizePath(u"\"C:\\PROGRA~1\\App\\app.exe\" /run"),
              u"C:\\Program Files\\App\\app.exe  /run");
    struct Case {
        std::u16string text;
        bool inside;
    };
    const Case cases[] = {
        {u"C:\\PROGRA~1\\App\\app.exe", true},
        {u"rundll32.exe C:\\PROGRA~1\\App\\app.exe,Run", true},
        {u"\"C:\\Program Files\\App\\app.exe\" --start", true},
        {u"c:\\program files\\app\\x.dll", true},
        {u"C:\\PROGRA~9\\App\\app.exe", false},    // the short path does not exist
        {u"%ProgramFiles%\\App\\app.exe", false},  // no drive: used as it is
        // A short name left (no drive to resolve it): only what follows it is
        // compared, with the same stretch of each folder.
        {u"%X%\\PROGRA~1\\App\\app.exe", true},
        {u"%X%\\PROGRA~1\\Apple\\a.exe", false},
        {u"%X%\\App\\PROGRA~1", false},               // nothing follows the short name
        {u"C:\\Program Files\\Apple\\a.exe", false},  // a sibling with a longer name
        // The folder itself without its closing backslash points in; a
        // sibling whose name only begins alike still does not.
        {u"C:\\Program Files\\App", true},
        {u"\"C:\\Program Files\\App\"", true},
        {u"c:\\program files\\app;C:\\Other", true},
        {u"C:\\Program Files\\Apps", false},
        {u"C:\\Program Files\\App Pro", false},
        {u"C:\\Program Files\\App2\\x.exe", false},
        {u"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(worker.mpr_fun_IsInCollectedFolders(c.text), c.inside) << ToUtf8(c.text);
}

// --- The registry searches ------------------------------------------------

const std::u16string kClasses = u"SOFTWARE\\Classes\\";

TEST_F(Analysis, FileAssociations) {
    Put(kHkeyLocalMachine, kClasses + u"App.Doc\\Shell\\Open\\Command", u"",
        u"\"C:\\Program Files\\App\\app.exe\" \"%1\"");
    Put(kHkeyLocalMachine, kClasses + u".appdoc", u"", u"APP.DOC");  // another letter case
    Put(kHkeyLocalMachine, kClasses + u".txt", u"", u"txtfile");
    Put(kHkeyLocalMachine, kClasses + u"App.Icon\\DefaultIcon", u"",
        u"C:\\Program Files\\App\\app.exe,1");
    // An existing but empty command: DefaultIcon is not consulted.
    Put(kHkeyLocalMachine, kClasses + u"App.Empty\\Shell\\Open\\Command", u"", u"");
    Put(kHkeyLocalMachine, kClasses + u"App.Empty\\DefaultIcon", u"",
        u"C:\\Program Files\\App\\app.exe,1");
    Put(kHkeyLocalMachine, kClasses + u"txtfile\\Shell\\Open\\Command", u"", u"notepad.exe %1");
    Analyse();
    EXPECT_EQ(Finds(),
              (StringList{u"HKLM|SOFTWARE\\Classes\\.appdoc", u"HKLM|SOFTWARE\\Classes\\App.Doc",
                          u"HKLM|SOFTWARE\\Classes\\App.Icon"}));
}

TEST_F(Analysis, InstallerFoldersAndSharedDlls) {
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
        kApp, u"");
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
        u"C:\\Program Files\\Other\\", u"");
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
        kApp + u"shared.dll", u"");
    Analyse();
    EXPECT_EQ(Finds(),
              (StringList{
                  u"HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders|" + kApp,
                  u"HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs|" + kApp +
                      u"shared.dll"}));
}

TEST_F(Analysis, ComRegistrations) {
    const std::u16string lib = u"{11111111-0000-0000-0000-000000000001}";
    Put(kHkeyLocalMachine, kClasses + u"TypeLib\\" + lib + u"\\1.0\\0\\win32", u"",
        u" C:\\Program Files\\App\\app.tlb ");
    // Served from the program, with a ProgID.
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C1}\\InprocServer32", u"", kApp + u"app.dll");
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C1}\\ProgID", u"", u"App.Object.1");
    // Empty server: the type library decides; an empty ProgID records nothing.
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C2}\\InprocServer32", u"", u"");
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C2}\\LocalServer32", u"", u"C:\\Elsewhere\\x.exe");
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C2}\\TypeLib", u"", AsciiLower(lib));
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C2}\\ProgID", u"", u"");
    // Served from elsewhere: not taken, whatever its type library.
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C3}\\LocalServer32", u"", u"C:\\Elsewhere\\y.exe");
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C3}\\TypeLib", u"", lib);
    // A ProgID that would name a parent key is never recorded.
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C4}\\InprocServer32", u"", kApp + u"four.dll");
    Put(kHkeyLocalMachine, kClasses + u"CLSID\\{C4}\\ProgID", u"", u"\\");
    // Nor one that names a key of Windows' own: a parent, all files, a file type.
    int n = 5;
    for (auto reserved : {u"CLSID", u" typelib ", u"*", u".txt"}) {
        const std::u16string clsid = u"{C" + std::u16string(1, char16_t(u'0' + n++)) + u"}";
        Put(kHkeyLocalMachine, kClasses + u"CLSID\\" + clsid + u"\\InprocServer32", u"",
            kApp + u"more.dll");
        Put(kHkeyLocalMachine, kClasses + u"CLSID\\" + clsid + u"\\ProgID", u"", reserved);
    }
    // An interface tied twice is recorded once.
    Put(kHkeyLocalMachine, kClasses + u"Interface\\{I1}\\ProxyStubClsid32", u"", u"{c1}");
    Put(kHkeyLocalMachine, kClasses + u"Interface\\{I1}\\TypeLib", u"", lib);
    Put(kHkeyLocalMachine, kClasses + u"Interface\\{I2}\\ProxyStubClsid", u"", u"{C2}");
    Put(kHkeyLocalMachine, kClasses + u"Interface\\{I3}\\ProxyStubClsid32", u"", u"{C3}");
    Put(kHkeyLocalMachine,
        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", u"{C1}",
        u"App ext");
    Put(kHkeyLocalMachine,
        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", u"{C3}",
        u"Other ext");
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", u"{c2}", u"");
    PutKey(machine_.registry, kHkeyLocalMachine,
           u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\{C1}");
    PutKey(machine_.registry, kHkeyLocalMachine,
           u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\{C3}");
    Analyse();
    EXPECT_EQ(
        Finds(),
        (StringList{
            u"HKLM|SOFTWARE\\Classes\\App.Object.1",
            u"HKLM|SOFTWARE\\Classes\\CLSID\\{C1}",
            u"HKLM|SOFTWARE\\Classes\\CLSID\\{C2}",
            u"HKLM|SOFTWARE\\Classes\\CLSID\\{C4}",
            u"HKLM|SOFTWARE\\Classes\\CLSID\\{C5}",
            u"HKLM|SOFTWARE\\Classes\\CLSID\\{C6}",
            u"HKLM|SOFTWARE\\Classes\\CLSID\\{C7}",
            u"HKLM|SOFTWARE\\Classes\\CLSID\\{C8}",
            u"HKLM|SOFTWARE\\Classes\\Interface\\{I1}",
            u"HKLM|SOFTWARE\\Classes\\Interface\\{I2}",
            u"HKLM|SOFTWARE\\Classes\\TypeLib\\" + lib,
            u"HKLM|SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar|{c2}",
            u"HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper "
            u"Objects\\{C1}",
            u"HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved|{C1}",
        }));
}

TEST_F(Analysis, WindowsInstallerProductsPatchesAndComponents) {
    const std::u16string user =
        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18";
    // Tied by both tests: recorded twice, with its patches and components.
    Put(kHkeyLocalMachine, user + u"\\Products\\P1\\InstallProperties", u"InstallLocation", kApp);
    Put(kHkeyLocalMachine, user + u"\\Products\\P1\\InstallProperties", u"UninstallString",
        u" \"c:\\program files\\app\\UNINST.EXE\" ");
    PutKey(machine_.registry, kHkeyLocalMachine, user + u"\\Products\\P1\\Patches\\PATCH1");
    Put(kHkeyLocalMachine, user + u"\\Components\\COMP1", u"P1", kApp + u"app.exe");
    Put(kHkeyLocalMachine, user + u"\\Components\\COMP2", u"P2", u"C:\\Other\\o.exe");
    // Tied by its folder but without an UninstallString: the product only.
    Put(kHkeyLocalMachine, user + u"\\Products\\P3\\InstallProperties", u"InstallLocation",
        kApp + u"Part");
    PutKey(machine_.registry, kHkeyLocalMachine, user + u"\\Products\\P3\\Patches\\PATCH3");
    Put(kHkeyLocalMachine, user + u"\\Components\\COMP3", u"P3", kApp + u"part.dll");
    // Not tied.
    Put(kHkeyLocalMachine, user + u"\\Products\\P2\\InstallProperties", u"InstallLocation",
        u"C:\\Other\\");
    Put(kHkeyLocalMachine, user + u"\\Products\\P2\\InstallProperties", u"UninstallString",
        u"MsiExec.exe /X{P2}");
    Analyse();
    const std::u16string hklm = u"HKLM|" + user;
    EXPECT_EQ(Finds(), (StringList{hklm + u"\\Components\\COMP1", hklm + u"\\Patches\\PATCH1",
                                   hklm + u"\\Products\\P1", hklm + u"\\Products\\P1",
                                   hklm + u"\\Products\\P3"}));
}

TEST_F(Analysis, CustomUninstallTiesNoProductByUninstallString) {
    const std::u16string user =
        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18";
    Put(kHkeyLocalMachine, user + u"\\Products\\P9\\InstallProperties", u"InstallLocation",
        u"C:\\Else\\");
    Put(kHkeyLocalMachine, user + u"\\Products\\P9\\InstallProperties", u"UninstallString", u"");
    record_->m_strUninstallString.clear();
    Analyse();
    EXPECT_EQ(Finds(), StringList{});
}

TEST_F(Analysis, UserHiveCachesElevationPoliciesAndRunEntries) {
    const std::u16string sid = machine_.registry.CurrentUserSid();
    Put(kHkeyUsers,
        sid + u"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
        kApp + u"app.exe", u"RUNASADMIN");
    Put(kHkeyCurrentUser,
        u"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
        kApp + u"app.exe", u"App");
    Put(kHkeyUsers, sid + u"\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache",
        kApp + u"app.exe", u"App");
    Put(kHkeyLocalMachine,
        u"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\{E1}", u"AppPath",
        kApp);
    Put(kHkeyLocalMachine,
        u"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\{E2}", u"AppPath",
        u"C:\\Else");
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"AppTray",
        u"\"C:\\Program Files\\App\\tray.exe\" /min");
    Put(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"EnvTray",
        u"%ProgramFiles%\\App\\tray.exe");
    Put(kHkeyCurrentUser, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"AppUser",
        kApp + u"user.exe");
    Analyse();
    const std::u16string hive = u"HKU|" + sid;
    EXPECT_EQ(
        Finds(),
        (StringList{
            u"HKCU|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|AppUser",
            u"HKCU|Software\\Classes\\Local "
            u"Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache|" +
                kApp + u"app.exe",
            u"HKLM|SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\{E1}",
            u"HKLM|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|AppTray",
            hive + u"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers|" +
                kApp + u"app.exe",
            hive + u"\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache|" + kApp + u"app.exe",
        }));
}

TEST_F(Analysis, TheRecordsViewSelectsTheRegistryView) {
    const std::u16string run = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    Put(kHkeyLocalMachine, run, u"In32", kApp + u"a.exe", false);
    Put(kHkeyLocalMachine, run, u"In64", kApp + u"b.exe", true);
    Analyse();
    EXPECT_EQ(Finds(), StringList{u"HKLM|" + run + u"|In32"});
    record_->m_nIs64Bit = 1;
    Analyse();
    EXPECT_EQ(Finds(), StringList{u"HKLM|" + run + u"|In64"});
}

}  // namespace
}  // namespace purgeon
