#include <gtest/gtest.h>

#include "inventory/Unit_K_Registry_Proc.h"
#include "platform/memory/memory_registry.h"
#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::KeyExists;
using testing::PutDword;
using testing::PutKey;
using testing::PutString;
using testing::PutValue;
using testing::ValueExists;

const std::u16string kFolders = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";

class RegistryLayer : public ::testing::Test {
  protected:
    MemoryRegistry reg_{true};
};

TEST_F(RegistryLayer, RootNamesMatchExactly) {
    EXPECT_EQ(Reg_RootFromName(u"HKLM"), kHkeyLocalMachine);
    EXPECT_EQ(Reg_RootFromName(u"HKCU"), kHkeyCurrentUser);
    EXPECT_EQ(Reg_RootFromName(u"HKU"), kHkeyUsers);
    EXPECT_EQ(Reg_RootFromName(u"HKCR"), kHkeyClassesRoot);
    for (auto other : {u"hklm", u"HKLM ", u"HKEY_LOCAL_MACHINE", u""})
        EXPECT_EQ(Reg_RootFromName(other), 0u);
    // Root 0 opens nothing.
    StringList out{u"x"};
    EXPECT_TRUE(Reg_EnumSubKeys(reg_, 0, u"SOFTWARE", out, false));
    EXPECT_TRUE(out.empty());
    std::u16string text;
    EXPECT_FALSE(Reg_ReadString(reg_, 0, u"SOFTWARE", u"x", false, text));
}

TEST_F(RegistryLayer, EnumSubKeysTrimsAndIsTrueForAMissingKey) {
    PutKey(reg_, kHkeyCurrentUser, u"E\\ padded ");
    PutKey(reg_, kHkeyCurrentUser, u"E\\plain");
    StringList out{u"stale"};
    EXPECT_TRUE(Reg_EnumSubKeys(reg_, kHkeyCurrentUser, u"E\\", out, false));
    EXPECT_EQ(out, (StringList{u"padded", u"plain"}));
    EXPECT_TRUE(Reg_EnumSubKeys(reg_, kHkeyCurrentUser, u"Missing\\", out, false));
    EXPECT_TRUE(out.empty());
}

TEST_F(RegistryLayer, EnumSubKeysFollowsTheView) {
    PutKey(reg_, kHkeyLocalMachine, u"SOFTWARE\\V\\In32", false);
    PutKey(reg_, kHkeyLocalMachine, u"SOFTWARE\\V\\In64", true);
    StringList out;
    Reg_EnumSubKeys(reg_, kHkeyLocalMachine, u"SOFTWARE\\V\\", out, false);
    EXPECT_EQ(out, StringList{u"In32"});
    Reg_EnumSubKeys(reg_, kHkeyLocalMachine, u"SOFTWARE\\V\\", out, true);
    EXPECT_EQ(out, StringList{u"In64"});
}

TEST_F(RegistryLayer, ValueListingsSkipBlankNamesAndTrim) {
    PutString(reg_, kHkeyCurrentUser, u"V", u"", u"default");
    PutString(reg_, kHkeyCurrentUser, u"V", u"  ", u"blank name");
    PutString(reg_, kHkeyCurrentUser, u"V", u" Name ", u"  text  ");
    PutDword(reg_, kHkeyCurrentUser, u"V", u"Number", 0x41);
    const char16_t multi[] = u"first\0second\0";
    PutValue(reg_, kHkeyCurrentUser, u"V", u"Multi", kRegMultiSz, multi, sizeof multi);
    PutValue(reg_, kHkeyCurrentUser, u"V", u"Odd", kRegBinary, "A\0B", 3);

    StringList names{u"stale"};
    EXPECT_TRUE(Reg_EnumValueNames(reg_, kHkeyCurrentUser, u"V\\", names, false));
    EXPECT_EQ(names, (StringList{u"Name", u"Number", u"Multi", u"Odd"}));

    StringList texts{u"kept"};
    EXPECT_TRUE(Reg_EnumValues(reg_, kHkeyCurrentUser, u"V\\", names, false, &texts));
    EXPECT_EQ(names, (StringList{u"Name", u"Number", u"Multi", u"Odd"}));
    // Data is read as UTF-16 text up to the first NUL, whatever its type; the
    // text list is appended to, not emptied.
    EXPECT_EQ(texts, (StringList{u"kept", u"text", u"A", u"first", u"A"}));
    EXPECT_TRUE(Reg_EnumValues(reg_, kHkeyCurrentUser, u"V\\", names, false, nullptr));

    EXPECT_FALSE(Reg_EnumValueNames(reg_, kHkeyCurrentUser, u"Missing", names, false));
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(Reg_EnumValues(reg_, kHkeyCurrentUser, u"Missing", names, false, &texts));
}

TEST_F(RegistryLayer, ReadStringReturnsTheTextAsStored) {
    PutString(reg_, kHkeyCurrentUser, u"R", u"Padded", u"  C:\\App\\  ");
    PutValue(reg_, kHkeyCurrentUser, u"R", u"Empty", kRegSz, nullptr, 0);
    const char16_t unterminated[] = {u'a', u'b', u'c'};
    PutValue(reg_, kHkeyCurrentUser, u"R", u"NoNul", kRegSz, unterminated, sizeof unterminated);
    const std::u16string long_text(5000, u'x');
    PutString(reg_, kHkeyCurrentUser, u"R", u"Long", long_text);

    std::u16string text = u"stale";
    EXPECT_TRUE(Reg_ReadString(reg_, kHkeyCurrentUser, u"R\\", u"Padded", false, text));
    EXPECT_EQ(text, u"  C:\\App\\  ");
    EXPECT_TRUE(Reg_ReadString(reg_, kHkeyCurrentUser, u"R\\", u"Empty", false, text));
    EXPECT_EQ(text, u"");
    EXPECT_TRUE(Reg_ReadString(reg_, kHkeyCurrentUser, u"R\\", u"NoNul", false, text));
    EXPECT_EQ(text, u"abc");
    // Longer than the 256-unit buffer: read safely, in full.
    EXPECT_TRUE(Reg_ReadString(reg_, kHkeyCurrentUser, u"R\\", u"Long", false, text));
    EXPECT_EQ(text, long_text);

    text = u"stale";
    EXPECT_FALSE(Reg_ReadString(reg_, kHkeyCurrentUser, u"R\\", u"Missing", false, text));
    EXPECT_EQ(text, u"");
    text = u"stale";
    EXPECT_FALSE(Reg_ReadString(reg_, kHkeyCurrentUser, u"Nowhere\\", u"Padded", false, text));
    EXPECT_EQ(text, u"");
}

TEST_F(RegistryLayer, DeleteValueInTheChosenView) {
    PutString(reg_, kHkeyLocalMachine, u"SOFTWARE\\D", u"V", u"32", false);
    PutString(reg_, kHkeyLocalMachine, u"SOFTWARE\\D", u"V", u"64", true);
    EXPECT_TRUE(Reg_DeleteValue(reg_, kHkeyLocalMachine, u"SOFTWARE\\D", u"V", true));
    EXPECT_FALSE(ValueExists(reg_, kHkeyLocalMachine, u"SOFTWARE\\D", u"V", true));
    EXPECT_TRUE(ValueExists(reg_, kHkeyLocalMachine, u"SOFTWARE\\D", u"V", false));
    EXPECT_FALSE(Reg_DeleteValue(reg_, kHkeyLocalMachine, u"SOFTWARE\\D", u"V", true));
    EXPECT_FALSE(Reg_DeleteValue(reg_, kHkeyLocalMachine, u"SOFTWARE\\Gone", u"V", false));
}

TEST_F(RegistryLayer, FindSubKeyIsDepthFirstAndDescendsOnlyIntoKeysWithSubKeys) {
    const std::u16string base = u"SOFTWARE\\Classes\\";
    PutKey(reg_, kHkeyLocalMachine, base + u"A\\Deep\\Target");
    PutKey(reg_, kHkeyLocalMachine, base + u"B\\TARGET ");
    PutKey(reg_, kHkeyLocalMachine, base + u"C\\Other");
    std::u16string found = u"stale";
    Reg_FindSubKey(reg_, kHkeyLocalMachine, base, u" target", found, false);
    // The first hit in depth-first order; the name as passed, then "\".
    EXPECT_EQ(found, base + u"A\\Deep\\ target\\");

    // A hit directly below the start.
    Reg_FindSubKey(reg_, kHkeyLocalMachine, base, u"b", found, false);
    EXPECT_EQ(found, base + u"b\\");

    Reg_FindSubKey(reg_, kHkeyLocalMachine, base, u"Nothing", found, false);
    EXPECT_EQ(found, u"");
    Reg_FindSubKey(reg_, kHkeyLocalMachine, u"SOFTWARE\\Missing\\", u"x", found, false);
    EXPECT_EQ(found, u"");
    // The other view holds none of it.
    Reg_FindSubKey(reg_, kHkeyLocalMachine, base, u"Target", found, true);
    EXPECT_EQ(found, u"");
    EXPECT_EQ(reg_.OpenHandleCount(), 0u);
}

TEST_F(RegistryLayer, FindSubKeyHandlesADeepChain) {
    std::u16string path = u"Deep";
    for (int i = 0; i < 300; ++i) path += u"\\k";
    PutKey(reg_, kHkeyCurrentUser, path + u"\\Needle");
    std::u16string found;
    Reg_FindSubKey(reg_, kHkeyCurrentUser, u"Deep\\", u"needle", found, false);
    EXPECT_EQ(found, path + u"\\needle\\");
}

TEST_F(RegistryLayer, UserIdsAndHivesAreAppended) {
    PutKey(reg_, kHkeyLocalMachine,
           u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products",
           true);
    StringList out{u"kept"};
    Reg_EnumUserDataSids(reg_, out, true);
    EXPECT_EQ(out, (StringList{u"kept", u"S-1-5-18"}));
    Reg_EnumUserDataSids(reg_, out, false);  // nothing in the 32-bit view
    EXPECT_EQ(out.size(), 2u);
    PutKey(reg_, kHkeyUsers, u".DEFAULT");
    Reg_EnumUserHives(reg_, out, false);
    EXPECT_EQ(out, (StringList{u"kept", u"S-1-5-18", u".DEFAULT", reg_.CurrentUserSid()}));
}

TEST_F(RegistryLayer, InstallFolderFromInstallerFolders) {
    struct Case {
        StringList folders;
        std::u16string name;
        std::u16string expected;
    };
    const Case cases[] = {
        {{u"C:\\Program Files\\Common Files\\App\\", u"C:\\Program Files\\App\\Data\\"},
         u"App",
         u"C:\\Program Files\\App\\"},
        // The folder's own letter case; the name matched ignoring case.
        {{u"D:\\Tools\\MyApp\\bin\\"}, u"MYAPP", u"D:\\Tools\\MyApp\\"},
        // Only as part of a longer folder name: no result.
        {{u"C:\\Program Files\\AppSuite\\", u"C:\\Apps\\"}, u"App", u""},
        {{u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\App\\"}, u"App", u""},
        {{u"C:\\x\\App\\"}, u"", u""},
    };
    for (const auto& c : cases) {
        MemoryRegistry reg(true);
        PutKey(reg, kHkeyLocalMachine, kFolders, true);
        for (const auto& folder : c.folders)
            PutString(reg, kHkeyLocalMachine, kFolders, folder, u"", true);
        EXPECT_EQ(Reg_GetInstallFolderFromInstallerFolders(reg, c.name), c.expected)
            << ToUtf8(c.name);
    }
    // Read from the 64-bit view only.
    MemoryRegistry reg(true);
    PutString(reg, kHkeyLocalMachine, kFolders, u"C:\\Program Files (x86)\\App\\", u"", false);
    EXPECT_EQ(Reg_GetInstallFolderFromInstallerFolders(reg, u"App"), u"");
}

}  // namespace
}  // namespace purgeon
