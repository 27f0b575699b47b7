#include "update/Thread_Update.h"

#include <vector>

#include "platform/window_messages.h"
#include "update/version_file.h"

namespace purgeon {
namespace {

constexpr char16_t kUpdateFileName[] = u"Update.dat";
constexpr char16_t kVersionSection[] = u"CUR_VERSION";
constexpr std::uint32_t kMissingFileFlags = 0x40010;  // MB_TOPMOST | MB_ICONERROR

std::u16string DecimalText(std::uint32_t number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

bool IsNewerVersion(const std::array<std::int32_t, 4>& published, const FileVersion& own) {
    const std::array<std::int32_t, 4> running{own.major, own.minor, own.release, own.build};
    for (std::size_t i = 0; i < published.size(); ++i) {
        if (published[i] != running[i]) return published[i] > running[i];
    }
    return false;
}

TThread_Update* TThread_Update::Create(WindowId hFormHandle, UpdateCheckContext context,
                                       UpdateWorkerReference* reference, const Starter& starter) {
    auto* worker = new TThread_Update(hFormHandle, std::move(context), reference);
    // Recorded before the start: a quick run may already be ending when
    // Start returns.
    if (reference != nullptr) reference->store(worker);
    try {
        if (starter)
            starter(worker);
        else
            worker->Start();
    } catch (...) {
        // No thread was made (the system refused one): the worker is freed
        // here, which clears the reference.
        delete worker;
        throw;
    }
    return worker;
}

TThread_Update::TThread_Update(WindowId hFormHandle, UpdateCheckContext context,
                               UpdateWorkerReference* reference)
    : hFormHandle_(hFormHandle), context_(std::move(context)), reference_(reference) {}

TThread_Update::~TThread_Update() {
    if (reference_ != nullptr) {
        TThread_Update* self = this;
        reference_->compare_exchange_strong(self, nullptr);
    }
}

void TThread_Update::Execute() {
    context_.ports.dispatcher.Post(context_.main_window, WM_SHOW_UPDATE_WINDOW, 0, 0);
    context_.ports.clock.Sleep(kUpdateCheckDelayMs);
    bool newer = false;
    try {
        newer = CheckForNewVersion();
    } catch (...) {
        // The update window waits for an answer, modally: it gets one even
        // when the check itself failed (out of memory, say).
        newer = false;
    }
    context_.ports.dispatcher.Post(hFormHandle_, WM_UPDATE_RESULT, newer ? 1 : 0, 0);
}

bool TThread_Update::CheckForNewVersion() {
    const std::u16string file_path = context_.program_folder + kUpdateFileName;
    if (context_.ports.hostkit.NetIsConnected(context_.hostkit_table) == 0) return false;
    if (context_.download.DownloadToFile(context_.update_file_url, file_path) != kSOk) return false;

    // A file, not a folder of that name.
    const std::uint32_t attributes = context_.ports.files.GetAttributes(file_path);
    if (attributes == kInvalidFileAttributes || (attributes & kFileAttributeDirectory) != 0) {
        context_.ports.dialog.MessageBox(0, file_path + u" does not exist!", u"Warning",
                                         kMissingFileFlags);
        return false;
    }

    // A file that cannot be read reads as one without the section.
    std::vector<std::uint8_t> bytes;
    if (!context_.ports.files.ReadFile(file_path, &bytes)) bytes.clear();
    std::array<std::int32_t, 4> published{};
    for (std::size_t i = 0; i < published.size(); ++i) {
        published[i] = VersionNumberFromText(
            ReadIniValue(bytes, kVersionSection, u"Ver" + DecimalText(std::uint32_t(i + 1))));
    }

    FileVersion own;
    std::u16string own_text;
    GetOwnFileVersion(own.major, own.minor, own.release, own.build, own_text);
    return IsNewerVersion(published, own);
}

void TThread_Update::GetOwnFileVersion(std::uint16_t& major, std::uint16_t& minor,
                                       std::uint16_t& release, std::uint16_t& build,
                                       std::u16string& text) {
    FileVersion version;
    if (!context_.own_version.ReadOwnFileVersion(&version)) return;
    std::u16string formatted = DecimalText(version.major) + u"." + DecimalText(version.minor) +
                               u"." + DecimalText(version.release) + u"." +
                               DecimalText(version.build);
    // Nothing below can fail: the outputs change all together or not at all.
    major = version.major;
    minor = version.minor;
    release = version.release;
    build = version.build;
    text.swap(formatted);
}

}  // namespace purgeon
