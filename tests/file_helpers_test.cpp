// The shared folder and file procedures over the in-memory ports: special
// folders, long paths, the directory test, and deletion of files and trees
// with what must survive it (read-only files, link targets, unlistable
// folders) and without recursion.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_shell_folders.h"
#include "platform/text.h"

namespace purgeon {
namespace {

std::string Utf8(const std::u16string& text) {
    return ToUtf8(text);
}

TEST(SpecialFoldersTest, EndInABackslashOrAreASingleBackslash) {
    using Getter = std::u16string (*)(ShellFoldersPort&);
    const struct {
        const char* name;
        Getter get;
        int csidl;  // -1: the system directory
    } folders[] = {
        {"system", GetSystemDirPath, -1},
        {"startup", GetStartupDirPath, kCsidlStartup},
        {"desktop", GetDesktopDirPath, kCsidlDesktopDirectory},
        {"program files", GetProgramFilesDirPath, kCsidlProgramFiles},
        {"windows", GetWindowsDirPath, kCsidlWindows},
        {"appdata", GetAppDataDirPath, kCsidlAppData},
    };
    MemoryShellFolders unobtainable;
    MemoryShellFolders plain;    // paths without a trailing backslash
    MemoryShellFolders slashed;  // paths that have one already
    for (const auto& f : folders) {
        const std::u16string path = u"C:\\Folder " + FromUtf8(f.name);
        if (f.csidl < 0) {
            plain.SetSystemDirectory(path);
            slashed.SetSystemDirectory(path + u"\\");
        } else {
            plain.SetSpecialFolder(f.csidl, path);
            slashed.SetSpecialFolder(f.csidl, path + u"\\");
        }
    }
    for (const auto& f : folders) {
        const std::u16string expected = u"C:\\Folder " + FromUtf8(f.name) + u"\\";
        EXPECT_EQ(f.get(plain), expected) << f.name;
        EXPECT_EQ(f.get(slashed), expected) << f.name;
        EXPECT_EQ(f.get(unobtainable), u"\\") << f.name;
    }
}

TEST(GetLongPathTest, ExpandsShortPathsAndIsEmptyForMissingOnes) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\Program Files\\Some Vendor\\Setup Helper.exe"));
    EXPECT_EQ(GetLongPath(fs, u"C:\\PROGRA~1\\SOMEVE~1\\SETUPH~1.EXE"),
              u"C:\\Program Files\\Some Vendor\\Setup Helper.exe");
    EXPECT_EQ(GetLongPath(fs, u"C:\\PROGRA~1\\SOMEVE~1"), u"C:\\Program Files\\Some Vendor");
    EXPECT_EQ(GetLongPath(fs, u"C:\\PROGRA~1\\SOMEVE~2"), u"");
    EXPECT_EQ(GetLongPath(fs, u"D:\\PROGRA~1"), u"");
    EXPECT_EQ(GetLongPath(fs, u""), u"");
}

TEST(IsDirectoryTest, TrueOnlyForExistingFoldersAndFolderLinks) {
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.AddFile(u"C:\\F\\file.txt"));
    ASSERT_TRUE(fs.AddJunction(u"C:\\F\\link", u"C:\\Elsewhere"));
    ASSERT_TRUE(fs.AddFolder(u"C:\\F\\Hidden", kFileAttributeHidden | kFileAttributeReadOnly));
    EXPECT_TRUE(IsDirectory(fs, u"C:\\F"));
    EXPECT_TRUE(IsDirectory(fs, u"C:\\F\\"));
    EXPECT_TRUE(IsDirectory(fs, u"C:\\F\\Hidden"));
    EXPECT_TRUE(IsDirectory(fs, u"C:\\F\\link"));
    EXPECT_FALSE(IsDirectory(fs, u"C:\\F\\file.txt"));
    EXPECT_FALSE(IsDirectory(fs, u"C:\\F\\missing"));
}

// A tree that holds a bit of everything, under C:\App.
class DeleteTreeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs_.AddDrive(u'D');
        ASSERT_TRUE(fs_.AddFile(u"C:\\App\\a.txt"));
        ASSERT_TRUE(fs_.AddFile(u"C:\\App\\Sub\\b.dll"));
        ASSERT_TRUE(fs_.AddFile(u"C:\\App\\Sub\\Deeper\\c.txt", "",
                                kFileAttributeHidden | kFileAttributeSystem));
        ASSERT_TRUE(fs_.AddFolder(u"C:\\App\\Sub\\Empty"));
        ASSERT_TRUE(fs_.AddFile(u"C:\\App\\z.txt"));
    }

    MemoryFileSystem fs_;
};

TEST_F(DeleteTreeTest, DeletesDepthFirstInListingOrderEachFolderAfterItsContents) {
    fs_.SetRemovalLog(true);
    DeleteFolderTree(fs_, u"C:\\App");
    EXPECT_EQ(fs_.TakeRemovalLog(), (std::vector<std::u16string>{
                                        u"C:\\App\\a.txt",
                                        u"C:\\App\\Sub\\b.dll",
                                        u"C:\\App\\Sub\\Deeper\\c.txt",
                                        u"C:\\App\\Sub\\Deeper",
                                        u"C:\\App\\Sub\\Empty",
                                        u"C:\\App\\Sub",
                                        u"C:\\App\\z.txt",
                                        u"C:\\App",
                                    }));
    EXPECT_FALSE(fs_.Exists(u"C:\\App"));
    EXPECT_EQ(fs_.OpenFindHandleCount(), 0u);
}

TEST_F(DeleteTreeTest, FolderGivenWithABackslashOrShortNameGoesToo) {
    ASSERT_TRUE(fs_.AddFile(u"C:\\Program Files\\Vendor App\\x.exe"));
    DeleteFolderTree(fs_, u"C:\\App\\");
    EXPECT_FALSE(fs_.Exists(u"C:\\App"));
    DeleteFileOrFolder(fs_, u"C:\\PROGRA~1\\VENDOR~1");
    EXPECT_FALSE(fs_.Exists(u"C:\\Program Files\\Vendor App"));
    EXPECT_TRUE(fs_.Exists(u"C:\\Program Files"));
}

TEST_F(DeleteTreeTest, ReadOnlyFileStaysWithItsAncestorsAndEverythingElseGoes) {
    ASSERT_TRUE(fs_.AddFile(u"C:\\App\\Sub\\Deeper\\locked.ini", "keep", kFileAttributeReadOnly));
    DeleteFileOrFolder(fs_, u"C:\\App");
    for (const char16_t* kept : {u"C:\\App", u"C:\\App\\Sub", u"C:\\App\\Sub\\Deeper",
                                 u"C:\\App\\Sub\\Deeper\\locked.ini"}) {
        EXPECT_TRUE(fs_.Exists(kept)) << Utf8(kept);
    }
    for (const char16_t* gone : {u"C:\\App\\a.txt", u"C:\\App\\z.txt", u"C:\\App\\Sub\\b.dll",
                                 u"C:\\App\\Sub\\Empty", u"C:\\App\\Sub\\Deeper\\c.txt"}) {
        EXPECT_FALSE(fs_.Exists(gone)) << Utf8(gone);
    }
}

TEST_F(DeleteTreeTest, LinksInsideTheTreeGoAsLinksAndTheirTargetsSurvive) {
    ASSERT_TRUE(fs_.AddFile(u"D:\\Data\\keep.txt", "data"));
    ASSERT_TRUE(fs_.AddFile(u"D:\\Data\\Nested\\keep2.txt", "nested"));
    ASSERT_TRUE(fs_.AddFile(u"D:\\solo.txt", "solo"));
    ASSERT_TRUE(fs_.AddJunction(u"C:\\App\\Sub\\Data Junction", u"D:\\Data"));
    ASSERT_TRUE(fs_.AddJunction(u"C:\\App\\Back To Root", u"C:\\"));  // a cycle through the tree
    ASSERT_TRUE(fs_.AddFileSymlink(u"C:\\App\\solo link.txt", u"D:\\solo.txt"));
    fs_.SetRemovalLog(true);
    DeleteFolderTree(fs_, u"C:\\App");

    EXPECT_FALSE(fs_.Exists(u"C:\\App"));
    EXPECT_TRUE(fs_.Exists(u"D:\\Data\\keep.txt"));
    EXPECT_TRUE(fs_.Exists(u"D:\\Data\\Nested\\keep2.txt"));
    EXPECT_TRUE(fs_.Exists(u"D:\\solo.txt"));
    for (const auto& removed : fs_.TakeRemovalLog()) {
        EXPECT_EQ(removed.substr(0, 6), u"C:\\App") << Utf8(removed);
    }
}

TEST_F(DeleteTreeTest, ALinkGivenAsThePathGoesAloneByEitherProcedure) {
    ASSERT_TRUE(fs_.AddFile(u"D:\\Data\\keep.txt"));
    ASSERT_TRUE(fs_.AddJunction(u"C:\\Link1", u"D:\\Data"));
    ASSERT_TRUE(fs_.AddJunction(u"C:\\Link2", u"D:\\Data"));
    DeleteFileOrFolder(fs_, u"C:\\Link1");
    DeleteFolderTree(fs_, u"C:\\Link2\\");
    EXPECT_FALSE(fs_.Exists(u"C:\\Link1"));
    EXPECT_FALSE(fs_.Exists(u"C:\\Link2"));
    EXPECT_TRUE(fs_.Exists(u"D:\\Data\\keep.txt"));
}

TEST_F(DeleteTreeTest, UnlistableFoldersAreLeftWhole) {
    // The top folder cannot be listed: nothing goes, not even an empty one.
    ASSERT_TRUE(fs_.AddFolder(u"C:\\Closed Empty"));
    ASSERT_TRUE(fs_.SetListable(u"C:\\Closed Empty", false));
    ASSERT_TRUE(fs_.SetListable(u"C:\\App", false));
    fs_.SetRemovalLog(true);
    DeleteFolderTree(fs_, u"C:\\Closed Empty");
    DeleteFileOrFolder(fs_, u"C:\\App");
    EXPECT_TRUE(fs_.TakeRemovalLog().empty());
    EXPECT_TRUE(fs_.Exists(u"C:\\Closed Empty"));
    EXPECT_TRUE(fs_.Exists(u"C:\\App\\Sub\\b.dll"));

    // A sub-folder that cannot be listed keeps its contents; the rest goes.
    ASSERT_TRUE(fs_.SetListable(u"C:\\App", true));
    ASSERT_TRUE(fs_.SetListable(u"C:\\App\\Sub\\Deeper", false));
    DeleteFolderTree(fs_, u"C:\\App");
    EXPECT_TRUE(fs_.Exists(u"C:\\App\\Sub\\Deeper\\c.txt"));
    EXPECT_FALSE(fs_.Exists(u"C:\\App\\Sub\\b.dll"));
    EXPECT_FALSE(fs_.Exists(u"C:\\App\\a.txt"));
    EXPECT_EQ(fs_.OpenFindHandleCount(), 0u);
}

TEST_F(DeleteTreeTest, FilesAndMissingPaths) {
    fs_.SetRemovalLog(true);
    DeleteFileOrFolder(fs_, u"C:\\App\\missing.txt");
    DeleteFileOrFolder(fs_, u"C:\\Missing\\Folder");
    DeleteFileOrFolder(fs_, u"");
    DeleteFolderTree(fs_, u"C:\\Missing");
    DeleteFolderTree(fs_, u"C:\\App\\a.txt");  // a file is no tree
    EXPECT_TRUE(fs_.TakeRemovalLog().empty());

    DeleteFileOrFolder(fs_, u"C:\\App\\Sub\\b.dll");
    EXPECT_EQ(fs_.TakeRemovalLog(), std::vector<std::u16string>{u"C:\\App\\Sub\\b.dll"});
}

// Runs `work` on a thread with a small stack: a walk that recursed once per
// level of a deep tree would overflow it, whatever its frame size.
void RunOnSmallStack(const std::function<void()>& work) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 128 * 1024), 0);
    pthread_t thread;
    auto trampoline = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(
        pthread_create(&thread, &attributes, trampoline, const_cast<std::function<void()>*>(&work)),
        0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST(DeleteDeepTreeTest, DeepTreeInMemoryIsDeletedOnASmallStack) {
    // Every call of the in-memory file system reads the whole path, so depth
    // costs time squared here; 2,000 levels already overflow the small stack
    // below if the walk took a frame of more than 64 bytes per level.
    constexpr int kDepth = 2000;
    MemoryFileSystem fs;
    std::u16string path = u"C:\\Deep";
    for (int i = 0; i < kDepth; ++i) path += u"\\d";
    ASSERT_TRUE(fs.AddFile(path + u"\\leaf.txt"));
    ASSERT_TRUE(fs.AddFile(u"C:\\Deep\\d\\d\\side.txt"));
    ASSERT_TRUE(fs.AddFile(u"C:\\Outside.txt"));
    RunOnSmallStack([&fs] { DeleteFileOrFolder(fs, u"C:\\Deep"); });
    EXPECT_FALSE(fs.Exists(u"C:\\Deep"));
    EXPECT_TRUE(fs.Exists(u"C:\\Outside.txt"));
    EXPECT_EQ(fs.OpenFindHandleCount(), 0u);
}

// A chain "C:\Deep\d\d...\d" of `depth` folders below C:\Deep, each holding a
// file "f" beside its sub-folder. Paths are told apart by their length
// alone, so each call costs constant time and a walk of 100,000 levels runs
// in linear time, which the general in-memory file system cannot offer.
class ChainFileSystem : public FileSystemPort {
  public:
    explicit ChainFileSystem(int depth)
        : depth_(depth), folder_gone_(depth + 1), file_gone_(depth + 1) {}

    bool AllGone() const {
        return std::all_of(folder_gone_.begin(), folder_gone_.end(), [](bool b) { return b; }) &&
               std::all_of(file_gone_.begin(), file_gone_.end(), [](bool b) { return b; });
    }
    const std::vector<int>& FolderRemovalOrder() const { return folder_order_; }
    std::size_t OpenListings() const { return listings_.size(); }

    FindHandle FindFirst(const std::u16string& pattern, FindData* data) override {
        const int level = Level(pattern, u"\\*.*");
        if (level < 0 || folder_gone_[level]) return kInvalidFindHandle;
        std::vector<FindData> entries{{kFileAttributeDirectory, u".", u"", 0},
                                      {kFileAttributeDirectory, u"..", u"", 0}};
        if (level < depth_ && !folder_gone_[level + 1]) {
            entries.push_back({kFileAttributeDirectory, u"d", u"", 0});
        }
        if (!file_gone_[level]) entries.push_back({kFileAttributeArchive, u"f", u"", 0});
        *data = entries.front();
        listings_[next_handle_] = {std::move(entries), 1};
        return next_handle_++;
    }
    bool FindNext(FindHandle handle, FindData* data) override {
        auto& [entries, next] = listings_.at(handle);
        if (next >= entries.size()) return false;
        *data = entries[next++];
        return true;
    }
    void FindClose(FindHandle handle) override { listings_.erase(handle); }
    std::uint32_t GetAttributes(const std::u16string& path) override {
        const int level = Level(path, u"");
        return level < 0 || folder_gone_[level] ? kInvalidFileAttributes : kFileAttributeDirectory;
    }
    bool DeleteFile(const std::u16string& path) override {
        const int level = Level(path, u"\\f");
        if (level < 0 || folder_gone_[level] || file_gone_[level]) return false;
        file_gone_[level] = true;
        return true;
    }
    bool RemoveDirectory(const std::u16string& path) override {
        const int level = Level(path, u"");
        if (level < 0 || folder_gone_[level] || !file_gone_[level] ||
            (level < depth_ && !folder_gone_[level + 1])) {
            return false;
        }
        folder_gone_[level] = true;
        folder_order_.push_back(level);
        return true;
    }
    bool SetAttributes(const std::u16string&, std::uint32_t) override { return false; }
    bool CreateDirectory(const std::u16string&) override { return false; }
    bool GetLongPathName(const std::u16string&, std::u16string*) override { return false; }
    bool GetFileIdentity(const std::u16string&, FileIdentity*) override { return false; }
    bool ReadFile(const std::u16string&, std::vector<std::uint8_t>*) override { return false; }
    bool WriteFile(const std::u16string&, const std::vector<std::uint8_t>&) override {
        return false;
    }

  private:
    // The level of "C:\Deep" followed by that many "\d" and then `suffix`, or
    // -1. Only the ends of the text are checked, to keep each call cheap.
    int Level(const std::u16string& path, std::u16string_view suffix) const {
        static constexpr std::u16string_view kRoot = u"C:\\Deep";
        const std::u16string_view text(path);
        if (text.size() < kRoot.size() + suffix.size() || text.substr(0, kRoot.size()) != kRoot ||
            text.substr(text.size() - suffix.size()) != suffix) {
            return -1;
        }
        const std::size_t extra = text.size() - kRoot.size() - suffix.size();
        if (extra % 2 != 0 || extra / 2 > static_cast<std::size_t>(depth_)) return -1;
        if (extra > 0 && text.substr(kRoot.size() + extra - 2, 2) != u"\\d") return -1;
        return static_cast<int>(extra / 2);
    }

    struct Listing {
        std::vector<FindData> entries;
        std::size_t next = 0;
    };
    const int depth_;
    std::vector<bool> folder_gone_, file_gone_;
    std::vector<int> folder_order_;
    std::map<FindHandle, Listing> listings_;
    FindHandle next_handle_ = 1;
};

TEST(DeleteDeepTreeTest, HundredThousandLevelsAreDeletedDeepestFirstOnASmallStack) {
    constexpr int kDepth = 100000;
    ChainFileSystem fs(kDepth);
    RunOnSmallStack([&fs] { DeleteFileOrFolder(fs, u"C:\\Deep"); });
    EXPECT_TRUE(fs.AllGone());
    ASSERT_EQ(fs.FolderRemovalOrder().size(), kDepth + 1u);
    for (int i = 0; i <= kDepth; ++i) {
        ASSERT_EQ(fs.FolderRemovalOrder()[i], kDepth - i) << "removal " << i;
    }
    EXPECT_EQ(fs.OpenListings(), 0u);
}

}  // namespace
}  // namespace purgeon
