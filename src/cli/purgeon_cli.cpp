#include "cli/purgeon_cli.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "analysis/Thread_Uninstall_Analyze.h"
#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "cli/json_writer.h"
#include "cli/launched_processes.h"
#include "cli/quiet_uninstall.h"
#include "cli/undo_commands.h"
#include "cli/undo_set.h"
#include "inventory/Thread_EnumInstalledApp.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "inventory/Unit_String_Proc.h"
#include "ui/Form_K_CustomUninstallWizard.h"
#include "ui/Unit_LeftoverRemoval.h"
#include "ui/Unit_UninstallRecords.h"
#include "uninstall/Thread_ShellUninstall.h"
#include "uninstall/Unit_K_UninstallCommand.h"

namespace purgeon {

namespace {

const char kUsage[] =
    "usage: purgeon-cli list [--json]\n"
    "       purgeon-cli analyze (--program NAME | --folder PATH) [--json]\n"
    "       purgeon-cli uninstall --program NAME [--program NAME ...] [--quiet] [--yes]\n"
    "                             [--restore-point]\n"
    "                             [--json] [--timeout SECONDS] [--undo-dir DIR | --no-undo]\n"
    "                             [--no-wait]\n"
    "       purgeon-cli uninstall --folder PATH [--yes] [--json] [--undo-dir DIR | --no-undo]\n"
    "                             [--no-wait]\n"
    "       purgeon-cli restore DIR [--json] [--trust-set]\n"
    "       purgeon-cli undo-list [--undo-dir DIR] [--json]\n"
    "  list       the installed programs, in name order\n"
    "  analyze    what a program (or the program in a folder) has on this machine:\n"
    "             its folders, files and registry entries\n"
    "  uninstall  analyse, ask, run the program's own uninstaller and wait for it\n"
    "             (at most --timeout seconds, default 600), then remove what it\n"
    "             left behind; with --folder, remove the folder's program; several\n"
    "             --program are uninstalled one after another\n"
    "  restore    put back what an uninstall removed, from its undo set\n"
    "  undo-list  the undo sets kept\n"
    "  --quiet    run the uninstaller without its windows (QuietUninstallString, or\n"
    "             the silent switches of Windows Installer, NSIS and Inno Setup)\n"
    "  --undo-dir the folder that holds the undo sets (default: Purgeon\\Undo in\n"
    "             ProgramData, which only administrators may change); --no-undo\n"
    "             keeps none\n"
    "  --no-wait  end at once (exit code 6) when another removal is under way,\n"
    "             instead of waiting for it\n"
    "  --trust-set  restore a set that others than administrators may change, or\n"
    "             one from an older Purgeon\n"
    "  --restore-point  a System Restore point before the first uninstaller runs\n"
    "  --yes      do not ask for confirmation\n"
    "  --json     machine-readable output\n"
    "exit codes: 0 done, 1 failure, 2 usage, 3 not found or refused, 4 declined,\n"
    "            5 no unattended uninstall known (--quiet), 6 another removal is\n"
    "            under way (--no-wait)\n";

int Usage(std::string& err, const std::string& problem) {
    err += "purgeon-cli: " + problem + "\n" + kUsage;
    return kExitUsage;
}

// Collects nothing: the inventory holds the result once the run is over.
class SilentListener : public InstallerSoftwareListListener {
  public:
    void Callback_InstallerSoftwarelist_Start() override {}
    void Callback_InstallerSoftwarelist(std::uint32_t, const std::u16string&, const std::u16string&,
                                        const std::u16string&, const std::u16string&,
                                        std::uint32_t) override {}
    void Callback_InstallerSoftwarelist_End(std::uint32_t) override {}
    bool IsLoadingWindowVisible() override { return false; }
};

void Enumerate(CliContext& context, const K_Software_Const_Feature_Lib& lib,
               K_Class_SoftwareInfo_List& list) {
    SilentListener listener;
    TThread_EnumInstalledApp worker(context.ports, list, lib, context.program_folder, listener);
    worker.Execute();
}

std::string ProgramJson(const K_Class_SoftwareInfo& r) {
    std::string json = "{";
    json += "\"name\":" + JsonString(r.m_strSoftwareName);
    json += ",\"publisher\":" + JsonString(r.m_strPublisher);
    json += ",\"version\":" + JsonString(r.m_strDisplayVersion);
    json += ",\"install_location\":" + JsonString(r.m_strInstallLocation);
    json += ",\"uninstall_string\":" + JsonString(r.m_strUninstallString);
    json += ",\"display_icon\":" + JsonString(r.m_strDisplayIcon);
    json += ",\"icon_index\":" + std::to_string(r.m_nDisplayIcon_ID);
    json += ",\"registry_key\":" + JsonString(r.m_strInstallRegPath);
    json += ",\"is64bit\":" + std::string(r.m_nIs64Bit == 1 ? "true" : "false");
    return json + "}";
}

// "Name  version  publisher  [64-bit]", empty fields left out.
std::string ProgramLine(const K_Class_SoftwareInfo& r) {
    std::string line = ToUtf8(r.m_strSoftwareName);
    if (!r.m_strDisplayVersion.empty()) line += "  " + ToUtf8(r.m_strDisplayVersion);
    if (!r.m_strPublisher.empty()) line += "  " + ToUtf8(r.m_strPublisher);
    if (r.m_nIs64Bit == 1) line += "  [64-bit]";
    return line + "\n";
}

int List(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
         std::string& err) {
    bool json = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == u"--json")
            json = true;
        else
            return Usage(err, "unknown option for list: " + ToUtf8(args[i]));
    }
    K_Software_Const_Feature_Lib lib;
    lib.mpu_InitLib();
    K_Class_SoftwareInfo_List list;
    Enumerate(context, lib, list);
    if (json) out += "[";
    bool first = true;
    for (const auto& key : list.m_ListStr_InstalledSoftwareName) {
        const K_Class_SoftwareInfo* record = list.Find(key);
        if (record == nullptr) continue;
        if (json) {
            out += first ? "\n  " : ",\n  ";
            out += ProgramJson(*record);
        } else {
            out += ProgramLine(*record);
        }
        first = false;
    }
    if (json) out += first ? "]\n" : "\n]\n";
    return kExitOk;
}

constexpr std::int32_t kDefaultTimeoutSeconds = 600;

// Options of analyze and uninstall: exactly one of --program and --folder;
// uninstall also takes --yes and, with --program, --timeout.
struct Target {
    std::u16string program;
    StringList programs;  // every --program given, in order
    std::u16string folder;
    bool has_program = false, has_folder = false, json = false;
    bool yes = false, has_timeout = false;
    bool quiet = false, no_undo = false, restore_point = false, no_wait = false;
    std::u16string undo_dir;
    std::int32_t timeout_seconds = kDefaultTimeoutSeconds;
};

bool ParseTarget(const std::vector<std::u16string>& args, Target& target, std::string& problem,
                 bool uninstall = false) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (arg == u"--json") {
            target.json = true;
        } else if (uninstall && arg == u"--yes") {
            target.yes = true;
        } else if (uninstall && arg == u"--quiet") {
            target.quiet = true;
        } else if (uninstall && arg == u"--restore-point") {
            target.restore_point = true;
        } else if (uninstall && arg == u"--no-undo") {
            target.no_undo = true;
        } else if (uninstall && arg == u"--no-wait") {
            target.no_wait = true;
        } else if (uninstall && arg == u"--undo-dir") {
            if (i + 1 >= args.size() || Trim(args[i + 1]).empty()) {
                problem = "--undo-dir needs a folder";
                return false;
            }
            target.undo_dir = Trim(args[++i]);
        } else if (uninstall && arg == u"--timeout") {
            if (i + 1 >= args.size() || !ParseInt32(args[i + 1], target.timeout_seconds) ||
                target.timeout_seconds <= 0) {
                problem = "--timeout needs a number of seconds above 0";
                return false;
            }
            target.has_timeout = true;
            ++i;
        } else if ((arg == u"--program" || arg == u"--folder") && i + 1 < args.size()) {
            (arg == u"--program" ? target.program : target.folder) = args[++i];
            if (arg == u"--program") target.programs.push_back(target.program);
            (arg == u"--program" ? target.has_program : target.has_folder) = true;
        } else if (arg == u"--program" || arg == u"--folder") {
            problem = ToUtf8(arg) + " needs a value";
            return false;
        } else {
            problem = "unknown option: " + ToUtf8(arg);
            return false;
        }
    }
    if (target.has_program == target.has_folder) {
        problem = "give either --program NAME or --folder PATH";
        return false;
    }
    if (!uninstall && target.programs.size() > 1) {
        problem = "analyze takes one --program";
        return false;
    }
    if (target.no_undo && !target.undo_dir.empty()) {
        problem = "give either --undo-dir DIR or --no-undo";
        return false;
    }
    if (target.has_folder && target.quiet) {
        problem = "--quiet goes with --program: no uninstaller runs for a folder";
        return false;
    }
    if (target.has_folder && target.has_timeout) {
        problem = "--timeout goes with --program: no uninstaller runs for a folder";
        return false;
    }
    return true;
}

// A message box text for the console: its CR LF line breaks become "\n",
// which the C runtime on Windows writes as CR LF (left as they are, they
// would come out as CR CR LF).
std::string ConsoleText(const std::u16string& text) {
    std::u16string lines = text;
    for (size_t at = 0; (at = lines.find(u"\r\n", at)) != std::u16string::npos;) lines.erase(at, 1);
    return ToUtf8(lines);
}

// A folder the custom uninstall wizard would refuse gets the wizard's own
// message. True when the folder may be analysed.
bool CheckFolder(CliContext& context, const std::u16string& folder, std::string& err) {
    switch (CheckCustomUninstallFolder(context.ports.shell, context.ports.files, folder,
                                       &context.ports.registry)) {
        case CustomFolderVerdict::kEmpty:
            err += ConsoleText(kCustomUninstallNeedFolderText) + "\n";
            return false;
        case CustomFolderVerdict::kRefused:
            err += ConsoleText(FormatWithText(kCustomUninstallRefusedText, Trim(folder))) + "\n";
            return false;
        case CustomFolderVerdict::kAccepted:
            return true;
    }
    return false;
}

struct Findings {
    StringList folders, files, registry;
    StringList starts;  // the folders the analysis started from
};

// Runs the analysis on this thread and keeps everything it found, in the
// order of its final reports: folders and files sorted, registry entries
// sorted and distinct ignoring ASCII letter case, the empty entry of a
// custom analysis left out.
Findings Analyse(CliContext& context, K_Class_SoftwareInfo_List& list, const Target& target) {
    TThread_Uninstall_Analyze worker(context.ports, list);
    if (target.has_program) {
        worker.mpu_pro_SetUninstallSoftware(SoftwareKey(Trim(target.program)));
    } else {
        worker.m_strUserSelectFilePath = target.folder;
        worker.mpu_pro_SetUninstallSoftware();
    }
    worker.Execute();
    Findings findings;
    const K_Class_SoftwareInfo& record = *worker.m_class_CurUninstallAppInfo;
    findings.folders = record.m_ListStr_Folders;
    findings.files = record.m_ListStr_Files;
    findings.starts = worker.m_ListStr_StartFolders;
    std::unordered_set<std::u16string> seen;
    for (const auto& entry : record.m_ListStr_Registry) {
        if (!entry.empty() && seen.insert(AsciiUpper(entry)).second)
            findings.registry.push_back(entry);
    }
    return findings;
}

// A JSON array of strings, one per line, for a member at `indent`.
std::string JsonArray(const StringList& items, const std::string& indent = "  ") {
    std::string json = "[";
    for (size_t i = 0; i < items.size(); ++i)
        json += (i ? ",\n" : "\n") + indent + "  " + JsonString(items[i]);
    return json + (items.empty() ? "]" : "\n" + indent + "]");
}

std::string Section(const char* heading, const StringList& items) {
    std::string text = std::string(heading) + " (" + std::to_string(items.size()) + "):\n";
    for (const auto& item : items) text += "  " + ToUtf8(item) + "\n";
    return text;
}

// The installed program the target names, from a fresh read into `list`;
// nullptr, with the message in `err`, when none is named so.
const K_Class_SoftwareInfo* FindTargetProgram(CliContext& context,
                                              K_Software_Const_Feature_Lib& lib,
                                              K_Class_SoftwareInfo_List& list, const Target& target,
                                              std::string& err) {
    Enumerate(context, lib, list);
    const K_Class_SoftwareInfo* record = list.Find(SoftwareKey(Trim(target.program)));
    if (record == nullptr)
        err +=
            "purgeon-cli: no installed program is named \"" + ToUtf8(Trim(target.program)) + "\"\n";
    return record;
}

// The target's folder, trimmed, into `subject` when the folder check lets it
// through and it is a folder; false, with the message in `err`, otherwise.
bool TargetFolder(CliContext& context, const Target& target, std::u16string& subject,
                  std::string& err) {
    if (!CheckFolder(context, target.folder, err)) return false;
    subject = Trim(target.folder);
    if (IsDirectory(context.ports.files, subject)) return true;
    err += "purgeon-cli: there is no folder " + ToUtf8(subject) + "\n";
    return false;
}

int Analyze(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
            std::string& err) {
    Target target;
    std::string problem;
    if (!ParseTarget(args, target, problem)) return Usage(err, problem);
    K_Software_Const_Feature_Lib lib;
    lib.mpu_InitLib();
    K_Class_SoftwareInfo_List list;
    std::u16string subject;
    if (target.has_program) {
        const K_Class_SoftwareInfo* record = FindTargetProgram(context, lib, list, target, err);
        if (record == nullptr) return kExitNotFound;
        subject = record->m_strSoftwareName;
    } else {
        if (!TargetFolder(context, target, subject, err)) return kExitNotFound;
    }
    const Findings findings = Analyse(context, list, target);
    if (target.json) {
        out += "{\n  \"program\": " + JsonString(subject) +
               ",\n  \"folders\": " + JsonArray(findings.folders) +
               ",\n  \"files\": " + JsonArray(findings.files) +
               ",\n  \"registry\": " + JsonArray(findings.registry) + "\n}\n";
    } else {
        out += ToUtf8(subject) + "\n";
        out += Section("Folders", findings.folders);
        out += Section("Files", findings.files);
        out += Section("Registry", findings.registry);
    }
    return kExitOk;
}

// --- uninstall ---------------------------------------------------------------

// How often the wait for the uninstaller looks at the process list.
constexpr std::uint32_t kUninstallerPollMs = 200;

bool IsYes(const std::string& answer) {
    const std::u16string word = AsciiLower(Trim(FromUtf8(answer)));
    return word == u"y" || word == u"yes";
}

// The removal's boxes, for the front end: its question was asked on the
// terminal already, so it is answered Yes; its closing notice ("All ...
// leftovers have been completely removed.") is not shown, because the front
// end reports what was removed and what was not.
class ConfirmedDialog : public DialogPort {
  public:
    int MessageBox(WindowId, const std::u16string&, const std::u16string&,
                   std::uint32_t flags) override {
        return (flags & 0x0F) == kMbYesNo ? kIdYes : kIdOk;
    }
};

bool PathExists(FileSystemPort& files, const std::u16string& path) {
    return files.GetAttributes(path) != kInvalidFileAttributes;
}

// What of the analysis' finds is still there.
Findings StillThere(Ports& ports, const Findings& found, bool view64) {
    Findings there;
    for (const auto& folder : found.folders) {
        if (PathExists(ports.files, folder)) there.folders.push_back(folder);
    }
    for (const auto& file : found.files) {
        if (PathExists(ports.files, file)) there.files.push_back(file);
    }
    for (const auto& entry : found.registry) {
        if (Reg_LocationExists(ports.registry, entry, view64)) there.registry.push_back(entry);
    }
    return there;
}

void Tell(CliContext& context, const std::string& line) {
    if (context.terminal) context.terminal->Tell(line);
}

// The uninstaller chosen for a program in this run.
struct Uninstaller {
    std::u16string command;
    bool view64 = false;
    const char* family = nullptr;  // the installer family of an unattended uninstall
};

// The program's uninstall command (a Windows Installer maintenance command
// becomes its removal), or with --quiet the silent one of its family.
// kExitOk, or the exit code with its message in `err`.
int ChooseUninstaller(CliContext& context, const K_Class_SoftwareInfo& record, bool quiet,
                      Uninstaller& chosen, std::string& err) {
    const std::u16string& subject = record.m_strSoftwareName;
    if (Trim(record.m_strUninstallString).empty()) {
        err += "purgeon-cli: " + ToUtf8(subject) +
               " lists no uninstall command; uninstall --folder removes a program by its folder\n";
        return kExitNotFound;
    }
    chosen.command = UninstallCommandToRun(record.m_strUninstallString);
    chosen.view64 = record.m_nIs64Bit == 1;
    if (!quiet) return kExitOk;
    const QuietUninstall silent =
        ChooseQuietUninstall(context.ports.files, record.m_strUninstallString,
                             ReadQuietUninstallString(context.ports.registry,
                                                      record.m_strInstallRegPath, chosen.view64));
    if (silent.family == InstallerFamily::kUnknown) {
        err += "purgeon-cli: " + ToUtf8(subject) +
               " has no QuietUninstallString and its uninstaller is of no installer family "
               "purgeon-cli can run without windows (" +
               ToUtf8(record.m_strUninstallString) +
               "); it was not run. Uninstall it without --quiet\n";
        return kExitUnknownFamily;
    }
    chosen.command = silent.command;
    chosen.family = InstallerFamilyName(silent.family);
    return kExitOk;
}

// Asks on the terminal unless --yes. False, with the message, when the
// answer is not yes.
bool Confirmed(const Target& target, CliContext& context, const std::u16string& subject,
               const Findings& found, std::string& err) {
    if (target.yes) return true;
    const std::string counts = std::to_string(found.folders.size() + found.files.size()) +
                               " files and folders and " + std::to_string(found.registry.size()) +
                               " registry entries";
    const std::string question =
        target.has_program
            ? "Uninstall " + ToUtf8(subject) +
                  "? Its own uninstaller runs first, then Purgeon removes what is left of the " +
                  counts + " found. [y/N] "
            : "Remove " + ToUtf8(subject) + " and what belongs to it (" + counts + ")? [y/N] ";
    std::string answer;
    if (context.terminal != nullptr && context.terminal->Ask(question, answer) && IsYes(answer))
        return true;
    err += "purgeon-cli: not confirmed; nothing was changed\n";
    return false;
}

// The records the window writes after its analysis: they say an uninstall
// is under way until the removal is done.
void RecordAnalysis(UninstallRecords& records, const Target& target, const std::u16string& subject,
                    bool view64, const Findings& found, StringList& config) {
    AnalysisRecord analysis;
    analysis.files_folders_count = std::uint32_t(found.folders.size() + found.files.size());
    analysis.registry_rows = std::uint32_t(found.registry.size());
    analysis.select_software = subject;
    analysis.uninstall_mode = target.has_program ? 1 : 2;
    analysis.uninstall_type = view64 ? 1 : 0;
    analysis.files = &found.files;
    analysis.folders = &found.folders;
    analysis.registry = &found.registry;
    records.WriteAfterAnalysis(analysis, config);
}

enum class UninstallerRun { kProgramGone, kTimedOut, kStillInstalled };

// Runs the uninstaller and waits for it and every process it starts; the
// message of a run that did not remove the program goes into `err`.
UninstallerRun RunUninstaller(const Target& target, CliContext& context,
                              const K_Software_Const_Feature_Lib& lib,
                              const std::u16string& subject, const Uninstaller& uninstaller,
                              std::string& err) {
    Ports& ports = context.ports;
    Tell(context, "purgeon-cli: running the uninstaller of " + ToUtf8(subject) + ": " +
                      ToUtf8(uninstaller.command));
    LaunchedProcesses launched(ports.processes);
    launched.Begin();
    QVU_Thread_ShellCallUninstall launcher(ports, 0, uninstaller.command, uninstaller.view64);
    launcher.Execute();
    std::vector<ProcessEntry> running;
    if (WaitForLaunchedProcesses(launched, ports.clock,
                                 std::uint64_t(target.timeout_seconds) * 1000, kUninstallerPollMs,
                                 &running) == WaitOutcome::kTimedOut) {
        std::string names;
        for (const auto& process : running)
            names += (names.empty() ? "" : ", ") + ToUtf8(process.exe_name);
        err += "purgeon-cli: the uninstaller of " + ToUtf8(subject) + " is still running after " +
               std::to_string(target.timeout_seconds) + " seconds (" + names +
               "); nothing was removed\n";
        return UninstallerRun::kTimedOut;
    }
    // An uninstaller that was cancelled, failed or never started leaves the
    // program installed: its files are still its own, so nothing is removed
    // (the folder road removes a program whatever its state).
    K_Class_SoftwareInfo_List after;
    Enumerate(context, lib, after);
    if (after.Find(SoftwareKey(Trim(target.program))) == nullptr)
        return UninstallerRun::kProgramGone;
    err += "purgeon-cli: " + ToUtf8(subject) +
           " is still installed after its uninstaller ended (cancelled, failed or not started); "
           "nothing was removed\n";
    return UninstallerRun::kStillInstalled;
}

// A new undo set for `subject` in --undo-dir or the default folder, for a
// removal of `left` from `starts`; nullptr, with the message, when it
// cannot be made there.
std::unique_ptr<UndoSetWriter> BeginUndoSet(const Target& target, CliContext& context,
                                            const std::u16string& subject, const Findings& left,
                                            const StringList& starts, std::string& err) {
    Ports& ports = context.ports;
    SecurityPort* security = context.security;
    const std::u16string root =
        target.undo_dir.empty() ? DefaultUndoRoot(ports.shell) : target.undo_dir;
    const std::string refusal = "purgeon-cli: the undo set cannot be made in " + ToUtf8(root);
    const std::string advice =
        "; nothing was removed (--undo-dir chooses another folder, --no-undo removes without "
        "one)\n";
    // The default folder and the one above it are made for administrators
    // only; a folder named with --undo-dir is the caller's, made if missing.
    if (target.undo_dir.empty()) {
        const std::u16string purgeon(PathFolder(root).substr(0, PathFolder(root).size() - 1));
        const std::u16string program_data(
            PathFolder(purgeon).substr(0, PathFolder(purgeon).size() - 1));
        for (const std::u16string& folder : {purgeon, root}) {
            if (PathExists(ports.files, folder)) continue;
            if (!EnsureFolderPath(ports.files, program_data)) break;
            if (!(security ? security->CreateAdminOnlyDirectory(folder)
                           : ports.files.CreateDirectory(folder))) {
                err += refusal + ": it cannot be created" + advice;
                return nullptr;
            }
        }
    } else if (!EnsureFolderPath(ports.files, root)) {
        err += refusal + ": it cannot be created" + advice;
        return nullptr;
    }
    const std::u16string created = UndoTimestamp();
    const std::u16string base = WithTrailingBackslash(root) + UndoSetName(created, subject);
    std::u16string folder = base;
    for (int n = 2; PathExists(ports.files, folder); ++n)
        folder = base + u"-" + FromUtf8(std::to_string(n));
    StringList removed = left.folders;
    removed.insert(removed.end(), left.files.begin(), left.files.end());
    const std::string problem =
        UndoPlaceProblem(ports.files, ports.shell, &ports.registry, folder, removed);
    if (!problem.empty()) {
        err += refusal + ": " + problem + advice;
        return nullptr;
    }
    auto undo =
        std::make_unique<UndoSetWriter>(ports.files, ports.registry, folder, subject, created);
    undo->RecordStartingFolders(starts);
    std::function<bool(const std::u16string&)> make_folder;
    if (security) {
        make_folder = [security](const std::u16string& path) {
            return security->CreateAdminOnlyDirectory(path);
        };
    }
    if (!undo->Begin(make_folder)) {
        err += refusal + (undo->volume_full() ? ": its volume is full" : ": it cannot be written") +
               advice;
        return nullptr;
    }
    // Read back: a set others could change would be restored as they wish.
    // Where the volume keeps no access rights at all, no set can be kept
    // from others: it is made, said so, and restored only with --trust-set.
    if (security && !security->OnlyAdminsMayWrite(folder)) {
        if (security->KeepsAccessRights(folder)) {
            undo->Finish();  // empty: removed again
            err += refusal + ": others than administrators could change the set there" + advice;
            return nullptr;
        }
        err += "purgeon-cli: the volume of " + ToUtf8(root) +
               " keeps no access rights: anyone may change the undo set there, and restoring it "
               "will need --trust-set\n";
    }
    return undo;
}

// What the removal did with what was left.
struct RemovalResult {
    Findings removed;
    StringList not_removed;
    RemovalTally tally;
    bool nothing_to_remove = false;
};

// The removal of the Step 3 Delete button over `left`, within the folders
// the analysis started from; into `undo` when there is one.
RemovalResult RemoveWhatIsLeft(CliContext& context, const std::u16string& subject, bool view64,
                               const Findings& left, const StringList& starts,
                               UndoSetWriter* undo) {
    Ports& ports = context.ports;
    StringList paths = left.folders;
    paths.insert(paths.end(), left.files.begin(), left.files.end());
    std::vector<RegistryRow> rows;
    for (const auto& entry : left.registry) rows.push_back({entry, true});
    ConfirmedDialog dialog;
    Ports removal_ports{ports.registry,   ports.files,    ports.shell, ports.hostkit,
                        ports.dispatcher, ports.clock,    dialog,      ports.processes,
                        ports.launcher,   ports.code_page};
    RemovalRequest request;
    request.step3_files_folders_rows = std::min(paths.size(), kMaxReportedFileRows);
    request.step3_registry_rows = rows.size();
    request.all_files_folders = &paths;
    request.step2_registry = &rows;
    request.starting_folders = &starts;
    request.uninstall_type = view64 ? 1 : 0;
    request.select_software = subject;
    request.cur_app_path = context.program_folder;
    // The undo set takes what the removal's checks let through, in place of
    // deleting it.
    if (undo) {
        request.take_path = [undo](const std::u16string& path) { undo->TakePath(path); };
        request.save_registry = [undo](const std::u16string& location, bool in64) {
            return undo->SaveRegistry(location, in64);
        };
    }
    Tell(context, "purgeon-cli: removing what is left of " + ToUtf8(subject));
    RemovalResult result;
    result.nothing_to_remove =
        RemoveLeftovers(removal_ports, request, &result.tally) == RemovalOutcome::kNothingToRemove;

    const Findings remaining = StillThere(ports, left, view64);
    auto gone = [](const StringList& before, const StringList& after) {
        StringList removed;
        for (const auto& item : before) {
            if (std::find(after.begin(), after.end(), item) == after.end()) removed.push_back(item);
        }
        return removed;
    };
    result.removed = {gone(left.folders, remaining.folders),
                      gone(left.files, remaining.files),
                      gone(left.registry, remaining.registry),
                      {}};
    result.not_removed = remaining.folders;
    result.not_removed.insert(result.not_removed.end(), remaining.files.begin(),
                              remaining.files.end());
    result.not_removed.insert(result.not_removed.end(), remaining.registry.begin(),
                              remaining.registry.end());
    return result;
}

// The report of one uninstall (a JSON object with --json), its warnings,
// and its exit code.
int Report(const Target& target, const std::u16string& subject, const Uninstaller& uninstaller,
           const RemovalResult& result, const UndoSetWriter* undo, std::string& out,
           std::string& err) {
    const Findings& removed = result.removed;
    if (target.json) {
        out +=
            "{\n  \"program\": " + JsonString(subject) + ",\n  \"uninstall_command\": " +
            (target.has_program ? JsonString(uninstaller.command) : std::string("null")) +
            ",\n  \"removed\": {\n    \"folders\": " + JsonArray(removed.folders, "    ") +
            ",\n    \"files\": " + JsonArray(removed.files, "    ") +
            ",\n    \"registry\": " + JsonArray(removed.registry, "    ") +
            "\n  },\n  \"not_removed\": " + JsonArray(result.not_removed) + ",\n  \"installer\": " +
            (uninstaller.family ? JsonString(FromUtf8(uninstaller.family)) : std::string("null")) +
            ",\n  \"undo_set\": " +
            (undo && !undo->empty() ? JsonString(undo->folder()) : std::string("null")) + "\n}\n";
    } else {
        const bool removed_any =
            !removed.folders.empty() || !removed.files.empty() || !removed.registry.empty();
        // Say what happened: an uninstall whose uninstaller took everything
        // is done; a removal that removed nothing says so.
        out += ToUtf8(subject) + (target.has_program ? ": uninstalled\n"
                                  : removed_any      ? ": removed\n"
                                                     : ": nothing was removed\n");
        out += Section("Removed folders", removed.folders);
        out += Section("Removed files", removed.files);
        out += Section("Removed registry entries", removed.registry);
        if (!result.not_removed.empty()) out += Section("Not removed", result.not_removed);
    }
    if (undo && !undo->not_taken().empty()) {
        err += undo->volume_full()
                   ? "purgeon-cli: the undo folder's volume is full: " +
                         std::to_string(undo->not_taken().size()) + " files were left in place\n"
                   : "purgeon-cli: " + std::to_string(undo->not_taken().size()) +
                         " files could not be moved into the undo set (in use?) and stay where "
                         "they are\n";
    }
    if (result.tally.refused > 0) {
        err += "purgeon-cli: " + std::to_string(result.tally.refused) +
               " of the leftovers were kept: they are protected folders, lie outside the "
               "analysed folders or are reached through a link\n";
    }
    if (!result.not_removed.empty()) {
        err += "purgeon-cli: " + std::to_string(result.not_removed.size()) +
               " of the leftovers could not be removed\n";
        return kExitFailure;
    }
    return kExitOk;
}

// One program (or folder): analysed while still installed, asked for, its
// uninstaller run and waited for, then what it left removed, into an undo
// set unless told otherwise.
int UninstallTarget(const Target& target, CliContext& context, std::string& out, std::string& err) {
    K_Software_Const_Feature_Lib lib;
    lib.mpu_InitLib();
    K_Class_SoftwareInfo_List list;
    std::u16string subject;
    Uninstaller uninstaller;
    if (target.has_program) {
        const K_Class_SoftwareInfo* record = FindTargetProgram(context, lib, list, target, err);
        if (record == nullptr) return kExitNotFound;
        subject = record->m_strSoftwareName;
        const int chosen = ChooseUninstaller(context, *record, target.quiet, uninstaller, err);
        if (chosen != kExitOk) return chosen;
    } else if (!TargetFolder(context, target, subject, err)) {
        return kExitNotFound;
    }

    // Analysed while the program is still installed: its uninstaller takes
    // away what ties the leftovers to it.
    const Findings found = Analyse(context, list, target);
    if (!Confirmed(target, context, subject, found, err)) return kExitDeclined;

    UninstallRecords records(context.ports.files, context.ports.code_page, context.program_folder);
    StringList config;
    RecordAnalysis(records, target, subject, uninstaller.view64, found, config);
    if (target.has_program) {
        const UninstallerRun run = RunUninstaller(target, context, lib, subject, uninstaller, err);
        // A program still installed keeps no record of an uninstall under
        // way; one whose uninstaller is still running may yet be removed.
        if (run == UninstallerRun::kStillInstalled) records.Remove();
        if (run != UninstallerRun::kProgramGone) return kExitFailure;
        records.SetStepUninstalled(config);
    }

    // One removal at a time on the machine: what is left is looked at once
    // this one holds the lock, so that its report says what it removed.
    std::unique_ptr<ScopedRemovalLock> lock;
    if (context.security) {
        lock = std::make_unique<ScopedRemovalLock>(*context.security, 0);
        if (!lock->held() && target.no_wait) {
            err +=
                "purgeon-cli: another removal is under way; nothing was removed (without "
                "--no-wait it is waited for)\n";
            return kExitBusy;
        }
        if (!lock->held()) {
            Tell(context, "purgeon-cli: waiting for another removal to end");
            lock = std::make_unique<ScopedRemovalLock>(*context.security, kWaitForever);
            if (!lock->held()) {
                err += "purgeon-cli: the removal lock cannot be taken; nothing was removed\n";
                return kExitFailure;
            }
        }
    }
    const Findings left = StillThere(context.ports, found, uninstaller.view64);
    std::unique_ptr<UndoSetWriter> undo;
    const bool anything_left =
        !left.folders.empty() || !left.files.empty() || !left.registry.empty();
    if (!target.no_undo && anything_left) {
        undo = BeginUndoSet(target, context, subject, left, found.starts, err);
        if (!undo) {
            records.Remove();
            return kExitFailure;
        }
    }
    const RemovalResult result =
        RemoveWhatIsLeft(context, subject, uninstaller.view64, left, found.starts, undo.get());
    // With nothing left the removal only gives its notice; the records of
    // this finished uninstall go all the same.
    if (result.nothing_to_remove) records.Remove();
    if (undo) {
        undo->Finish();
        if (!undo->empty())
            Tell(context, "purgeon-cli: what was removed is kept in the undo set " +
                              ToUtf8(undo->folder()) + " (purgeon-cli restore puts it back)");
    }
    return Report(target, subject, uninstaller, result, undo.get(), out, err);
}

int Uninstall(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
              std::string& err) {
    Target target;
    std::string problem;
    if (!ParseTarget(args, target, problem, /*uninstall=*/true)) return Usage(err, problem);
    // A restore point before the first uninstaller runs, completed at the
    // end, cancelled when nothing was changed.
    bool restore_point = false;
    if (target.restore_point) {
        std::u16string description = u"Purgeon: uninstall ";
        if (target.has_folder) description += Trim(target.folder);
        for (std::size_t i = 0; i < target.programs.size(); ++i)
            description += (i ? u", " : u"") + Trim(target.programs[i]);
        restore_point =
            context.ports.hostkit.SrInit() && context.ports.hostkit.SrBegin(description);
        if (!restore_point) {
            const std::string notice =
                "purgeon-cli: System Restore is unavailable: no restore point was made";
            if (!target.yes) {
                std::string answer;
                if (context.terminal == nullptr ||
                    !context.terminal->Ask(notice + ". Go on without one? [y/N] ", answer) ||
                    !IsYes(answer)) {
                    err += "purgeon-cli: not confirmed; nothing was changed\n";
                    return kExitDeclined;
                }
            } else {
                err += notice + "\n";
            }
        }
    }
    // Changed nothing: ended before its uninstaller or removal ran.
    auto unchanged = [](int code) {
        return code == kExitNotFound || code == kExitDeclined || code == kExitUnknownFamily;
    };
    if (target.programs.size() <= 1) {
        const int code = UninstallTarget(target, context, out, err);
        if (restore_point)
            unchanged(code) ? context.ports.hostkit.SrCancel() : context.ports.hostkit.SrEnd();
        return code;
    }
    // Several programs, one after another, each analysed while it is still
    // installed; the first failure's exit code is the run's.
    bool changed = false;
    int result = kExitOk;
    std::string json = "[";
    for (std::size_t i = 0; i < target.programs.size(); ++i) {
        Target one = target;
        one.program = target.programs[i];
        one.programs = {one.program};
        std::string one_out, one_err;
        const int code = UninstallTarget(one, context, one_out, one_err);
        changed = changed || !unchanged(code);
        err += one_err;
        if (result == kExitOk) result = code;
        if (!target.json) {
            out += one_out;
            continue;
        }
        // Each program has its object, also when it ended before its report.
        std::string object = one_out;
        if (object.size() >= 3 && object.compare(object.size() - 3, 3, "\n}\n") == 0)
            object.resize(object.size() - 3);
        else
            object = "{\n  \"program\": " + JsonString(Trim(one.program)) +
                     ",\n  \"error\": " + JsonString(FromUtf8(one_err));
        json += (i ? ",\n" : "\n") + object + ",\n  \"exit_code\": " + std::to_string(code) + "\n}";
    }
    if (target.json) out += json + "\n]\n";
    if (restore_point) changed ? context.ports.hostkit.SrEnd() : context.ports.hostkit.SrCancel();
    return result;
}

}  // namespace

int RunPurgeonCli(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
                  std::string& err) {
    if (args.empty()) return Usage(err, "no command given");
    if (args[0] == u"list") return List(args, context, out, err);
    if (args[0] == u"analyze") return Analyze(args, context, out, err);
    if (args[0] == u"uninstall") return Uninstall(args, context, out, err);
    if (args[0] == u"restore") return RestoreCommand(args, context, out, err);
    if (args[0] == u"undo-list") return UndoListCommand(args, context, out, err);
    if (args[0] == u"--help" || args[0] == u"-h" || args[0] == u"help") {
        out += kUsage;
        return kExitOk;
    }
    return Usage(err, "unknown command: " + ToUtf8(args[0]));
}

}  // namespace purgeon
