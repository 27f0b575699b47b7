// Launcher port for native tests: records every launch; shell launches
// succeed (result 42) unless the test scripts a failure.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/launcher.h"

namespace purgeon {

struct Launch {
    std::string kind;  // "shell" or "winexec"
    std::u16string verb, file, parameters, directory;
    std::string command_line;  // WinExec's, in the ANSI code page
    int show = 0;

    friend bool operator==(const Launch&, const Launch&) = default;
};

class RecordingLauncher : public LauncherPort {
  public:
    std::intptr_t ShellExecuteFile(WindowId owner, const std::u16string& verb,
                                   const std::u16string& file, const std::u16string& parameters,
                                   const std::u16string& directory, int show) override;
    std::uint32_t WinExecCommand(const std::string& ansi_command_line, int show) override;

    std::vector<Launch> Launches() const;
    void set_shell_result(std::intptr_t result) { shell_result_ = result; }
    // Called after each recorded launch (e.g. to start a fake process).
    void set_on_launch(std::function<void(const Launch&)> on_launch) {
        on_launch_ = std::move(on_launch);
    }

  private:
    void Record(Launch launch);

    mutable std::mutex mutex_;
    std::vector<Launch> launches_;
    std::intptr_t shell_result_ = 42;
    std::function<void(const Launch&)> on_launch_;
};

}  // namespace purgeon
