#include "ui/win32/win32_program_icons.h"

#include <shellapi.h>

#include "artwork_ids.h"
#include "inventory/win32/program_icon_files.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_handles.h"
#include "ui/win32/artwork.h"

namespace purgeon {
namespace {

HICON AsIcon(IconHandle icon) {
    return reinterpret_cast<HICON>(icon);
}
IconHandle AsHandle(HICON icon) {
    return reinterpret_cast<IconHandle>(icon);
}

HIMAGELIST MakeList(int grow_by) {
    HIMAGELIST list = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, grow_by);
    if (list) ImageList_SetBkColor(list, RGB(255, 255, 255));
    return list;
}

}  // namespace

// The rows' list grows 256 images at a time: grown by a few, a list of
// thousands of icons copies all its images again at every step.
Win32ProgramIcons::Win32ProgramIcons() : software_(MakeList(256)), fixed_(MakeList(4)) {
    for (int id : {IDP_ICON_SUITE_RED, IDP_ICON_SUITE_DARK, IDP_ICON_GENERIC}) {
        ScopedIcon icon(Artwork::Instance().MakeIcon(id));
        if (!icon) icon.Reset(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));  // no artwork
        ImageList_AddIcon(fixed_, icon.Get());
    }
}

Win32ProgramIcons::~Win32ProgramIcons() {
    if (software_) ImageList_Destroy(software_);
    if (fixed_) ImageList_Destroy(fixed_);
}

IconHandle Win32ProgramIcons::ShellFileIcon(const std::u16string& path) {
    SHFILEINFOW info{};
    SHGetFileInfoW(Wide(path), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SYSICONINDEX);
    return AsHandle(info.hIcon);
}

IconHandle Win32ProgramIcons::ExtractFileIcon(const std::u16string& path, std::uint32_t index) {
    HICON icon = ExtractIconW(GetModuleHandleW(nullptr), Wide(path), index);
    // 1: the file is not an executable, library or icon file.
    if (reinterpret_cast<UINT_PTR>(icon) <= 1) return 0;
    return AsHandle(icon);
}

bool Win32ProgramIcons::LoadIconFileChecked(const std::u16string& path, IconHandle* icon) {
    try {
        ScopedIcon loaded;
        if (!purgeon::LoadIconFileChecked(loaded, path)) return false;
        *icon = AsHandle(loaded.Release());
        return true;
    } catch (const IconFileError& error) {
        throw IconError(error.what());
    }
}

IconHandle Win32ProgramIcons::FixedIcon(int index) {
    return AsHandle(ImageList_GetIcon(fixed_, index, ILD_NORMAL));
}

IconSize Win32ProgramIcons::SizeOf(IconHandle icon) {
    ICONINFO info{};
    if (!GetIconInfo(AsIcon(icon), &info)) return {};
    ScopedBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    if (color && GetObjectW(color.Get(), sizeof(bitmap), &bitmap))
        return {bitmap.bmWidth, bitmap.bmHeight};
    if (mask && GetObjectW(mask.Get(), sizeof(bitmap), &bitmap))
        return {bitmap.bmWidth, bitmap.bmHeight / 2};  // monochrome: AND and XOR masks
    return {};
}

IconHandle Win32ProgramIcons::MakeIcon32(IconHandle icon, const std::u16string& folder) {
    ScopedIcon copy(CopyIcon(AsIcon(icon)));
    if (!copy) throw IconError("CopyIcon failed");
    try {
        purgeon::MakeIcon32(copy, folder, 0);
    } catch (const IconFileError& error) {
        throw IconError(error.what());
    }
    return AsHandle(copy.Release());
}

void Win32ProgramIcons::Release(IconHandle icon) {
    if (icon) DestroyIcon(AsIcon(icon));
}

std::int32_t Win32ProgramIcons::AddToImageList(IconHandle icon) {
    return ImageList_AddIcon(software_, AsIcon(icon));
}

void Win32ProgramIcons::SetImageListSize(int edge) {
    int width = 0, height = 0;
    ImageList_GetIconSize(software_, &width, &height);
    // Setting the size empties the list: only when it really changes.
    if (width != edge || height != edge) ImageList_SetIconSize(software_, edge, edge);
}

void Win32ProgramIcons::ClearImageList() {
    ImageList_RemoveAll(software_);
}

}  // namespace purgeon
