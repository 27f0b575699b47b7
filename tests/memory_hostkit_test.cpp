// MemoryHostkit stands in for Hostkit.dll in the native tests; its key
// deletion must do what the DLL does on Windows (see
// tests/windows/hostkit_test.cpp for the same cases on the real registry).
#include "platform/memory/memory_hostkit.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_registry.h"
#include "support/registry_fixture.h"

namespace purgeon {
namespace {

using testing::KeyExists;
using testing::PutKey;
using testing::PutString;

constexpr char16_t kApp[] = u"SOFTWARE\\Vendor\\App";

class MemoryHostkitTest : public ::testing::Test {
  protected:
    // The "Marker" value of the key in that view, "<missing>" when absent.
    std::u16string Marker(RegKey root, const std::u16string& path, bool view64) {
        ScopedRegKey key(registry_);
        const std::uint32_t sam = kKeyRead | (view64 ? kKeyWow64_64Key : 0);
        if (registry_.OpenKey(root, path, sam, key.Receive()) != kErrorSuccess) return u"<missing>";
        char16_t buffer[32] = {};
        std::uint32_t size = sizeof(buffer) - 2;
        if (registry_.QueryValue(key.Get(), u"Marker", nullptr,
                                 reinterpret_cast<std::uint8_t*>(buffer), &size) != kErrorSuccess) {
            return u"<missing>";
        }
        return buffer;
    }

    MemoryRegistry registry_{/*is_64bit_os=*/true};
    MemoryHostkit hostkit_{registry_};
};

TEST_F(MemoryHostkitTest, DeletesALeafAndLeavesItsParent) {
    PutString(registry_, kHkeyCurrentUser, u"Software\\T\\Leaf", u"Marker", u"leaf");
    EXPECT_TRUE(hostkit_.CommonRegDeleteKey(kHkeyCurrentUser, u"Software\\T\\Leaf", 0));
    EXPECT_FALSE(KeyExists(registry_, kHkeyCurrentUser, u"Software\\T\\Leaf"));
    EXPECT_TRUE(KeyExists(registry_, kHkeyCurrentUser, u"Software\\T"));
}

TEST_F(MemoryHostkitTest, DeletesAKeyWithItsWholeSubtreeAndNothingBeside) {
    PutString(registry_, kHkeyCurrentUser, u"Software\\T\\Tree", u"Marker", u"tree");
    PutString(registry_, kHkeyCurrentUser, u"Software\\T\\Tree\\A\\B\\C", u"Marker", u"c");
    PutKey(registry_, kHkeyCurrentUser, u"Software\\T\\Tree\\D");
    PutString(registry_, kHkeyCurrentUser, u"Software\\T\\TreeSibling", u"Marker", u"sibling");
    EXPECT_TRUE(hostkit_.CommonRegDeleteKey(kHkeyCurrentUser, u"Software\\T\\Tree", 0));
    EXPECT_FALSE(KeyExists(registry_, kHkeyCurrentUser, u"Software\\T\\Tree"));
    EXPECT_FALSE(KeyExists(registry_, kHkeyCurrentUser, u"Software\\T\\Tree\\A\\B\\C"));
    EXPECT_EQ(Marker(kHkeyCurrentUser, u"Software\\T\\TreeSibling", false), u"sibling");
    EXPECT_EQ(registry_.OpenHandleCount(), 0u);
}

TEST_F(MemoryHostkitTest, AMissingKeyOrAnEmptyPathDeletesNothing) {
    PutString(registry_, kHkeyCurrentUser, u"Software\\T\\Keep", u"Marker", u"keep");
    EXPECT_FALSE(hostkit_.CommonRegDeleteKey(kHkeyCurrentUser, u"Software\\T\\Missing", 0));
    EXPECT_FALSE(hostkit_.CommonRegDeleteKey(kHkeyCurrentUser, u"Software\\Missing\\Deeper", 1));
    // A root alone is never deleted, nor emptied.
    for (RegKey root : {kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers, kHkeyClassesRoot}) {
        for (const char16_t* path : {u"", u"\\"}) {
            EXPECT_FALSE(hostkit_.CommonRegDeleteKey(root, path, 0)) << root;
            EXPECT_FALSE(hostkit_.CommonRegDeleteKey(root, path, 1)) << root;
        }
    }
    EXPECT_EQ(Marker(kHkeyCurrentUser, u"Software\\T\\Keep", false), u"keep");
    EXPECT_TRUE(KeyExists(registry_, kHkeyLocalMachine, u"SOFTWARE", true));
}

// The view byte selects the 64-bit view only when it is exactly 1; HKLM's
// SOFTWARE holds a different key of the same name in each view.
TEST_F(MemoryHostkitTest, TheViewByteSelectsWhichKeyIsDeleted) {
    struct Case {
        std::uint8_t view;
        bool subtree;
        bool deletes_64bit;
    } cases[] = {
        {0, false, false},   {0, true, false}, {2, false, false}, {2, true, false},
        {0xFF, true, false}, {1, false, true}, {1, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "view byte " << int(c.view) << (c.subtree ? ", subtree" : ""));
        MemoryRegistry registry(true);
        MemoryHostkit hostkit(registry);
        for (bool view64 : {false, true}) {
            PutString(registry, kHkeyLocalMachine, kApp, u"Marker", view64 ? u"64" : u"32", view64);
            if (c.subtree)
                PutKey(registry, kHkeyLocalMachine, std::u16string(kApp) + u"\\Sub\\Deep", view64);
        }
        EXPECT_TRUE(hostkit.CommonRegDeleteKey(kHkeyLocalMachine, kApp, c.view));
        EXPECT_FALSE(KeyExists(registry, kHkeyLocalMachine, kApp, c.deletes_64bit));
        EXPECT_TRUE(KeyExists(registry, kHkeyLocalMachine, kApp, !c.deletes_64bit));
        if (c.subtree) {
            EXPECT_TRUE(KeyExists(registry, kHkeyLocalMachine,
                                  std::u16string(kApp) + u"\\Sub\\Deep", !c.deletes_64bit));
        }
    }
}

TEST(MemoryHostkitOn32BitWindows, EveryViewByteReachesTheOnlyView) {
    for (std::uint8_t view : {0, 1, 2}) {
        MemoryRegistry registry(/*is_64bit_os=*/false);
        MemoryHostkit hostkit(registry);
        PutKey(registry, kHkeyLocalMachine, std::u16string(kApp) + u"\\Sub");
        EXPECT_TRUE(hostkit.CommonRegDeleteKey(kHkeyLocalMachine, kApp, view)) << int(view);
        EXPECT_FALSE(KeyExists(registry, kHkeyLocalMachine, kApp)) << int(view);
    }
}

}  // namespace
}  // namespace purgeon
