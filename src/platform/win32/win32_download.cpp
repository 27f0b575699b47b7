#include "platform/win32/win32_download.h"

#include <windows.h>
#include <objbase.h>
#include <urlmon.h>

#include <string>

#include "platform/win32/wide.h"

namespace purgeon {
namespace {

using UrlDownloadToFileFn = HRESULT(WINAPI*)(IUnknown*, LPCWSTR, LPCWSTR, DWORD,
                                             IBindStatusCallback*);

// Looked up once; the library stays loaded until the program ends.
UrlDownloadToFileFn UrlDownloadToFile() {
    static const UrlDownloadToFileFn function = []() -> UrlDownloadToFileFn {
        wchar_t folder[MAX_PATH];
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return nullptr;
        const std::wstring path = std::wstring(folder, length) + L"\\urlmon.dll";
        HMODULE urlmon = LoadLibraryW(path.c_str());
        if (urlmon == nullptr) return nullptr;
        return reinterpret_cast<UrlDownloadToFileFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(urlmon, "URLDownloadToFileW")));
    }();
    return function;
}

}  // namespace

std::int32_t Win32Download::DownloadToFile(const std::u16string& url,
                                           const std::u16string& file_path) {
    const UrlDownloadToFileFn download = UrlDownloadToFile();
    if (download == nullptr) return static_cast<std::int32_t>(E_FAIL);
    // The workers' threads have no COM of their own; urlmon needs it.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HRESULT result = download(nullptr, Wide(url), Wide(file_path), 0, nullptr);
    if (SUCCEEDED(com)) CoUninitialize();
    return static_cast<std::int32_t>(result);
}

}  // namespace purgeon
