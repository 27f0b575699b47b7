// Download port over URLDownloadToFileW. urlmon.dll is loaded from the
// system folder on the first download, not at start-up: the program needs
// it only when the user asks for the update check, and a DLL of that name
// in the program's folder is never the one loaded.
#pragma once

#include "update/update_ports.h"

namespace purgeon {

class Win32Download : public DownloadPort {
  public:
    // The calling thread gets COM for the call when it has none; E_FAIL
    // (0x80004005) when urlmon.dll cannot be loaded.
    std::int32_t DownloadToFile(const std::u16string& url,
                                const std::u16string& file_path) override;
};

}  // namespace purgeon
