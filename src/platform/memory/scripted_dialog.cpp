#include "platform/memory/scripted_dialog.h"

#include <algorithm>

namespace purgeon {

namespace {

constexpr std::uint32_t kMbTypeMask = 0x0F;
constexpr std::uint32_t kMbAbortRetryIgnore = 0x02;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;

}  // namespace

void ScriptedDialog::Script(std::initializer_list<int> answers) {
    std::lock_guard lock(mutex_);
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

int ScriptedDialog::MessageBox(WindowId owner, const std::u16string& text,
                               const std::u16string& caption, std::uint32_t flags) {
    std::lock_guard lock(mutex_);
    DialogCall call{owner, text, caption, flags, 0, answers_.empty()};
    if (call.unscripted) {
        call.answer = DefaultAnswer(flags);
    } else {
        call.answer = answers_.front();
        answers_.pop_front();
    }
    calls_.push_back(call);
    return call.answer;
}

std::vector<DialogCall> ScriptedDialog::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::size_t ScriptedDialog::RemainingAnswers() const {
    std::lock_guard lock(mutex_);
    return answers_.size();
}

bool ScriptedDialog::AnyUnscripted() const {
    std::lock_guard lock(mutex_);
    return std::any_of(calls_.begin(), calls_.end(),
                       [](const DialogCall& c) { return c.unscripted; });
}

int ScriptedDialog::DefaultAnswer(std::uint32_t flags) {
    switch (flags & kMbTypeMask) {
        case kMbOk:
            return kIdOk;
        case kMbYesNo:
            return kIdNo;
        case kMbAbortRetryIgnore:
            return kIdAbort;
        default:
            return kIdCancel;
    }
}

}  // namespace purgeon
