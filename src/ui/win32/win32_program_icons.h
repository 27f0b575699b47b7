// The program list's icons over the shell and the image lists:
// ImgList_SoftwareIcon (the rows' icons) and ImgList_NoShowSoftwareICO (the
// three fixed pictures), both 32 x 32 on white. Window thread only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/program_icons.h"

namespace purgeon {

class Win32ProgramIcons : public ProgramIconPort {
  public:
    Win32ProgramIcons();
    ~Win32ProgramIcons() override;
    Win32ProgramIcons(const Win32ProgramIcons&) = delete;
    Win32ProgramIcons& operator=(const Win32ProgramIcons&) = delete;

    HIMAGELIST ImgList_SoftwareIcon() const { return software_; }
    HIMAGELIST ImgList_NoShowSoftwareICO() const { return fixed_; }

    IconHandle ShellFileIcon(const std::u16string& path) override;
    IconHandle ExtractFileIcon(const std::u16string& path, std::uint32_t index) override;
    bool LoadIconFileChecked(const std::u16string& path, IconHandle* icon) override;
    IconHandle FixedIcon(int index) override;
    IconSize SizeOf(IconHandle icon) override;
    IconHandle MakeIcon32(IconHandle icon, const std::u16string& folder) override;
    void Release(IconHandle icon) override;
    std::int32_t AddToImageList(IconHandle icon) override;
    void SetImageListSize(int edge) override;
    void ClearImageList() override;

  private:
    HIMAGELIST software_ = nullptr;
    HIMAGELIST fixed_ = nullptr;
};

}  // namespace purgeon
