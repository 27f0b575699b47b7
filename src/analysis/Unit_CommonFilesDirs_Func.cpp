#include "analysis/Unit_CommonFilesDirs_Func.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace purgeon {

namespace {

struct FolderEntry {
    std::u16string name;
    std::uint32_t attributes = 0;
};

// One folder of a DeleteFolderTree walk: its entries and how far they are done.
struct TreeLevel {
    std::vector<FolderEntry> entries;
    std::size_t next = 0;
    std::size_t base_length = 0;  // length of the folder's path with its "\"
};

std::u16string WithoutTrailingBackslashes(std::u16string path) {
    while (path.size() > 3 && path.back() == u'\\') path.pop_back();
    return path;
}

bool IsReparsePoint(std::uint32_t attributes) {
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeReparsePoint);
}

// Reads every entry of the folder `base` (ending in "\") but "." and "..",
// and closes the listing at once, so that a deep tree never holds a listing
// open per level. A name that is empty or holds a separator cannot be an
// entry of this folder and is dropped rather than turned into another path.
// False when the folder cannot be listed. `base` is left as it came.
bool ListFolder(FileSystemPort& fs, std::u16string& base, std::vector<FolderEntry>* entries) {
    const std::size_t base_length = base.size();
    base += u"*.*";
    FindData data;
    const FindHandle handle = fs.FindFirst(base, &data);
    base.resize(base_length);
    if (handle == kInvalidFindHandle) return false;
    ScopedFindHandle listing(fs, handle);
    do {
        if (data.name.empty() || data.name == u"." || data.name == u".." ||
            data.name.find_first_of(u"\\/") != std::u16string::npos) {
            continue;
        }
        entries->push_back({std::move(data.name), data.attributes});
    } while (fs.FindNext(handle, &data));
    return true;
}

}  // namespace

std::u16string GetSystemDirPath(ShellFoldersPort& shell) {
    return WithTrailingBackslash(shell.SystemDirectory());
}

std::u16string GetStartupDirPath(ShellFoldersPort& shell) {
    return WithTrailingBackslash(shell.SpecialFolder(kCsidlStartup));
}

std::u16string GetDesktopDirPath(ShellFoldersPort& shell) {
    return WithTrailingBackslash(shell.SpecialFolder(kCsidlDesktopDirectory));
}

std::u16string GetProgramFilesDirPath(ShellFoldersPort& shell) {
    return WithTrailingBackslash(shell.SpecialFolder(kCsidlProgramFiles));
}

std::u16string GetWindowsDirPath(ShellFoldersPort& shell) {
    return WithTrailingBackslash(shell.SpecialFolder(kCsidlWindows));
}

std::u16string GetAppDataDirPath(ShellFoldersPort& shell) {
    return WithTrailingBackslash(shell.SpecialFolder(kCsidlAppData));
}

std::u16string GetLongPath(FileSystemPort& fs, const std::u16string& path) {
    std::u16string long_path;
    if (!fs.GetLongPathName(path, &long_path)) return {};
    return long_path;
}

bool IsDirectory(FileSystemPort& fs, const std::u16string& path) {
    const std::uint32_t attributes = fs.GetAttributes(path);
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory);
}

void DeleteFileOrFolder(FileSystemPort& fs, const std::u16string& path) {
    // A folder link also takes this branch; DeleteFolderTree removes it as a link.
    if (IsDirectory(fs, path)) {
        DeleteFolderTree(fs, path);
    } else {
        fs.DeleteFile(path);
    }
}

bool IsLinkPath(FileSystemPort& fs, const std::u16string& path) {
    return IsReparsePoint(fs.GetAttributes(WithoutTrailingBackslashes(path)));
}

void DeleteFolderTree(FileSystemPort& fs, const std::u16string& folder) {
    // A link handed in as the folder is removed as a link: listing it would
    // list, and then delete, the folder it points to, which is not ours.
    if (IsLinkPath(fs, folder)) {
        fs.RemoveDirectory(WithoutTrailingBackslashes(folder));
        return;
    }

    // Depth first with an explicit stack on the heap, not by recursion: a
    // deep enough tree would otherwise overflow the thread's stack. One path
    // buffer serves every level; each level remembers where its part ends.
    std::u16string path = WithTrailingBackslash(folder);
    std::vector<TreeLevel> levels(1);
    if (!ListFolder(fs, path, &levels.front().entries)) return;
    levels.front().base_length = path.size();

    while (!levels.empty()) {
        TreeLevel& level = levels.back();
        path.resize(level.base_length);
        if (level.next == level.entries.size()) {
            levels.pop_back();
            if (levels.empty()) break;
            path.pop_back();  // a sub-folder, done: remove it after its contents
            fs.RemoveDirectory(path);
            continue;
        }
        const FolderEntry& entry = level.entries[level.next++];
        path += entry.name;
        if (!(entry.attributes & kFileAttributeDirectory)) {
            fs.DeleteFile(path);  // a file link goes as a link
            continue;
        }
        if (entry.attributes & kFileAttributeReparsePoint) {
            // A junction or folder link: remove the link, never walk into it,
            // or the walk would delete the target's contents.
            fs.RemoveDirectory(path);
            continue;
        }
        path.push_back(u'\\');
        TreeLevel child;
        if (!ListFolder(fs, path, &child.entries)) {
            path.pop_back();
            fs.RemoveDirectory(path);  // fails unless it is empty
            continue;
        }
        child.base_length = path.size();
        levels.push_back(std::move(child));  // `level` and `entry` are not used past here
    }
    fs.RemoveDirectory(folder);
}

}  // namespace purgeon
