#include "hostkit_services_support.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <set>

namespace purgeon::test {

const HostkitDll& LoadHostkit() {
    static const HostkitDll dll = [] {
        HostkitDll loaded;
        loaded.module = LoadLibraryW(L"Hostkit.dll");
        if (loaded.module == nullptr) return loaded;
        auto init = loaded.Export<HostkitFunctionTable*(__stdcall*)()>("InitDll_Hostkit");
        if (init != nullptr) loaded.table = init();
        return loaded;
    }();
    return dll;
}

namespace {

#ifndef _WIN64
struct RawCall {
    const void* fn;
    DWORD args[8];
    DWORD eax;
    DWORD popped;
};

// Pushes all eight slots (the callee sees the first ones as its arguments),
// calls, and measures how far the callee moved the stack back.
void RawCallPops(RawCall* call) {
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "pushl 32(%%ebx)\n\t"
        "pushl 28(%%ebx)\n\t"
        "pushl 24(%%ebx)\n\t"
        "pushl 20(%%ebx)\n\t"
        "pushl 16(%%ebx)\n\t"
        "pushl 12(%%ebx)\n\t"
        "pushl 8(%%ebx)\n\t"
        "pushl 4(%%ebx)\n\t"
        "call *(%%ebx)\n\t"
        "movl %%eax, 36(%%ebx)\n\t"
        "movl %%esp, %%eax\n\t"
        "subl %%esi, %%eax\n\t"
        "addl $32, %%eax\n\t"
        "movl %%eax, 40(%%ebx)\n\t"
        "movl %%esi, %%esp\n\t"
        :
        : "b"(call)
        : "eax", "ecx", "edx", "esi", "memory", "cc");
}

}  // namespace

RawCallResult CallCountingPops(const void* fn, std::vector<UINT_PTR> args) {
    RawCall call{fn, {}, 0, 0};
    for (size_t i = 0; i < args.size() && i < 8; ++i) call.args[i] = DWORD(args[i]);
    RawCallPops(&call);
    return {call.popped, call.eax};
}
#else
}  // namespace

// A callee that takes fewer arguments ignores the rest: x64's caller cleans up.
RawCallResult CallCountingPops(const void* fn, std::vector<UINT_PTR> args) {
    args.resize(8, 0);
    using Fn = UINT_PTR (*)(UINT_PTR, UINT_PTR, UINT_PTR, UINT_PTR, UINT_PTR, UINT_PTR, UINT_PTR,
                            UINT_PTR);
    const UINT_PTR result = reinterpret_cast<Fn>(const_cast<void*>(fn))(
        args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7]);
    return {kPopsNotMeasured, DWORD(result)};
}
#endif

// --- Standard output ------------------------------------------------------------

StdoutCapture::StdoutCapture() {
    wchar_t folder[MAX_PATH];
    wchar_t file[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"out", 0, file);
    path_ = file;
    std::fflush(stdout);
    const int fd = _wopen(path_.c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return;
    saved_fd_ = _dup(1);
    _dup2(fd, 1);
    _close(fd);
}

StdoutCapture::~StdoutCapture() {
    Finish();
    DeleteFileW(path_.c_str());
}

std::string StdoutCapture::Finish() {
    std::string text;
    if (saved_fd_ < 0) return text;
    std::fflush(stdout);
    _dup2(saved_fd_, 1);
    _close(saved_fd_);
    saved_fd_ = -1;
    FILE* file = _wfopen(path_.c_str(), L"rb");
    if (file == nullptr) return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

// --- Message boxes ---------------------------------------------------------------

MessageBoxAnswerer::MessageBoxAnswerer() : thread_([this] { Run(); }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    stop_ = true;
    thread_.join();
}

std::vector<AnsweredBox> MessageBoxAnswerer::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<AnsweredBox> boxes;
    boxes.swap(answered_);
    return boxes;
}

std::vector<std::wstring> MessageBoxAnswerer::TakeTexts() {
    std::vector<std::wstring> texts;
    for (const AnsweredBox& box : Take()) texts.push_back(box.text);
    return texts;
}

namespace {

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

struct BoxParts {
    std::wstring text;
    HICON icon = nullptr;
};

BOOL CALLBACK CollectParts(HWND child, LPARAM param) {
    auto* parts = reinterpret_cast<BoxParts*>(param);
    if (ClassName(child) != L"Static") return TRUE;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        parts->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    } else if (parts->text.empty()) {
        parts->text = WindowText(child);
    }
    return TRUE;
}

struct TopLevelDialogs {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) && ClassName(window) == L"#32770") {
        reinterpret_cast<TopLevelDialogs*>(param)->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

void MessageBoxAnswerer::Run() {
    const HICON error_icon = LoadIconW(nullptr, IDI_ERROR);
    std::set<HWND> handled;
    while (!stop_) {
        for (auto it = handled.begin(); it != handled.end();) {
            it = IsWindow(*it) ? std::next(it) : handled.erase(it);
        }
        TopLevelDialogs dialogs;
        EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&dialogs));
        for (HWND dialog : dialogs.found) {
            if (!handled.insert(dialog).second) continue;
            BoxParts parts;
            EnumChildWindows(dialog, CollectParts, reinterpret_cast<LPARAM>(&parts));
            AnsweredBox box;
            box.caption = WindowText(dialog);
            box.text = parts.text;
            box.error_icon = parts.icon != nullptr && parts.icon == error_icon;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                answered_.push_back(box);
            }
            HWND ok = GetDlgItem(dialog, IDOK);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(ok));
        }
        Sleep(20);
    }
}

// --- Folders and redirection ---------------------------------------------------

std::wstring WindowsFolder() {
    wchar_t folder[MAX_PATH] = L"";
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length);
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH] = L"";
    const DWORD length = GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder, length);
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

RedirectionProbe::RedirectionProbe()
    : name_(L"purgeon-redirection-probe-" + std::to_wstring(GetCurrentProcessId()) + L".txt") {
    const std::wstring path = WindowsFolder() + L"\\SysWOW64\\" + name_;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        ready_ = true;
    }
}

RedirectionProbe::~RedirectionProbe() {
    DeleteFileW((WindowsFolder() + L"\\SysWOW64\\" + name_).c_str());
}

bool RedirectionProbe::RedirectionIsOn() const {
    const std::wstring through_system32 = WindowsFolder() + L"\\System32\\" + name_;
    return GetFileAttributesW(through_system32.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace purgeon::test
