// purgeon-cli.exe: the console front end on the real Win32 adapters.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/purgeon_cli.h"
#include "platform/inline_dispatcher.h"
#include "platform/text.h"
#include "platform/win32/own_executable.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_hostkit.h"
#include "platform/win32/win32_launcher.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_security.h"
#include "platform/win32/win32_shell_folders.h"

namespace purgeon {
namespace {

// A console program shows no message boxes: a notice goes to standard
// error, and a question the core would ask is declined (the front end asks
// its own questions on the terminal, and answers the core's itself once the
// user has confirmed there).
class ConsoleDialog : public DialogPort {
  public:
    int MessageBox(WindowId, const std::u16string& text, const std::u16string& caption,
                   std::uint32_t flags) override {
        const std::string line = ToUtf8(caption) + ": " + ToUtf8(text) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        return (flags & 0x0F) == kMbYesNo ? kIdNo : kIdOk;
    }
};

// Questions and progress on standard error, so that standard output holds
// only the result; answers from standard input (only ASCII "y" and "yes"
// matter, so its code page does not).
class ConsoleTerminal : public CliTerminal {
  public:
    bool Ask(const std::string& question, std::string& answer) override {
        std::fwrite(question.data(), 1, question.size(), stderr);
        std::fflush(stderr);
        answer.clear();
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
            answer += buffer;
            if (!answer.empty() && answer.back() == '\n') break;
        }
        if (answer.empty()) return false;
        while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
            answer.pop_back();
        // An answer from a pipe or file was not echoed: end the question's line.
        if (GetFileType(GetStdHandle(STD_INPUT_HANDLE)) != FILE_TYPE_CHAR) std::fputs("\n", stderr);
        return true;
    }
    void Tell(const std::string& line) override {
        const std::string text = line + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
};

void WriteAll(FILE* stream, const std::string& bytes) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

std::u16string OwnFolder() {
    return std::u16string(PathFolder(OwnExecutablePath()));
}

// Without elevation the machine's keys open read-only at best, and the
// registry layer asks for full access: a list would quietly miss every
// machine-wide program. Before Windows Vista there is no elevation to ask.
bool RunsElevated() {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return true;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool known = GetTokenInformation(token.Get(), TokenElevation, &elevation,
                                           sizeof elevation, &size) != FALSE;
    return !known || elevation.TokenIsElevated != 0;
}

bool IsCommand(const std::u16string& word) {
    return word == u"list" || word == u"analyze" || word == u"uninstall";
}

// Leaves the console's output code page as it was found.
class Utf8ConsoleOutput {
  public:
    Utf8ConsoleOutput() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8ConsoleOutput() {
        if (previous_ != 0) SetConsoleOutputCP(previous_);
    }
    Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
    Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

  private:
    UINT previous_;
};

}  // namespace
}  // namespace purgeon

int wmain(int argc, wchar_t** argv) {
    using namespace purgeon;
    const Utf8ConsoleOutput utf8_output;
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(FromWide(argv[i]));
    if (!args.empty() && IsCommand(args[0]) && !RunsElevated()) {
        WriteAll(stderr,
                 "purgeon-cli: run it as administrator (from an elevated command prompt): it reads "
                 "and changes the machine's registry and program folders\n");
        return kExitFailure;
    }

    Win32Registry registry;
    Win32FileSystem files;
    Win32ShellFolders shell;
    Win32Hostkit hostkit;
    InlineDispatcher dispatcher;
    Win32Clock clock;
    ConsoleDialog dialog;
    Win32Processes processes;
    Win32Launcher launcher;
    Win32CodePage code_page;
    ConsoleTerminal terminal;
    Win32Security security;
    CliContext context{{registry, files, shell, hostkit, dispatcher, clock, dialog, processes,
                        launcher, code_page},
                       OwnFolder(),
                       &terminal,
                       &security};

    std::string out, err;
    int code = kExitFailure;
    try {
        code = RunPurgeonCli(args, context, out, err);
    } catch (const std::exception& error) {
        err += std::string("purgeon-cli: ") + error.what() + "\n";
    }
    WriteAll(stdout, out);
    WriteAll(stderr, err);
    return code;
}
