#include <gtest/gtest.h>

#include "inventory/Unit_K_SoftwareLib.h"
#include "platform/memory/memory_registry.h"
#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::PutString;

class SoftwareLib : public ::testing::Test {
  protected:
    void SetUp() override { lib_.mpu_InitLib(); }
    const StringList* Find(const std::u16string& name) {
        return lib_.mpu_fun_FindFolderNames(AsciiLower(name));
    }
    K_Software_Const_Feature_Lib lib_;
};

TEST_F(SoftwareLib, HoldsTheWholeTable) {
    const auto& entries = lib_.m_Map_Lib_SoftwareName;
    ASSERT_EQ(entries.size(), 58u);
    std::size_t folders = 0;
    for (const auto& entry : entries) {
        folders += entry.lib->m_List_FoldersName.size();
        EXPECT_EQ(entry.key, AsciiLower(entry.key));
    }
    EXPECT_EQ(folders, 100u);
    EXPECT_EQ(entries[0].key, u"avg 2011");
    EXPECT_EQ(entries[21].key, u"malwarebytes\" anti-malware");
    EXPECT_EQ(entries[21].lib->m_List_FoldersName, StringList{u"Malwarebytes\" Anti-Malware"});
    EXPECT_EQ(entries[57].lib->m_List_FoldersName, (StringList{u"Nymgo4.0", u"Nymgo5.0"}));
}

TEST_F(SoftwareLib, LookupBySubstringOfTheLowerCaseName) {
    ASSERT_NE(Find(u"AVG 2011"), nullptr);
    EXPECT_EQ(Find(u"AVG 2011")->front(), u"AVG 2011");
    EXPECT_EQ(Find(u"AVG Internet Security 2011"), nullptr);
    ASSERT_NE(Find(u"Skype Click to Call"), nullptr);
    EXPECT_EQ(*Find(u"Skype Click to Call"), StringList{u"Skype"});
    // Two entries with the same single folder name.
    const StringList* ie8 = Find(u"Windows Internet Explorer 8");
    const StringList* ie9 = Find(u"Windows Internet Explorer 9");
    ASSERT_TRUE(ie8 && ie9);
    EXPECT_NE(ie8, ie9);
    EXPECT_EQ(*ie8, *ie9);
    EXPECT_EQ(Find(u"Notepad++"), nullptr);
}

TEST_F(SoftwareLib, TheLongestKeyWinsWhenSeveralOccur) {
    EXPECT_EQ(*Find(u"Babylon Toolbar on IE"), StringList{u"BabylonToolbar"});
    EXPECT_EQ(*Find(u"Babylon 9"), (StringList{u"Babylon-Pro", u"BabylonToolbar"}));
    EXPECT_EQ(*Find(u"Free YouTube Downloader 3"), StringList{u"Free YouTube Downloader"});
    EXPECT_EQ(*Find(u"YouTube Downloader"), StringList{u"YouTube Downloader"});
}

TEST(SoftwareLibResolvers, ZillyaTakesTheLastQualifyingInstallerFolder) {
    const std::u16string folders_key =
        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
    K_Software_Const_Feature_Lib lib;
    MemoryRegistry reg;
    PutString(reg, kHkeyLocalMachine, folders_key, u"C:\\Program Files\\Zillya Antivirus\\", u"");
    PutString(reg, kHkeyLocalMachine, folders_key, u"D:\\Zillya Antivirus\\", u"");
    PutString(reg, kHkeyLocalMachine, folders_key, u"D:\\Zillya Antivirus\\Data\\", u"");
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_ZillyaAntivirus(reg, u"ZILLYA! ANTIVIRUS 3", false),
              u"D:\\Zillya Antivirus\\");
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_ZillyaAntivirus(reg, u"Zillya Antivirus", false),
              u"");
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_ZillyaAntivirus(reg, u"Zillya! Antivirus", true),
              u"");

    MemoryRegistry common;
    PutString(common, kHkeyLocalMachine, folders_key,
              u"C:\\Program Files\\Common Files\\Zillya Antivirus\\", u"");
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_ZillyaAntivirus(common, u"Zillya! Antivirus", false),
              u"");
}

TEST(SoftwareLibResolvers, BabylonAndStarWarsReadTheirOwnValues) {
    K_Software_Const_Feature_Lib lib;
    MemoryRegistry reg;
    PutString(reg, kHkeyLocalMachine,
              u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Babylon.exe", u"Path",
              u" C:\\Program Files\\Babylon ");
    PutString(reg, kHkeyLocalMachine, u"SOFTWARE\\BioWare\\Star Wars-The Old Republic",
              u"Install Dir", u"E:\\Games\\SWTOR\\", true);
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_Babylon(reg, u"babylon 9", false),
              u"C:\\Program Files\\Babylon\\");
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_Babylon(reg, u"babylon 9", true), u"");
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_Babylon(reg, u"Dictionary", false), u"");
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_StarWars(reg, u"Star Wars: The Old Republic", true),
              u"E:\\Games\\SWTOR\\");
    EXPECT_EQ(lib.mpu_fun_InstallLocation_For_StarWars(reg, u"Star Wars: The Old Republic", false),
              u"");
}

}  // namespace
}  // namespace purgeon
