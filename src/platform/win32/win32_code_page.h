// Code-page port over the system's ANSI code page (CP_ACP).
#pragma once

#include "platform/code_page.h"

namespace purgeon {

class Win32CodePage : public CodePagePort {
  public:
    std::string ToAnsi(const std::u16string& text) override;
    std::u16string FromAnsi(const std::string& bytes) override;
};

}  // namespace purgeon
