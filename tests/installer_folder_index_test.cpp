#include "inventory/installer_folder_index.h"

#include <gtest/gtest.h>

#include <random>

#include "inventory/Unit_K_Registry_Proc.h"

namespace purgeon {
namespace {

TEST(InstallerFolderIndex, FindsWhatTheScanFinds) {
    const StringList folders = {
        u"C:\\Program Files\\Common Files\\App\\",
        u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tool\\",
        u"C:\\Program Files\\AppSuite\\",
        u"D:\\Tools\\MyApp\\bin\\MyApp\\",
        u"C:\\Program Files\\App\\Data\\",
        u"C:\\Program Files\\Tool\\",
        u"\\\\server\\share\\Net App\\",
        u"E:\\Ünï\\",
        u"E:\\no-trailing\\Tail",
    };
    const InstallerFolderIndex index(folders);
    struct Case {
        std::u16string name;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"App", u"C:\\Program Files\\App\\"},    // not the Common Files one
        {u"MYAPP", u"D:\\Tools\\MyApp\\"},        // folder's case, leftmost occurrence
        {u"tool", u"C:\\Program Files\\Tool\\"},  // not the Start Menu one
        {u"Suite", u""},                          // only part of a folder name
        {u"server", u"\\\\server\\"},
        {u"Net App", u"\\\\server\\share\\Net App\\"},
        {u"ünï", u""},  // no folding beyond ASCII
        {u"Ünï", u"E:\\Ünï\\"},
        {u"Tail", u""},                                        // needs the "\" after it
        {u"Program Files\\App", u"C:\\Program Files\\App\\"},  // a name holding "\"
        {u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(index.Find(c.name), c.expected) << ToUtf8(c.name);
        EXPECT_EQ(InstallFolderFromInstallerFolders(folders, c.name), c.expected) << ToUtf8(c.name);
    }
}

// Many generated folder lists: every name gives what the scan gives.
TEST(InstallerFolderIndex, AgreesWithTheScanOnGeneratedLists) {
    const std::u16string levels[] = {u"App",        u"app", u"APP", u"Tool",      u"Common Files",
                                     u"Start Menu", u"bin", u"",    u"App Suite", u"x"};
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        StringList folders;
        const int count = 1 + int(random() % 6);
        for (int f = 0; f < count; ++f) {
            std::u16string folder = random() % 5 == 0 ? u"\\\\" : u"C:\\";
            const int depth = 1 + int(random() % 4);
            for (int d = 0; d < depth; ++d) folder += levels[random() % std::size(levels)] + u"\\";
            if (random() % 4 == 0) folder += u"tail";
            folders.push_back(folder);
        }
        const InstallerFolderIndex index(folders);
        for (const auto& name : levels) {
            for (const std::u16string& probe : {name, name + u"\\bin", u" " + name}) {
                EXPECT_EQ(index.Find(probe), InstallFolderFromInstallerFolders(folders, probe))
                    << "round " << round << " name " << ToUtf8(probe);
            }
        }
    }
}

}  // namespace
}  // namespace purgeon
