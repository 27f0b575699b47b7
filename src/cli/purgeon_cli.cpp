#include "cli/purgeon_cli.h"

#include <unordered_set>

#include "analysis/Thread_Uninstall_Analyze.h"
#include "cli/json_writer.h"
#include "inventory/Thread_EnumInstalledApp.h"
#include "ui/Form_K_CustomUninstallWizard.h"

namespace purgeon {

namespace {

const char kUsage[] =
    "usage: purgeon-cli list [--json]\n"
    "       purgeon-cli analyze (--program NAME | --folder PATH) [--json]\n"
    "  list       the installed programs, in name order\n"
    "  analyze    what a program (or the program in a folder) has on this machine:\n"
    "             its folders, files and registry entries\n"
    "  --json     machine-readable output\n";

int Usage(std::string& err, const std::string& problem) {
    err += "purgeon-cli: " + problem + "\n" + kUsage;
    return kExitUsage;
}

// Collects nothing: the inventory holds the result once the run is over.
class SilentListener : public InstallerSoftwareListListener {
public:
    void Callback_InstallerSoftwarelist_Start() override {}
    void Callback_InstallerSoftwarelist(std::uint32_t, const std::u16string&, const std::u16string&,
                                        const std::u16string&, const std::u16string&, std::uint32_t) override {}
    void Callback_InstallerSoftwarelist_End(std::uint32_t) override {}
    bool IsLoadingWindowVisible() override { return false; }
};

void Enumerate(CliContext& context, const K_Software_Const_Feature_Lib& lib, K_Class_SoftwareInfo_List& list) {
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

int List(const std::vector<std::u16string>& args, CliContext& context, std::string& out, std::string& err) {
    bool json = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == u"--json") json = true;
        else return Usage(err, "unknown option for list: " + ToUtf8(args[i]));
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

// Options of analyze and uninstall: exactly one of --program and --folder.
struct Target {
    std::u16string program;
    std::u16string folder;
    bool has_program = false, has_folder = false, json = false;
};

bool ParseTarget(const std::vector<std::u16string>& args, Target& target, std::string& problem) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (arg == u"--json") {
            target.json = true;
        } else if ((arg == u"--program" || arg == u"--folder") && i + 1 < args.size()) {
            (arg == u"--program" ? target.program : target.folder) = args[++i];
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
    return true;
}

// A folder the custom uninstall wizard would refuse gets the wizard's own
// message. True when the folder may be analysed.
bool CheckFolder(CliContext& context, const std::u16string& folder, std::string& err) {
    switch (CheckCustomUninstallFolder(context.ports.shell, context.ports.files, folder)) {
        case CustomFolderVerdict::kEmpty:
            err += ToUtf8(kCustomUninstallNeedFolderText) + "\n";
            return false;
        case CustomFolderVerdict::kRefused:
            err += ToUtf8(FormatWithText(kCustomUninstallRefusedText, Trim(folder))) + "\n";
            return false;
        case CustomFolderVerdict::kAccepted:
            return true;
    }
    return false;
}

struct Findings {
    StringList folders, files, registry;
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
    std::unordered_set<std::u16string> seen;
    for (const auto& entry : record.m_ListStr_Registry) {
        if (!entry.empty() && seen.insert(AsciiUpper(entry)).second) findings.registry.push_back(entry);
    }
    return findings;
}

std::string JsonArray(const StringList& items) {
    std::string json = "[";
    for (size_t i = 0; i < items.size(); ++i) json += (i ? ",\n    " : "\n    ") + JsonString(items[i]);
    return json + (items.empty() ? "]" : "\n  ]");
}

std::string Section(const char* heading, const StringList& items) {
    std::string text = std::string(heading) + " (" + std::to_string(items.size()) + "):\n";
    for (const auto& item : items) text += "  " + ToUtf8(item) + "\n";
    return text;
}

int Analyze(const std::vector<std::u16string>& args, CliContext& context, std::string& out, std::string& err) {
    Target target;
    std::string problem;
    if (!ParseTarget(args, target, problem)) return Usage(err, problem);
    K_Software_Const_Feature_Lib lib;
    lib.mpu_InitLib();
    K_Class_SoftwareInfo_List list;
    std::u16string subject;
    if (target.has_program) {
        Enumerate(context, lib, list);
        const K_Class_SoftwareInfo* record = list.Find(SoftwareKey(Trim(target.program)));
        if (record == nullptr) {
            err += "purgeon-cli: no installed program is named \"" + ToUtf8(Trim(target.program)) + "\"\n";
            return kExitNotFound;
        }
        subject = record->m_strSoftwareName;
    } else {
        if (!CheckFolder(context, target.folder, err)) return kExitNotFound;
        subject = Trim(target.folder);
    }
    const Findings findings = Analyse(context, list, target);
    if (target.json) {
        out += "{\n  \"program\": " + JsonString(subject) + ",\n  \"folders\": " + JsonArray(findings.folders) +
               ",\n  \"files\": " + JsonArray(findings.files) + ",\n  \"registry\": " +
               JsonArray(findings.registry) + "\n}\n";
    } else {
        out += ToUtf8(subject) + "\n";
        out += Section("Folders", findings.folders);
        out += Section("Files", findings.files);
        out += Section("Registry", findings.registry);
    }
    return kExitOk;
}

}  // namespace

int RunPurgeonCli(const std::vector<std::u16string>& args, CliContext& context, std::string& out,
                  std::string& err) {
    if (args.empty()) return Usage(err, "no command given");
    if (args[0] == u"list") return List(args, context, out, err);
    if (args[0] == u"analyze") return Analyze(args, context, out, err);
    if (args[0] == u"--help" || args[0] == u"-h" || args[0] == u"help") {
        out += kUsage;
        return kExitOk;
    }
    return Usage(err, "unknown command: " + ToUtf8(args[0]));
}

}  // namespace purgeon
