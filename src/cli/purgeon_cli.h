// purgeon-cli: the console front end over the same core as the windows.
//   purgeon-cli list [--json]
// Exit codes: 0 done, 2 usage error (message on standard error).
#pragma once

#include <string>
#include <vector>

#include "inventory/Unit_K_SoftwareLib.h"
#include "platform/ports.h"

namespace purgeon {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotFound = 3;
constexpr int kExitDeclined = 4;

struct CliContext {
    Ports ports;
    std::u16string program_folder;  // purgeon-cli's own folder, ending in "\"
};

// Runs one command. `args` excludes the program name. What is printed goes to
// `out` (UTF-8) and `err` (UTF-8).
int RunPurgeonCli(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
                  std::string& err);

}  // namespace purgeon
