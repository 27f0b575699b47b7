// The registry port on the real registry (Win32Registry) and on the
// in-memory one (MemoryRegistry), side by side under a 64-bit Windows: the
// same expectations run against both, so the native tests' registry cannot
// drift from what Windows does on the points the program relies on.
#include "platform/registry.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/text.h"
#include "platform/win32/win32_registry.h"

namespace purgeon {
namespace {

constexpr std::uint32_t kView32 = kKeyAllAccess;  // a 32-bit program's own view
constexpr std::uint32_t kView64 = kKeyAllAccess | kKeyWow64_64Key;

template <typename Registry>
class RegistryAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        name_ = u"Adapter." + FromUtf8(test);
        user_ = u"Software\\PurgeonTest\\" + name_;
        machine_ = u"SOFTWARE\\PurgeonTest\\" + name_;
        Cleanup();
    }
    void TearDown() override { Cleanup(); }

    // Removes what a test wrote to the real registry, in both views, and
    // PurgeonTest too once no test keeps anything there.
    void Cleanup() {
        const std::wstring sub_key = L"PurgeonTest\\" + std::wstring(name_.begin(), name_.end());
        for (auto [root, software, view] :
             {std::tuple{HKEY_CURRENT_USER, L"Software", REGSAM(0)},
              std::tuple{HKEY_LOCAL_MACHINE, L"SOFTWARE", REGSAM(KEY_WOW64_32KEY)},
              std::tuple{HKEY_LOCAL_MACHINE, L"SOFTWARE", REGSAM(KEY_WOW64_64KEY)}}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, software, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
                continue;
            RegDeleteTreeW(key, sub_key.c_str());
            RegDeleteKeyExW(key, L"PurgeonTest", view, 0);  // fails while not empty
            RegCloseKey(key);
        }
    }

    void Put(RegKey root, const std::u16string& path, std::uint32_t sam,
             const std::u16string& value_name = u"", const std::u16string& text = u"") {
        ScopedRegKey key(reg_);
        ASSERT_EQ(reg_.CreateKey(root, path, sam, key.Receive()), kErrorSuccess) << ToUtf8(path);
        if (!value_name.empty()) SetString(key.Get(), value_name, text);
    }
    void SetString(RegKey key, const std::u16string& name, const std::u16string& text) {
        ASSERT_EQ(
            reg_.SetValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                          std::uint32_t((text.size() + 1) * 2)),
            kErrorSuccess);
    }
    RegStatus Open(RegKey root, const std::u16string& path, std::uint32_t sam) {
        ScopedRegKey key(reg_);
        return reg_.OpenKey(root, path, sam, key.Receive());
    }
    bool Exists(RegKey root, const std::u16string& path, std::uint32_t sam) {
        return Open(root, path, sam) == kErrorSuccess;
    }
    StringList SubKeys(RegKey key) {
        StringList names;
        std::u16string name;
        for (std::uint32_t i = 0; reg_.EnumKey(key, i, 256, &name) == kErrorSuccess; ++i) {
            names.push_back(name);
        }
        return names;
    }
    StringList ValueNames(RegKey key) {
        StringList names;
        std::u16string name;
        for (std::uint32_t i = 0; reg_.EnumValue(key, i, 256, &name) == kErrorSuccess; ++i) {
            names.push_back(name);
        }
        return names;
    }

    Registry reg_;
    std::u16string name_, user_, machine_;
};

using Adapters = ::testing::Types<Win32Registry, MemoryRegistry>;

class AdapterNames {
  public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, Win32Registry> ? "Win32" : "Memory";
    }
};
TYPED_TEST_SUITE(RegistryAdapterTest, Adapters, AdapterNames);

TYPED_TEST(RegistryAdapterTest, HklmSoftwareHasOneKeyPerViewAndEverythingElseIsShared) {
    auto& reg = this->reg_;
    const std::u16string only64 = this->machine_ + u"\\Only64";
    const std::u16string only32 = this->machine_ + u"\\Only32";
    this->Put(kHkeyLocalMachine, only64, kView64);
    this->Put(kHkeyLocalMachine, only32, kView32);

    EXPECT_EQ(this->Open(kHkeyLocalMachine, only64, kView32), kErrorFileNotFound);
    EXPECT_EQ(this->Open(kHkeyLocalMachine, only64, kKeyAllAccess | kKeyWow64_32Key),
              kErrorFileNotFound);
    EXPECT_EQ(this->Open(kHkeyLocalMachine, only32, kView64), kErrorFileNotFound);
    EXPECT_TRUE(this->Exists(kHkeyLocalMachine, only32, kKeyAllAccess | kKeyWow64_32Key));

    // The 32-bit view is Wow6432Node of the 64-bit one, and reaching that
    // name from the 32-bit view does not redirect twice.
    const std::u16string wow_path =
        u"SOFTWARE\\Wow6432Node\\PurgeonTest\\" + this->name_ + u"\\Only32";
    EXPECT_TRUE(this->Exists(kHkeyLocalMachine, wow_path, kView64));
    EXPECT_TRUE(this->Exists(kHkeyLocalMachine, wow_path, kView32));

    // A handle opened in a view keeps it for paths below it.
    ScopedRegKey software64(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyLocalMachine, u"SOFTWARE", kView64, software64.Receive()),
              kErrorSuccess);
    EXPECT_TRUE(
        this->Exists(software64.Get(), u"PurgeonTest\\" + this->name_ + u"\\Only64", kKeyRead));
    EXPECT_FALSE(
        this->Exists(software64.Get(), u"PurgeonTest\\" + this->name_ + u"\\Only32", kKeyRead));

    // HKCU is one for both views.
    this->Put(kHkeyCurrentUser, this->user_ + u"\\From32", kView32);
    this->Put(kHkeyCurrentUser, this->user_ + u"\\From64", kView64);
    EXPECT_TRUE(this->Exists(kHkeyCurrentUser, this->user_ + u"\\From32", kView64));
    EXPECT_TRUE(this->Exists(kHkeyCurrentUser, this->user_ + u"\\From64", kView32));
}

TYPED_TEST(RegistryAdapterTest, NamesIgnoreCaseAndKeepTheirOwn) {
    auto& reg = this->reg_;
    this->Put(kHkeyCurrentUser, this->user_ + u"\\MixedCase", kView32, u"ValueName", u"x");
    ScopedRegKey key(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, AsciiUpper(this->user_) + u"\\MIXEDCASE", kKeyRead,
                          key.Receive()),
              kErrorSuccess);
    EXPECT_EQ(reg.QueryValue(key.Get(), u"valuename", nullptr, nullptr, nullptr), kErrorSuccess);
    EXPECT_EQ(this->ValueNames(key.Get()), StringList{u"ValueName"});
    ScopedRegKey parent(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, this->user_, kKeyRead, parent.Receive()),
              kErrorSuccess);
    EXPECT_EQ(this->SubKeys(parent.Get()), StringList{u"MixedCase"});
}

// Sub-keys come back sorted by name, ignoring case. (Windows sorts by the
// upper-cased names, Wine by the lower-cased ones, so "_" sorts after the
// letters on Windows and before them on Wine; the names here avoid that.)
TYPED_TEST(RegistryAdapterTest, SubKeysEnumerateSortedIgnoringCase) {
    auto& reg = this->reg_;
    for (const char16_t* name : {u"b", u"A", u"C", u"a1", u"9"}) {
        this->Put(kHkeyCurrentUser, this->user_ + u"\\" + name, kView32);
    }
    ScopedRegKey key(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, this->user_, kKeyRead, key.Receive()), kErrorSuccess);
    std::uint32_t sub_keys = 0, values = 0;
    ASSERT_EQ(reg.QueryInfoKey(key.Get(), &sub_keys, &values), kErrorSuccess);
    EXPECT_EQ(sub_keys, 5u);
    EXPECT_EQ(values, 0u);
    EXPECT_EQ(this->SubKeys(key.Get()), (StringList{u"9", u"A", u"a1", u"b", u"C"}));
}

// Every value once, under its first spelling. (Windows lists values in
// creation order, which MemoryRegistry keeps; Wine lists them sorted.)
TYPED_TEST(RegistryAdapterTest, ValuesEnumerateOnceEachUnderTheirFirstName) {
    auto& reg = this->reg_;
    ScopedRegKey key(reg);
    ASSERT_EQ(reg.CreateKey(kHkeyCurrentUser, this->user_, kView32, key.Receive()), kErrorSuccess);
    for (const char16_t* name : {u"Zeta", u"alpha", u"Mid"}) this->SetString(key.Get(), name, u"v");
    this->SetString(key.Get(), u"ZETA", u"replaced");  // the same value
    StringList names = this->ValueNames(key.Get());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (StringList{u"Mid", u"Zeta", u"alpha"}));
}

// A name buffer of `capacity` characters holds a name of capacity - 1.
TYPED_TEST(RegistryAdapterTest, ShortNameBuffersGiveMoreData) {
    auto& reg = this->reg_;
    ScopedRegKey key(reg);
    ASSERT_EQ(reg.CreateKey(kHkeyCurrentUser, this->user_, kView32, key.Receive()), kErrorSuccess);
    this->Put(kHkeyCurrentUser, this->user_ + u"\\Sub12345", kView32);  // 8 characters
    this->SetString(key.Get(), u"Val12345", u"v");

    std::u16string name = u"untouched";
    EXPECT_EQ(reg.EnumKey(key.Get(), 0, 8, &name), kErrorMoreData);
    EXPECT_EQ(reg.EnumValue(key.Get(), 0, 8, &name), kErrorMoreData);
    EXPECT_EQ(name, u"untouched");
    ASSERT_EQ(reg.EnumKey(key.Get(), 0, 9, &name), kErrorSuccess);
    EXPECT_EQ(name, u"Sub12345");
    ASSERT_EQ(reg.EnumValue(key.Get(), 0, 9, &name), kErrorSuccess);
    EXPECT_EQ(name, u"Val12345");
    EXPECT_EQ(reg.EnumKey(key.Get(), 1, 256, &name), kErrorNoMoreItems);
    EXPECT_EQ(reg.EnumValue(key.Get(), 1, 256, &name), kErrorNoMoreItems);
}

TYPED_TEST(RegistryAdapterTest, QueryValueReportsTheSizeThenReads) {
    auto& reg = this->reg_;
    ScopedRegKey key(reg);
    ASSERT_EQ(reg.CreateKey(kHkeyCurrentUser, this->user_, kView32, key.Receive()), kErrorSuccess);
    this->SetString(key.Get(), u"Text", u"hello");
    const std::uint32_t number = 0x01020304;
    ASSERT_EQ(reg.SetValue(key.Get(), u"Number", kRegDword,
                           reinterpret_cast<const std::uint8_t*>(&number), 4),
              kErrorSuccess);
    ASSERT_EQ(reg.SetValue(key.Get(), u"Empty", kRegBinary, nullptr, 0), kErrorSuccess);

    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(reg.QueryValue(key.Get(), u"Text", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 12u);  // five characters and the terminator

    std::vector<std::uint8_t> small(4, 0xAB);
    std::uint32_t small_size = 4;
    EXPECT_EQ(reg.QueryValue(key.Get(), u"Text", nullptr, small.data(), &small_size),
              kErrorMoreData);
    EXPECT_EQ(small_size, 12u);

    std::vector<std::uint8_t> buffer(size, 0);
    std::uint32_t read = size;
    ASSERT_EQ(reg.QueryValue(key.Get(), u"Text", &type, buffer.data(), &read), kErrorSuccess);
    EXPECT_EQ(read, 12u);
    EXPECT_EQ(std::memcmp(buffer.data(), u"hello", 12), 0);

    ASSERT_EQ(reg.QueryValue(key.Get(), u"Number", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(size, 4u);
    ASSERT_EQ(reg.QueryValue(key.Get(), u"Empty", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(size, 0u);

    EXPECT_EQ(reg.QueryValue(key.Get(), u"Missing", nullptr, nullptr, &size), kErrorFileNotFound);
    EXPECT_EQ(reg.QueryValue(key.Get(), u"", nullptr, nullptr, &size), kErrorFileNotFound)
        << "no default value was set";
    EXPECT_EQ(reg.DeleteValue(key.Get(), u"text"), kErrorSuccess);
    EXPECT_EQ(reg.DeleteValue(key.Get(), u"Text"), kErrorFileNotFound);
}

// Hostkit deletes a key with a subtree through a handle to it:
// RegDeleteTreeW with an empty name empties the key but keeps it, and
// RegDeleteKeyExW with an empty name then deletes the key itself.
TYPED_TEST(RegistryAdapterTest, DeleteTreeWithAnEmptyNameEmptiesTheOpenedKey) {
    auto& reg = this->reg_;
    const std::u16string tree = this->user_ + u"\\Tree";
    this->Put(kHkeyCurrentUser, tree + u"\\A\\B", kView32, u"v", u"deep");
    this->Put(kHkeyCurrentUser, tree + u"\\C", kView32);
    this->Put(kHkeyCurrentUser, tree, kView32, u"v", u"top");
    this->Put(kHkeyCurrentUser, this->user_ + u"\\TreeSibling", kView32);

    ScopedRegKey key(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, tree, kKeyAllAccess, key.Receive()), kErrorSuccess);
    EXPECT_EQ(reg.DeleteTree(key.Get(), u""), kErrorSuccess);
    EXPECT_FALSE(this->Exists(kHkeyCurrentUser, tree + u"\\A", kKeyRead));
    EXPECT_TRUE(this->Exists(kHkeyCurrentUser, tree, kKeyRead));
    std::uint32_t sub_keys = 99, values = 99;
    ASSERT_EQ(reg.QueryInfoKey(key.Get(), &sub_keys, &values), kErrorSuccess);
    EXPECT_EQ(sub_keys, 0u);
    EXPECT_EQ(values, 0u);

    EXPECT_EQ(reg.DeleteKey(key.Get(), u"", kKeyAllAccess), kErrorSuccess);
    EXPECT_FALSE(this->Exists(kHkeyCurrentUser, tree, kKeyRead));
    EXPECT_TRUE(this->Exists(kHkeyCurrentUser, this->user_ + u"\\TreeSibling", kKeyRead));
}

TYPED_TEST(RegistryAdapterTest, DeleteTreeWithANameDeletesThatSubKey) {
    auto& reg = this->reg_;
    this->Put(kHkeyCurrentUser, this->user_ + u"\\Tree\\A\\B", kView32);
    ScopedRegKey key(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, this->user_, kKeyAllAccess, key.Receive()),
              kErrorSuccess);
    EXPECT_EQ(reg.DeleteTree(key.Get(), u"Tree"), kErrorSuccess);
    EXPECT_FALSE(this->Exists(kHkeyCurrentUser, this->user_ + u"\\Tree", kKeyRead));
    EXPECT_TRUE(this->Exists(kHkeyCurrentUser, this->user_, kKeyRead));
    EXPECT_EQ(reg.DeleteTree(key.Get(), u"Tree"), kErrorFileNotFound);
}

TYPED_TEST(RegistryAdapterTest, DeleteKeyTakesOnlyLeavesAndHonoursTheView) {
    auto& reg = this->reg_;
    const std::u16string app = this->machine_ + u"\\App";
    this->Put(kHkeyLocalMachine, app, kView32);
    this->Put(kHkeyLocalMachine, app, kView64);
    this->Put(kHkeyLocalMachine, this->machine_ + u"\\Parent\\Child", kView64);

    EXPECT_EQ(reg.DeleteKey(kHkeyLocalMachine, this->machine_ + u"\\Parent", kKeyWow64_64Key),
              kErrorAccessDenied);
    EXPECT_TRUE(this->Exists(kHkeyLocalMachine, this->machine_ + u"\\Parent\\Child", kView64));

    EXPECT_EQ(reg.DeleteKey(kHkeyLocalMachine, app, kKeyWow64_64Key), kErrorSuccess);
    EXPECT_FALSE(this->Exists(kHkeyLocalMachine, app, kView64));
    EXPECT_TRUE(this->Exists(kHkeyLocalMachine, app, kView32));
    EXPECT_EQ(reg.DeleteKey(kHkeyLocalMachine, app, 0), kErrorSuccess);
    EXPECT_FALSE(this->Exists(kHkeyLocalMachine, app, kView32));
    EXPECT_EQ(reg.DeleteKey(kHkeyLocalMachine, app, 0), kErrorFileNotFound);

    // An opened leaf deleted through its own handle with an empty name.
    this->Put(kHkeyCurrentUser, this->user_ + u"\\Leaf", kView32);
    ScopedRegKey leaf(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, this->user_ + u"\\Leaf", kKeyAllAccess, leaf.Receive()),
              kErrorSuccess);
    EXPECT_EQ(reg.DeleteKey(leaf.Get(), u"", kKeyAllAccess), kErrorSuccess);
    EXPECT_FALSE(this->Exists(kHkeyCurrentUser, this->user_ + u"\\Leaf", kKeyRead));
}

TYPED_TEST(RegistryAdapterTest, AHandleToADeletedKeyReportsKeyDeleted) {
    auto& reg = this->reg_;
    this->Put(kHkeyCurrentUser, this->user_ + u"\\Doomed", kView32, u"v", u"x");
    ScopedRegKey doomed(reg);
    ASSERT_EQ(
        reg.OpenKey(kHkeyCurrentUser, this->user_ + u"\\Doomed", kKeyAllAccess, doomed.Receive()),
        kErrorSuccess);
    ASSERT_EQ(reg.DeleteKey(kHkeyCurrentUser, this->user_ + u"\\Doomed", 0), kErrorSuccess);
    std::uint32_t sub_keys = 0;
    EXPECT_EQ(reg.QueryInfoKey(doomed.Get(), &sub_keys, nullptr), kErrorKeyDeleted);
    std::u16string name;
    EXPECT_EQ(reg.EnumValue(doomed.Get(), 0, 256, &name), kErrorKeyDeleted);
}

// A key name of 255 characters, the longest Windows allows, works. (Wine
// also takes 256, where MemoryRegistry follows Windows and refuses.)
TYPED_TEST(RegistryAdapterTest, AKeyNameOf255CharactersWorks) {
    auto& reg = this->reg_;
    const std::u16string longest(255, u'k');
    this->Put(kHkeyCurrentUser, this->user_ + u"\\" + longest, kView32);
    ScopedRegKey key(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, this->user_, kKeyRead, key.Receive()), kErrorSuccess);
    std::u16string name;
    EXPECT_EQ(reg.EnumKey(key.Get(), 0, 255, &name), kErrorMoreData);
    ASSERT_EQ(reg.EnumKey(key.Get(), 0, 256, &name), kErrorSuccess);
    EXPECT_EQ(name, longest);
}

TYPED_TEST(RegistryAdapterTest, OpenWithAnEmptyPathOpensTheParentAgain) {
    auto& reg = this->reg_;
    this->Put(kHkeyCurrentUser, this->user_ + u"\\Child", kView32);
    ScopedRegKey parent(reg);
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, this->user_, kKeyRead, parent.Receive()),
              kErrorSuccess);
    ScopedRegKey again(reg);
    ASSERT_EQ(reg.OpenKey(parent.Get(), u"", kKeyRead, again.Receive()), kErrorSuccess);
    EXPECT_NE(again.Get(), parent.Get());
    EXPECT_EQ(this->SubKeys(again.Get()), StringList{u"Child"});
}

}  // namespace
}  // namespace purgeon
