// The ports a piece of the program works through, handed over as one bundle.
// Every port is borrowed and must outlive the user.
#pragma once

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/dialog.h"
#include "platform/dispatcher.h"
#include "platform/file_system.h"
#include "platform/hostkit.h"
#include "platform/launcher.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"

namespace purgeon {

struct Ports {
    RegistryPort& registry;
    FileSystemPort& files;
    ShellFoldersPort& shell;
    HostkitPort& hostkit;
    DispatcherPort& dispatcher;
    ClockPort& clock;
    DialogPort& dialog;
    ProcessPort& processes;
    LauncherPort& launcher;
    CodePagePort& code_page;
};

}  // namespace purgeon
