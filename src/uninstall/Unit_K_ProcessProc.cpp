#include "uninstall/Unit_K_ProcessProc.h"

#include "platform/text.h"

namespace purgeon {

namespace {

// The shell and this program, and the processes whose end takes Windows down
// with them: a leftover file may carry any of these names (the removal ends
// running programs named like leftover executables).
const char16_t* const kProtectedNames[] = {
    u"winlogon.exe", u"purgeon.exe", u"explorer.exe", u"svchost.exe",  u"purgeon-cli.exe",
    u"csrss.exe",    u"smss.exe",    u"wininit.exe",  u"services.exe", u"lsass.exe",
    u"lsm.exe",      u"dwm.exe",     u"system",       u"conhost.exe",
};

}  // namespace

bool IsProtectedProcessName(const std::u16string& name) {
    const std::u16string lower = AsciiLower(Trim(name));
    for (const char16_t* protected_name : kProtectedNames) {
        if (lower == protected_name) return true;
    }
    return false;
}

bool IsProcessRunning(ProcessPort& processes, const std::u16string& name) {
    for (const auto& process : processes.Snapshot()) {
        if (EqualsIgnoreAsciiCase(process.exe_name, name)) return true;
    }
    return false;
}

void TerminateProcessByName(ProcessPort& processes, const std::u16string& name) {
    if (IsProtectedProcessName(name)) return;
    const std::u16string wanted = Trim(name);
    const std::uint32_t self = processes.CurrentProcessId();
    for (const auto& process : processes.Snapshot()) {
        if (process.id != self && EqualsIgnoreAsciiCase(process.exe_name, wanted)) {
            processes.Terminate(process.id, 0);
            return;
        }
    }
}

}  // namespace purgeon
