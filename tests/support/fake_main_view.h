// Stand-ins for the main window's view and its icon port in native tests:
// the view records what it was asked to render; the icon port hands out
// numbered icons from a scripted set of icon files and keeps its image list
// as the labels of the icons appended, so a test sees which image a row got.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/main_form_view.h"
#include "ui/program_icons.h"

namespace purgeon::testing {

class FakeMainView : public MainFormView {
  public:
    void Render(MainPart part) override {
        renders.push_back(part);
        if (on_render) on_render(part);
    }
    WindowId MainWindowId() override { return 0x100; }
    WindowId LoadingWindowId() override { return 0x200; }
    void FocusAppList() override { ++focus_calls; }
    void RepaintAppListNow() override { ++repaints; }
    void Minimise() override { ++minimised; }
    void ShowLoadingWindowModal() override { ++loading_shown; }
    bool IsLoadingWindowVisible() override { return loading_visible; }

    // Seven pixels a character, unless a test says otherwise.
    int MeasureLabel(MeasuredLabel, const std::u16string& text) override {
        return int(text.size()) * char_width;
    }
    void Analysing_Prepare(int mode, const std::u16string& heading, int logo) override {
        analysing_mode = mode;
        analysing_heading = heading;
        analysing_logo = logo;
        files_counts.clear();
        registry_counts.clear();
        files_counts.push_back(0);
        registry_counts.push_back(0);
    }
    void Analysing_ShowFilesCount(int count) override { files_counts.push_back(count); }
    void Analysing_ShowRegistryCount(int count) override { registry_counts.push_back(count); }
    // The modal loop: serves the worker until the window is closed.
    void Analysing_ShowModal() override {
        analysing_open = true;
        if (run_modal) run_modal([this] { return !analysing_open; });
    }
    void Analysing_Close() override { analysing_open = false; }
    void UninstallProcess_SendStep(std::uint32_t step) override { steps.push_back(step); }
    void UninstallProcess_ShowModal() override {
        uninstall_complete = false;
        if (run_modal) run_modal([this] { return uninstall_complete; });
    }
    void UninstallProcess_Complete() override { uninstall_complete = true; }
    bool CustomWizard_ShowModal(std::u16string* folder) override {
        ++wizard_shown;
        if (!wizard_answer) return false;
        *folder = *wizard_answer;
        return true;
    }

    int char_width = 7;
    // Runs the window thread's work until the condition holds (the test's
    // dispatcher); unset: returns at once.
    std::function<void(const std::function<bool()>&)> run_modal;
    int analysing_mode = 0;
    std::u16string analysing_heading;
    int analysing_logo = -2;
    std::vector<int> files_counts, registry_counts;
    bool analysing_open = false;
    std::vector<std::uint32_t> steps;
    bool uninstall_complete = false;
    int wizard_shown = 0;
    std::optional<std::u16string> wizard_answer;

    std::vector<MainPart> renders;

    std::function<void(MainPart)> on_render;  // after recording
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
