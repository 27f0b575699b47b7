// Code-page port: the system's ANSI code page, for the few places that
// still speak it (WinExec, the record files).
#pragma once

#include <string>

namespace purgeon {

class CodePagePort {
  public:
    virtual ~CodePagePort() = default;
    // Characters the code page lacks come out as the code page's default
    // character ("?").
    virtual std::string ToAnsi(const std::u16string& text) = 0;
    virtual std::u16string FromAnsi(const std::string& bytes) = 0;
};

}  // namespace purgeon
