// purgeon-cli restore and undo-list, and where uninstall keeps its undo sets.
//   purgeon-cli restore DIR [--json] [--trust-set]
//   purgeon-cli undo-list [--undo-dir DIR] [--json]
#pragma once

#include <string>
#include <vector>

#include "cli/purgeon_cli.h"

namespace purgeon {

// The folder that holds the sets when no --undo-dir is given: the machine's
// program data, "Purgeon\Undo", which only administrators may change.
std::u16string DefaultUndoRoot(ShellFoldersPort& shell);
// Where sets were kept before: the current user's local application data,
// which the user's own programs may change. Still listed; restored only with
// --trust-set.
std::u16string FormerUndoRoot(ShellFoldersPort& shell);
// Now, local time, as a set's name begins: "2026-12-10_144000".
std::u16string UndoTimestamp();

int RestoreCommand(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
                   std::string& err);
int UndoListCommand(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
                    std::string& err);

}  // namespace purgeon
