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
    return WithTrailingBackslash(shell.SpecialFolder(kCsidlCommonAppData)) + u"Purgeon\\Undo";
}

std::u16string FormerUndoRoot(ShellFoldersPort& shell) {
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
    const char usage[] = "purgeon-cli: usage: purgeon-cli restore DIR [--json] [--trust-set]\n";
    std::u16string folder;
    bool json = false, trust = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == u"--json") {
            json = true;
        } else if (args[i] == u"--trust-set") {
            trust = true;
        } else if (folder.empty() && !args[i].empty() && args[i][0] != u'-') {
            folder = args[i];
        } else {
            err += usage;
            return kExitUsage;
        }
    }
    if (folder.empty()) {
        err += usage;
        return kExitUsage;
    }
    while (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
    FileSystemPort& files = context.ports.files;
    if (files.GetAttributes(folder + u"\\manifest.json") == kInvalidFileAttributes) {
        err += "purgeon-cli: " + ToUtf8(folder) + " is no undo set (it has no manifest.json)\n";
        return kExitNotFound;
    }
    // A set others may change could put back whatever they wrote into it.
    if (!trust && (context.security == nullptr || !context.security->OnlyAdminsMayWrite(folder))) {
        err += "purgeon-cli: " + ToUtf8(folder) +
               " may be changed by others than administrators, so what it holds cannot be "
               "trusted; nothing was restored (--trust-set restores it all the same)\n";
        return kExitFailure;
    }
    const RestoreReport report =
        RestoreUndoSet(files, context.ports.registry, context.ports.shell, folder, /*old=*/trust);
    if (report.record_unreadable) {
        err += "purgeon-cli: the record of " + ToUtf8(folder) +
               " (manifest.json) is damaged; nothing was restored\n";
        return kExitFailure;
    }
    if (report.old_format && !trust) {
        err += "purgeon-cli: " + ToUtf8(folder) +
               " was made by an older Purgeon, whose record keeps no sizes or hashes; nothing "
               "was restored (--trust-set restores it all the same)\n";
        return kExitFailure;
    }
    if (json) {
        out += "{\n  \"undo_set\": " + JsonString(folder) +
               ",\n  \"restored\": " + JsonList(report.restored) +
               ",\n  \"refused\": " + JsonList(report.refused) +
               ",\n  \"failed\": " + JsonList(report.failed) +
               ",\n  \"damaged\": " + JsonList(report.damaged) +
               ",\n  \"denied\": " + JsonList(report.denied) +
               ",\n  \"ignored\": " + JsonList(report.ignored) + "\n}\n";
    } else {
        out += Lines("Restored", report.restored);
        if (!report.refused.empty())
            out += Lines("Not restored, exists again since the removal", report.refused);
        if (!report.failed.empty()) out += Lines("Could not be restored", report.failed);
        if (!report.damaged.empty())
            out += Lines("Not restored, not as the set's record has it (damaged or changed)",
                         report.damaged);
        if (!report.denied.empty())
            out += Lines("Not restored, the removal would never have taken it from there",
                         report.denied);
        if (!report.ignored.empty())
            out += Lines("Ignored, in the set but not in its record", report.ignored);
    }
    const std::size_t kept =
        report.refused.size() + report.failed.size() + report.damaged.size() + report.denied.size();
    if (kept > 0) {
        err += "purgeon-cli: " + std::to_string(kept) + " items were not restored; they stay in " +
               ToUtf8(folder) + "\n";
    }
    if (!report.ignored.empty()) {
        err += "purgeon-cli: " + std::to_string(report.ignored.size()) +
               " things in the set are not in its record and were left alone\n";
    }
    return kept > 0 || !report.ignored.empty() ? kExitFailure : kExitOk;
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
    // Without --undo-dir: the default folder, then where sets were kept before.
    std::vector<UndoSetInfo> sets;
    StringList roots{root};
    if (root.empty())
        roots = {DefaultUndoRoot(context.ports.shell), FormerUndoRoot(context.ports.shell)};
    for (const auto& one : roots) {
        for (auto& set : ListUndoSets(context.ports.files, one)) sets.push_back(std::move(set));
    }
    if (json) out += "[";
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const UndoSetInfo& set = sets[i];
        if (json) {
            out += std::string(i ? ",\n  " : "\n  ") + "{\"undo_set\": " + JsonString(set.folder) +
                   ", \"program\": " + JsonString(set.program) +
                   ", \"created\": " + JsonString(set.created) +
                   ", \"complete\": " + (set.complete ? "true" : "false") +
                   ", \"damaged\": " + (set.damaged ? "true" : "false") + "}";
        } else if (set.damaged) {
            out += "(damaged: its record is missing or cannot be read)\n  " + ToUtf8(set.folder) +
                   "\n";
        } else {
            out += ToUtf8(set.created) + "  " + ToUtf8(set.program) +
                   (set.complete ? "" : "  (stopped midway)") + "\n  " + ToUtf8(set.folder) + "\n";
        }
    }
    if (json) out += sets.empty() ? "]\n" : "\n]\n";
    return kExitOk;
}

}  // namespace purgeon
