#include "analysis/protected_folders.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/memory_machine.h"
#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;

// The protected folders of a 64-bit Windows as a 32-bit program sees it,
// with two user profiles and the Public one.
const char16_t* const kProtected[] = {
    u"C:\\Windows",
    u"C:\\Windows\\system32",
    u"C:\\Windows\\SysWOW64",
    u"C:\\Program Files",
    u"C:\\Program Files\\Common Files",
    u"C:\\Program Files (x86)",
    u"C:\\Program Files (x86)\\Common Files",
    u"C:\\ProgramData",
    u"C:\\Users",
    u"C:\\Users\\me",
    u"C:\\Users\\me\\Desktop",
    u"C:\\Users\\me\\Documents",
    u"C:\\Users\\me\\Downloads",
    u"C:\\Users\\me\\Music",
    u"C:\\Users\\me\\Pictures",
    u"C:\\Users\\me\\Videos",
    u"C:\\Users\\me\\Favorites",
    u"C:\\Users\\me\\Saved Games",
    u"C:\\Users\\me\\AppData",
    u"C:\\Users\\me\\AppData\\Local",
    u"C:\\Users\\me\\AppData\\Roaming",
    u"C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    u"C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
    u"C:\\Users\\Public",
    u"C:\\Users\\Public\\Desktop",
    u"C:\\Users\\Public\\Documents",
};
// Known only from the users folder's listing: they must exist.
const char16_t* const kOtherProfile[] = {
    u"C:\\Users\\other",
    u"C:\\Users\\other\\Desktop",
    u"C:\\Users\\other\\Documents",
    u"C:\\Users\\other\\Downloads",
    u"C:\\Users\\other\\AppData\\Local",
};
// Folders inside protected ones that belong to a program.
const char16_t* const kAllowed[] = {
    u"C:\\Program Files (x86)\\App",
    u"C:\\Program Files\\Vendor\\Tool",
    u"C:\\Program Files (x86)\\Common Files\\Vendor",
    u"C:\\Users\\me\\AppData\\Local\\Programs\\App",
    u"C:\\Users\\other\\AppData\\Roaming\\App",
    u"C:\\ProgramData\\App",
    u"C:\\Users\\me\\Documents\\My Games\\App",
    u"C:\\WindowsApps\\X",
    u"C:\\Program Files Extra",
    u"D:\\Games\\App",
};

void SetShellFolders(MemoryMachine& machine) {
    auto& shell = machine.shell;
    shell.SetSystemDirectory(u"C:\\Windows\\system32");
    shell.SetSpecialFolder(kCsidlWindows, u"C:\\Windows");
    shell.SetSpecialFolder(kCsidlProgramFiles, u"C:\\Program Files (x86)");
    shell.SetSpecialFolder(kCsidlCommonAppData, u"C:\\ProgramData");
    shell.SetSpecialFolder(kCsidlProfile, u"C:\\Users\\me");
    shell.SetSpecialFolder(kCsidlPersonal, u"C:\\Users\\me\\Documents");
    shell.SetSpecialFolder(kCsidlDesktopDirectory, u"C:\\Users\\me\\Desktop");
    shell.SetSpecialFolder(kCsidlAppData, u"C:\\Users\\me\\AppData\\Roaming");
    shell.SetSpecialFolder(kCsidlLocalAppData, u"C:\\Users\\me\\AppData\\Local");
    shell.SetSpecialFolder(kCsidlCommonDesktopDirectory, u"C:\\Users\\Public\\Desktop");
}

// Every way of writing `folder` that Windows opens as that folder, alone and
// combined. `short_form` is its 8.3 spelling (empty when it has none).
std::vector<std::u16string> Spellings(const std::u16string& folder,
                                      const std::u16string& short_form) {
    auto replace_all = [](std::u16string text, char16_t from, const std::u16string& to) {
        std::u16string out;
        for (char16_t c : text) out += c == from ? to : std::u16string(1, c);
        return out;
    };
    const std::u16string tail = folder.substr(3);
    std::vector<std::u16string> out = {
        folder,
        folder + u"\\",
        AsciiLower(folder),
        AsciiUpper(folder),
        replace_all(folder, u'\\', u"/"),
        replace_all(folder, u'\\', u"\\\\"),
        u"C:\\.\\" + tail,
        u"C:\\Nowhere\\..\\" + tail + u"\\.",
        folder + u".",
        folder + u" . ",
        folder + u"\\.\\",
        folder + u"::$INDEX_ALLOCATION",
        u"\\\\?\\" + folder,
        u"\\??\\" + folder,
        u"\\\\.\\" + folder,
        u"  " + folder + u"\t",
        // Combined.
        u"\\\\?\\" + replace_all(AsciiLower(folder), u'\\', u"/") + u".",
        u"\\??\\C:\\\\" + replace_all(tail, u'\\', u"\\.\\") + u". \\",
        u"\\\\.\\c:/x/../" + tail + u"/",
    };
    if (!short_form.empty()) {
        out.push_back(short_form);
        out.push_back(u"\\\\?\\" + AsciiLower(short_form) + u".");
        out.push_back(replace_all(short_form, u'\\', u"//"));
    }
    return out;
}

// Each protected folder in every spelling, existing and missing.
TEST(ProtectedFolderSpellings, NoSpellingOfAProtectedFolderGetsThrough) {
    for (const bool exists : {true, false}) {
        MemoryMachine machine;
        SetShellFolders(machine);
        std::vector<std::u16string> folders(std::begin(kProtected), std::end(kProtected));
        if (exists) {
            folders.insert(folders.end(), std::begin(kOtherProfile), std::end(kOtherProfile));
            for (const auto& folder : folders) ASSERT_TRUE(machine.files.AddFolder(folder));
            for (const auto* allowed : kAllowed) machine.files.AddDrive(allowed[0]);
            for (const auto* allowed : kAllowed) ASSERT_TRUE(machine.files.AddFolder(allowed));
        }
        const ProtectedFolders protected_folders(machine.shell, machine.files);
        for (const auto& folder : folders) {
            std::u16string short_form;
            if (exists) {
                std::u16string long_form;
                // The 8.3 form of every piece that has one.
                std::u16string walked = folder.substr(0, 2);
                size_t pos = 3;
                while (pos <= folder.size()) {
                    const size_t end = std::min(folder.find(u'\\', pos), folder.size());
                    const std::u16string piece = folder.substr(pos, end - pos);
                    const std::u16string alias = machine.files.ShortNameOf(folder.substr(0, end));
                    walked += u"\\" + (alias.empty() ? piece : alias);
                    pos = end + 1;
                }
                if (walked != folder) short_form = walked;
            }
            for (const auto& spelling : Spellings(folder, short_form))
                EXPECT_TRUE(protected_folders.IsProtected(spelling))
                    << ToUtf8(spelling) << (exists ? " (exists)" : " (missing)");
        }
        for (const auto* allowed : kAllowed) {
            for (const auto& spelling : Spellings(allowed, u""))
                EXPECT_FALSE(protected_folders.IsProtected(spelling))
                    << ToUtf8(spelling) << (exists ? " (exists)" : " (missing)");
        }
    }
}

// Drive roots, environment strings, and texts whose meaning depends on a
// current folder or names a device: none can be placed, so none is taken.
TEST(ProtectedFolderSpellings, RootsEnvironmentStringsAndUnplaceableTexts) {
    MemoryMachine machine;
    SetShellFolders(machine);
    machine.files.AddFolder(u"C:\\Users\\me\\AppData\\Local\\Programs\\App");
    const ProtectedFolders folders(machine.shell, machine.files);
    struct Case {
        std::u16string path;
        bool is_protected;
    } cases[] = {
        {u"", true},
        {u"C:", true},
        {u"C:\\", true},
        {u"D:/", true},
        {u"C:\\\\", true},
        {u"\\\\?\\C:\\", true},
        {u"\\\\?\\C:", true},
        {u"\\??\\C:\\", true},
        {u"\\\\.\\C:\\", true},
        {u"C:\\App\\..", true},
        {u"C:\\App\\..\\..\\..", true},
        {u"\\\\server\\share", true},
        {u"\\\\?\\UNC\\server\\share\\", true},
        {u"\\\\server\\share\\App", false},
        {u"\\\\?\\UNC\\server\\share\\App", false},
        {u"%SystemRoot%", true},
        {u"%windir%\\", true},
        {u"%SystemDrive%\\", true},
        {u"%ProgramFiles%", true},
        {u"%USERPROFILE%\\Desktop", true},
        {u"%LOCALAPPDATA%", true},
        {u"%PUBLIC%\\Documents", true},
        {u"%ProgramData%\\..", true},
        {u"%LOCALAPPDATA%\\Programs\\App", false},
        {u"%NOSUCHVARIABLE%\\App", true},
        {u"C:\\Sale 50% off\\App", false},
        {u"C:Users", true},
        {u"\\Users", true},
        {u"Users", true},
        {u".\\App", true},
        {u"\\\\.\\PhysicalDrive0", true},
        {u"\\\\?\\Volume{0b1e5c4a-0000-0000-0000-100000000000}\\Users", true},
        {u"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\Users", true},
        {u"C:\\Users\\*", true},
        {u"C:\\App", false},
        {u"C:\\App.\\x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(folders.IsProtected(c.path), c.is_protected) << ToUtf8(c.path);
}

// A link that leads to a protected folder, or to a folder that holds one,
// is that folder; what lies below a link is refused as well.
TEST(ProtectedFolderSpellings, LinksAreJudgedByWhatTheyOpen) {
    MemoryMachine machine;
    SetShellFolders(machine);
    auto& fs = machine.files;
    for (const auto* folder : kProtected) ASSERT_TRUE(fs.AddFolder(folder));
    ASSERT_TRUE(fs.AddFolder(u"C:\\Users\\other\\Documents"));
    fs.AddDrive(u'D');
    ASSERT_TRUE(fs.AddFolder(u"D:\\Target\\Inner"));
    struct Link {
        std::u16string link, target;
        bool is_protected;
    } links[] = {
        {u"C:\\Apps\\ToWindows", u"C:\\Windows", true},
        {u"C:\\Apps\\ToRoot", u"C:\\", true},
        {u"C:\\Apps\\ToUsers", u"C:\\Users", true},
        {u"C:\\Apps\\ToDocuments", u"C:\\Users\\me\\Documents", true},
        {u"C:\\Apps\\ToOtherDocuments", u"C:\\Users\\other\\Documents", true},
        {u"D:\\Mount", u"C:\\Program Files", true},
        {u"C:\\Apps\\ToLink", u"C:\\Apps\\ToDocuments", true},
        {u"C:\\Apps\\Elsewhere", u"D:\\Target", false},  // recorded, never walked
    };
    for (const auto& link : links) ASSERT_TRUE(fs.AddJunction(link.link, link.target));
    const ProtectedFolders folders(machine.shell, fs);
    for (const auto& link : links) {
        EXPECT_EQ(folders.IsProtected(link.link), link.is_protected) << ToUtf8(link.link);
        EXPECT_EQ(folders.IsProtected(u"\\\\?\\" + link.link + u"."), link.is_protected)
            << ToUtf8(link.link);
    }
    // Below a link, the text says nothing about where a folder lies.
    EXPECT_TRUE(folders.IsProtected(u"C:\\Apps\\Elsewhere\\Inner"));
    EXPECT_TRUE(folders.IsProtected(u"C:\\Apps\\ToDocuments\\Sub"));
    // Another profile is known from the users folder, missing or not below it.
    EXPECT_TRUE(folders.IsProtected(u"C:\\Users\\other\\"));
    EXPECT_TRUE(folders.IsProtected(u"C:\\Users\\other\\Saved Games"));
}

// Profiles that lie elsewhere are known from the machine's profile list,
// whether their folders exist or not.
TEST(ProtectedFolderSpellings, EveryProfileOfTheProfileList) {
    MemoryMachine machine;
    SetShellFolders(machine);
    machine.files.AddDrive(u'D');
    machine.files.AddFolder(u"D:\\Profiles\\far\\Documents");
    const std::u16string list = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    testing::PutString(machine.registry, kHkeyLocalMachine, list + u"\\S-1-5-21-7",
                       u"ProfileImagePath", u"D:\\Profiles\\far", true);
    testing::PutString(machine.registry, kHkeyLocalMachine, list + u"\\S-1-5-21-8",
                       u"ProfileImagePath", u"%SystemDrive%\\Elsewhere\\gone", true);
    testing::PutString(machine.registry, kHkeyLocalMachine, list + u"\\S-1-5-21-9",
                       u"ProfileImagePath", u"E:\\alone", true);
    testing::PutString(machine.registry, kHkeyLocalMachine, list, u"ProfilesDirectory",
                       u"%SystemDrive%\\Users", true);
    machine.files.AddFolder(u"D:\\Games\\App");
    const ProtectedFolders without(machine.shell, machine.files);
    const ProtectedFolders with(machine.shell, machine.files, &machine.registry);
    for (auto folder : {u"D:\\Profiles\\far\\Documents", u"\\\\?\\D:\\Profiles\\far.",
                        u"C:\\Elsewhere\\gone\\AppData\\Local", u"E:\\alone\\Downloads\\"}) {
        EXPECT_FALSE(without.IsProtected(folder)) << ToUtf8(folder);
        EXPECT_TRUE(with.IsProtected(folder)) << ToUtf8(folder);
    }
    // A profile at a drive's top makes no profiles of that drive's folders.
    EXPECT_FALSE(with.IsProtected(u"E:\\Games"));
    EXPECT_FALSE(with.IsProtected(u"D:\\Games\\App"));
    EXPECT_FALSE(with.IsProtected(u"C:\\Elsewhere\\gone\\AppData\\Local\\Programs\\App"));
}

TEST(ProtectedFolderSpellings, CanonicalTextAndIdentity) {
    MemoryMachine machine;
    auto& fs = machine.files;
    ASSERT_TRUE(fs.AddFolder(u"C:\\Program Files (x86)\\App"));
    const std::u16string short_name = fs.ShortNameOf(u"C:\\Program Files (x86)");
    ASSERT_FALSE(short_name.empty());
    struct Case {
        std::u16string path, canonical;
    } cases[] = {
        {u"C:", u"C:\\"},
        {u"c:/Program Files//Vendor/./", u"C:\\Program Files\\Vendor"},
        {u"C:\\a\\..\\..\\b", u"C:\\b"},
        {u"\\\\?\\C:\\Users.\\me. ", u"C:\\Users\\me"},
        {u"\\??\\UNC\\srv\\share\\..\\x", u"\\\\srv\\share\\x"},
        {u"C:\\" + short_name + u"\\App", u"C:\\Program Files (x86)\\App"},
        {u"C:\\" + short_name + u"\\Missing\\x", u"C:\\Program Files (x86)\\Missing\\x"},
        {u"C:\\NOSUCH~1\\x", u"C:\\NOSUCH~1\\x"},  // not on disk: kept as written
        {u"C:Users", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalisedPath(fs, c.path), c.canonical) << ToUtf8(c.path);

    // Every spelling opens one identity; another folder has another.
    FileIdentity first, again, other;
    ASSERT_TRUE(fs.GetFileIdentity(u"C:\\Program Files (x86)\\App", &first));
    ASSERT_TRUE(fs.GetFileIdentity(u"\\\\?\\c:/" + short_name + u"/APP", &again));
    EXPECT_EQ(first, again);
    ASSERT_TRUE(fs.AddJunction(u"C:\\Link", u"C:\\Program Files (x86)\\App"));
    ASSERT_TRUE(fs.GetFileIdentity(u"C:\\Link\\", &again));
    EXPECT_EQ(first, again);
    ASSERT_TRUE(fs.GetFileIdentity(u"C:\\Program Files (x86)", &other));
    EXPECT_NE(first, other);
    EXPECT_FALSE(fs.GetFileIdentity(u"C:\\Missing", &other));
}

}  // namespace
}  // namespace purgeon
