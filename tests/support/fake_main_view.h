// Stand-ins for the main window's view and its icon port in native tests:
// the view records what it was asked to render; the icon port hands out
// numbered icons from a scripted set of icon files and keeps its image list
// as the labels of the icons appended, so a test sees which image a row got.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/main_form_view.h"
#include "ui/program_icons.h"

namespace purgeon::testing {

class FakeMainView : public MainFormView {
  public:
    void Render(MainPart part) override { renders.push_back(part); }
    WindowId MainWindowId() override { return 0x100; }
    WindowId LoadingWindowId() override { return 0x200; }
    void FocusAppList() override { ++focus_calls; }
    void RepaintAppListNow() override { ++repaints; }
    void Minimise() override { ++minimised; }
    void ShowLoadingWindowModal() override { ++loading_shown; }
    bool IsLoadingWindowVisible() override { return loading_visible; }

    std::vector<MainPart> renders;
    int focus_calls = 0;
    int repaints = 0;
    int minimised = 0;
    int loading_shown = 0;
    bool loading_visible = false;
};

// What a scripted icon file holds.
enum class FakeIconFile { kIcon, kNotAnIcon, kUnreadable };

class FakeProgramIcons : public ProgramIconPort {
  public:
    // Files the shell gives an icon for, with that icon's size.
    std::map<std::u16string, IconSize> shell_icons;
    // Files ExtractIconW finds icons in (any number), with their size.
    std::map<std::u16string, IconSize> dll_icons;
    // Files the checked icon loader is asked about; absent: unreadable.
    std::map<std::u16string, FakeIconFile> icon_files;
    IconSize make32_result{32, 32};
    bool make32_fails = false;

    IconHandle ShellFileIcon(const std::u16string& path) override {
        const auto it = shell_icons.find(path);
        return it == shell_icons.end() ? 0 : New(u"shell:" + path, it->second);
    }
    IconHandle ExtractFileIcon(const std::u16string& path, std::uint32_t index) override {
        const auto it = dll_icons.find(path);
        if (it == dll_icons.end()) return 0;
        return New(u"dll:" + path + u"#" + std::u16string(1, char16_t(u'0' + index % 10)),
                   it->second);
    }
    bool LoadIconFileChecked(const std::u16string& path, IconHandle* icon) override {
        const auto it = icon_files.find(path);
        if (it == icon_files.end() || it->second == FakeIconFile::kUnreadable)
            throw IconError("cannot open");
        if (it->second == FakeIconFile::kNotAnIcon) return false;
        *icon = New(u"ico:" + path, {32, 32});
        return true;
    }
    IconHandle FixedIcon(int index) override {
        return New(u"fixed:" + std::u16string(1, char16_t(u'0' + index)), {32, 32});
    }
    IconSize SizeOf(IconHandle icon) override { return live.at(icon).size; }
    IconHandle MakeIcon32(IconHandle icon, const std::u16string& folder) override {
        make32_folders.push_back(folder);
        if (make32_fails) throw IconError("temporary file not written");
        return New(live.at(icon).label + u"@32", make32_result);
    }
    void Release(IconHandle icon) override { live.erase(icon); }
    std::int32_t AddToImageList(IconHandle icon) override {
        image_list.push_back(live.at(icon).label);
        return std::int32_t(image_list.size() - 1);
    }
    void SetImageListSize(int edge) override { image_edges.push_back(edge); }
    void ClearImageList() override { image_list.clear(); }

    std::vector<std::u16string> image_list;
    std::vector<int> image_edges;
    std::vector<std::u16string> make32_folders;

    struct Icon {
        std::u16string label;
        IconSize size;
    };
    std::map<IconHandle, Icon> live;  // handed out and not yet released

  private:
    IconHandle New(std::u16string label, IconSize size) {
        live[++last_] = {std::move(label), size};
        return last_;
    }
    IconHandle last_ = 0;
};

}  // namespace purgeon::testing
