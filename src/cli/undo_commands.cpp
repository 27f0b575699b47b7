#include "cli/undo_commands.h"

#include <cstdio>
#include <ctime>

#include "cli/json_writer.h"
#include "cli/undo_set.h"
#include "platform/text.h"

namespace purgeon {

namespace {

std::string JsonList(const StringList& items) {
    std::string json = "[";
    for (std::size_t i = 0; i < items.size(); ++i)
        json += (i ? ",\n    " : "\n    ") + JsonString(items[i]);
    return json + (items.empty() ? "]" : "\n  ]");
}

std::string Lines(const char* heading, const StringList& items) {
    std::string text = std::string(heading) + " (" + std::to_string(items.size()) + "):\n";
    for (const auto& item : items) text += "  " + ToUtf8(item) + "\n";
    return text;
}

}  // namespace

std::u16string DefaultUndoRoot(ShellFoldersPort& shell) {
    return WithTrailingBackslash(shell.SpecialFolder(kCsidlLocalAppData)) + u"Purgeon\\Undo";
}

std::u16string UndoTimestamp() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    char text[32] = "0000-00-00_000000";
    if (local) std::strftime(text, sizeof text, "%Y-%m-%d_%H%M%S", local);
    return FromUtf8(text);
}

int RestoreCommand(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
                   std::string& err) {
    std::u16string folder;
    bool json = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == u"--json")
            json = true;
        else if (folder.empty() && !args[i].empty() && args[i][0] != u'-')
            folder = args[i];
        else {
            err += "purgeon-cli: usage: purgeon-cli restore DIR [--json]\n";
            return kExitUsage;
        }
    }
    if (folder.empty()) {
        err += "purgeon-cli: usage: purgeon-cli restore DIR [--json]\n";
        return kExitUsage;
    }
    while (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
    std::vector<std::uint8_t> manifest;
    if (!context.ports.files.ReadFile(folder + u"\\manifest.json", &manifest)) {
        err += "purgeon-cli: " + ToUtf8(folder) + " is no undo set (it has no manifest.json)\n";
        return kExitNotFound;
    }
    const RestoreReport report =
        RestoreUndoSet(context.ports.files, context.ports.registry, folder);
    if (json) {
        out += "{\n  \"undo_set\": " + JsonString(folder) +
               ",\n  \"restored\": " + JsonList(report.restored) +
               ",\n  \"refused\": " + JsonList(report.refused) +
               ",\n  \"failed\": " + JsonList(report.failed) + "\n}\n";
    } else {
        out += Lines("Restored", report.restored);
        if (!report.refused.empty())
            out += Lines("Not restored, exists again since the removal", report.refused);
        if (!report.failed.empty()) out += Lines("Could not be restored", report.failed);
    }
    if (!report.refused.empty() || !report.failed.empty()) {
        err += "purgeon-cli: " + std::to_string(report.refused.size() + report.failed.size()) +
               " items were not restored; they stay in " + ToUtf8(folder) + "\n";
        return kExitFailure;
    }
    return kExitOk;
}

int UndoListCommand(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
                    std::string& err) {
    std::u16string root;
    bool json = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == u"--json") {
            json = true;
        } else if (args[i] == u"--undo-dir" && i + 1 < args.size()) {
            root = args[++i];
        } else {
            err += "purgeon-cli: usage: purgeon-cli undo-list [--undo-dir DIR] [--json]\n";
            return kExitUsage;
        }
    }
    if (root.empty()) root = DefaultUndoRoot(context.ports.shell);
    const std::vector<UndoSetInfo> sets = ListUndoSets(context.ports.files, root);
    if (json) out += "[";
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const UndoSetInfo& set = sets[i];
        if (json) {
            out += std::string(i ? ",\n  " : "\n  ") + "{\"undo_set\": " + JsonString(set.folder) +
                   ", \"program\": " + JsonString(set.program) +
                   ", \"created\": " + JsonString(set.created) +
                   ", \"complete\": " + (set.complete ? "true" : "false") + "}";
        } else {
            out += ToUtf8(set.created) + "  " + ToUtf8(set.program) +
                   (set.complete ? "" : "  (stopped midway)") + "\n  " + ToUtf8(set.folder) + "\n";
        }
    }
    if (json) out += sets.empty() ? "]\n" : "\n]\n";
    return kExitOk;
}

}  // namespace purgeon
