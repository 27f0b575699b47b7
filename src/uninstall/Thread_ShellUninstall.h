// Running a program's own uninstaller: one worker launches the command with
// the file-system redirection of 32-bit processes switched off; the other
// watches the process list for a short, fixed time and walks the
// uninstall-process window through its two steps.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "inventory/Unit_K_SoftwareInfo_Struct.h"
#include "platform/ports.h"
#include "platform/worker_thread.h"

namespace purgeon {

// The process names the watcher looks for, in this order.
extern const char16_t* const UninstallerProcessNames[8];

class QVU_Thread_ShellCallUninstall : public WorkerThread {
  public:
    QVU_Thread_ShellCallUninstall(Ports ports, WindowId handle_param_App,
                                  std::u16string str_param_Uninstall, bool bool_param_IsWow64);
    void Execute() override;

    WindowId m_hApp;
    std::u16string m_strUninstall;
    bool m_bIsWow64;  // kept, not consulted by the run

  private:
    Ports ports_;
};

class TThread_ShellExeUninstaller : public WorkerThread {
  public:
    using EventProc = std::function<void()>;
    using StepProc = std::function<void(std::int32_t int_param_StepType)>;

    TThread_ShellExeUninstaller(Ports ports, K_Class_SoftwareInfo_List& class_param_SWL);

    // Set before Start; called on the watcher's thread, in the order Start,
    // StepTip_Start(2), StepTip_End(2), StepTip_Start(3), StepTip_End(3), End.
    EventProc m_CallbackPtr_Start;
    EventProc m_CallbackPtr_End;
    StepProc m_CallbackPtr_StepTip_Start;
    StepProc m_CallbackPtr_StepTip_End;

    K_Class_SoftwareInfo* m_class_CurUninstallAppInfo = nullptr;
    K_Class_SoftwareInfo_List& m_class_AppInfo_List;

    void mpu_pro_SetUninstallSoftware(const std::u16string& str_param_SoftwareName);
    void Execute() override;

    // The executable's file name in a command ("unins000.exe" from a quoted
    // path with switches), or empty.
    static std::u16string mpr_fun_ExeNameFromUninstallString(const std::u16string& command);

  private:
    Ports ports_;
};

}  // namespace purgeon
