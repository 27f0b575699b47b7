// Dialog port: message boxes, so that tests can script the user's answers.
#pragma once

#include <cstdint>
#include <string>

// <windows.h> defines MessageBox as MessageBoxW; without this the method
// below would take either name depending on the include order.
#undef MessageBox

namespace purgeon {

using WindowId = std::uintptr_t;  // an HWND on Windows; 0 = none

constexpr std::uint32_t kMbOk = 0x00;
constexpr std::uint32_t kMbYesNo = 0x04;
constexpr std::uint32_t kMbIconQuestion = 0x20;
constexpr std::uint32_t kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class DialogPort {
  public:
    virtual ~DialogPort() = default;
    // MessageBoxW: the button the user pressed (kIdOk, kIdYes, kIdNo, ...).
    virtual int MessageBox(WindowId owner, const std::u16string& text,
                           const std::u16string& caption, std::uint32_t flags) = 0;
};

}  // namespace purgeon
