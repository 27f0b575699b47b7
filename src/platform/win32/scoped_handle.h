// Closes a file (or other kernel object) handle on scope exit.
#pragma once

#include <windows.h>

namespace purgeon {

class ScopedFile {
  public:
    explicit ScopedFile(HANDLE handle) : handle_(handle) {}
    ~ScopedFile() {
        if (Valid()) CloseHandle(handle_);
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

}  // namespace purgeon
