// Dialog port for native tests: answers message boxes from a script and
// records every box shown. A box shown when no scripted answer is left gets
// the declining answer of its buttons (DefaultAnswer) and is recorded as
// unscripted, so that a test can insist that every box was foreseen.
// Safe to use from several threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dialog.h"

namespace purgeon {

struct DialogCall {
    WindowId owner = 0;
    std::u16string text;
    std::u16string caption;
    std::uint32_t flags = 0;
    int answer = 0;
    bool unscripted = false;  // no scripted answer was left
};

class ScriptedDialog : public DialogPort {
  public:
    ScriptedDialog() = default;
    ScriptedDialog(std::initializer_list<int> answers) : answers_(answers) {}

    // Appends answers (kIdYes, kIdNo, kIdOk, ...) for the next boxes.
    void Script(std::initializer_list<int> answers);

    int MessageBox(WindowId owner, const std::u16string& text, const std::u16string& caption,
                   std::uint32_t flags) override;

    std::vector<DialogCall> Calls() const;
    std::size_t RemainingAnswers() const;
    bool AnyUnscripted() const;

    // The answer that declines for the button set in `flags` (low four
    // bits): OK for an OK box, No for Yes/No, Abort for Abort/Retry/Ignore,
    // Cancel for every other set.
    static int DefaultAnswer(std::uint32_t flags);

  private:
    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::vector<DialogCall> calls_;
};

}  // namespace purgeon
