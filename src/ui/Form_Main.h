// The main window's state and logic, free of any window toolkit: the Win32
// view (src/ui/win32) renders it and forwards its events here, and the native
// tests drive it directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "inventory/Unit_K_SoftwareInfo_Struct.h"
#include "inventory/Unit_K_SoftwareLib.h"
#include "platform/hostkit.h"
#include "platform/text.h"

namespace purgeon {

// The four numbers of a file version resource: major, minor, release, build.
struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t release = 0;
    std::uint16_t build = 0;
};

// The status bar's version text: "Version: " + "%d.%d.%d.%d" + one blank.
std::u16string VersionLabelText(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                                std::uint16_t build);

// The program folder for an executable's full path: everything up to and
// including the last "\" or ":", with a backslash appended when that does
// not already end in one (so a bare file name gives "\").
std::u16string ProgramFolderOf(std::u16string_view exe_path);

class TFrm_Main_PG {
  public:
    // `hostkit` is borrowed and must outlive the window.
    explicit TFrm_Main_PG(HostkitPort& hostkit) : hostkit_(hostkit) {}
    TFrm_Main_PG(const TFrm_Main_PG&) = delete;
    TFrm_Main_PG& operator=(const TFrm_Main_PG&) = delete;

    // The creation steps, run once when the window is created; later calls
    // do nothing, so the Hostkit table is obtained exactly once.
    // `exe_path` is the full path of the running executable.
    void FormCreate(std::u16string_view exe_path);

    // Start of every showing: refreshes Label_Version from the running
    // executable's own file version.
    void FormShow(const FileVersion& own_version);

    // The record selected in the program list, or null. Points into the
    // inventory, which owns it.
    K_Class_SoftwareInfo* current_program() const { return current_program_; }
    void set_current_program(K_Class_SoftwareInfo* record) { current_program_ = record; }

    // The inventory of installed programs; lives as long as the window.
    K_Class_SoftwareInfo_List& inventory() { return inventory_; }
    // The known-software library, filled once at creation.
    const K_Software_Const_Feature_Lib& library() const { return library_; }

    // The InitDll_Hostkit table, kept for the life of the program and never
    // freed; null before FormCreate (or if the DLL ran out of memory).
    HostkitTable hostkit_table() const { return hostkit_table_; }

    std::u16string m_strCurAppPath;  // program folder, always ending in "\"
    // icon file path (exact, case counts) -> index in the program list's image list
    std::unordered_map<std::u16string, std::int32_t> m_map_SoftwareList_ImageInfo;
    StringList m_strlist_Analyzed_Files;
    StringList m_strlist_Analyzed_Folders;
    StringList m_strlist_Analyzed_AllFilesFolders;
    StringList m_strlist_Analyzed_Registry;
    StringList m_strlist_RAConfigItem;  // lines of the status record file

    std::u16string Label_Version;        // the status bar's version text
    std::uint32_t m_ulAlphaBlend = 255;  // window opacity; below 255 only while fading out

  private:
    HostkitPort& hostkit_;
    bool created_ = false;
    K_Class_SoftwareInfo* current_program_ = nullptr;
    K_Class_SoftwareInfo_List inventory_;
    K_Software_Const_Feature_Lib library_;
    HostkitTable hostkit_table_ = nullptr;
};

}  // namespace purgeon
