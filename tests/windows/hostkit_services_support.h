// Test helpers for Hostkit's services: the DLL and its function table, the
// calling-convention probe, standard output captured across the DLL, message
// boxes answered from a helper thread, and the redirection state of a thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "hostkit_exports.h"

namespace purgeon::test {

// Hostkit.dll loaded from beside the test program, and one function table
// from InitDll_Hostkit. Null members when loading failed.
struct HostkitDll {
    HMODULE module = nullptr;
    HostkitFunctionTable* table = nullptr;

    template <typename Fn>
    Fn Slot(int slot) const {
        return table != nullptr ? reinterpret_cast<Fn>(table->slots[slot]) : nullptr;
    }
    template <typename Fn>
    Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};
const HostkitDll& LoadHostkit();

// Calls `fn` with up to eight arguments pushed as a stdcall caller does, and
// reports how many bytes of them the callee removed (4 per argument for
// stdcall, none for cdecl) and the low 32 bits of the result register. Only a
// 32-bit process has the difference: the 64-bit test build calls `fn` with
// the arguments in x64's one convention and measures no pops (kPopsNotMeasured).
constexpr DWORD kPopsNotMeasured = 0xFFFFFFFF;
struct RawCallResult {
    DWORD popped;
    DWORD eax;
};
RawCallResult CallCountingPops(const void* fn, std::vector<UINT_PTR> args);

// Standard output of this process goes to a temporary file from construction
// to Finish(). The test and Hostkit.dll share the C runtime DLL (msvcrt.dll),
// so moving its descriptor 1 catches the DLL's output too. Keep assertions
// out of the captured stretch, or their messages land in the file: use
// Captured() below.
class StdoutCapture {
  public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    // Restores standard output and returns what was written meanwhile.
    std::string Finish();

  private:
    std::wstring path_;
    int saved_fd_ = -1;
};

// Runs `body` with standard output captured into `printed`; returns what
// `body` returns.
template <typename Body>
auto Captured(std::string& printed, Body&& body) {
    StdoutCapture capture;
    if constexpr (std::is_void_v<decltype(body())>) {
        body();
        printed = capture.Finish();
    } else {
        auto result = body();
        printed = capture.Finish();
        return result;
    }
}

struct AnsweredBox {
    std::wstring caption;
    std::wstring text;
    bool error_icon = false;  // shows the icon of MB_ICONERROR
};

// Presses OK on every message box (dialog class "#32770") that this process
// shows while the answerer lives, from a helper thread, and records what each
// box said. A call that shows a box returns only after it was answered.
class MessageBoxAnswerer {
  public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    // The boxes answered since the last Take, oldest first.
    std::vector<AnsweredBox> Take();
    // Texts only, for comparisons.
    std::vector<std::wstring> TakeTexts();

  private:
    void Run();
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<AnsweredBox> answered_;
    std::thread thread_;
};

// Whether file-system redirection is on for the calling thread (a 32-bit
// process under WOW64): a file made in SysWOW64 shows through "System32"
// only while it is on.
class RedirectionProbe {
  public:
    RedirectionProbe();
    ~RedirectionProbe();
    bool ready() const { return ready_; }
    bool RedirectionIsOn() const;

  private:
    std::wstring name_;
    bool ready_ = false;
};

std::wstring WindowsFolder();
std::wstring TempFolder();                     // ends with "\"
std::string Narrow(const std::wstring& text);  // ASCII texts for messages

}  // namespace purgeon::test
