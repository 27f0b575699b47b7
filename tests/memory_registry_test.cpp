// The in-memory registry must behave like Windows where the program relies
// on it: views, handles, enumeration, deletion.
#include "platform/memory/memory_registry.h"

#include <gtest/gtest.h>

#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::KeyExists;
using testing::PutKey;
using testing::PutString;

const std::u16string kVendor = u"SOFTWARE\\Vendor\\App";

TEST(MemoryRegistry, SoftwareHasTwoViewsOnA64BitMachine) {
    MemoryRegistry reg(true);
    PutKey(reg, kHkeyLocalMachine, kVendor, /*view64=*/false);
    EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, kVendor, false));
    EXPECT_FALSE(KeyExists(reg, kHkeyLocalMachine, kVendor, true));
    // The 32-bit view lives under Wow6432Node, which the 64-bit view sees.
    EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, u"SOFTWARE\\Wow6432Node\\Vendor\\App", true));
    EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, u"SOFTWARE\\Wow6432Node\\Vendor\\App", false));

    PutKey(reg, kHkeyLocalMachine, u"SOFTWARE\\Only64", true);
    EXPECT_FALSE(KeyExists(reg, kHkeyLocalMachine, u"SOFTWARE\\Only64", false));

    // Outside HKLM\SOFTWARE both views are one.
    PutKey(reg, kHkeyCurrentUser, u"Software\\Shared", false);
    EXPECT_TRUE(KeyExists(reg, kHkeyCurrentUser, u"Software\\Shared", true));
    PutKey(reg, kHkeyLocalMachine, u"SYSTEM\\Shared", false);
    EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, u"SYSTEM\\Shared", true));
}

TEST(MemoryRegistry, OneViewOnA32BitMachine) {
    MemoryRegistry reg(false);
    PutKey(reg, kHkeyLocalMachine, kVendor, true);
    EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, kVendor, false));
    EXPECT_FALSE(KeyExists(reg, kHkeyLocalMachine, u"SOFTWARE\\Wow6432Node", false));
}

TEST(MemoryRegistry, ViewComesFromTheAccessMask) {
    MemoryRegistry reg(true);
    PutKey(reg, kHkeyLocalMachine, u"SOFTWARE\\X", true);
    RegKey key = 0;
    EXPECT_EQ(reg.OpenKey(kHkeyLocalMachine, u"SOFTWARE\\X", kKeyRead, &key), kErrorFileNotFound);
    EXPECT_EQ(key, 0u);  // untouched on failure
    EXPECT_EQ(reg.OpenKey(kHkeyLocalMachine, u"SOFTWARE\\X", kKeyRead | kKeyWow64_32Key, &key),
              kErrorFileNotFound);
    ASSERT_EQ(reg.OpenKey(kHkeyLocalMachine, u"SOFTWARE\\X", kKeyRead | kKeyWow64_64Key, &key),
              kErrorSuccess);
    reg.CloseKey(key);
}

TEST(MemoryRegistry, CurrentUserIsTheUsersHiveAndClassesRootIsSoftwareClasses) {
    MemoryRegistry reg(true, u"S-1-5-21-7");
    PutString(reg, kHkeyCurrentUser, u"Software\\V", u"n", u"t");
    EXPECT_TRUE(KeyExists(reg, kHkeyUsers, u"S-1-5-21-7\\Software\\V"));
    PutKey(reg, kHkeyClassesRoot, u".abc", true);
    EXPECT_TRUE(KeyExists(reg, kHkeyLocalMachine, u"SOFTWARE\\Classes\\.abc", true));
}

TEST(MemoryRegistry, NamesIgnoreCaseKeepCaseAndEnumerateInWindowsOrder) {
    MemoryRegistry reg;
    for (auto name : {u"beta", u"Alpha", u"gamma", u"ALPHA"})
        PutKey(reg, kHkeyCurrentUser, u"T\\" + std::u16string(name));
    RegKey key = 0;
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, u"t", kKeyRead, &key), kErrorSuccess);
    std::uint32_t sub_keys = 0, values = 0;
    ASSERT_EQ(reg.QueryInfoKey(key, &sub_keys, &values), kErrorSuccess);
    EXPECT_EQ(sub_keys, 3u);
    StringList names;
    std::u16string name;
    for (std::uint32_t i = 0; reg.EnumKey(key, i, 255, &name) == kErrorSuccess; ++i)
        names.push_back(name);
    EXPECT_EQ(names, (StringList{u"Alpha", u"beta", u"gamma"}));
    // Out of order and repeated indexes still answer correctly.
    ASSERT_EQ(reg.EnumKey(key, 2, 255, &name), kErrorSuccess);
    EXPECT_EQ(name, u"gamma");
    ASSERT_EQ(reg.EnumKey(key, 0, 255, &name), kErrorSuccess);
    EXPECT_EQ(name, u"Alpha");
    EXPECT_EQ(reg.EnumKey(key, 3, 255, &name), kErrorNoMoreItems);
    // A buffer too small for the name.
    EXPECT_EQ(reg.EnumKey(key, 0, 5, &name), kErrorMoreData);
    EXPECT_EQ(name, u"Alpha");
    reg.CloseKey(key);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST(MemoryRegistry, ValuesKeepCreationOrderAndReportSizes) {
    MemoryRegistry reg;
    PutString(reg, kHkeyCurrentUser, u"V", u"Zeta", u"1");
    PutString(reg, kHkeyCurrentUser, u"V", u"alpha", u"abc");
    PutString(reg, kHkeyCurrentUser, u"V", u"ZETA", u"22");  // replaces, stays first
    RegKey key = 0;
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, u"V", kKeyRead, &key), kErrorSuccess);
    std::u16string name;
    ASSERT_EQ(reg.EnumValue(key, 0, 255, &name), kErrorSuccess);
    EXPECT_EQ(name, u"Zeta");
    ASSERT_EQ(reg.EnumValue(key, 1, 255, &name), kErrorSuccess);
    EXPECT_EQ(name, u"alpha");
    EXPECT_EQ(reg.EnumValue(key, 2, 255, &name), kErrorNoMoreItems);

    std::uint32_t size = 0, type = 0;
    ASSERT_EQ(reg.QueryValue(key, u"zeta", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 6u);
    std::uint8_t small[2];
    std::uint32_t small_size = sizeof small;
    EXPECT_EQ(reg.QueryValue(key, u"zeta", nullptr, small, &small_size), kErrorMoreData);
    EXPECT_EQ(small_size, 6u);
    EXPECT_EQ(reg.QueryValue(key, u"missing", nullptr, nullptr, &size), kErrorFileNotFound);
    EXPECT_EQ(reg.DeleteValue(key, u"ALPHA"), kErrorSuccess);
    EXPECT_EQ(reg.DeleteValue(key, u"alpha"), kErrorFileNotFound);
    reg.CloseKey(key);
}

TEST(MemoryRegistry, DeletionRulesMatchWindows) {
    MemoryRegistry reg;
    PutKey(reg, kHkeyCurrentUser, u"D\\Leaf");
    PutKey(reg, kHkeyCurrentUser, u"D\\Tree\\A\\B");
    RegKey key = 0;
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, u"D", kKeyAllAccess, &key), kErrorSuccess);
    // RegDeleteKeyEx refuses a key that has sub-keys.
    EXPECT_EQ(reg.DeleteKey(key, u"Tree", 0), kErrorAccessDenied);
    EXPECT_EQ(reg.DeleteKey(key, u"Leaf", 0), kErrorSuccess);
    EXPECT_EQ(reg.DeleteKey(key, u"Leaf", 0), kErrorFileNotFound);
    EXPECT_EQ(reg.DeleteTree(key, u"Tree"), kErrorSuccess);
    EXPECT_FALSE(KeyExists(reg, kHkeyCurrentUser, u"D\\Tree"));
    // An empty sub-key name empties the opened key but keeps it, as on
    // Windows; RegDeleteKeyEx with an empty name then deletes it, and the
    // handle reports the key as deleted.
    PutKey(reg, kHkeyCurrentUser, u"D\\Again\\X");
    EXPECT_EQ(reg.DeleteTree(key, u""), kErrorSuccess);
    EXPECT_TRUE(KeyExists(reg, kHkeyCurrentUser, u"D"));
    EXPECT_FALSE(KeyExists(reg, kHkeyCurrentUser, u"D\\Again"));
    EXPECT_EQ(reg.DeleteKey(key, u"", 0), kErrorSuccess);
    EXPECT_FALSE(KeyExists(reg, kHkeyCurrentUser, u"D"));
    std::uint32_t count = 0;
    EXPECT_EQ(reg.QueryInfoKey(key, &count, nullptr), kErrorKeyDeleted);
    reg.CloseKey(key);
    // Predefined roots are never deleted.
    EXPECT_EQ(reg.DeleteTree(kHkeyCurrentUser, u""), kErrorAccessDenied);
    EXPECT_EQ(reg.DeleteKey(kHkeyLocalMachine, u"", 0), kErrorAccessDenied);
    EXPECT_TRUE(KeyExists(reg, kHkeyCurrentUser, u"Software"));
}

TEST(MemoryRegistry, RejectsBadPathsAndHandles) {
    MemoryRegistry reg;
    RegKey key = 0;
    EXPECT_EQ(reg.CreateKey(kHkeyCurrentUser, std::u16string(256, u'k'), kKeyAllAccess, &key),
              kErrorInvalidParameter);
    EXPECT_EQ(reg.OpenKey(0x4242, u"x", kKeyRead, &key), kErrorInvalidHandle);
    // As on Windows: a leading backslash is refused, a trailing or doubled
    // one is not.
    ASSERT_EQ(reg.CreateKey(kHkeyCurrentUser, u"Software\\B", kKeyAllAccess, &key), kErrorSuccess);
    reg.CloseKey(key);
    EXPECT_EQ(reg.OpenKey(kHkeyCurrentUser, u"\\Software\\B", kKeyRead, &key), kErrorBadPathname);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, u"Software\\\\B\\", kKeyRead, &key), kErrorSuccess);
    reg.CloseKey(key);
    EXPECT_EQ(reg.CloseKey(0x4242), kErrorInvalidHandle);
}

}  // namespace
}  // namespace purgeon
