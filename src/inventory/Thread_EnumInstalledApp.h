// The enumeration worker: reads the installed programs of both registry
// views (Uninstall keys of the machine and the current user, and the Windows
// Installer product data) into the inventory, then reports each program to
// the main window in name order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "analysis/protected_folders.h"
#include "inventory/Unit_K_ProgramIcons.h"
#include "inventory/Unit_K_SoftwareInfo_Struct.h"
#include "inventory/Unit_K_SoftwareLib.h"
#include "inventory/installer_folder_index.h"
#include "platform/ports.h"
#include "platform/worker_thread.h"

namespace purgeon {

// What the enumeration tells the main window. Called on the worker's thread;
// the window hands each call over to its own thread.
class InstallerSoftwareListListener {
  public:
    virtual ~InstallerSoftwareListListener() = default;
    virtual void Callback_InstallerSoftwarelist_Start() = 0;
    virtual void Callback_InstallerSoftwarelist(std::uint32_t Param_nTemp1,
                                                const std::u16string& str_param_SoftwareName,
                                                const std::u16string& str_param_SoftwarePublisher,
                                                const std::u16string& str_param_SoftwareVersion,
                                                const std::u16string& str_param_SoftwareIcon,
                                                std::uint32_t int_param_SoftwareIcon_ID) = 0;
    virtual void Callback_InstallerSoftwarelist_End(std::uint32_t Param_nTemp1) = 0;
    // Whether the list-loading window is shown, read at the end of the run.
    virtual bool IsLoadingWindowVisible() = 0;
};

// Where the worker posts its two window messages; 0 = no such window.
struct EnumWindows {
    WindowId main_window = 0;
    WindowId loading_window = 0;
};

class TThread_EnumInstalledApp : public WorkerThread {
  public:
    // Everything is borrowed. The caller sets the inventory's m_bIsSearch to
    // false before Start.
    TThread_EnumInstalledApp(Ports ports, K_Class_SoftwareInfo_List& class_param_SWL,
                             const K_Software_Const_Feature_Lib& class_param_SWLib,
                             std::u16string str_param_CurrentAppPath,
                             InstallerSoftwareListListener& listener, EnumWindows windows = {});

    void Execute() override;

    // The parts of the run, public for the tests.
    void EnumUninstallKey(RegKey root, bool view64);
    void EnumInstallerProducts(bool view64);

    static std::u16string GetLocationFromUninstallString(const std::u16string& uninstall_string);
    static bool IsSkippedSubKey(const std::u16string& sub_key_name);
    static bool IsHiddenEntry(std::uint32_t system_component, const std::u16string& display_name,
                              const std::u16string& release_type);

  private:
    struct Entry;  // the texts read from one registry entry
    void PrepareRun();
    void FinishEntry(Entry& entry, bool view64);
    std::u16string CheckedLocation(std::u16string location);
    void Merge(std::unique_ptr<K_Class_SoftwareInfo> record);

    Ports ports_;
    K_Class_SoftwareInfo_List& m_pClass_AppInfoList;
    const K_Software_Const_Feature_Lib& m_pClass_AppFeatureLib;
    std::u16string m_strCurAppPath;
    InstallerSoftwareListListener& listener_;
    EnumWindows windows_;

    // Live for one run: the icon sources (m_Map_InstalledAppICO,
    // m_strList_InstalledAppName), the system folders an install location
    // may not be, and the Windows Installer folder list (read and indexed
    // once, not scanned once per entry: it holds thousands of folders).
    IconSources icon_sources_;
    std::optional<ProtectedFolders> protected_folders_;  // read once per run
    // CheckedLocation's answers by install folder text, for one run: an
    // entry read twice (per-user entries in both passes, Windows Installer
    // products of listed programs) does not open its folder again.
    std::unordered_map<std::u16string, std::u16string> checked_locations_;
    InstallerFolderIndex installer_folders_;
};

}  // namespace purgeon
