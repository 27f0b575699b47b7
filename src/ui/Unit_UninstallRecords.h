// The four record files that describe an uninstall under way, kept in the
// program's own folder: Config.ini (ten status lines), FileRecord.ini,
// FolderRecord and RegRecord.ini (one found leftover per line). Every line
// ends with CR LF. New files are written in the ANSI code page without a
// byte-order mark; a file that is loaded and written back keeps the
// encoding its byte-order mark says.
#pragma once

#include <cstdint>
#include <string>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace purgeon {

enum class TextEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

// Loads a text file into lines (CR LF, LF or CR end a line). False when it
// cannot be read; `encoding` then stays kAnsi.
bool LoadLines(FileSystemPort& fs, CodePagePort& code_page, const std::u16string& path,
               StringList& lines, TextEncoding& encoding);
// Writes every line followed by CR LF, in `encoding` (with its byte-order
// mark, none for ANSI), replacing the file.
bool SaveLines(FileSystemPort& fs, CodePagePort& code_page, const std::u16string& path,
               const StringList& lines, TextEncoding encoding);

struct AnalysisRecord {
    std::uint32_t files_folders_count = 0;  // m_strlist_Analyzed_AllFilesFolders
    std::uint32_t registry_rows = 0;        // rows of the Step 2 registry list
    std::u16string select_software;         // m_strSelectUnstallSoftware
    std::int32_t uninstall_mode = 1;        // 1 standard, 2 custom
    std::int32_t uninstall_type = 0;        // 1 = 64-bit registry view
    const StringList* files = nullptr;      // m_strlist_Analyzed_Files
    const StringList* folders = nullptr;    // m_strlist_Analyzed_Folders
    const StringList* registry = nullptr;   // m_strlist_Analyzed_Registry
};

class UninstallRecords {
  public:
    // `folder` is the program's folder, ending in "\".
    UninstallRecords(FileSystemPort& fs, CodePagePort& code_page, std::u16string folder);

    // After an analysis that found something: the ten status lines (an
    // existing Config.ini keeps its lines after the tenth; a shorter one is
    // completed) and the three lists. `config` is m_strlist_RAConfigItem.
    void WriteAfterAnalysis(const AnalysisRecord& analysis, StringList& config);
    // After the program's own uninstaller ran: line 8 becomes "2". A missing
    // Config.ini, or one of fewer than eight lines, is left as it is: it
    // describes no uninstall this run could continue.
    void SetStepUninstalled(StringList& config);
    // Deletes FileRecord.ini, FolderRecord, RegRecord.ini and Config.ini.
    void Remove();

    std::u16string Path(const char16_t* name) const { return folder_ + name; }

  private:
    FileSystemPort& fs_;
    CodePagePort& code_page_;
    std::u16string folder_;
};

}  // namespace purgeon
