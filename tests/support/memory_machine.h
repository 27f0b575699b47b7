// A whole in-memory Windows machine for native tests: registry (both views
// on a 64-bit machine), file system with C:\Windows\system32\msiexec.exe,
// the usual special folders, Hostkit, dispatcher, clock, dialogs and the
// security of undo sets.
#pragma once

#include "platform/memory/fake_clock.h"
#include "platform/memory/memory_code_page.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_hostkit.h"
#include "platform/memory/memory_processes.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_security.h"
#include "platform/memory/memory_shell_folders.h"
#include "platform/memory/queue_dispatcher.h"
#include "platform/memory/recording_launcher.h"
#include "platform/memory/scripted_dialog.h"
#include "platform/ports.h"

namespace purgeon::testing {

struct MemoryMachine {
    explicit MemoryMachine(bool is_64bit_os = true) : registry(is_64bit_os), hostkit(registry) {
        shell.SetSystemDirectory(u"C:\\Windows\\system32");
        shell.SetSpecialFolder(kCsidlWindows, u"C:\\Windows");
        shell.SetSpecialFolder(kCsidlProgramFiles, u"C:\\Program Files");
        shell.SetSpecialFolder(kCsidlDesktopDirectory, u"C:\\Users\\me\\Desktop");
        shell.SetSpecialFolder(
            kCsidlStartup,
            u"C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
        shell.SetSpecialFolder(kCsidlAppData, u"C:\\Users\\me\\AppData\\Roaming");
        shell.SetSpecialFolder(kCsidlLocalAppData, u"C:\\Users\\me\\AppData\\Local");
        shell.SetSpecialFolder(kCsidlCommonAppData, u"C:\\ProgramData");
        files.AddFile(u"C:\\Windows\\system32\\msiexec.exe");
    }
    Ports ports() {
        return {registry, files,  shell,     hostkit,  dispatcher,
                clock,    dialog, processes, launcher, code_page};
    }

    MemoryRegistry registry;
    MemoryFileSystem files;
    MemorySecurity security{files};
    MemoryShellFolders shell;
    MemoryHostkit hostkit;
    QueueDispatcher dispatcher;
    FakeClock clock;
    ScriptedDialog dialog;
    MemoryProcesses processes;
    RecordingLauncher launcher;
    MemoryCodePage code_page;
};

}  // namespace purgeon::testing
