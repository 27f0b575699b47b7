// File-system port: the Win32 file operations the program uses, shaped like
// them (FindFirstFileW-style listing, attribute words, BOOL results).
// Paths are ordinary Windows paths; an adapter that needs the "\\?\" form for
// long paths adds it itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// <windows.h> maps these names to their W functions; the port's methods
// keep the plain names whatever was included before.
#undef CreateDirectory
#undef DeleteFile
#undef GetLongPathName
#undef MoveFile
#undef RemoveDirectory
#undef ReplaceFile

namespace purgeon {

constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
constexpr std::uint32_t kFileAttributeHidden = 0x02;
constexpr std::uint32_t kFileAttributeSystem = 0x04;
constexpr std::uint32_t kFileAttributeDirectory = 0x10;
constexpr std::uint32_t kFileAttributeArchive = 0x20;
constexpr std::uint32_t kFileAttributeNormal = 0x80;
constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;

struct FindData {
    std::uint32_t attributes = 0;
    std::u16string name;        // long name, no folder
    std::u16string short_name;  // 8.3 alias, empty when the name is one already
    std::uint64_t size = 0;
};

// What a file or folder is, whatever path names it: the volume's serial
// number and the file index of GetFileInformationByHandle. Two paths that
// open the same folder (other spellings, links to it) give equal identities.
struct FileIdentity {
    std::uint32_t volume_serial = 0;
    std::uint64_t file_index = 0;
    bool operator==(const FileIdentity&) const = default;
};

using FindHandle = std::uintptr_t;
constexpr FindHandle kInvalidFindHandle = 0;

class FileSystemPort {
  public:
    virtual ~FileSystemPort() = default;

    // FindFirstFileW/FindNextFileW/FindClose. The pattern is a folder path
    // followed by "\*.*" or "\*" (every entry, "." and ".." included, as
    // Windows lists them) or by a plain name. kInvalidFindHandle when the
    // folder cannot be listed or nothing matches.
    virtual FindHandle FindFirst(const std::u16string& pattern, FindData* data) = 0;
    virtual bool FindNext(FindHandle handle, FindData* data) = 0;
    virtual void FindClose(FindHandle handle) = 0;

    // GetFileAttributesW: kInvalidFileAttributes when the path does not exist.
    // A reparse point reports its own attributes; it is not followed.
    virtual std::uint32_t GetAttributes(const std::u16string& path) = 0;
    virtual bool SetAttributes(const std::u16string& path, std::uint32_t attributes) = 0;
    // DeleteFileW: fails on a read-only file and on a folder; on a file link
    // it removes the link.
    virtual bool DeleteFile(const std::u16string& path) = 0;
    // RemoveDirectoryW: fails unless the folder is empty; on a junction or
    // folder link it removes the link and leaves the target alone.
    virtual bool RemoveDirectory(const std::u16string& path) = 0;
    virtual bool CreateDirectory(const std::u16string& path) = 0;
    // GetLongPathNameW: the path with every 8.3 component in its long form;
    // false when the path does not exist.
    virtual bool GetLongPathName(const std::u16string& path, std::u16string* long_path) = 0;

    // The identity of what `path` opens (CreateFileW with no access asked,
    // FILE_FLAG_BACKUP_SEMANTICS so that folders open, links followed: a
    // link gives its target's identity). False when nothing can be opened;
    // `identity` is then left alone.
    virtual bool GetFileIdentity(const std::u16string& path, FileIdentity* identity) = 0;

    // MoveFileExW without flags: renames a file or a folder (with all it
    // holds) to `to`, which must not exist, on the same volume only; a link
    // is moved as the link. Fails across volumes, onto an existing name, and
    // on a file in use or a folder that holds one. Adapters that cannot move
    // keep this default, which moves nothing.
    virtual bool MoveFile(const std::u16string& from, const std::u16string& to) {
        (void)from;
        (void)to;
        return false;
    }

    // FlushFileBuffers on `from`, then MoveFileExW with
    // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH: a file renamed over
    // `to` (which may exist or not) on the same volume, on disk when it returns;
    // what `to` holds is either all old or all new. The default moves nothing.
    virtual bool ReplaceFile(const std::u16string& from, const std::u16string& to) {
        (void)from;
        (void)to;
        return false;
    }

    // GetDiskFreeSpaceExW: the bytes free to the caller on the volume that
    // holds `folder`. False when it cannot be told (the default).
    virtual bool FreeBytes(const std::u16string& folder, std::uint64_t* free) {
        (void)folder;
        (void)free;
        return false;
    }

    // Whole-file read and write (create or replace). A write that fails
    // (a full volume) may leave part of the file: the caller deletes it.
    virtual bool ReadFile(const std::u16string& path, std::vector<std::uint8_t>* bytes) = 0;
    virtual bool WriteFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes) = 0;
};

// Closes a find handle on scope exit.
class ScopedFindHandle {
  public:
    ScopedFindHandle(FileSystemPort& fs, FindHandle handle) : fs_(fs), handle_(handle) {}
    ~ScopedFindHandle() {
        if (handle_ != kInvalidFindHandle) fs_.FindClose(handle_);
    }
    ScopedFindHandle(const ScopedFindHandle&) = delete;
    ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;
    FindHandle Get() const { return handle_; }
    bool Valid() const { return handle_ != kInvalidFindHandle; }

  private:
    FileSystemPort& fs_;
    FindHandle handle_;
};

}  // namespace purgeon
