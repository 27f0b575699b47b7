// The real machine as the program sees it: one of each Win32 adapter, made
// on the window thread (the dispatcher's window belongs to it) and kept for
// as long as anything uses the ports.
#pragma once

#include "platform/ports.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_dialog.h"
#include "platform/win32/win32_dispatcher.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_hostkit.h"
#include "platform/win32/win32_launcher.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell_folders.h"

namespace purgeon {

struct Win32Machine {
    Ports ports() { return ports(launcher); }
    // The same machine, launching through another launcher (a test's record).
    Ports ports(LauncherPort& other_launcher) {
        return {registry, files,  shell,     hostkit,        dispatcher,
                clock,    dialog, processes, other_launcher, code_page};
    }

    Win32Registry registry;
    Win32FileSystem files;
    Win32ShellFolders shell;
    Win32Hostkit hostkit;
    Win32Dispatcher dispatcher;
    Win32Clock clock;
    Win32Dialog dialog;
    Win32Processes processes;
    Win32Launcher launcher;
    Win32CodePage code_page;
};

}  // namespace purgeon
