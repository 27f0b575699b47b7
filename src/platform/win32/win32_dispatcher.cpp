#include "platform/win32/win32_dispatcher.h"

#include <windows.h>

#include <exception>

namespace purgeon {

namespace {

// Private to the dispatcher's own window, so any number above WM_APP will do.
constexpr UINT kRunWorkMessage = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"PurgeonDispatcher";

// Lives on the sender's stack for the duration of SendMessageW.
struct WorkCall {
    const std::function<void()>* work = nullptr;
    std::exception_ptr error;
};

LRESULT CALLBACK DispatcherWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != kRunWorkMessage) return DefWindowProcW(window, message, wparam, lparam);
    auto* call = reinterpret_cast<WorkCall*>(lparam);
    try {
        (*call->work)();
    } catch (...) {
        call->error = std::current_exception();
    }
    return 0;
}

// The module this code is linked into (the class belongs to it).
HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&DispatcherWindowProc), &module);
    return module;
}

}  // namespace

Win32Dispatcher::Win32Dispatcher() : thread_id_(GetCurrentThreadId()) {
    const HINSTANCE instance = ThisModule();
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &DispatcherWindowProc;
    window_class.hInstance = instance;
    window_class.lpszClassName = kWindowClass;
    // A second dispatcher finds the class registered already.
    RegisterClassExW(&window_class);
    const HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        instance, nullptr);
    window_ = reinterpret_cast<WindowId>(window);
}

Win32Dispatcher::~Win32Dispatcher() {
    if (window_ != 0) DestroyWindow(reinterpret_cast<HWND>(window_));
}

void Win32Dispatcher::Send(const std::function<void()>& work) {
    if (GetCurrentThreadId() == thread_id_) {
        work();
        return;
    }
    if (window_ == 0) return;
    WorkCall call;
    call.work = &work;
    SendMessageW(reinterpret_cast<HWND>(window_), kRunWorkMessage, 0,
                 reinterpret_cast<LPARAM>(&call));
    if (call.error) std::rethrow_exception(call.error);
}

bool Win32Dispatcher::Post(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) {
    return PostMessageW(reinterpret_cast<HWND>(window), message, wparam, lparam) != FALSE;
}

}  // namespace purgeon
