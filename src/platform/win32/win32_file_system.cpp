#include "platform/win32/win32_file_system.h"

#include <windows.h>

// <windows.h> maps these names to their W functions; here they name the
// port's methods, and the functions are called by their W names.
#undef CreateDirectory
#undef DeleteFile
#undef GetLongPathName
#undef RemoveDirectory
#undef MoveFile
#undef ReplaceFile

#include <cwchar>
#include <new>
#include <string_view>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/wide.h"

namespace purgeon {

namespace {

// CreateDirectoryW's limit (MAX_PATH - 12 for an 8.3 name below); the other
// functions allow MAX_PATH - 1. Below it a path goes as it is.
constexpr std::size_t kPlainPathLimit = 248;
constexpr DWORD kLongPathBufferLength = 4096;
constexpr std::uint64_t kMaxReadBytes = 256u << 20;
constexpr std::u16string_view kExtendedPrefix = u"\\\\?\\";
constexpr std::u16string_view kExtendedUncPrefix = u"\\\\?\\UNC\\";

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsDrivePath(std::u16string_view path) {
    return path.size() >= 3 &&
           ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z')) &&
           path[1] == u':' && IsSeparator(path[2]);
}

// The Win32 path rules applied by text: what the system does for a plain
// path and does not do for one in the "\\?\" form. `keep` parts (a UNC
// server and share) cannot be climbed out of.
std::u16string NormalisedTail(std::u16string_view tail, std::size_t keep) {
    std::vector<std::u16string_view> parts;
    std::size_t pos = 0;
    while (pos < tail.size()) {
        while (pos < tail.size() && IsSeparator(tail[pos])) ++pos;
        const std::size_t start = pos;
        while (pos < tail.size() && !IsSeparator(tail[pos])) ++pos;
        if (pos == start) break;
        const std::u16string_view part = tail.substr(start, pos - start);
        if (part == u".") continue;
        if (part == u"..") {
            if (parts.size() > keep) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::u16string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out.push_back(u'\\');
        out.append(parts[i]);
    }
    if (!tail.empty() && IsSeparator(tail.back()) && !out.empty()) out.push_back(u'\\');
    return out;
}

// Undoes Win32ApiPath's prefix on a path the system handed back.
std::u16string StripExtendedPrefix(std::u16string path) {
    if (std::u16string_view(path).substr(0, kExtendedUncPrefix.size()) == kExtendedUncPrefix) {
        return u"\\\\" + path.substr(kExtendedUncPrefix.size());
    }
    if (std::u16string_view(path).substr(0, kExtendedPrefix.size()) == kExtendedPrefix) {
        return path.substr(kExtendedPrefix.size());
    }
    return path;
}

void FromFindData(const WIN32_FIND_DATAW& source, FindData* data) {
    data->attributes = source.dwFileAttributes;
    data->name = FromWide(source.cFileName, wcsnlen(source.cFileName, MAX_PATH));
    data->short_name = FromWide(source.cAlternateFileName, wcsnlen(source.cAlternateFileName, 14));
    data->size = (std::uint64_t(source.nFileSizeHigh) << 32) | source.nFileSizeLow;
}

}  // namespace

std::u16string Win32ApiPath(const std::u16string& path) {
    const std::u16string_view text(path.c_str());  // the system stops at a NUL too
    if (text.size() < kPlainPathLimit) return std::u16string(text);
    if (IsDrivePath(text)) {
        std::u16string out(kExtendedPrefix);
        out.append(text.substr(0, 2));
        out.push_back(u'\\');
        return out + NormalisedTail(text.substr(2), 0);
    }
    // "\\server\share\...", but not "\\?\..." or "\\.\..." (already device paths).
    if (IsSeparator(text[0]) && IsSeparator(text[1]) && text[2] != u'?' && text[2] != u'.') {
        return std::u16string(kExtendedUncPrefix) + NormalisedTail(text.substr(2), 2);
    }
    return std::u16string(text);
}

FindHandle Win32FileSystem::FindFirst(const std::u16string& pattern, FindData* data) {
    WIN32_FIND_DATAW found;
    const HANDLE handle = FindFirstFileW(Wide(Win32ApiPath(pattern)), &found);
    if (handle == INVALID_HANDLE_VALUE) return kInvalidFindHandle;
    FromFindData(found, data);
    return reinterpret_cast<FindHandle>(handle);
}

bool Win32FileSystem::FindNext(FindHandle handle, FindData* data) {
    WIN32_FIND_DATAW found;
    if (!FindNextFileW(reinterpret_cast<HANDLE>(handle), &found)) return false;
    FromFindData(found, data);
    return true;
}

void Win32FileSystem::FindClose(FindHandle handle) {
    if (handle != kInvalidFindHandle) ::FindClose(reinterpret_cast<HANDLE>(handle));
}

std::uint32_t Win32FileSystem::GetAttributes(const std::u16string& path) {
    return GetFileAttributesW(Wide(Win32ApiPath(path)));
}

bool Win32FileSystem::SetAttributes(const std::u16string& path, std::uint32_t attributes) {
    return SetFileAttributesW(Wide(Win32ApiPath(path)), attributes) != FALSE;
}

bool Win32FileSystem::DeleteFile(const std::u16string& path) {
    return DeleteFileW(Wide(Win32ApiPath(path))) != FALSE;
}

bool Win32FileSystem::RemoveDirectory(const std::u16string& path) {
    return RemoveDirectoryW(Wide(Win32ApiPath(path))) != FALSE;
}

bool Win32FileSystem::CreateDirectory(const std::u16string& path) {
    return CreateDirectoryW(Wide(Win32ApiPath(path)), nullptr) != FALSE;
}

bool Win32FileSystem::MoveFile(const std::u16string& from, const std::u16string& to) {
    return MoveFileExW(Wide(Win32ApiPath(from)), Wide(Win32ApiPath(to)), 0) != FALSE;
}

bool Win32FileSystem::ReplaceFile(const std::u16string& from, const std::u16string& to) {
    // The new content on disk before the name points at it: a crash between
    // the two leaves the old file, never a renamed empty one.
    {
        ScopedFile file(CreateFileW(Wide(Win32ApiPath(from)), GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid() || !FlushFileBuffers(file.Get())) return false;
    }
    return MoveFileExW(Wide(Win32ApiPath(from)), Wide(Win32ApiPath(to)),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32FileSystem::FreeBytes(const std::u16string& folder, std::uint64_t* free) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(Wide(Win32ApiPath(folder)), &available, nullptr, nullptr))
        return false;
    *free = available.QuadPart;
    return true;
}

bool Win32FileSystem::GetLongPathName(const std::u16string& path, std::u16string* long_path) {
    const std::u16string api_path = Win32ApiPath(path);
    std::vector<wchar_t> buffer(kLongPathBufferLength, L'\0');
    const DWORD length = GetLongPathNameW(Wide(api_path), buffer.data(), kLongPathBufferLength);
    if (length == 0 || length >= kLongPathBufferLength) return false;
    std::u16string result = FromWide(buffer.data(), length);
    *long_path = api_path == path ? std::move(result) : StripExtendedPrefix(std::move(result));
    return true;
}

bool Win32FileSystem::GetFileIdentity(const std::u16string& path, FileIdentity* identity) {
    // No access asked: the identity needs none, and a folder whose contents
    // are denied still tells what it is.
    ScopedFile file(CreateFileW(Wide(Win32ApiPath(path)), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info)) return false;
    identity->volume_serial = info.dwVolumeSerialNumber;
    identity->file_index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool Win32FileSystem::ReadFile(const std::u16string& path, std::vector<std::uint8_t>* bytes) {
    ScopedFile file(CreateFileW(Wide(Win32ApiPath(path)), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        std::uint64_t(size.QuadPart) > kMaxReadBytes) {
        return false;
    }
    std::vector<std::uint8_t> data;
    try {
        data.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The file may shrink while it is read: stop at its end.
    std::size_t done = 0;
    while (done < data.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), data.data() + done, DWORD(data.size() - done), &got, nullptr)) {
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    data.resize(done);
    *bytes = std::move(data);
    return true;
}

bool Win32FileSystem::WriteFile(const std::u16string& path,
                                const std::vector<std::uint8_t>& bytes) {
    const std::u16string api_path = Win32ApiPath(path);
    // A read-only file is refused here rather than left to the open: Windows
    // refuses it, but Wine run as root opens it for writing all the same.
    const DWORD attributes = GetFileAttributesW(Wide(api_path));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    // OPEN_ALWAYS and truncation rather than CREATE_ALWAYS: CREATE_ALWAYS
    // refuses an existing hidden or system file unless its attributes are
    // passed again.
    ScopedFile file(CreateFileW(Wide(api_path), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data() + done, DWORD(bytes.size() - done), &written,
                         nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return SetEndOfFile(file.Get()) != FALSE;
}

}  // namespace purgeon
