// The removal of the leftovers an analysis found (the Step 3 Delete
// button): running leftover executables are ended, every found file and
// folder is deleted, then every ticked registry row of Step 2, and the
// uninstall records are removed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ports.h"
#include "platform/text.h"

namespace purgeon {

struct RegistryRow {
    std::u16string path;  // location notation
    bool ticked = true;
};

struct RemovalRequest {
    WindowId owner = 0;
    std::size_t step3_files_folders_rows = 0;  // only "are both lists empty?" matters
    std::size_t step3_registry_rows = 0;
    const StringList* all_files_folders = nullptr;             // m_strlist_Analyzed_AllFilesFolders
    const std::vector<RegistryRow>* step2_registry = nullptr;  // ListView_Step2_Registry
    std::int32_t uninstall_type = 0;                           // m_nUninstallType: 1 = 64-bit view
    std::u16string select_software;                            // m_strSelectUnstallSoftware
    std::u16string cur_app_path;                               // m_strCurAppPath, ending in "\"
    // Empties the four report lists (Step 2 and Step 3).
    std::function<void()> empty_report_lists;
};

enum class RemovalOutcome { kNothingToRemove, kDeclined, kRemoved };

RemovalOutcome RemoveLeftovers(Ports& ports, const RemovalRequest& request);

// Deletes one registry location: three pieces name a value, two a key with
// its subtree; anything else, an unknown root, or a key the system or every
// program relies on (see IsProtectedRegistryKey) is left alone. True when
// something was deleted.
bool DeleteRegistryLocation(Ports& ports, const std::u16string& location, bool view64);

// A key that must never go as a whole: a root, a hive, a key of one level
// below HKLM or HKCU, or a key at or above a parent key the analysis
// searches (Classes\CLSID, the Uninstall key, the Run key, ...).
bool IsProtectedRegistryKey(const std::u16string& root_name, const std::u16string& key_path);

extern const char16_t kRemovalDoneText[];     // "All %s leftovers have been completely removed."
extern const char16_t kRemovalConfirmText[];  // "Are you sure you want to remove all %s ...?"

}  // namespace purgeon
