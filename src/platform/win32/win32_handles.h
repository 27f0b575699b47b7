// Move-only owners of the Win32 handles and GDI objects Purgeon uses. Each
// closes what it holds exactly once, on scope exit or Reset, and never
// closes an invalid value. Receive() hands the address of the (emptied)
// handle to an API that fills it; on that API's failure the owner stays
// empty. Release() gives the handle up without closing it.
#pragma once

#include <windows.h>

namespace purgeon {

template <typename Traits>
class ScopedWin32 {
  public:
    using Handle = typename Traits::Handle;

    ScopedWin32() = default;
    explicit ScopedWin32(Handle handle) : handle_(handle) {}
    ~ScopedWin32() { Reset(); }
    ScopedWin32(ScopedWin32&& other) noexcept : handle_(other.Release()) {}
    ScopedWin32& operator=(ScopedWin32&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ScopedWin32(const ScopedWin32&) = delete;
    ScopedWin32& operator=(const ScopedWin32&) = delete;

    bool Valid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return Valid(); }
    Handle Get() const { return handle_; }

    // Closes the held handle (if valid and not `handle` itself) and takes `handle`.
    void Reset(Handle handle = Traits::Invalid()) {
        if (Traits::IsValid(handle_) && handle_ != handle) Traits::Close(handle_);
        handle_ = handle;
    }
    Handle Release() {
        Handle handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }
    Handle* Receive() {
        Reset();
        return &handle_;
    }

  private:
    Handle handle_ = Traits::Invalid();
};

namespace win32_traits {

// Kernel objects: files, processes, threads, snapshots, mutexes. Both null
// and INVALID_HANDLE_VALUE mean "none" (CreateFile returns the one,
// OpenProcess the other).
struct Kernel {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

struct Find {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};

struct Icon {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};

// Bitmaps, fonts, brushes, pens, regions.
template <typename T>
struct GdiObject {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

// A DC made with CreateCompatibleDC or CreateDC.
struct MemoryDc {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};

struct Menu {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};

}  // namespace win32_traits

using ScopedHandle = ScopedWin32<win32_traits::Kernel>;
using ScopedFile = ScopedHandle;  // CreateFileW's handle
using ScopedFind = ScopedWin32<win32_traits::Find>;
using ScopedIcon = ScopedWin32<win32_traits::Icon>;
using ScopedBitmap = ScopedWin32<win32_traits::GdiObject<HBITMAP>>;
using ScopedFont = ScopedWin32<win32_traits::GdiObject<HFONT>>;
using ScopedBrush = ScopedWin32<win32_traits::GdiObject<HBRUSH>>;
using ScopedPen = ScopedWin32<win32_traits::GdiObject<HPEN>>;
using ScopedMemoryDc = ScopedWin32<win32_traits::MemoryDc>;
using ScopedMenu = ScopedWin32<win32_traits::Menu>;

// GetDC / ReleaseDC for a window (null: the screen).
class ScopedWindowDc {
  public:
    explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC for one scope and puts the old one back.
class ScopedSelectObject {
  public:
    ScopedSelectObject(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelectObject() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
    // False when the object could not be selected.
    bool Selected() const { return old_ != nullptr && old_ != HGDI_ERROR; }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// Switches WOW64 file-system redirection off on the calling thread for one
// scope and back on when it ends, on every path. `wow64` false (a 64-bit or
// a 32-bit Windows) does nothing; the switch functions are passed in because
// they are looked up at run time where they may not exist.
class ScopedWow64RedirectionOff {
  public:
    using DisableFn = bool (*)(PVOID* saved);
    using RevertFn = bool (*)(PVOID saved);
    ScopedWow64RedirectionOff(bool wow64, DisableFn disable, RevertFn revert)
        : revert_(revert), off_(wow64 && disable(&saved_)) {}
    ~ScopedWow64RedirectionOff() {
        if (off_) revert_(saved_);
    }
    ScopedWow64RedirectionOff(const ScopedWow64RedirectionOff&) = delete;
    ScopedWow64RedirectionOff& operator=(const ScopedWow64RedirectionOff&) = delete;
    bool off() const { return off_; }

  private:
    PVOID saved_ = nullptr;
    RevertFn revert_;
    bool off_;
};

}  // namespace purgeon
