// purgeon-cli: the console front end over the same core as the windows.
//   purgeon-cli list [--json]
//   purgeon-cli analyze (--program NAME | --folder PATH) [--json]
//   purgeon-cli uninstall --program NAME [--program NAME ...] [--quiet] [--yes]
//                         [--json] [--timeout SECONDS] [--undo-dir DIR | --no-undo]
//                         [--no-wait]
//   purgeon-cli uninstall --folder PATH [--yes] [--json] [--undo-dir DIR | --no-undo]
//   purgeon-cli restore DIR [--json] [--trust-set]
//   purgeon-cli undo-list [--undo-dir DIR] [--json]
// Exit codes: 0 done, 2 usage error, 3 not found or refused, 4 declined,
// 5 no unattended uninstall known for the program (--quiet), 6 another
// removal is under way (--no-wait), 1 any other failure; every failure has a
// message on standard error.
#pragma once

#include <string>
#include <vector>

#include "inventory/Unit_K_SoftwareLib.h"
#include "platform/ports.h"
#include "platform/security.h"

namespace purgeon {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotFound = 3;
constexpr int kExitDeclined = 4;
constexpr int kExitUnknownFamily = 5;
constexpr int kExitBusy = 6;

// The terminal the uninstall command talks to while it works. What a command
// prints to `out` and `err` shows only once it has finished; a question and
// the progress of a long uninstall must show at once.
class CliTerminal {
  public:
    virtual ~CliTerminal() = default;
    // Shows `question` (no line end) and reads one line of answer, without
    // its line end; false when there is nothing to read.
    virtual bool Ask(const std::string& question, std::string& answer) = 0;
    // Shows one line of progress (UTF-8, no line end) on standard error.
    virtual void Tell(const std::string& line) = 0;
};

struct CliContext {
    Ports ports;
    std::u16string program_folder;  // purgeon-cli's own folder, ending in "\"
    // Borrowed; none: no question can be answered (give --yes) and progress
    // is not shown.
    CliTerminal* terminal = nullptr;
    // Borrowed; none: undo sets are made without a DACL of their own, no set
    // counts as one only administrators may write (restore needs
    // --trust-set), and removals do not wait for one another.
    SecurityPort* security = nullptr;
};

// Runs one command. `args` excludes the program name. What is printed goes to
// `out` (UTF-8) and `err` (UTF-8).
int RunPurgeonCli(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
                  std::string& err);

}  // namespace purgeon
