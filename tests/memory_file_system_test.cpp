// The in-memory file system must behave as Windows does where the core can
// tell: path forms, letter case, listing order and dot entries, 8.3 aliases,
// the refusals of DeleteFile/RemoveDirectory, and links.
#include "platform/memory/memory_file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"

namespace purgeon {
namespace {

std::string Utf8(const std::u16string& text) {
    return ToUtf8(text);
}

// Every entry of a listing, in order, as "name" or "name|SHORT".
std::vector<std::string> List(MemoryFileSystem& fs, const std::u16string& pattern) {
    std::vector<std::string> names;
    FindData data;
    ScopedFindHandle handle(fs, fs.FindFirst(pattern, &data));
    if (!handle.Valid()) return names;
    do {
        names.push_back(Utf8(data.name) +
                        (data.short_name.empty() ? "" : "|" + Utf8(data.short_name)));
    } while (fs.FindNext(handle.Get(), &data));
    return names;
}

std::string Text(MemoryFileSystem& fs, const std::u16string& path) {
    std::vector<std::uint8_t> bytes;
    if (!fs.ReadFile(path, &bytes)) return "<unreadable>";
    return std::string(bytes.begin(), bytes.end());
}

TEST(MemoryFileSystemTest, PathFormsResolveAsWin32Does) {
    MemoryFileSystem fs;
    fs.AddDrive(u'd');
    ASSERT_TRUE(fs.AddFile(u"C:\\Apps\\Tool\\Read Me.txt", "x"));
    ASSERT_TRUE(fs.AddFolder(u"D:\\Data"));
    const struct {
        std::u16string path;
        std::uint32_t attributes;
    } cases[] = {
        {u"C:\\Apps\\Tool\\Read Me.txt", kFileAttributeArchive},
        {u"c:\\APPS\\tool\\READ ME.TXT", kFileAttributeArchive},
        {u"C:/Apps/Tool/Read Me.txt", kFileAttributeArchive},
        {u"C:\\Apps\\\\Tool\\.\\..\\Tool\\Read Me.txt", kFileAttributeArchive},
        {u"\\\\?\\C:\\Apps\\Tool\\Read Me.txt", kFileAttributeArchive},
        {u"C:\\Apps\\Tool\\", kFileAttributeDirectory},
        {u"C:\\Apps\\Tool\\..\\..\\..", kFileAttributeDirectory | 0x06},  // the root, not above it
        {u"d:\\data", kFileAttributeDirectory},
        {u"C:\\Apps\\Tool\\Read Me.txt\\", kInvalidFileAttributes},  // a file is no folder
        {u"C:Apps", kInvalidFileAttributes},                         // needs a current folder
        {u"Apps\\Tool", kInvalidFileAttributes},
        {u"E:\\", kInvalidFileAttributes},
        {u"C:\\Apps\\Tool\\Read", kInvalidFileAttributes},
        {std::u16string(u"C:\\Apps\0\\Tool", 13), kFileAttributeDirectory},  // a NUL ends the text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fs.GetAttributes(c.path), c.attributes) << Utf8(c.path);
    }
    // Names keep the case they were created with.
    EXPECT_EQ(List(fs, u"c:\\apps\\*"), (std::vector<std::string>{".", "..", "Tool"}));
}

TEST(MemoryFileSystemTest, ListsDotsThenNamesInUpperCasedOrder) {
    MemoryFileSystem fs;
    // Sorted by upper case, '_' (0x5F) comes after the letters; by lower case
    // it would come before "b".
    for (const char16_t* name : {u"b.txt", u"_x.txt", u"A.txt", u"a1.txt"}) {
        ASSERT_TRUE(fs.AddFile(std::u16string(u"C:\\F\\") + name));
    }
    ASSERT_TRUE(fs.AddFolder(u"C:\\F\\Sub"));
    EXPECT_EQ(List(fs, u"C:\\F\\*.*"),
              (std::vector<std::string>{".", "..", "A.txt", "a1.txt", "b.txt", "Sub", "_x.txt"}));
    EXPECT_EQ(List(fs, u"C:\\F\\*"), List(fs, u"C:\\F\\*.*"));
    EXPECT_EQ(List(fs, u"C:\\F\\a*.t?t"), (std::vector<std::string>{"A.txt", "a1.txt"}));
    EXPECT_EQ(List(fs, u"C:\\F\\SUB"), (std::vector<std::string>{"Sub"}));  // a plain name
    // A drive root has no dot entries.
    EXPECT_EQ(List(fs, u"C:\\*"), (std::vector<std::string>{"F"}));

    FindData data;
    const FindHandle handle = fs.FindFirst(u"C:\\F\\*.*", &data);
    ASSERT_NE(handle, kInvalidFindHandle);
    EXPECT_EQ(data.name, u".");
    EXPECT_EQ(data.attributes, kFileAttributeDirectory);
    EXPECT_EQ(fs.OpenFindHandleCount(), 1u);
    fs.FindClose(handle);
    EXPECT_EQ(fs.OpenFindHandleCount(), 0u);

    for (const char16_t* pattern :
         {u"C:\\F\\*.dll", u"C:\\Missing\\*.*", u"C:\\F\\b.txt\\*.*", u"C:\\F\\", u"F\\*.*"}) {
        EXPECT_EQ(fs.FindFirst(pattern, &data), kInvalidFindHandle) << Utf8(pattern);
    }
    EXPECT_EQ(fs.OpenFindHandleCount(), 0u);
}

TEST(MemoryFileSystemTest, ListingReportsAttributesSizesAndLinks) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\plain.txt", "12345"));
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\ro.txt", "", kFileAttributeReadOnly | kFileAttributeHidden));
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\bare.txt", "", 0));
    ASSERT_TRUE(fs.AddJunction(u"C:\\F\\link", u"C:\\Elsewhere"));
    ASSERT_TRUE(fs.AddFileSymlink(u"C:\\F\\sym.txt", u"C:\\F\\plain.txt"));
    std::vector<std::pair<std::u16string, std::uint32_t>> seen;
    FindData data;
    ScopedFindHandle handle(fs, fs.FindFirst(u"C:\\F\\*", &data));
    ASSERT_TRUE(handle.Valid());
    do {
        seen.emplace_back(data.name, data.attributes);
        if (data.name == u"plain.txt") {
            EXPECT_EQ(data.size, 5u);
        }
    } while (fs.FindNext(handle.Get(), &data));
    EXPECT_EQ(seen, (std::vector<std::pair<std::u16string, std::uint32_t>>{
                        {u".", 0x10},
                        {u"..", 0x16},  // the drive root's attributes
                        {u"bare.txt", kFileAttributeNormal},
                        {u"link", 0x410},
                        {u"plain.txt", 0x20},
                        {u"ro.txt", 0x03},
                        {u"sym.txt", 0x420},
                    }));
}

TEST(MemoryFileSystemTest, GivesShortNamesInTheWindowsStyle) {
    MemoryFileSystem fs;
    const struct {
        std::u16string name;
        std::u16string short_name;
    } cases[] = {
        {u"PROGRA~1", u""},  // a long name that is a valid 8.3 name already
        {u"Program Files", u"PROGRA~2"},
        {u"Program Files (x86)", u"PROGRA~3"},
        {u"readme.txt", u""},
        {u"README2.TXT", u""},
        {u"My Document.html", u"MYDOCU~1.HTM"},
        {u"a.b.c", u"AB~1.C"},
        {u".gitignore", u"GITIGN~1"},
        {u"x+y=z.txt", u"X_Y_Z~1.TXT"},
        {u"Program Data", u"PROGRA~4"},
    };
    for (const auto& c : cases) ASSERT_TRUE(fs.AddFolder(u"C:\\" + c.name)) << Utf8(c.name);
    for (const auto& c : cases) {
        EXPECT_EQ(fs.ShortNameOf(u"C:\\" + c.name), c.short_name) << Utf8(c.name);
    }
    // Past "~4" the alias takes a hash; every alias stays unique in the folder.
    std::vector<std::u16string> aliases;
    for (int i = 0; i < 30; ++i) {
        const std::u16string name = u"Program Extra " + FromUtf8(std::to_string(i));
        ASSERT_TRUE(fs.AddFolder(u"C:\\" + name));
        aliases.push_back(fs.ShortNameOf(u"C:\\" + name));
        EXPECT_EQ(aliases.back().size(), 8u) << Utf8(aliases.back());
        EXPECT_EQ(aliases.back().substr(0, 2), u"PR");
        EXPECT_EQ(fs.GetAttributes(u"C:\\" + aliases.back()), kFileAttributeDirectory);
    }
    std::sort(aliases.begin(), aliases.end());
    EXPECT_EQ(std::adjacent_find(aliases.begin(), aliases.end()), aliases.end());
    // A name taken as an alias cannot be created again.
    EXPECT_FALSE(fs.CreateDirectory(u"C:\\progra~2"));
}

TEST(MemoryFileSystemTest, LongPathNameExpandsShortComponents) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\Program Files\\My Application\\Main Module.dll"));
    ASSERT_TRUE(
        fs.AddJunction(u"C:\\Program Files\\Shortcut Link", u"C:\\Program Files\\My Application"));
    const struct {
        std::u16string path;
        std::u16string long_path;  // empty: the call fails
    } cases[] = {
        {u"C:\\PROGRA~1\\MYAPPL~1\\MAINMO~1.DLL",
         u"C:\\Program Files\\My Application\\Main Module.dll"},
        {u"c:\\progra~1\\my application\\", u"c:\\Program Files\\my application\\"},
        {u"C:/PROGRA~1/MYAPPL~1", u"C:\\Program Files\\My Application"},
        {u"\\\\?\\C:\\PROGRA~1", u"\\\\?\\C:\\Program Files"},
        {u"C:\\PROGRA~1\\SHORTC~1\\MAINMO~1.DLL",
         u"C:\\Program Files\\Shortcut Link\\Main Module.dll"},
        {u"C:\\", u"C:\\"},
        {u"C:\\PROGRA~1\\MYAPPL~2", u""},
        {u"C:\\PROGRA~1\\MYAPPL~1\\MAINMO~1.DLL\\", u""},
        {u"Q:\\PROGRA~1", u""},
    };
    for (const auto& c : cases) {
        std::u16string long_path = u"untouched";
        EXPECT_EQ(fs.GetLongPathName(c.path, &long_path), !c.long_path.empty()) << Utf8(c.path);
        EXPECT_EQ(long_path, c.long_path.empty() ? u"untouched" : c.long_path) << Utf8(c.path);
    }
}

TEST(MemoryFileSystemTest, DeleteAndRemoveRefuseWhatWindowsRefuses) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\ro.txt", "", kFileAttributeReadOnly));
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\hidden.sys", "", kFileAttributeHidden | kFileAttributeSystem));
    ASSERT_TRUE(fs.AddFolder(u"C:\\F\\Full\\Inner"));
    ASSERT_TRUE(fs.AddFolder(u"C:\\F\\Locked", kFileAttributeReadOnly));
    ASSERT_TRUE(fs.AddFolder(u"C:\\F\\Empty"));

    EXPECT_FALSE(fs.DeleteFile(u"C:\\F\\ro.txt"));
    EXPECT_FALSE(fs.DeleteFile(u"C:\\F\\Empty"));
    EXPECT_FALSE(fs.DeleteFile(u"C:\\F\\missing.txt"));
    EXPECT_FALSE(fs.RemoveDirectory(u"C:\\F\\Full"));
    EXPECT_FALSE(fs.RemoveDirectory(u"C:\\F\\Locked"));
    EXPECT_FALSE(fs.RemoveDirectory(u"C:\\F\\hidden.sys"));
    EXPECT_FALSE(fs.RemoveDirectory(u"C:\\"));
    EXPECT_TRUE(fs.Exists(u"C:\\F\\ro.txt"));
    EXPECT_TRUE(fs.Exists(u"C:\\F\\Full\\Inner"));
    EXPECT_TRUE(fs.Exists(u"C:\\F\\Locked"));

    EXPECT_TRUE(fs.DeleteFile(u"C:\\F\\HIDDEN.SYS"));
    EXPECT_TRUE(fs.RemoveDirectory(u"C:\\F\\Empty\\"));
    EXPECT_TRUE(fs.SetAttributes(u"C:\\F\\ro.txt", kFileAttributeNormal));
    EXPECT_TRUE(fs.DeleteFile(u"C:\\F\\ro.txt"));
    EXPECT_EQ(List(fs, u"C:\\F\\*"), (std::vector<std::string>{".", "..", "Full", "Locked"}));
}

TEST(MemoryFileSystemTest, CreateDirectoryNeedsAParentAndAFreeValidName) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\file.txt"));
    EXPECT_TRUE(fs.CreateDirectory(u"C:\\F\\New\\"));
    EXPECT_EQ(fs.GetAttributes(u"C:\\f\\new"), kFileAttributeDirectory);
    for (const char16_t* path :
         {u"C:\\F\\NEW", u"C:\\Missing\\New", u"C:\\F\\file.txt\\New", u"C:\\F\\a?b", u"C:\\"}) {
        EXPECT_FALSE(fs.CreateDirectory(path)) << Utf8(path);
    }
    // As Win32 does, the dots and blanks that end a name go; the literal
    // form keeps them, and such a name cannot be made here.
    EXPECT_TRUE(fs.CreateDirectory(u"C:\\F\\dot. ."));
    EXPECT_EQ(fs.GetAttributes(u"C:\\F\\dot"), kFileAttributeDirectory);
    EXPECT_FALSE(fs.CreateDirectory(u"\\\\?\\C:\\F\\odd."));
}

TEST(MemoryFileSystemTest, AttributesKeepOnlyTheSettableBits) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\f.txt"));
    ASSERT_TRUE(fs.AddFolder(u"C:\\D"));
    EXPECT_TRUE(fs.SetAttributes(
        u"C:\\f.txt", kFileAttributeDirectory | kFileAttributeReparsePoint | kFileAttributeHidden));
    EXPECT_EQ(fs.GetAttributes(u"C:\\f.txt"), kFileAttributeHidden);
    EXPECT_TRUE(fs.SetAttributes(u"C:\\f.txt", 0));
    EXPECT_EQ(fs.GetAttributes(u"C:\\f.txt"), kFileAttributeNormal);
    EXPECT_TRUE(fs.SetAttributes(u"C:\\D", kFileAttributeReadOnly));
    EXPECT_EQ(fs.GetAttributes(u"C:\\D"), kFileAttributeDirectory | kFileAttributeReadOnly);
    EXPECT_FALSE(fs.SetAttributes(u"C:\\none", kFileAttributeHidden));
}

TEST(MemoryFileSystemTest, ReadAndWriteWholeFiles) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFolder(u"C:\\F"));
    const std::vector<std::uint8_t> first{'a', 'b', 0, 'c'};
    EXPECT_TRUE(fs.WriteFile(u"C:\\F\\data.bin", first));
    EXPECT_EQ(fs.GetAttributes(u"C:\\F\\data.bin"), kFileAttributeArchive);
    EXPECT_TRUE(fs.SetAttributes(u"C:\\F\\data.bin", kFileAttributeHidden));
    EXPECT_TRUE(fs.WriteFile(u"C:\\F\\DATA.BIN", {'z'}));  // replaces, keeps the attributes
    EXPECT_EQ(Text(fs, u"C:\\F\\data.bin"), "z");
    EXPECT_EQ(fs.GetAttributes(u"C:\\F\\data.bin"), kFileAttributeHidden);
    EXPECT_EQ(List(fs, u"C:\\F\\*"), (std::vector<std::string>{".", "..", "data.bin"}));

    ASSERT_TRUE(fs.AddFile(u"C:\\F\\ro.txt", "keep", kFileAttributeReadOnly));
    EXPECT_FALSE(fs.WriteFile(u"C:\\F\\ro.txt", {'x'}));
    EXPECT_EQ(Text(fs, u"C:\\F\\ro.txt"), "keep");
    EXPECT_FALSE(fs.WriteFile(u"C:\\Missing\\a.txt", {'x'}));
    EXPECT_FALSE(fs.WriteFile(u"C:\\F", {'x'}));
    std::vector<std::uint8_t> bytes{'u', 'n', 't', 'o', 'u', 'c', 'h', 'e', 'd'};
    EXPECT_FALSE(fs.ReadFile(u"C:\\F", &bytes));
    EXPECT_FALSE(fs.ReadFile(u"C:\\F\\none", &bytes));
    EXPECT_EQ(bytes.size(), 9u);
}

TEST(MemoryFileSystemTest, JunctionLeadsToItsTargetAndIsRemovedAlone) {
    MemoryFileSystem fs;
    fs.AddDrive(u'D');
    ASSERT_TRUE(fs.AddFile(u"D:\\Data\\kept.txt", "kept"));
    ASSERT_TRUE(fs.AddJunction(u"C:\\App\\link", u"D:\\Data"));

    EXPECT_EQ(fs.GetAttributes(u"C:\\App\\link"),
              kFileAttributeDirectory | kFileAttributeReparsePoint);
    EXPECT_EQ(fs.GetAttributes(u"C:\\App\\link\\"),
              kFileAttributeDirectory | kFileAttributeReparsePoint);
    EXPECT_EQ(List(fs, u"C:\\App\\link\\*.*"), (std::vector<std::string>{".", "..", "kept.txt"}));
    EXPECT_EQ(List(fs, u"C:\\App\\link"), (std::vector<std::string>{"link"}));
    EXPECT_EQ(Text(fs, u"C:\\App\\link\\kept.txt"), "kept");
    EXPECT_TRUE(fs.WriteFile(u"C:\\App\\link\\new.txt", {'n'}));
    EXPECT_TRUE(fs.Exists(u"D:\\Data\\new.txt"));

    EXPECT_FALSE(fs.DeleteFile(u"C:\\App\\link"));
    EXPECT_TRUE(
        fs.RemoveDirectory(u"C:\\App\\link"));  // the target is not empty: only the link goes
    EXPECT_FALSE(fs.Exists(u"C:\\App\\link"));
    EXPECT_EQ(Text(fs, u"D:\\Data\\kept.txt"), "kept");
    EXPECT_TRUE(fs.Exists(u"D:\\Data\\new.txt"));
}

TEST(MemoryFileSystemTest, FileSymlinkReadsTheTargetAndIsDeletedAlone) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\real.txt", "real"));
    ASSERT_TRUE(fs.AddFileSymlink(u"C:\\F\\alias.txt", u"C:\\real.txt"));
    EXPECT_EQ(fs.GetAttributes(u"C:\\F\\alias.txt"),
              kFileAttributeArchive | kFileAttributeReparsePoint);
    EXPECT_EQ(Text(fs, u"C:\\F\\alias.txt"), "real");
    EXPECT_FALSE(fs.RemoveDirectory(u"C:\\F\\alias.txt"));
    EXPECT_TRUE(fs.DeleteFile(u"C:\\F\\alias.txt"));
    EXPECT_EQ(Text(fs, u"C:\\real.txt"), "real");
}

TEST(MemoryFileSystemTest, DanglingAndCyclicLinksFailWithoutHanging) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddJunction(u"C:\\F\\gone", u"C:\\Nowhere"));
    ASSERT_TRUE(fs.AddJunction(u"C:\\F\\loop", u"C:\\F"));
    EXPECT_EQ(fs.GetAttributes(u"C:\\F\\gone"), 0x410u);
    EXPECT_EQ(List(fs, u"C:\\F\\gone\\*"), std::vector<std::string>{});
    EXPECT_FALSE(fs.WriteFile(u"C:\\F\\gone\\x.txt", {'x'}));

    // A cycle through a junction resolves while it stays within Windows'
    // limit of reparse points in one path, and fails past it.
    std::u16string path = u"C:\\F";
    for (int i = 0; i < 63; ++i) path += u"\\loop";
    EXPECT_EQ(fs.GetAttributes(path + u"\\gone"), 0x410u);
    EXPECT_EQ(fs.GetAttributes(path + u"\\loop\\gone"), kInvalidFileAttributes);
    EXPECT_TRUE(fs.RemoveDirectory(u"C:\\F\\loop"));
    EXPECT_TRUE(fs.Exists(u"C:\\F\\gone"));
}

TEST(MemoryFileSystemTest, UnlistableFolderRefusesListingOnly) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\Secret\\in.txt", "in"));
    ASSERT_TRUE(fs.SetListable(u"C:\\Secret", false));
    FindData data;
    EXPECT_EQ(fs.FindFirst(u"C:\\Secret\\*.*", &data), kInvalidFindHandle);
    EXPECT_EQ(Text(fs, u"C:\\Secret\\in.txt"), "in");
    EXPECT_EQ(List(fs, u"C:\\*"), (std::vector<std::string>{"Secret"}));
}

TEST(MemoryFileSystemTest, RemovalLogRecordsSuccessfulRemovalsWhileOn) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\a.txt"));
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\b.txt"));
    EXPECT_TRUE(fs.DeleteFile(u"C:\\F\\a.txt"));
    fs.SetRemovalLog(true);
    EXPECT_FALSE(fs.RemoveDirectory(u"C:\\F"));
    EXPECT_TRUE(fs.DeleteFile(u"c:\\f\\B.TXT"));
    EXPECT_TRUE(fs.RemoveDirectory(u"C:\\F"));
    EXPECT_EQ(fs.TakeRemovalLog(), (std::vector<std::u16string>{u"c:\\f\\B.TXT", u"C:\\F"}));
    EXPECT_TRUE(fs.TakeRemovalLog().empty());
}

TEST(MemoryFileSystemTest, VeryDeepTreeBuildsResolvesAndTearsDownWithoutRecursion) {
    constexpr int kDepth = 100000;
    std::u16string path = u"C:";
    path.reserve(2 + 2 * kDepth + 8);
    for (int i = 0; i < kDepth; ++i) path += u"\\d";
    {
        MemoryFileSystem fs;
        ASSERT_TRUE(fs.AddFile(path + u"\\leaf.txt", "deep"));
        EXPECT_EQ(Text(fs, path + u"\\leaf.txt"), "deep");
        std::u16string long_path;
        EXPECT_TRUE(fs.GetLongPathName(path, &long_path));
        EXPECT_EQ(long_path, path);
    }  // the destructor must not recurse down the chain
}

TEST(MemoryFileSystemTest, ConcurrentCallersKeepTheTreeConsistent) {
    MemoryFileSystem fs;
    constexpr int kThreads = 4, kRounds = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&fs, t] {
            const std::u16string folder = u"C:\\T" + FromUtf8(std::to_string(t));
            for (int i = 0; i < kRounds; ++i) {
                const std::u16string file =
                    folder + u"\\Long File Name " + FromUtf8(std::to_string(i));
                fs.AddFile(file, "x");
                FindData data;
                ScopedFindHandle listing(fs, fs.FindFirst(u"C:\\*", &data));
                while (listing.Valid() && fs.FindNext(listing.Get(), &data)) {
                }
                if (i % 2 == 0) fs.DeleteFile(file);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(List(fs, u"C:\\T" + FromUtf8(std::to_string(t)) + u"\\*").size(),
                  2u + kRounds / 2);
    }
    EXPECT_EQ(fs.OpenFindHandleCount(), 0u);
}

}  // namespace
}  // namespace purgeon
