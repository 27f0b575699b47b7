#include "cli/quiet_uninstall.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "inventory/Unit_K_Registry_Proc.h"
#include "inventory/Unit_String_Proc.h"
#include "platform/text.h"
#include "uninstall/Unit_K_UninstallCommand.h"

namespace purgeon {

namespace {

constexpr std::u16string_view kInnoSwitches[] = {u"/VERYSILENT", u"/SUPPRESSMSGBOXES",
                                                 u"/NORESTART"};
constexpr std::u16string_view kNsisSwitches[] = {u"/S"};

// The arguments with each switch they lack (as a word, in any letter case)
// added: an uninstall string that carries "/S" already keeps one. NSIS reads
// everything after "_?=" as its folder, so the switches go before that.
template <std::size_t N>
std::u16string WithSwitches(const std::u16string& arguments,
                            const std::u16string_view (&switches)[N]) {
    std::size_t folder = std::u16string::npos;
    for (std::size_t at = arguments.find(u"_?="); at != std::u16string::npos;
         at = arguments.find(u"_?=", at + 1)) {
        if (at == 0 || arguments[at - 1] == u' ') {
            folder = at;
            break;
        }
    }
    const std::u16string before = Trim(arguments.substr(0, folder));
    const StringList words = SplitCommand(before, u' ');
    std::u16string result = before;
    for (const std::u16string_view& word : switches) {
        const bool carried = std::any_of(words.begin(), words.end(), [&](const std::u16string& w) {
            return EqualsIgnoreAsciiCase(w, std::u16string(word));
        });
        if (!carried) result += (result.empty() ? u"" : u" ") + std::u16string(word);
    }
    if (folder != std::u16string::npos) result += u" " + arguments.substr(folder);
    return result;
}

// Whether the bytes hold `marker` as ASCII or as UTF-16LE (version
// resources are UTF-16).
bool Carries(const std::vector<std::uint8_t>& bytes, std::string_view marker) {
    if (std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end()) != bytes.end())
        return true;
    std::vector<std::uint8_t> wide;
    for (char c : marker) {
        wide.push_back(std::uint8_t(c));
        wide.push_back(0);
    }
    return std::search(bytes.begin(), bytes.end(), wide.begin(), wide.end()) != bytes.end();
}

bool IsInnoName(std::u16string_view name) {
    const std::u16string upper = AsciiUpper(name);
    return upper.size() == 12 && upper.compare(0, 5, u"UNINS") == 0 &&
           std::all_of(upper.begin() + 5, upper.begin() + 8,
                       [](char16_t c) { return c >= u'0' && c <= u'9'; }) &&
           upper.compare(8, 4, u".EXE") == 0;
}

// The program a command starts and where its arguments begin: a quoted
// path, or the shortest run of words that ends in ".exe" (an unquoted path
// with blanks), or the first word.
void SplitProgram(const std::u16string& command, std::u16string& program, std::size_t& rest) {
    const std::u16string text = Trim(command);
    if (!text.empty() && text[0] == u'"') {
        const std::size_t close = text.find(u'"', 1);
        program = text.substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1);
        rest = close == std::u16string::npos ? text.size() : close + 1;
        return;
    }
    const std::u16string upper = AsciiUpper(text);
    for (std::size_t at = upper.find(u".EXE"); at != std::u16string::npos;
         at = upper.find(u".EXE", at + 1)) {
        const std::size_t end = at + 4;
        if (end == text.size() || text[end] == u' ') {
            program = text.substr(0, end);
            rest = end;
            return;
        }
    }
    const std::size_t blank = text.find(u' ');
    program = text.substr(0, blank);
    rest = blank == std::u16string::npos ? text.size() : blank;
}

}  // namespace

QuietUninstall ChooseQuietUninstall(FileSystemPort& files, const std::u16string& uninstall_string,
                                    const std::u16string& quiet_string) {
    QuietUninstall result;
    if (!Trim(quiet_string).empty()) {
        result.family = InstallerFamily::kQuietUninstallString;
        result.command = Trim(quiet_string);
        return result;
    }
    const std::u16string text = Trim(uninstall_string);
    std::u16string program;
    std::size_t rest = 0;
    SplitProgram(text, program, rest);
    const std::u16string name(PathFileName(program));
    const std::u16string arguments = text.substr(std::min(rest, text.size()));
    if (EqualsIgnoreAsciiCase(name, u"msiexec") || EqualsIgnoreAsciiCase(name, u"msiexec.exe")) {
        const std::size_t open = arguments.find(u'{');
        const std::size_t close = arguments.find(u'}', open == std::u16string::npos ? 0 : open);
        if (open != std::u16string::npos && close != std::u16string::npos) {
            result.family = InstallerFamily::kWindowsInstaller;
            result.command = u"MsiExec.exe /X" + arguments.substr(open, close - open + 1) + u" /qn";
        }
        return result;
    }
    std::vector<std::uint8_t> bytes;
    const bool read = !program.empty() && files.ReadFile(program, &bytes);
    const std::u16string quoted = u"\"" + program + u"\" ";
    if (IsInnoName(name) || (read && Carries(bytes, "Inno Setup"))) {
        result.family = InstallerFamily::kInnoSetup;
        result.command = quoted + WithSwitches(arguments, kInnoSwitches);
    } else if (read && Carries(bytes, "Nullsoft")) {
        result.family = InstallerFamily::kNsis;
        result.command = quoted + WithSwitches(arguments, kNsisSwitches);
    }
    return result;
}

std::u16string ReadQuietUninstallString(RegistryPort& registry, const std::u16string& entry_key,
                                        bool view64) {
    StringList pieces;
    Str_SplitByBar(entry_key, pieces);
    if (pieces.size() != 2) return {};
    const RegKey root = Reg_RootFromName(pieces[0]);
    std::u16string text;
    if (root == 0 ||
        !Reg_ReadString(registry, root, pieces[1], u"QuietUninstallString", view64, text))
        return {};
    return Trim(text);
}

const char* InstallerFamilyName(InstallerFamily family) {
    switch (family) {
        case InstallerFamily::kQuietUninstallString:
            return "QuietUninstallString";
        case InstallerFamily::kWindowsInstaller:
            return "Windows Installer";
        case InstallerFamily::kNsis:
            return "NSIS";
        case InstallerFamily::kInnoSetup:
            return "Inno Setup";
        case InstallerFamily::kUnknown:
            break;
    }
    return "unknown";
}

}  // namespace purgeon
