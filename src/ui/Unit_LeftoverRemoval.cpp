#include "ui/Unit_LeftoverRemoval.h"

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "analysis/protected_folders.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "inventory/Unit_String_Proc.h"
#include "ui/Form_K_CustomUninstallWizard.h"
#include "ui/Unit_UninstallRecords.h"
#include "uninstall/Unit_K_ProcessProc.h"

namespace purgeon {

const char16_t kRemovalDoneText[] = u"All %s leftovers have been completely removed.";
const char16_t kRemovalConfirmText[] =
    u"Are you sure you want to remove all %s leftover files and registry entries?";
const char16_t kRemovalBusyText[] =
    u"Another removal is under way on this computer. Please press Delete again when it has "
    u"finished.";

namespace {

// Parent keys the analysis searches below; none of them, nor a key above
// them, may be deleted as a whole. Upper case, below HKLM (HKCU keeps the
// same shape below its own root).
const char16_t* const kSearchedParents[] = {
    u"SOFTWARE\\CLASSES\\CLSID",
    u"SOFTWARE\\CLASSES\\TYPELIB",
    u"SOFTWARE\\CLASSES\\INTERFACE",
    u"SOFTWARE\\CLASSES\\INSTALLER\\PRODUCTS",
    u"SOFTWARE\\CLASSES\\LOCAL SETTINGS\\SOFTWARE\\MICROSOFT\\WINDOWS\\SHELL\\MUICACHE",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\INSTALLER\\FOLDERS",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\INSTALLER\\USERDATA",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHELL EXTENSIONS\\APPROVED",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\BROWSER HELPER OBJECTS",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\SHELLNOROAM\\MUICACHE",
    u"SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\APPCOMPATFLAGS\\LAYERS",
    u"SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\TOOLBAR",
    u"SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\LOW RIGHTS\\ELEVATIONPOLICY",
    u"SYSTEM\\CURRENTCONTROLSET\\SERVICES",
    u"SYSTEM\\CURRENTCONTROLSET\\CONTROL",
};

const std::u16string kUserDataUpper =
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\INSTALLER\\USERDATA";

// "A\B" is at or above "A\B\C" (whole components only).
bool IsAtOrAbove(const std::u16string& key, const std::u16string& other) {
    return other.size() >= key.size() && other.compare(0, key.size(), key) == 0 &&
           (other.size() == key.size() || other[key.size()] == u'\\');
}

}  // namespace

bool IsProtectedRegistryKey(const std::u16string& root_name, const std::u16string& key_path) {
    StringList pieces;
    Str_SplitByBackslash(AsciiUpper(key_path), pieces);
    for (auto& piece : pieces) piece = Trim(piece);
    std::erase_if(pieces, [](const std::u16string& piece) { return piece.empty(); });
    if (root_name == u"HKU") {
        if (pieces.empty()) return true;
        pieces.erase(pieces.begin());  // the hive: what follows has HKCU's shape
    } else if (root_name == u"HKCR") {
        pieces.insert(pieces.begin(), {u"SOFTWARE", u"CLASSES"});
    }
    // The 32-bit view's keys have the same shape below Wow6432Node.
    if (pieces.size() >= 2 && pieces[0] == u"SOFTWARE" && pieces[1] == u"WOW6432NODE")
        pieces.erase(pieces.begin() + 1);
    if (pieces.size() < 2) return true;
    std::u16string path;
    for (const auto& piece : pieces) path += (path.empty() ? u"" : u"\\") + piece;
    for (const char16_t* parent : kSearchedParents) {
        if (IsAtOrAbove(path, parent)) return true;
    }
    // A user id below UserData, or its Products / Components / Patches key.
    if (IsAtOrAbove(kUserDataUpper, path) && pieces.size() <= 8) return true;
    return false;
}

bool DeleteRegistryLocation(
    Ports& ports, const std::u16string& location, bool view64,
    const std::function<bool(const std::u16string& location, bool view64)>& before) {
    StringList pieces;
    Str_SplitByBar(location, pieces);
    if (pieces.size() != 2 && pieces.size() != 3) return false;
    const RegKey root = Reg_RootFromName(pieces[0]);
    if (root == 0 || Trim(pieces[1]).empty()) return false;
    if (pieces.size() == 2 && IsProtectedRegistryKey(pieces[0], pieces[1])) return false;
    if (before && !before(location, view64)) return false;
    if (pieces.size() == 3) {
        return Reg_DeleteValue(ports.registry, root, pieces[1], pieces[2], view64);
    }
    return ports.hostkit.CommonRegDeleteKey(root, pieces[1], view64 ? 1 : 0);
}

RemovalGuard::RemovalGuard(FileSystemPort& fs, const ProtectedFolders& protected_folders,
                           const StringList& starting_folders)
    : fs_(fs), protected_(protected_folders) {
    for (const auto& start : starting_folders) {
        if (protected_.IsProtected(start)) continue;
        const CanonicalPath canonical = CanonicalFolderPath(fs_, start, &protected_.environment());
        if (canonical.decided) starts_.push_back(canonical.text);
    }
}

bool RemovalGuard::ThroughLink(const std::u16string& canonical, const std::u16string& start) {
    // The folders from the start down to the path's own folder; the path
    // itself may be a link (it is removed as one).
    std::u16string_view above = PathFolder(canonical);
    while (above.size() > 3 && above.size() > start.size()) {
        const std::u16string folder(above.substr(0, above.size() - 1));
        const std::u16string key = AsciiUpper(folder);
        auto found = link_.find(key);
        if (found == link_.end()) {
            const std::uint32_t attributes = fs_.GetAttributes(folder);
            found = link_
                        .emplace(key, attributes != kInvalidFileAttributes &&
                                          (attributes & kFileAttributeReparsePoint) != 0)
                        .first;
        }
        if (found->second) return true;
        if (folder.size() <= start.size()) break;
        above = above.substr(0, PathFolder(folder).size());  // a view of the path, not of `folder`
    }
    return false;
}

std::u16string RemovalGuard::Check(const std::u16string& path) {
    const CanonicalPath canonical = CanonicalFolderPath(fs_, path, &protected_.environment());
    if (!canonical.decided || protected_.IsProtectedText(canonical.text)) return {};
    const std::u16string* start = nullptr;
    for (const auto& one : starts_) {
        if (IsSameOrInside(canonical.text, one)) {
            start = &one;
            break;
        }
    }
    if (start == nullptr || ThroughLink(canonical.text, *start)) return {};
    // What a folder (or a link to one) really is.
    const std::uint32_t attributes = fs_.GetAttributes(canonical.text);
    if (attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory)) {
        FileIdentity identity;
        if (fs_.GetFileIdentity(canonical.text, &identity) &&
            protected_.IsProtectedIdentity(identity))
            return {};
    }
    return canonical.text;
}

RemovalOutcome RemoveLeftovers(Ports& ports, const RemovalRequest& request, RemovalTally* tally) {
    RemovalTally count;
    const std::u16string done = FormatWithText(kRemovalDoneText, request.select_software);
    // 1. Nothing listed: only the notice.
    if (request.step3_files_folders_rows == 0 && request.step3_registry_rows == 0) {
        ports.dialog.MessageBox(request.owner, done, u"Purgeon", kMbIconInformation);
        if (tally) *tally = count;
        return RemovalOutcome::kNothingToRemove;
    }
    // 2. Only No declines.
    if (ports.dialog.MessageBox(request.owner,
                                FormatWithText(kRemovalConfirmText, request.select_software),
                                u"Purgeon", kMbYesNo | kMbIconQuestion) == kIdNo) {
        if (tally) *tally = count;
        return RemovalOutcome::kDeclined;
    }

    const StringList none;
    const StringList& paths = request.all_files_folders ? *request.all_files_folders : none;
    const ProtectedFolders protected_folders(ports.shell, ports.files, &ports.registry);
    RemovalGuard guard(ports.files, protected_folders,
                       request.starting_folders ? *request.starting_folders : none);
    // Every path is judged before anything goes, so that the processes to end
    // are known from what will really be deleted.
    StringList accepted_folders, accepted_files, to_delete;
    for (const auto& path : paths) {
        std::u16string canonical = guard.Check(path);
        if (canonical.empty()) {
            ++count.refused;
            continue;
        }
        (IsDirectory(ports.files, canonical) ? accepted_folders : accepted_files)
            .push_back(canonical);
        to_delete.push_back(std::move(canonical));
    }
    // 3. End the running programs whose executables are about to be deleted,
    // by their image paths: a program elsewhere of the same name is someone
    // else's work.
    count.ended_processes =
        TerminateProcessesInFolders(ports.processes, ports.files, accepted_folders, accepted_files)
            .size();
    // 4. Files and folders, every one found (not only the rows shown).
    for (const auto& path : to_delete) {
        if (request.take_path)
            request.take_path(path);
        else
            DeleteFileOrFolder(ports.files, path);
        ++count.deleted;
    }
    // 5.-7. The ticked Step 2 registry rows, in the program's view.
    const bool view64 = request.uninstall_type == 1;
    if (view64) ports.hostkit.EnableWow64FsRedirection(false);
    if (request.step2_registry) {
        for (const auto& row : *request.step2_registry) {
            if (row.ticked &&
                DeleteRegistryLocation(ports, row.path, view64, request.save_registry))
                ++count.registry_deleted;
        }
    }
    if (view64) ports.hostkit.EnableWow64FsRedirection(true);
    // 8. The records of this uninstall.
    UninstallRecords(ports.files, ports.code_page, request.cur_app_path).Remove();
    // 9., 10.
    if (request.empty_report_lists) request.empty_report_lists();
    ports.dialog.MessageBox(request.owner, done, u"Purgeon", kMbIconInformation);
    if (tally) *tally = count;
    return RemovalOutcome::kRemoved;
}

}  // namespace purgeon
