#include "ui/win32/program_file.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace purgeon {

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
