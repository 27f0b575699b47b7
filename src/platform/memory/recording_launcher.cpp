#include "platform/memory/recording_launcher.h"

namespace purgeon {

void RecordingLauncher::Record(Launch launch) {
    std::function<void(const Launch&)> hook;
    {
        std::lock_guard lock(mutex_);
        launches_.push_back(launch);
        hook = on_launch_;
    }
    if (hook) hook(launch);
}

std::intptr_t RecordingLauncher::ShellExecuteFile(WindowId, const std::u16string& verb,
                                                  const std::u16string& file,
                                                  const std::u16string& parameters,
                                                  const std::u16string& directory, int show) {
    Record({"shell", verb, file, parameters, directory, "", show});
    return shell_result_;
}

std::uint32_t RecordingLauncher::WinExecCommand(const std::string& ansi_command_line, int show) {
    Record({"winexec", u"", u"", u"", u"", ansi_command_line, show});
    return 33;
}

std::vector<Launch> RecordingLauncher::Launches() const {
    std::lock_guard lock(mutex_);
    return launches_;
}

}  // namespace purgeon
