// The removal of the leftovers an analysis found (the Step 3 Delete
// button): running programs whose executables lie in the leftovers are
// ended, every found file and folder is deleted, then every ticked registry
// row of Step 2, and the uninstall records are removed.
//
// It is the last line of defence, whatever the lists it is handed hold: it
// deletes a path only when it lies inside one of the folders the analysis
// started from, is no protected folder (ProtectedFolders) nor holds one, and
// is not reached through a link; a process is ended only when its image path
// lies in what is deleted.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/protected_folders.h"
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
    // The folders the analysis started from (TThread_Uninstall_Analyze::
    // m_ListStr_StartFolders). A path outside all of them is never deleted;
    // without them no file or folder is.
    const StringList* starting_folders = nullptr;
    std::int32_t uninstall_type = 0;  // m_nUninstallType: 1 = 64-bit view
    std::u16string select_software;   // m_strSelectUnstallSoftware
    std::u16string cur_app_path;      // m_strCurAppPath, ending in "\"
    // Empties the four report lists (Step 2 and Step 3).
    std::function<void()> empty_report_lists;
    // A front end that keeps what it removes (an undo set) sets these; the
    // window leaves them empty. `take_path` is handed each canonical path the
    // last-line checks let through and removes it in place of the deletion.
    // `save_registry` is handed each location the checks let through before
    // it is deleted; false keeps the location.
    std::function<void(const std::u16string& path)> take_path;
    std::function<bool(const std::u16string& location, bool view64)> save_registry;
};

enum class RemovalOutcome { kNothingToRemove, kDeclined, kRemoved };

// What a removal did, for a front end that reports it.
struct RemovalTally {
    std::size_t deleted = 0;  // files and folders handed over for deletion
    std::size_t refused = 0;  // paths the last-line checks kept
    std::size_t ended_processes = 0;
    std::size_t registry_deleted = 0;  // locations deleted
};

RemovalOutcome RemoveLeftovers(Ports& ports, const RemovalRequest& request,
                               RemovalTally* tally = nullptr);

// The last-line decision for one path: its canonical text (to delete by)
// when it may be deleted, else nothing. Builds its answers per folder once.
class RemovalGuard {
  public:
    RemovalGuard(FileSystemPort& fs, const ProtectedFolders& protected_folders,
                 const StringList& starting_folders);
    // Canonical path to delete, or empty when the path must stay.
    std::u16string Check(const std::u16string& path);
    // The starting folders that passed the full check, canonical.
    const StringList& starts() const { return starts_; }

  private:
    bool ThroughLink(const std::u16string& canonical, const std::u16string& start);

    FileSystemPort& fs_;
    const ProtectedFolders& protected_;
    StringList starts_;
    std::unordered_map<std::u16string, bool> link_;  // upper-case folder -> is a link
};

// Deletes one registry location: three pieces name a value, two a key with
// its subtree; anything else, an unknown root, or a key the system or every
// program relies on (see IsProtectedRegistryKey) is left alone. True when
// something was deleted. `before`, when set, is asked once the location has
// passed those checks; false keeps it.
bool DeleteRegistryLocation(
    Ports& ports, const std::u16string& location, bool view64,
    const std::function<bool(const std::u16string& location, bool view64)>& before = {});

// A key that must never go as a whole: a root, a hive, a key of one level
// below HKLM or HKCU, or a key at or above a parent key the analysis
// searches (Classes\CLSID, the Uninstall key, the Run key, ...).
bool IsProtectedRegistryKey(const std::u16string& root_name, const std::u16string& key_path);

extern const char16_t kRemovalDoneText[];     // "All %s leftovers have been completely removed."
extern const char16_t kRemovalConfirmText[];  // "Are you sure you want to remove all %s ...?"
extern const char16_t kRemovalBusyText[];     // another removal holds the machine's lock

}  // namespace purgeon
