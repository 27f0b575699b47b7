#include "analysis/Thread_Uninstall_Analyze.h"

#include <algorithm>
#include <vector>

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "analysis/protected_folders.h"
#include "inventory/Unit_String_Proc.h"

namespace purgeon {

namespace {

bool IsDotEntry(const std::u16string& name) {
    return name == u"." || name == u"..";
}

bool IsFolder(const FindData& data) {
    return (data.attributes & kFileAttributeDirectory) != 0;
}

// Junctions and symbolic links: recorded, never walked into, so that
// neither the analysis nor the removal that trusts it reaches outside.
bool IsLink(const FindData& data) {
    return (data.attributes & kFileAttributeReparsePoint) != 0;
}

// Every entry of a folder but "." and "..", in listing order; empty when the
// folder cannot be listed.
std::vector<FindData> ListFolder(FileSystemPort& fs, const std::u16string& base) {
    std::vector<FindData> entries;
    FindData data;
    ScopedFindHandle find(fs, fs.FindFirst(base + u"*.*", &data));
    if (!find.Valid()) return entries;
    do {
        if (!IsDotEntry(data.name)) entries.push_back(data);
    } while (fs.FindNext(find.Get(), &data));
    return entries;
}

// One open level of a walk kept on the heap instead of the call stack.
struct WalkLevel {
    std::u16string base;  // the folder with a trailing backslash
    std::vector<FindData> entries;
    std::size_t next = 0;
    std::u16string record_when_done;  // the folder path, recorded after its contents
};

// Pieces of a text split at backslashes (quote-aware), and the tail built
// from piece `from`: "\p[from]\...\p[n-2]", or just p[from] when it is last.
std::u16string TailFrom(const StringList& pieces, std::size_t from) {
    if (from + 1 == pieces.size()) return pieces[from];
    std::u16string tail;
    for (std::size_t i = from; i + 1 < pieces.size(); ++i) tail += u"\\" + pieces[i];
    return tail;
}

// A tail compared by whole names: "\App\" is not found in "\Apple\".
std::u16string BoundedTail(const StringList& pieces, std::size_t from) {
    const std::u16string tail = TailFrom(pieces, from);
    return AsciiUpper((tail.starts_with(u'\\') ? tail : u"\\" + tail) + u"\\");
}

}  // namespace

TThread_Uninstall_Analyze::TThread_Uninstall_Analyze(Ports ports,
                                                     K_Class_SoftwareInfo_List& class_param_SWL)
    : ports_(ports), m_class_AppInfo_List(class_param_SWL) {}

TThread_Uninstall_Analyze::~TThread_Uninstall_Analyze() = default;

void TThread_Uninstall_Analyze::mpu_pro_SetUninstallSoftware(
    const std::u16string& str_param_SoftwareName) {
    m_class_CurUninstallAppInfo = m_class_AppInfo_List.Find(str_param_SoftwareName);
}

void TThread_Uninstall_Analyze::mpu_pro_SetUninstallSoftware() {
    custom_record_ = std::make_unique<K_Class_SoftwareInfo>();
    // With its closing backslash, so that the path test cannot take a
    // sibling folder whose name merely begins alike ("C:\\Tools\\A" would
    // otherwise match everything in "C:\\Tools\\Acme").
    const std::u16string folder = Trim(m_strUserSelectFilePath);
    custom_record_->m_strInstallLocation = folder.empty() ? folder : WithTrailingBackslash(folder);
    custom_record_->m_nDisplayIcon_ID = 0xFFFF;
    m_class_CurUninstallAppInfo = custom_record_.get();
}

void TThread_Uninstall_Analyze::mpr_pro_ReleaseCustomRecord() {
    if (custom_record_ && m_class_CurUninstallAppInfo == custom_record_.get())
        m_class_CurUninstallAppInfo = nullptr;
    custom_record_.reset();
}

void TThread_Uninstall_Analyze::Execute() {
    if (m_CallbackPtr_Start) m_CallbackPtr_Start();
    K_Class_SoftwareInfo* record = m_class_CurUninstallAppInfo;
    if (record != nullptr) {
        try {
            mpr_fun_CollectFilesFolders();
            RecordRegistry(record->m_strInstallRegPath);
            PrepareFolderTest();
            const bool view64 = record->m_nIs64Bit == 1;
            mpr_pro_SearchFileAssociations(view64);
            mpr_pro_SearchInstallerFoldersAndSharedDlls(view64);
            mpr_pro_SearchComRegistrations(view64);
            mpr_pro_SearchMsiUserData(view64);
            mpr_pro_SearchAppCompatLayers(view64);
            mpr_pro_SearchMuiCache(view64);
            mpr_pro_SearchElevationPolicyAndRun(view64);

            std::sort(record->m_ListStr_Folders.begin(), record->m_ListStr_Folders.end());
            std::sort(record->m_ListStr_Files.begin(), record->m_ListStr_Files.end());
            std::size_t reported = 0;
            for (const StringList* list : {&record->m_ListStr_Folders, &record->m_ListStr_Files}) {
                for (const auto& path : *list) {
                    if (reported++ >= kMaxReportedFileRows) break;
                    if (m_CallbackPtr_FileFolderList) m_CallbackPtr_FileFolderList(path);
                }
            }
            std::sort(record->m_ListStr_Registry.begin(), record->m_ListStr_Registry.end());
            for (const auto& entry : record->m_ListStr_Registry) {
                if (m_CallbackPtr_RegList) m_CallbackPtr_RegList(entry);
            }
        } catch (...) {
            // Out of memory or a failing port: the window must still hear
            // the end of the run.
        }
    }
    if (m_nUninstallMode == 2) mpr_pro_ReleaseCustomRecord();
    if (m_CallbackPtr_End) m_CallbackPtr_End();
}

// --- Files and folders ---------------------------------------------------

void TThread_Uninstall_Analyze::RecordFile(const std::u16string& path) {
    K_Class_SoftwareInfo& record = *m_class_CurUninstallAppInfo;
    if (mpr_fun_IsModuleFile(path)) {
        const size_t slash = path.find_last_of(u'\\');
        record.m_ListStr_AXCFiles.push_back(
            Trim(slash == std::u16string::npos ? path : path.substr(slash + 1)));
    }
    record.m_ListStr_Files.push_back(path);
    if (m_CallbackPtr_FileFolderCount)
        m_CallbackPtr_FileFolderCount(
            path, std::uint32_t(record.m_ListStr_Files.size() + record.m_ListStr_Folders.size()));
}

void TThread_Uninstall_Analyze::RecordFolder(const std::u16string& path) {
    K_Class_SoftwareInfo& record = *m_class_CurUninstallAppInfo;
    record.m_ListStr_Folders.push_back(path);
    if (m_CallbackPtr_FileFolderCount)
        m_CallbackPtr_FileFolderCount(
            path, std::uint32_t(record.m_ListStr_Files.size() + record.m_ListStr_Folders.size()));
}

void TThread_Uninstall_Analyze::mpr_fun_CollectFilesFolders() {
    K_Class_SoftwareInfo& record = *m_class_CurUninstallAppInfo;
    record.m_ListStr_Folders.clear();
    record.m_ListStr_AXCFiles.clear();
    record.m_ListStr_Files.clear();
    record.m_ListStr_Registry.clear();
    folder_test_ready_ = false;
    m_ListStr_StartFolders.clear();
    // A location that is a folder of Windows or of its users in any spelling
    // or through a link (one bad registry value can make it "C:\\",
    // "\\\\?\\C:\\Users" or the native Program Files) is treated like no
    // location: below it lies everything else's.
    protected_folders_.emplace(ports_.shell, ports_.files, &ports_.registry);
    const bool usable_location = !record.m_strInstallLocation.empty() &&
                                 !protected_folders_->IsProtected(record.m_strInstallLocation);
    if (usable_location) {
        m_ListStr_StartFolders.push_back(record.m_strInstallLocation);
        RecordFolder(record.m_strInstallLocation);
        mpr_pro_ScanInstallFolder(record.m_strInstallLocation);
    } else if (record.m_ListStr_Lib_FolderName != nullptr &&
               !record.m_ListStr_Lib_FolderName->empty()) {
        bool flag = false;
        mpr_pro_ScanDriveForLibFolders(GetSystemDirPath(ports_.shell).substr(0, 3),
                                       *record.m_ListStr_Lib_FolderName, flag);
    }
}

// Depth first, in listing order; a folder is recorded after everything
// below it. The levels live on the heap, so depth is no danger.
void TThread_Uninstall_Analyze::mpr_pro_ScanInstallFolder(const std::u16string& folder) {
    // A starting folder that is itself a link (a folder moved elsewhere and
    // linked back, or a link the user picked) is recorded by the caller and
    // never walked: what it points to need not be the program's.
    if (IsLinkPath(ports_.files, folder)) return;
    std::vector<WalkLevel> stack;
    const std::u16string base = WithTrailingBackslash(folder);
    stack.push_back({base, ListFolder(ports_.files, base), 0, u""});
    while (!stack.empty()) {
        WalkLevel& level = stack.back();
        if (level.next == level.entries.size()) {
            const std::u16string done = std::move(level.record_when_done);
            stack.pop_back();
            if (!done.empty()) RecordFolder(Trim(done));
            continue;
        }
        const FindData& entry = level.entries[level.next++];
        const std::u16string path = level.base + entry.name;
        if (IsFolder(entry)) {
            if (IsLink(entry)) {
                RecordFolder(Trim(path));
            } else {
                const std::u16string child_base = path + u"\\";
                stack.push_back({child_base, ListFolder(ports_.files, child_base), 0, path});
            }
        } else {
            RecordFile(path);
        }
    }
}

// The name test: some name N such that the lower-cased path + "\" contains
// the lower-cased N + "\". `flag` is shared by the whole walk and holds the
// result of the most recent folder test anywhere in it.
void TThread_Uninstall_Analyze::mpr_pro_ScanDriveForLibFolders(const std::u16string& folder,
                                                               const StringList& names,
                                                               bool& flag) {
    StringList needles;
    for (const auto& name : names) needles.push_back(AsciiLower(name) + u"\\");
    auto passes = [&needles](const std::u16string& path) {
        const std::u16string haystack = AsciiLower(path) + u"\\";
        for (const auto& needle : needles) {
            if (Contains(haystack, needle)) return true;
        }
        return false;
    };

    std::vector<WalkLevel> stack;
    const std::u16string base = WithTrailingBackslash(folder);
    stack.push_back({base, ListFolder(ports_.files, base), 0, u""});
    while (!stack.empty()) {
        WalkLevel& level = stack.back();
        if (level.next == level.entries.size()) {
            stack.pop_back();
            continue;
        }
        const FindData& entry = level.entries[level.next++];
        const std::u16string path = level.base + entry.name;
        if (IsFolder(entry)) {
            flag = passes(path);
            // A found folder is a starting folder of its own: never one of
            // Windows or of its users.
            if (flag && !protected_folders_->IsProtected(Trim(path))) {
                m_ListStr_StartFolders.push_back(Trim(path));
                RecordFolder(Trim(path));
            }
            if (!IsLink(entry)) {
                const std::u16string child_base = path + u"\\";
                stack.push_back({child_base, ListFolder(ports_.files, child_base), 0, u""});
            }
        } else if (flag && passes(path)) {
            RecordFile(path);
        }
    }
}

bool TThread_Uninstall_Analyze::mpr_fun_IsModuleFile(const std::u16string& path) {
    const std::u16string upper = AsciiUpper(path);
    for (auto extension : {u".DLL", u".EXE", u".AX", u".OCX"}) {
        if (Contains(upper, extension)) return true;
    }
    return false;
}

std::u16string TThread_Uninstall_Analyze::mpr_pro_NormalizePath(const std::u16string& text) {
    std::u16string result = text;
    std::replace(result.begin(), result.end(), u'"', u' ');
    if (!Contains(result, u":\\") || !Contains(result, u"~")) return result;

    // Rebuild an 8.3 short path in its long form.
    StringList pieces;
    Str_SplitByBackslash(result, pieces);
    if (pieces.size() < 2) return result;
    const size_t colon = pieces[0].find(u':');
    if (colon == std::u16string::npos) return result;
    std::u16string path = Trim(pieces[0].substr(colon == 0 ? 0 : colon - 1));
    if (pieces.size() == 2) {
        path += u"\\" + pieces[1];
    } else {
        for (size_t i = 1; i + 1 < pieces.size(); ++i) path += u"\\" + pieces[i];
    }
    path = GetLongPath(ports_.files, path);
    if (!path.empty() && !Contains(pieces.back(), u"~")) path += u"\\" + pieces.back();
    return path;
}

void TThread_Uninstall_Analyze::PrepareFolderTest() {
    StringList upper;
    for (const auto& folder : m_class_CurUninstallAppInfo->m_ListStr_Folders) {
        if (!folder.empty()) upper.push_back(AsciiUpper(folder));
    }
    std::sort(upper.begin(), upper.end());
    // After sorting, a folder's prefixes come before it: keep a folder only
    // when the last kept one is not a prefix of it.
    folder_test_roots_.clear();
    for (auto& folder : upper) {
        if (!folder_test_roots_.empty() &&
            folder.compare(0, folder_test_roots_.back().size(), folder_test_roots_.back()) == 0)
            continue;
        folder_test_roots_.push_back(std::move(folder));
    }
    folder_test_ready_ = true;
}

bool TThread_Uninstall_Analyze::mpr_fun_IsInCollectedFolders(const std::u16string& text) {
    std::u16string normalized = mpr_pro_NormalizePath(text);
    if (normalized.empty()) return false;
    StringList pieces;
    Str_SplitByBackslash(normalized, pieces);
    size_t short_piece = std::u16string::npos;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (Contains(pieces[i], u"~")) short_piece = i;
    }
    if (short_piece == std::u16string::npos) {
        // The common case: the text contains a collected folder.
        if (!folder_test_ready_) PrepareFolderTest();
        const std::u16string upper = AsciiUpper(Trim(normalized));
        for (const auto& folder : folder_test_roots_) {
            if (Contains(upper, folder)) return true;
            // The folder itself, written without its closing backslash (an
            // elevation policy's AppPath): it points in when the text ends
            // there or a quote or list separator follows, never when the name
            // goes on ("Acme Notes Pro").
            if (folder.size() < 2 || folder.back() != u'\\') continue;
            const std::u16string_view bare(folder.data(), folder.size() - 1);
            for (size_t at = upper.find(bare); at != std::u16string::npos;
                 at = upper.find(bare, at + 1)) {
                const size_t end = at + bare.size();
                if (end == upper.size() || upper[end] == u'"' || upper[end] == u',' ||
                    upper[end] == u';')
                    return true;
            }
        }
        return false;
    }
    // A short name is left: compare only what follows it, against the same
    // stretch of every folder.
    if (short_piece + 1 == pieces.size()) return false;
    const size_t from = short_piece + 1;
    // Both tails end at a whole name, so that a sibling whose name begins
    // alike is not taken (as the install folder's closing backslash ensures in the
    // common case).
    const std::u16string tail = BoundedTail(pieces, from);
    StringList folder_pieces;
    for (const auto& folder : m_class_CurUninstallAppInfo->m_ListStr_Folders) {
        Str_SplitByBackslash(folder, folder_pieces);
        if (folder_pieces.size() <= from) continue;
        if (Contains(tail, BoundedTail(folder_pieces, from))) return true;
    }
    return false;
}

}  // namespace purgeon
