// The analysis worker: for one program (or one folder the user chose) it
// collects the files and folders that belong to it, then the registry keys
// and values that point into those folders or are tied to what was found,
// and reports every find as it happens and once more, sorted, at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "analysis/protected_folders.h"
#include "inventory/Unit_K_SoftwareInfo_Struct.h"
#include "platform/ports.h"
#include "platform/worker_thread.h"

namespace purgeon {

// At most this many file and folder rows reach the final report.
constexpr std::size_t kMaxReportedFileRows = 3000;

class TThread_Uninstall_Analyze : public WorkerThread {
  public:
    using PathProc = std::function<void(const std::u16string&)>;
    using CountProc = std::function<void(const std::u16string&, std::uint32_t)>;
    using EventProc = std::function<void()>;

    // `class_param_SWL` is the inventory, borrowed.
    TThread_Uninstall_Analyze(Ports ports, K_Class_SoftwareInfo_List& class_param_SWL);
    ~TThread_Uninstall_Analyze() override;

    // Called on the worker's thread; all six are set before Start.
    PathProc m_CallbackPtr_FileFolderList;
    CountProc m_CallbackPtr_FileFolderCount;
    PathProc m_CallbackPtr_RegList;
    CountProc m_CallbackPtr_RegCount;
    EventProc m_CallbackPtr_Start;
    EventProc m_CallbackPtr_End;

    std::u16string m_strUserSelectFilePath;  // the custom uninstall's folder
    std::int32_t m_nUninstallMode = -1;      // -1 standard, 2 custom

    // Standard uninstall: analyse the inventory's record under this key.
    void mpu_pro_SetUninstallSoftware(const std::u16string& str_param_SoftwareName);
    // Custom uninstall: analyse a record of its own around
    // m_strUserSelectFilePath (set that first). In mode 2 it is freed at the
    // end of the run; otherwise it lives as long as the worker, so that a
    // caller running Execute itself can read the lists afterwards.
    void mpu_pro_SetUninstallSoftware();

    void Execute() override;

    // The folders the last run started from: the install folder, or each
    // folder the known-software names found on the system drive; none when
    // the only candidate was a protected folder. The removal deletes nothing
    // outside them.
    StringList m_ListStr_StartFolders;

    // The record under analysis (null before one of the setters ran).
    K_Class_SoftwareInfo* m_class_CurUninstallAppInfo = nullptr;

    // The file side, public for the tests.
    static bool mpr_fun_IsModuleFile(const std::u16string& path);
    std::u16string mpr_pro_NormalizePath(const std::u16string& text);
    bool mpr_fun_IsInCollectedFolders(const std::u16string& text);

  private:
    void mpr_fun_CollectFilesFolders();
    void mpr_pro_ScanInstallFolder(const std::u16string& folder);
    void mpr_pro_ScanDriveForLibFolders(const std::u16string& folder, const StringList& names,
                                        bool& flag);
    void mpr_pro_ReleaseCustomRecord();
    void PrepareFolderTest();

    void mpr_pro_SearchFileAssociations(bool view64);
    void mpr_pro_SearchInstallerFoldersAndSharedDlls(bool view64);
    void mpr_pro_SearchComRegistrations(bool view64);
    void mpr_pro_SearchMsiUserData(bool view64);
    void mpr_pro_SearchAppCompatLayers(bool view64);
    void mpr_pro_SearchMuiCache(bool view64);
    void mpr_pro_SearchElevationPolicyAndRun(bool view64);

    void RecordFile(const std::u16string& path);
    void RecordFolder(const std::u16string& path);
    void RecordRegistry(const std::u16string& entry);
    void RecordValuesPointingIn(RegKey root, const std::u16string& root_name,
                                const std::u16string& key_path, bool view64);

    Ports ports_;
    K_Class_SoftwareInfo_List& m_class_AppInfo_List;
    std::unique_ptr<K_Class_SoftwareInfo> custom_record_;

    // The collected folders, upper-cased, reduced to those that no other
    // collected folder is a prefix of: a text that contains a folder also
    // contains every prefix of it, so only these need testing.
    StringList folder_test_roots_;
    bool folder_test_ready_ = false;
    // Read at the start of each run's file side.
    std::optional<ProtectedFolders> protected_folders_;
};

}  // namespace purgeon
