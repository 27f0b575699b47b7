// Shell folders set by the test. A folder never set is one the system cannot
// give: the port answers an empty path for it.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/shell_folders.h"

namespace purgeon {

class MemoryShellFolders : public ShellFoldersPort {
  public:
    void SetSystemDirectory(std::u16string path);
    void SetSpecialFolder(int csidl, std::u16string path);

    std::u16string SystemDirectory() override;
    std::u16string SpecialFolder(int csidl) override;

  private:
    std::mutex mutex_;
    std::u16string system_directory_;
    std::map<int, std::u16string> special_folders_;
};

}  // namespace purgeon
