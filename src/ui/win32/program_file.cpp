#include "ui/win32/program_file.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace purgeon {

std::u16string OwnExecutablePath() {
    // GetModuleFileNameW truncates silently when the buffer is short: grow it
    // until the path fits (the longest Windows path is 32767 characters).
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), buffer.size());
        if (length == 0) return std::u16string();
        if (length < buffer.size()) return FromWide(buffer.data(), length);
        if (buffer.size() > 32768) return std::u16string();
        buffer.resize(buffer.size() * 2);
    }
}

bool ReadFileVersion(const std::u16string& path, FileVersion* version) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(Wide(path), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(Wide(path), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT info_size = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) ||
        info == nullptr || info_size < sizeof(VS_FIXEDFILEINFO) ||
        info->dwSignature != 0xFEEF04BD) {
        return false;
    }
    version->major = HIWORD(info->dwFileVersionMS);
    version->minor = LOWORD(info->dwFileVersionMS);
    version->release = HIWORD(info->dwFileVersionLS);
    version->build = LOWORD(info->dwFileVersionLS);
    return true;
}

}  // namespace purgeon
