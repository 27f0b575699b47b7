// purgeon.exe as a real process under Windows (or Wine): one instance, the
// borderless centred main window, the load-time imports from Hostkit.dll and
// the resources the program carries.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/dib.h"
#include "platform/win32/wide.h"
#include "ui/win32/program_file.h"
#include "window_test_support.h"

namespace purgeon {
namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 10000;

std::wstring BesideThisTest(const wchar_t* file_name) {
    std::wstring path = Wide(OwnExecutablePath());
    return path.substr(0, path.find_last_of(L'\\') + 1) + file_name;
}

// Windows created per hook: each hook watches one process (out of context,
// so its events arrive at this thread while it pumps messages). Counted by
// hook rather than by the window's owner, which a window already destroyed
// no longer reports.
std::map<HWINEVENTHOOK, int> g_windows_created;

void CALLBACK OnObjectCreate(HWINEVENTHOOK hook, DWORD, HWND hwnd, LONG object, LONG child, DWORD,
                             DWORD) {
    if (object == OBJID_WINDOW && child == CHILDID_SELF && hwnd != nullptr) {
        ++g_windows_created[hook];
    }
}

// Waits for `handle` while serving this thread's messages; true when signalled.
bool WaitPumping(HANDLE handle, DWORD timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        const DWORD result = MsgWaitForMultipleObjects(
            1, &handle, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        Pump();
    }
}

// A purgeon.exe process started suspended, watched by a window-creation hook,
// then resumed. Ended on destruction if a failed test left it running.
class PurgeonProcess {
  public:
    PurgeonProcess() {
        std::wstring exe = BesideThisTest(L"purgeon.exe");
        std::wstring command_line = L"\"" + exe + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                            CREATE_SUSPENDED, nullptr, nullptr, &startup, &info_)) {
            info_ = {};
            return;
        }
        hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &OnObjectCreate,
                                info_.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
        ResumeThread(info_.hThread);
    }
    ~PurgeonProcess() {
        if (hook_) UnhookWinEvent(hook_);
        if (info_.hProcess) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 1);
                WaitForSingleObject(info_.hProcess, kExitTimeoutMs);
            }
            CloseHandle(info_.hThread);
            CloseHandle(info_.hProcess);
        }
    }
    PurgeonProcess(const PurgeonProcess&) = delete;
    PurgeonProcess& operator=(const PurgeonProcess&) = delete;

    bool started() const { return info_.hProcess != nullptr; }
    bool hooked() const { return hook_ != nullptr; }
    DWORD pid() const { return info_.dwProcessId; }
    bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    int WindowsCreated() const {
        auto it = g_windows_created.find(hook_);
        return it == g_windows_created.end() ? 0 : it->second;
    }

    // The exit code once the process ends within the timeout; -1 otherwise.
    long WaitForExit(DWORD timeout_ms) const {
        if (!WaitPumping(info_.hProcess, timeout_ms)) return -1;
        Pump();  // hook events still queued
        DWORD code = 0;
        return GetExitCodeProcess(info_.hProcess, &code) ? static_cast<long>(code) : -1;
    }

    // Polls for the process's visible top-level window captioned "Purgeon".
    HWND WaitForMainWindow(DWORD timeout_ms) const {
        const ULONGLONG deadline = GetTickCount64() + timeout_ms;
        do {
            HWND found = FindMainWindow();
            if (found) return found;
            if (!Running()) return nullptr;
            WaitPumping(GetCurrentProcess(), 50);  // never signalled: a 50 ms pumping pause
        } while (GetTickCount64() < deadline);
        return nullptr;
    }

    // The program's other windows bear its caption too (the splash among
    // them): the main window is told by its class.
    HWND FindMainWindow() const { return FindTopWindow(pid(), L"TFrm_Main_PG", L"Purgeon"); }

  private:
    PROCESS_INFORMATION info_{};
    HWINEVENTHOOK hook_ = nullptr;
};

// The screen's pixels under a window rectangle, read back through GDI.
class ScreenCapture {
  public:
    explicit ScreenCapture(const RECT& area)
        : width_(area.right - area.left), height_(area.bottom - area.top) {
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO bmi = DibInfo(width_, -height_);  // top-down rows
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            if (BitBlt(memory, 0, 0, width_, height_, screen, area.left, area.top, SRCCOPY)) {
                GdiFlush();
                const auto* first = static_cast<const std::uint32_t*>(bits);
                pixels_.assign(first, first + static_cast<size_t>(width_) * height_);
            }
            SelectObject(memory, old);
            DeleteObject(bitmap);
        }
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

    bool ok() const { return !pixels_.empty(); }
    COLORREF At(int x, int y) const {
        const std::uint32_t bgrx = pixels_[static_cast<size_t>(y) * width_ + x];
        return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
    }
    // Pixels in [left,right) x [top,bottom) whose colour is not `background`.
    int CountOtherThan(COLORREF background, int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) count += At(x, y) != background;
        }
        return count;
    }

  private:
    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};

TEST(Startup, OneInstanceShowsTheCentredMainWindowAndASecondEndsSilently) {
    PurgeonProcess first;
    ASSERT_TRUE(first.started()) << "CreateProcessW failed: " << GetLastError();
    ASSERT_TRUE(first.hooked());
    HWND window = first.WaitForMainWindow(kStartTimeoutMs);
    ASSERT_NE(window, nullptr) << "no visible top-level window \"Purgeon\" of the first instance";
    Pump();
    // The probe that proves the second instance silent must see this one's windows.
    EXPECT_GT(first.WindowsCreated(), 0);

    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right - client.left, 738);
    EXPECT_EQ(client.bottom - client.top, 560);

    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG ex_style = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
    EXPECT_TRUE(ex_style & WS_EX_APPWINDOW);

    RECT frame{};
    ASSERT_TRUE(GetWindowRect(window, &frame));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& screen = monitor.rcMonitor;
    const int left_gap = frame.left - screen.left, right_gap = screen.right - frame.right;
    const int top_gap = frame.top - screen.top, bottom_gap = screen.bottom - frame.bottom;
    EXPECT_LE(std::abs(left_gap - right_gap), 1) << "left " << left_gap << " right " << right_gap;
    EXPECT_LE(std::abs(top_gap - bottom_gap), 1) << "top " << top_gap << " bottom " << bottom_gap;

    // What reached the screen: the dark title bar and status bar with light
    // text in them (caption, version label) and the page area between.
    // The window may be visible a moment before its first paint arrives.
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const RECT area{origin.x, origin.y, origin.x + 738, origin.y + 560};
    const COLORREF dark = RGB(61, 61, 61);
    ScreenCapture shot(area);
    auto painted = [&] {
        return shot.ok() && shot.At(2, 2) == dark && shot.At(369, 320) == RGB(255, 255, 255);
    };
    for (int tries = 0; tries < 100 && !painted(); ++tries) {
        WaitPumping(GetCurrentProcess(), 50);
        shot = ScreenCapture(area);
    }
    ASSERT_TRUE(shot.ok());
    EXPECT_EQ(shot.At(2, 2), dark);
    EXPECT_EQ(shot.At(735, 29), dark);
    EXPECT_EQ(shot.At(2, 557), dark);
    EXPECT_EQ(shot.At(369, 320), RGB(255, 255, 255));
    EXPECT_GT(shot.CountOtherThan(dark, 0, 0, 120, 32), 20) << "no caption text";
    EXPECT_GT(shot.CountOtherThan(dark, 600, 542, 738, 560), 20) << "no version label";
    // (The status bar's top row is its edge line.)
    EXPECT_EQ(shot.CountOtherThan(dark, 0, 543, 500, 560), 0) << "version label not right-aligned";

    {
        PurgeonProcess second;
        ASSERT_TRUE(second.started()) << "CreateProcessW failed: " << GetLastError();
        EXPECT_EQ(second.WaitForExit(kExitTimeoutMs), 0);
        EXPECT_EQ(second.WindowsCreated(), 0);
    }

    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(first.FindMainWindow(), window);

    ASSERT_TRUE(PostMessageW(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(first.WaitForExit(kExitTimeoutMs), 0);
    EXPECT_FALSE(IsWindow(window));
}

std::vector<char> ReadWholeFile(const std::wstring& path) {
    std::vector<char> data;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return data;
    LARGE_INTEGER size{};
    DWORD read = 0;
    if (GetFileSizeEx(file, &size) && size.QuadPart < (64 << 20)) {
        data.resize(static_cast<size_t>(size.QuadPart));
        if (!ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr)) read = 0;
        data.resize(read);
    }
    CloseHandle(file);
    return data;
}

// The names a PE image of this build's kind (PE32, or PE32+ in the 64-bit
// test build) imports from `dll`, read from the file on disk; an import by
// ordinal shows as "#n".
std::set<std::string> ImportedNames(const std::wstring& image_path, const char* dll) {
    const std::vector<char> image = ReadWholeFile(image_path);
    std::set<std::string> names;
    auto in_image = [&](size_t offset, size_t size) { return offset + size <= image.size(); };
    if (!in_image(0, sizeof(IMAGE_DOS_HEADER))) return names;
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof(dos));
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || !in_image(dos.e_lfanew, sizeof(IMAGE_NT_HEADERS))) {
        return names;
    }
    IMAGE_NT_HEADERS nt;
    std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof(nt));
    if (nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) {
        return names;
    }
    const size_t sections_at = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS, OptionalHeader) +
                               nt.FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
    if (!in_image(sections_at, sections.size() * sizeof(IMAGE_SECTION_HEADER))) return names;
    std::memcpy(sections.data(), image.data() + sections_at,
                sections.size() * sizeof(IMAGE_SECTION_HEADER));
    // File offset of a relative virtual address; 0 when no section holds it.
    auto offset_of = [&](DWORD rva) -> size_t {
        for (const IMAGE_SECTION_HEADER& s : sections) {
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData) {
                return rva - s.VirtualAddress + s.PointerToRawData;
            }
        }
        return 0;
    };
    auto string_at = [&](size_t offset) {
        std::string text;
        while (offset != 0 && offset < image.size() && image[offset] != '\0')
            text += image[offset++];
        return text;
    };

    size_t descriptor_at =
        offset_of(nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; descriptor_at != 0 && in_image(descriptor_at, sizeof(IMAGE_IMPORT_DESCRIPTOR));
         descriptor_at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        std::memcpy(&descriptor, image.data() + descriptor_at, sizeof(descriptor));
        if (descriptor.Name == 0) break;
        if (_stricmp(string_at(offset_of(descriptor.Name)).c_str(), dll) != 0) continue;
        const DWORD thunks =
            descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
        // IMAGE_THUNK_DATA: 4 bytes in PE32, 8 in PE32+.
        for (size_t at = offset_of(thunks); at != 0 && in_image(at, sizeof(ULONG_PTR));
             at += sizeof(ULONG_PTR)) {
            ULONG_PTR thunk;
            std::memcpy(&thunk, image.data() + at, sizeof(thunk));
            if (thunk == 0) break;
            if (thunk & IMAGE_ORDINAL_FLAG) {
                names.insert("#" + std::to_string(thunk & 0xFFFF));
            } else {
                names.insert(string_at(offset_of(DWORD(thunk)) + 2));  // past the hint
            }
        }
    }
    return names;
}

TEST(Startup, ImportsTheFiveHostkitExportsByName) {
    const std::set<std::string> expected = {"Dll_Is64BitOs", "Dll_GetSamDesiredx6432",
                                            "Dll_EnableWow64FsRedirection",
                                            "Dll_Common_RegDeleteKey", "InitDll_Hostkit"};
    EXPECT_EQ(ImportedNames(BesideThisTest(L"purgeon.exe"), "Hostkit.dll"), expected);
}

TEST(Startup, CarriesItsVersionAndManifest) {
    const std::u16string exe = FromWide(BesideThisTest(L"purgeon.exe").c_str());
    FileVersion version{9, 9, 9, 9};
    ASSERT_TRUE(ReadFileVersion(exe, &version));
    const std::string text = std::to_string(version.major) + "." + std::to_string(version.minor) +
                             "." + std::to_string(version.release) + "." +
                             std::to_string(version.build);
    EXPECT_EQ(text, PURGEON_VERSION_TEXT);

    // A file without a version resource (this test program) leaves it alone.
    FileVersion untouched{9, 9, 9, 9};
    EXPECT_FALSE(ReadFileVersion(OwnExecutablePath(), &untouched));
    EXPECT_EQ(untouched.major, 9);
    EXPECT_EQ(untouched.build, 9);

    HMODULE module = LoadLibraryExW(Wide(exe), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(resource, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    const std::string manifest(data, SizeofResource(module, resource));
    FreeLibrary(module);
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
}

}  // namespace
}  // namespace purgeon
