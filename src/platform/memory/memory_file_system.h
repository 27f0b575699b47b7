// In-memory file system with Windows semantics, for the native tests:
//  - drives by letter ("C:" exists from the start, AddDrive adds more); paths
//    are absolute ("X:\a\b"); '/' is a separator too, repeated separators
//    collapse, "." and ".." are resolved by text, the dots and blanks that end
//    a name are dropped ("C:\Users." is "C:\Users"), and a leading "\\?\",
//    "\??\" (both keep a name's trailing dots) or "\\.\" is accepted, as
//    the Win32 path rules do; a drive-relative path ("C:a") is refused, there
//    is no current folder;
//  - every file, folder and link has an identity (GetFileIdentity): a volume
//    serial number per drive and a file index that is never reused; a path
//    through or to a link gives the identity of what the link leads to;
//  - names keep their case and compare ignoring ASCII case; a folder lists in
//    upper-cased name order, as NTFS does, with "." and ".." first in every
//    folder but a drive root;
//  - a name that is not a valid 8.3 name gets a short alias in the Windows
//    style ("PROGRA~1", "AB~1.C", unique in its folder); every path operation
//    accepts a component in either form, and GetLongPathName gives the long
//    form of the components given short;
//  - folder links (junctions, folder symbolic links) and file symbolic links
//    are reparse points: a path through a link reaches its target, so listing
//    "link\*" lists the target; the link itself reports its own attributes
//    with 0x400; RemoveDirectory on a folder link and DeleteFile on a file
//    link remove the link only;
//  - MoveFile renames within a drive and fails across drives, onto an
//    existing name and into the moved folder itself; ReplaceFile renames a
//    file over another (or to a new name) on the same drive;
//  - a drive may be given a capacity: a write that does not fit writes
//    what fits, then fails, as on a full volume; FreeBytes tells what is left;
//  - DeleteFile fails on a read-only file and on a folder; RemoveDirectory
//    fails on a non-empty folder, a read-only folder and a drive root;
//  - new files carry the archive attribute; a file or folder without any
//    attribute reports FILE_ATTRIBUTE_NORMAL (0x80).
// Thread-safe (one lock around every operation). No operation recurses,
// however deep the tree; destroying a deep tree does not recurse either.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

namespace purgeon {

class MemoryFileSystem : public FileSystemPort {
  public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;
    MemoryFileSystem(const MemoryFileSystem&) = delete;
    MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

    // --- Fixture building (tests). Missing parent folders are created; a
    // link on the way is followed. `attributes` takes the settable bits
    // (read-only, hidden, system, archive, ...). False when the path is not
    // valid or a file stands where a folder is needed.
    void AddDrive(char16_t letter);
    bool AddFolder(std::u16string_view path, std::uint32_t attributes = 0);
    // Creates or replaces the file; without attributes a new file carries
    // the archive attribute, as Windows gives it.
    bool AddFile(std::u16string_view path, std::string_view content = {},
                 std::uint32_t attributes = kFileAttributeArchive);
    // A junction (or folder symbolic link) at `link` that points to the
    // absolute folder path `target`, which need not exist.
    bool AddJunction(std::u16string_view link, std::u16string_view target);
    // A file symbolic link at `link` that points to the file `target`.
    bool AddFileSymlink(std::u16string_view link, std::u16string_view target);
    // A folder that cannot be listed (FindFirst fails on it, as for a folder
    // whose access is denied). Links on the path are followed.
    bool SetListable(std::u16string_view path, bool listable);

    // A file held open by some program without sharing (or, for a folder,
    // every file in it as one): DeleteFile, WriteFile and MoveFile fail on
    // it, and MoveFile fails on a folder that holds one.
    bool SetInUse(std::u16string_view path, bool in_use);

    // The bytes the files on a drive may hold in all (no limit at first).
    void SetDriveCapacity(char16_t letter, std::uint64_t bytes);

    // --- Inspection (tests).
    bool Exists(std::u16string_view path);
    // The 8.3 alias of the entry at `path` (empty when its name is 8.3).
    std::u16string ShortNameOf(std::u16string_view path);
    std::size_t OpenFindHandleCount() const;
    // While on, every path given to a DeleteFile or RemoveDirectory that
    // succeeds is recorded, as given, in order. Off at the start because a
    // very deep tree would make the record huge.
    void SetRemovalLog(bool on);
    std::vector<std::u16string> TakeRemovalLog();

    // --- FileSystemPort.
    FindHandle FindFirst(const std::u16string& pattern, FindData* data) override;
    bool FindNext(FindHandle handle, FindData* data) override;
    void FindClose(FindHandle handle) override;
    std::uint32_t GetAttributes(const std::u16string& path) override;
    bool SetAttributes(const std::u16string& path, std::uint32_t attributes) override;
    bool DeleteFile(const std::u16string& path) override;
    bool RemoveDirectory(const std::u16string& path) override;
    bool CreateDirectory(const std::u16string& path) override;
    bool GetLongPathName(const std::u16string& path, std::u16string* long_path) override;
    bool GetFileIdentity(const std::u16string& path, FileIdentity* identity) override;
    bool MoveFile(const std::u16string& from, const std::u16string& to) override;
    bool ReplaceFile(const std::u16string& from, const std::u16string& to) override;
    bool FreeBytes(const std::u16string& folder, std::uint64_t* free) override;
    bool ReadFile(const std::u16string& path, std::vector<std::uint8_t>* bytes) override;
    bool WriteFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes) override;

  private:
    enum class Kind { kFile, kFolder, kFolderLink, kFileLink };
    struct Node;
    struct ParsedPath;
    struct Listing {
        std::vector<FindData> entries;
        std::size_t next = 0;
    };
    enum class Follow { kAll, kAllButLast };

    static bool Parse(std::u16string_view path, ParsedPath* out);
    Node* Root(char16_t drive) const;
    Node* Walk(const ParsedPath& path, Follow follow,
               std::vector<std::u16string_view>* long_names) const;
    Node* Lookup(std::u16string_view path, Follow follow) const;
    Node* ParentFolder(const ParsedPath& path) const;
    Node* EnsureFolder(const ParsedPath& path, std::size_t part_count);
    Node* AddChild(Node* folder, std::u16string_view name, Kind kind);
    void RemoveChild(Node* node);
    void LogRemoval(const std::u16string& path);
    bool AddLink(std::u16string_view link, std::u16string_view target, Kind kind);
    std::uint64_t UsedBytes(char16_t drive) const;

    mutable std::mutex mutex_;
    std::map<char16_t, std::unique_ptr<Node>> drives_;
    std::map<char16_t, std::uint64_t> capacity_;
    std::unordered_map<FindHandle, Listing> listings_;
    FindHandle next_find_handle_ = 1;
    std::uint64_t next_file_index_ = 1;
    bool log_removals_ = false;
    std::vector<std::u16string> removal_log_;
};

}  // namespace purgeon
