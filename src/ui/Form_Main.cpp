#include "ui/Form_Main.h"

#include <string>

namespace purgeon {

std::u16string VersionLabelText(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                                std::uint16_t build) {
    const std::string text = "Version: " + std::to_string(major) + "." + std::to_string(minor) +
                             "." + std::to_string(release) + "." + std::to_string(build) + " ";
    return FromUtf8(text);
}

std::u16string ProgramFolderOf(std::u16string_view exe_path) {
    const size_t last = exe_path.find_last_of(u"\\:");
    const std::u16string_view folder =
        last == std::u16string_view::npos ? std::u16string_view() : exe_path.substr(0, last + 1);
    return WithTrailingBackslash(folder);
}

void TFrm_Main_PG::FormCreate(std::u16string_view exe_path) {
    if (created_) return;
    created_ = true;

    current_program_ = nullptr;
    m_map_SoftwareList_ImageInfo.clear();
    m_strlist_Analyzed_Files.clear();
    m_strlist_Analyzed_Folders.clear();
    m_strlist_Analyzed_AllFilesFolders.clear();
    m_strlist_Analyzed_Registry.clear();
    m_strlist_RAConfigItem.clear();

    m_strCurAppPath = ProgramFolderOf(exe_path);
    library_.mpu_InitLib();
    hostkit_table_ = hostkit_.InitFunctionTable();
}

void TFrm_Main_PG::FormShow(const FileVersion& own_version) {
    Label_Version = VersionLabelText(own_version.major, own_version.minor, own_version.release,
                                     own_version.build);
}

}  // namespace purgeon
