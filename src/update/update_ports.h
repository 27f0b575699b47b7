// The update check's own ports: the download of the version file, and the
// running program's own file version. The Win32 adapters call
// URLDownloadToFileW and read the executable's version resource; the tests
// script both.
#pragma once

#include <cstdint>
#include <string>

#include "ui/Form_Main.h"  // FileVersion

namespace purgeon {

constexpr std::int32_t kSOk = 0;  // HRESULT S_OK

class DownloadPort {
  public:
    virtual ~DownloadPort() = default;
    // URLDownloadToFileW(no caller object, url, file_path, 0, no callback):
    // the HRESULT as Windows gives it; kSOk when the file was downloaded.
    // An existing file at `file_path` is overwritten.
    virtual std::int32_t DownloadToFile(const std::u16string& url,
                                        const std::u16string& file_path) = 0;
};

class OwnVersionPort {
  public:
    virtual ~OwnVersionPort() = default;
    // The fixed file version of the running executable's version resource.
    // False when it cannot be read; `version` is then not touched.
    virtual bool ReadOwnFileVersion(FileVersion* version) = 0;
};

}  // namespace purgeon
