#include "uninstall/Thread_ShellUninstall.h"

#include "uninstall/Unit_K_ProcessProc.h"
#include "uninstall/Unit_K_UninstallCommand.h"

namespace purgeon {

const char16_t* const UninstallerProcessNames[8] = {
    u"MsiExec.exe", u"unins000.exe",  u"unins001.exe", u"uninst.exe",
    u"Setup.exe",   u"uninstall.exe", u"install.exe",  u"UNWISE.EXE",
};

QVU_Thread_ShellCallUninstall::QVU_Thread_ShellCallUninstall(Ports ports, WindowId handle_param_App,
                                                             std::u16string str_param_Uninstall,
                                                             bool bool_param_IsWow64)
    : m_hApp(handle_param_App),
      m_strUninstall(std::move(str_param_Uninstall)),
      m_bIsWow64(bool_param_IsWow64),
      ports_(ports) {}

void QVU_Thread_ShellCallUninstall::Execute() {
    // Off, so that a command naming the 64-bit system folder reaches it;
    // back on whatever the launch did.
    ports_.hostkit.EnableWow64FsRedirection(false);
    try {
        RunUninstallCommand(ports_, m_hApp, m_strUninstall);
    } catch (...) {
        ports_.hostkit.EnableWow64FsRedirection(true);
        throw;
    }
    ports_.hostkit.EnableWow64FsRedirection(true);
}

TThread_ShellExeUninstaller::TThread_ShellExeUninstaller(Ports ports,
                                                         K_Class_SoftwareInfo_List& class_param_SWL)
    : m_class_AppInfo_List(class_param_SWL), ports_(ports) {}

void TThread_ShellExeUninstaller::mpu_pro_SetUninstallSoftware(
    const std::u16string& str_param_SoftwareName) {
    m_class_CurUninstallAppInfo = m_class_AppInfo_List.Find(str_param_SoftwareName);
}

std::u16string TThread_ShellExeUninstaller::mpr_fun_ExeNameFromUninstallString(
    const std::u16string& command) {
    if (command.empty()) return {};
    const std::u16string text = Trim(command);
    const size_t extension = FindIgnoreAsciiCase(text, u".EXE");
    if (extension == std::u16string::npos || extension == 0) return {};
    size_t start = extension;
    while (start > 0) {
        const char16_t c = text[start - 1];
        if (c == u'\\' || c == u'"' || c == u' ') break;
        --start;
    }
    return text.substr(start, extension + 4 - start);
}

void TThread_ShellExeUninstaller::Execute() {
    ClockPort& clock = ports_.clock;
    ProcessPort& processes = ports_.processes;
    auto issue = [](const EventProc& proc) {
        if (proc) proc();
    };
    auto issue_step = [](const StepProc& proc, std::int32_t step) {
        if (proc) proc(step);
    };

    clock.Sleep(2000);
    issue(m_CallbackPtr_Start);
    issue_step(m_CallbackPtr_StepTip_Start, 2);

    // First look: five passes over the known uninstaller names.
    bool seen = false;
    std::u16string watched;
    for (int pass = 0; pass < 5; ++pass) {
        for (const char16_t* name : UninstallerProcessNames) {
            watched = name;
            if (IsProcessRunning(processes, watched)) {
                seen = true;
                break;
            }
        }
        clock.Sleep(1000);
    }
    // Second look: the executable the command names.
    if (!seen) {
        watched = m_class_CurUninstallAppInfo
                      ? mpr_fun_ExeNameFromUninstallString(
                            m_class_CurUninstallAppInfo->m_strUninstallString)
                      : std::u16string();
        for (int pass = 0; pass < 5; ++pass) {
            if (!watched.empty() && IsProcessRunning(processes, watched)) {
                seen = true;
                break;
            }
            clock.Sleep(1000);
        }
    }
    // Wait a little for the end.
    if (seen) {
        for (int pass = 0; pass < 5; ++pass) {
            if (!IsProcessRunning(processes, watched)) break;
            clock.Sleep(1000);
        }
    }
    issue_step(m_CallbackPtr_StepTip_End, 2);
    issue_step(m_CallbackPtr_StepTip_Start, 3);
    issue_step(m_CallbackPtr_StepTip_End, 3);
    issue(m_CallbackPtr_End);
}

}  // namespace purgeon
