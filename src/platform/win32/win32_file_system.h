// File-system port over the Win32 file functions. Absolute drive and UNC
// paths too long for the plain functions are passed in the "\\?\" form, which
// this adapter adds (normalising the path, since that form is taken
// literally) and strips again from the paths it returns.
#pragma once

#include "platform/file_system.h"

namespace purgeon {

class Win32FileSystem : public FileSystemPort {
  public:
    FindHandle FindFirst(const std::u16string& pattern, FindData* data) override;
    bool FindNext(FindHandle handle, FindData* data) override;
    void FindClose(FindHandle handle) override;
    std::uint32_t GetAttributes(const std::u16string& path) override;
    bool SetAttributes(const std::u16string& path, std::uint32_t attributes) override;
    bool DeleteFile(const std::u16string& path) override;
    bool RemoveDirectory(const std::u16string& path) override;
    bool CreateDirectory(const std::u16string& path) override;
    bool MoveFile(const std::u16string& from, const std::u16string& to) override;
    bool ReplaceFile(const std::u16string& from, const std::u16string& to) override;
    bool FreeBytes(const std::u16string& folder, std::uint64_t* free) override;
    // GetLongPathNameW into a buffer of 4096 characters: false also when the
    // long form would not fit.
    bool GetLongPathName(const std::u16string& path, std::u16string* long_path) override;
    bool GetFileIdentity(const std::u16string& path, FileIdentity* identity) override;
    // Files above 256 MiB are refused rather than read into memory.
    bool ReadFile(const std::u16string& path, std::vector<std::uint8_t>* bytes) override;
    // Replaces the contents; an existing file keeps its attributes.
    bool WriteFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes) override;
};

// The form in which `path` reaches the Win32 functions: unchanged while it
// is short enough for them, otherwise "\\?\X:\..." or "\\?\UNC\server\...",
// with '/' turned into '\', repeated separators collapsed and "." and ".."
// resolved. Exposed for the tests.
std::u16string Win32ApiPath(const std::u16string& path);

}  // namespace purgeon
