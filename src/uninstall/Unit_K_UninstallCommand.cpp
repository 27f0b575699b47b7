#include "uninstall/Unit_K_UninstallCommand.h"

namespace purgeon {

namespace {

std::u16string TrimLeft(const std::u16string& text) {
    size_t begin = 0;
    while (begin < text.size() && text[begin] <= 32) ++begin;
    return text.substr(begin);
}

std::u16string RemoveAll(std::u16string text, std::u16string_view what) {
    for (size_t at; (at = text.find(what)) != std::u16string::npos;) text.erase(at, what.size());
    return text;
}

class Launch {
  public:
    Launch(Ports& ports, WindowId owner, const std::u16string& command)
        : ports_(ports), owner_(owner), command_(command) {}

    // The whole command, trimmed, in the ANSI code page.
    void Fallback() {
        ports_.launcher.WinExecCommand(ports_.code_page.ToAnsi(Trim(command_)), kSwShowNormal);
    }

    void Shell(const std::u16string& file, const std::u16string& parameters) {
        if (ports_.launcher.ShellExecuteFile(owner_, u"Open", file, parameters, u"",
                                             kSwShowNormal) <= 32)
            Fallback();
    }

    void Error(const char16_t* text) { ports_.dialog.MessageBox(owner_, text, u"Purgeon", kMbOk); }

  private:
    Ports& ports_;
    WindowId owner_;
    const std::u16string& command_;
};

bool IsHostProgram(const std::u16string& first_piece) {
    const std::u16string upper = AsciiUpper(first_piece);
    return Contains(upper, u"MSIEXEC.EXE") || upper == u"MSIEXEC" || upper == u"RUNDLL32.EXE" ||
           upper == u"RUNDLL32" || upper == u"REGSVR32" || Contains(upper, u"UNWISE.EXE");
}

}  // namespace

StringList SplitCommand(std::u16string_view command, char16_t separator) {
    StringList pieces;
    size_t pos = 0;
    while (pos < command.size()) {
        while (pos < command.size() && (command[pos] == u'\r' || command[pos] == u'\n')) ++pos;
        const size_t head = pos;
        if (pos < command.size() && (command[pos] == u'"' || command[pos] == u'\'')) {
            const size_t close = command.find(command[pos], pos + 1);
            pos = close == std::u16string_view::npos ? command.size() : close + 1;
        }
        while (pos < command.size() && command[pos] != separator && command[pos] != u'\r' &&
               command[pos] != u'\n')
            ++pos;
        if (pos > head) pieces.emplace_back(command.substr(head, pos - head));
        ++pos;
    }
    return pieces;
}

std::u16string UninstallCommandToRun(const std::u16string& command) {
    const StringList words = SplitCommand(command, u' ');
    if (words.empty() || !ContainsIgnoreAsciiCase(words[0], u"MSIEXEC")) return command;
    std::u16string result = command;
    for (size_t at = words[0].size(); at + 2 < result.size(); ++at) {
        if ((result[at] == u'/' || result[at] == u'-') && AsciiUpper(result[at + 1]) == u'I' &&
            result[at + 2] == u'{')
            result[at + 1] = u'X';
    }
    return result;
}

void RunUninstallCommand(Ports& ports, WindowId owner, const std::u16string& received) {
    // The fallback launches this command too: the removal, never a repair.
    const std::u16string command = UninstallCommandToRun(received);
    Launch launch(ports, owner, command);
    const std::u16string upper = AsciiUpper(command);

    // 1. The Windows Media Center host takes the whole line.
    if (Contains(upper, u"MCUIHOST.EXE")) {
        launch.Fallback();
        return;
    }
    // 2. Nothing to launch.
    const StringList words = SplitCommand(command, u' ');
    if (words.empty()) return;

    // 3. Host programs: every further word is a parameter, each followed by a
    // blank.
    if (IsHostProgram(words[0])) {
        std::u16string parameters;
        for (size_t i = 1; i < words.size(); ++i) parameters += words[i] + u" ";
        launch.Shell(words[0], parameters);
        return;
    }

    // 5. Slash switches.
    if (Contains(command, u"/")) {
        StringList pieces = SplitCommand(command, u'/');
        if (pieces.size() < 2) {
            std::u16string unquoted = command;
            for (auto& c : unquoted) {
                if (c == u'"') c = u' ';
            }
            pieces = SplitCommand(unquoted, u'/');
        }
        std::u16string parameters;
        if (pieces.size() >= 2) {
            for (size_t i = 1; i < pieces.size(); ++i) parameters += u"/" + pieces[i];
            parameters = Trim(parameters);
        } else {
            launch.Error(u"8 cmd is error ! ");
        }
        if (!pieces.empty()) launch.Shell(TrimLeft(pieces[0]), parameters);
        return;
    }

    // 6. Dash switches after an executable.
    if (Contains(upper, u".EXE -")) {
        const StringList pieces = SplitCommand(command, u'-');
        std::u16string parameters;
        if (pieces.size() >= 2) {
            for (size_t i = 1; i < pieces.size(); ++i) parameters += u"-" + pieces[i];
        } else {
            launch.Error(u"9 cmd is error ! ");
        }
        // The split swallowed a double dash; give one back in front.
        if (Contains(upper, u".EXE --")) parameters = u"-" + parameters;
        if (!pieces.empty()) launch.Shell(TrimLeft(pieces[0]), parameters);
        return;
    }

    // 4.3 "app.exe UNINSTALL" (the very last characters).
    if (Contains(upper, u".EXE UNINSTALL") && upper.ends_with(u"UNINSTALL")) {
        launch.Shell(Trim(RemoveAll(upper, u"UNINSTALL")), u"UNINSTALL");
        return;
    }

    // 4.4 Anything else: the whole command is the program.
    launch.Shell(Trim(command), u"");
}

}  // namespace purgeon
