// Code-page port for native tests: Windows-1252, the ANSI code page of
// Western-European Windows.
#pragma once

#include "platform/code_page.h"

namespace purgeon {

class MemoryCodePage : public CodePagePort {
  public:
    std::string ToAnsi(const std::u16string& text) override;
    std::u16string FromAnsi(const std::string& bytes) override;
};

}  // namespace purgeon
