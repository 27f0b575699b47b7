// The file-system and shell-folder adapters and the folder and file
// procedures on real files, in a fresh folder under the temp folder.
#include <windows.h>
#include <winioctl.h>

// <windows.h> maps these names to their W functions; below they name the
// file-system port's methods, so the port header must come after this.
#undef CreateDirectory
#undef DeleteFile
#undef GetLongPathName
#undef RemoveDirectory

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "platform/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_shell_folders.h"
#include "wine_host.h"

#ifndef SYMBOLIC_LINK_FLAG_DIRECTORY
#define SYMBOLIC_LINK_FLAG_DIRECTORY 0x1
#endif
#ifndef SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
#define SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE 0x2
#endif
#ifndef IO_REPARSE_TAG_MOUNT_POINT
#define IO_REPARSE_TAG_MOUNT_POINT 0xA0000003L
#endif

namespace purgeon {
namespace {

std::string Utf8(const std::u16string& text) {
    return ToUtf8(text);
}

// Raw Win32 checks, independent of the adapter under test; long paths in the
// "\\?\" form.
DWORD RawAttributes(const std::u16string& path) {
    const std::u16string raw = path.size() < MAX_PATH ? path : u"\\\\?\\" + path;
    return GetFileAttributesW(Wide(raw));
}
bool RawExists(const std::u16string& path) {
    return RawAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool RawWriteFile(const std::u16string& path, const std::string& text, DWORD attributes = 0) {
    const HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size() &&
           (attributes == 0 || SetFileAttributesW(Wide(path), attributes));
}

std::vector<std::u16string> ListNames(FileSystemPort& fs, const std::u16string& pattern,
                                      std::vector<std::u16string>* short_names = nullptr) {
    std::vector<std::u16string> names;
    FindData data;
    ScopedFindHandle listing(fs, fs.FindFirst(pattern, &data));
    if (!listing.Valid()) return names;
    do {
        names.push_back(data.name);
        if (short_names) short_names->push_back(data.short_name);
    } while (fs.FindNext(listing.Get(), &data));
    return names;
}

bool Contains(const std::vector<std::u16string>& names, const std::u16string& name) {
    for (const auto& n : names) {
        if (n == name) return true;
    }
    return false;
}

class WindowsFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
        // The temp folder may come in 8.3 form; the checks compare long forms.
        wchar_t long_temp[4096] = {};
        ASSERT_GT(GetLongPathNameW(temp, long_temp, 4096), 0u);
        static int counter = 0;
        root_ = FromWide(long_temp) + u"purgeon-files-" +
                FromUtf8(std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
        ASSERT_TRUE(CreateDirectoryW(Wide(root_), nullptr)) << Utf8(root_);
    }
    void TearDown() override {
        for (const auto& path : read_only_) SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL);
        DeleteFolderTree(fs_, root_);
    }

    std::u16string Path(const std::u16string& relative) const { return root_ + u"\\" + relative; }
    void MakeFolder(const std::u16string& relative) {
        ASSERT_TRUE(CreateDirectoryW(Wide(Path(relative)), nullptr)) << Utf8(relative);
    }
    void MakeFile(const std::u16string& relative, const std::string& text = "x",
                  DWORD attributes = 0) {
        ASSERT_TRUE(RawWriteFile(Path(relative), text, attributes)) << Utf8(relative);
        if (attributes & FILE_ATTRIBUTE_READONLY) read_only_.push_back(Path(relative));
    }

    Win32FileSystem fs_;
    std::u16string root_;
    std::vector<std::u16string> read_only_;
};

TEST_F(WindowsFilesTest, AdapterListsAndRefusesAsTheSystemDoes) {
    MakeFolder(u"List");
    MakeFile(u"List\\A Long File Name.txt", "12345");
    MakeFile(u"List\\short.txt");
    MakeFile(u"List\\ro.txt", "", FILE_ATTRIBUTE_READONLY);
    MakeFolder(u"List\\Sub");
    MakeFile(u"List\\Sub\\inner.txt");

    std::vector<std::u16string> short_names;
    const auto names = ListNames(fs_, Path(u"List\\*.*"), &short_names);
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names[0], u".");
    EXPECT_EQ(names[1], u"..");
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == u"A Long File Name.txt") {
            EXPECT_NE(short_names[i].find(u'~'), std::u16string::npos) << Utf8(short_names[i]);
        }
    }
    FindData data;
    ScopedFindHandle one(fs_, fs_.FindFirst(Path(u"List\\A Long File Name.txt"), &data));
    ASSERT_TRUE(one.Valid());
    EXPECT_EQ(data.size, 5u);
    EXPECT_FALSE(fs_.FindNext(one.Get(), &data));
    EXPECT_EQ(fs_.FindFirst(Path(u"Missing\\*.*"), &data), kInvalidFindHandle);

    EXPECT_EQ(fs_.GetAttributes(Path(u"List\\Sub")) & FILE_ATTRIBUTE_DIRECTORY,
              FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(fs_.GetAttributes(Path(u"List\\none")), kInvalidFileAttributes);
    EXPECT_FALSE(fs_.DeleteFile(Path(u"List\\ro.txt")));
    EXPECT_FALSE(fs_.DeleteFile(Path(u"List\\Sub")));
    EXPECT_FALSE(fs_.RemoveDirectory(Path(u"List\\Sub")));
    EXPECT_FALSE(fs_.CreateDirectory(Path(u"List\\Sub")));
    EXPECT_TRUE(fs_.CreateDirectory(Path(u"List\\New")));
    EXPECT_TRUE(fs_.RemoveDirectory(Path(u"List\\New")));
    EXPECT_TRUE(fs_.SetAttributes(Path(u"List\\ro.txt"), kFileAttributeNormal));
    EXPECT_TRUE(fs_.DeleteFile(Path(u"List\\ro.txt")));
    EXPECT_FALSE(RawExists(Path(u"List\\ro.txt")));
}

TEST_F(WindowsFilesTest, WholeFilesRoundTripAndHiddenFilesCanBeRewritten) {
    const std::vector<std::uint8_t> bytes{'a', 0, 'b', 0xFF};
    EXPECT_TRUE(fs_.WriteFile(Path(u"data.bin"), bytes));
    std::vector<std::uint8_t> read;
    EXPECT_TRUE(fs_.ReadFile(Path(u"data.bin"), &read));
    EXPECT_EQ(read, bytes);

    ASSERT_TRUE(SetFileAttributesW(Wide(Path(u"data.bin")), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(fs_.WriteFile(Path(u"data.bin"), {'z'}));  // shorter: the rest is cut
    EXPECT_TRUE(fs_.ReadFile(Path(u"data.bin"), &read));
    EXPECT_EQ(read, std::vector<std::uint8_t>{'z'});
    EXPECT_TRUE(RawAttributes(Path(u"data.bin")) & FILE_ATTRIBUTE_HIDDEN);

    MakeFile(u"ro.txt", "keep", FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(fs_.WriteFile(Path(u"ro.txt"), {'x'}));
    EXPECT_FALSE(fs_.ReadFile(root_, &read));
    EXPECT_FALSE(fs_.ReadFile(Path(u"missing"), &read));
}

TEST_F(WindowsFilesTest, ReadOnlyFileStaysWithItsAncestorsAndTheRestGoes) {
    MakeFolder(u"Tree");
    MakeFile(u"Tree\\a.txt");
    MakeFolder(u"Tree\\Sub");
    MakeFile(u"Tree\\Sub\\locked.ini", "keep", FILE_ATTRIBUTE_READONLY);
    MakeFile(u"Tree\\Sub\\b.dll");
    MakeFile(u"Tree\\Sub\\hidden.sys", "", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeFolder(u"Tree\\Other");
    MakeFolder(u"Tree\\Other\\Empty");
    MakeFile(u"Tree\\Other\\c.txt");

    DeleteFileOrFolder(fs_, Path(u"Tree"));
    for (const char16_t* kept : {u"Tree", u"Tree\\Sub", u"Tree\\Sub\\locked.ini"}) {
        EXPECT_TRUE(RawExists(Path(kept))) << Utf8(kept);
    }
    for (const char16_t* gone :
         {u"Tree\\a.txt", u"Tree\\Sub\\b.dll", u"Tree\\Sub\\hidden.sys", u"Tree\\Other"}) {
        EXPECT_FALSE(RawExists(Path(gone))) << Utf8(gone);
    }
}

TEST_F(WindowsFilesTest, PathsBeyondMaxPathAreCreatedListedAndDeleted) {
    const std::u16string component(60, u'L');
    std::u16string deep = Path(u"Long");
    ASSERT_TRUE(fs_.CreateDirectory(deep));
    for (int i = 0; i < 5; ++i) {
        deep += u"\\" + component + FromUtf8(std::to_string(i));
        ASSERT_TRUE(fs_.CreateDirectory(deep)) << deep.size();
    }
    ASSERT_GT(deep.size(), 300u);
    const std::u16string file = deep + u"\\Deep File Name.txt";
    ASSERT_TRUE(fs_.WriteFile(file, {'d', 'e', 'e', 'p'}));
    EXPECT_TRUE(RawExists(file));
    EXPECT_EQ(fs_.GetAttributes(deep) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(Contains(ListNames(fs_, deep + u"\\*.*"), u"Deep File Name.txt"));
    EXPECT_EQ(GetLongPath(fs_, file), file);
    // The same folder named with "." and "/" still resolves once the adapter
    // has turned the text into the literal "\\?\" form.
    EXPECT_TRUE(
        Contains(ListNames(fs_, deep + u"\\.\\..\\" + component + u"4/*"), u"Deep File Name.txt"));

    DeleteFileOrFolder(fs_, file);
    EXPECT_FALSE(RawExists(file));
    ASSERT_TRUE(fs_.WriteFile(file, {'x'}));
    DeleteFolderTree(fs_, Path(u"Long"));
    EXPECT_FALSE(RawExists(Path(u"Long")));
}

TEST_F(WindowsFilesTest, LongPathOfARealShortPath) {
    MakeFolder(u"Long Folder Name For Aliases");
    MakeFile(u"Long Folder Name For Aliases\\Another long file name.txt");
    const std::u16string long_path =
        Path(u"Long Folder Name For Aliases\\Another long file name.txt");
    wchar_t buffer[4096] = {};
    ASSERT_GT(GetShortPathNameW(Wide(long_path), buffer, 4096), 0u);
    const std::u16string short_path = FromWide(buffer);
    std::printf("short form: %s\n", Utf8(short_path).c_str());
    ASSERT_NE(short_path.find(u'~'), std::u16string::npos) << "no 8.3 alias: " << Utf8(short_path);

    const std::u16string expanded = GetLongPath(fs_, short_path);
    EXPECT_TRUE(EqualsIgnoreAsciiCase(expanded, long_path)) << Utf8(expanded);
    // The components given short come back as the names on disk.
    EXPECT_NE(expanded.find(u"\\Long Folder Name For Aliases\\Another long file name.txt"),
              std::u16string::npos)
        << Utf8(expanded);
    DeleteFileOrFolder(fs_, long_path);
    EXPECT_EQ(GetLongPath(fs_, short_path), u"");
}

// A folder link made the way the system at hand allows, or empty. Windows
// takes a mount point (junction) from any user and a directory symbolic link
// with the privilege or developer mode. Wine 8 supports neither
// (FSCTL_SET_REPARSE_POINT fails with ERROR_NOT_SUPPORTED, CreateSymbolicLinkW
// returns TRUE and creates nothing) but reports a Unix symbolic link to a
// folder as a reparse-point folder, so under Wine the host's ln makes one.
std::string MakeFolderLink(const std::u16string& link, const std::u16string& target) {
    auto is_link = [&] {
        const DWORD attributes = GetFileAttributesW(Wide(link));
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                   (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    };

    if (CreateDirectoryW(Wide(link), nullptr)) {
        const HANDLE folder =
            CreateFileW(Wide(link), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (folder != INVALID_HANDLE_VALUE) {
            // REPARSE_DATA_BUFFER for a mount point: substitute name "\??\target", then print name.
            const std::u16string substitute = u"\\??\\" + target;
            std::vector<std::uint8_t> buffer(16 + (substitute.size() + target.size() + 2) * 2, 0);
            auto put16 = [&](std::size_t at, std::size_t value) {
                buffer[at] = std::uint8_t(value);
                buffer[at + 1] = std::uint8_t(value >> 8);
            };
            const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
            std::memcpy(buffer.data(), &tag, 4);
            put16(4, buffer.size() - 8);             // ReparseDataLength
            put16(8, 0);                             // SubstituteNameOffset
            put16(10, substitute.size() * 2);        // SubstituteNameLength
            put16(12, (substitute.size() + 1) * 2);  // PrintNameOffset
            put16(14, target.size() * 2);            // PrintNameLength
            std::memcpy(buffer.data() + 16, substitute.data(), substitute.size() * 2);
            std::memcpy(buffer.data() + 16 + (substitute.size() + 1) * 2, target.data(),
                        target.size() * 2);
            DWORD returned = 0;
            const BOOL set = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                             DWORD(buffer.size()), nullptr, 0, &returned, nullptr);
            CloseHandle(folder);
            if (set && is_link()) return "junction (FSCTL_SET_REPARSE_POINT)";
        }
        RemoveDirectoryW(Wide(link));
    }

    if (CreateSymbolicLinkW(
            Wide(link), Wide(target),
            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        is_link()) {
        return "directory symbolic link (CreateSymbolicLinkW)";
    }

    return wine_host::MakeUnixFolderLink(link, target) ? "Unix symbolic link seen by Wine" : "";
}

// Wine's RemoveDirectoryW cannot remove a Unix link; the host's rm can.
void RemoveUnixLink(const std::u16string& link) {
    wine_host::RemoveUnixLink(link);
}

TEST_F(WindowsFilesTest, FolderLinkInsideADeletedFolderLeavesItsTargetWhole) {
    MakeFolder(u"Target");
    MakeFile(u"Target\\keep.txt", "target");
    MakeFolder(u"Target\\Nested");
    MakeFile(u"Target\\Nested\\keep2.txt", "nested");
    MakeFolder(u"Tree");
    MakeFile(u"Tree\\own.txt");
    const std::string how = MakeFolderLink(Path(u"Tree\\Link"), Path(u"Target"));
    if (how.empty()) GTEST_SKIP() << "no way to make a folder link on this system";
    std::printf("folder link made as: %s\n", how.c_str());
    RecordProperty("folder_link", how);

    DeleteFolderTree(fs_, Path(u"Tree"));
    EXPECT_TRUE(RawExists(Path(u"Target\\keep.txt")));
    EXPECT_TRUE(RawExists(Path(u"Target\\Nested\\keep2.txt")));
    EXPECT_FALSE(RawExists(Path(u"Tree\\own.txt")));
    const DWORD link = RawAttributes(Path(u"Tree\\Link"));
    if (link == INVALID_FILE_ATTRIBUTES) {
        EXPECT_FALSE(RawExists(Path(u"Tree")));  // the link went, so did its folder
    } else {
        // Wine cannot remove a Unix link through RemoveDirectoryW; it must
        // still be the link, not an emptied folder.
        std::printf("the link stays: RemoveDirectoryW refused it\n");
        EXPECT_TRUE(link & FILE_ATTRIBUTE_REPARSE_POINT);
        EXPECT_TRUE(RawExists(Path(u"Tree")));
    }

    // The link handed in directly is not walked either.
    if (RawExists(Path(u"Tree\\Link"))) {
        DeleteFileOrFolder(fs_, Path(u"Tree\\Link"));
        EXPECT_TRUE(RawExists(Path(u"Target\\keep.txt")));
        EXPECT_TRUE(RawExists(Path(u"Target\\Nested\\keep2.txt")));
    }
    if (RawExists(Path(u"Tree\\Link"))) RemoveUnixLink(Path(u"Tree\\Link"));
}

TEST(WindowsShellFoldersTest, SpecialFoldersEndInABackslashAndExist) {
    Win32ShellFolders shell;
    const struct {
        const char* name;
        std::u16string (*get)(ShellFoldersPort&);
    } folders[] = {
        {"system", GetSystemDirPath},   {"startup", GetStartupDirPath},
        {"desktop", GetDesktopDirPath}, {"program files", GetProgramFilesDirPath},
        {"windows", GetWindowsDirPath}, {"appdata", GetAppDataDirPath},
    };
    for (const auto& f : folders) {
        const std::u16string path = f.get(shell);
        std::printf("%-14s %s\n", f.name, Utf8(path).c_str());
        ASSERT_GT(path.size(), 3u) << f.name;
        EXPECT_EQ(path.back(), u'\\') << f.name;
        EXPECT_NE(path[path.size() - 2], u'\\') << f.name;
        const DWORD attributes = GetFileAttributesW(Wide(path));
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << f.name << " " << Utf8(path);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << f.name;
    }
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(GetSystemDirPath(shell), FromWide(system) + u"\\");
    EXPECT_EQ(shell.SpecialFolder(0x7FFF), u"");  // no such folder
}

TEST(Win32ApiPathTest, LongAbsolutePathsTakeTheExtendedForm) {
    const std::u16string name(250, u'n');
    const struct {
        std::u16string path;
        std::u16string api_path;
    } cases[] = {
        {u"C:\\short\\path", u"C:\\short\\path"},
        {u"C:\\" + name, u"\\\\?\\C:\\" + name},
        {u"c:/a//b/./../" + name + u"\\", u"\\\\?\\c:\\a\\" + name + u"\\"},
        {u"C:\\..\\..\\" + name, u"\\\\?\\C:\\" + name},
        {u"\\\\server\\share\\..\\..\\" + name, u"\\\\?\\UNC\\server\\share\\" + name},
        {u"\\\\?\\C:\\" + name, u"\\\\?\\C:\\" + name},
        {u"relative\\" + name, u"relative\\" + name},
    };
    for (const auto& c : cases) EXPECT_EQ(Win32ApiPath(c.path), c.api_path) << Utf8(c.path);
}

}  // namespace
}  // namespace purgeon
