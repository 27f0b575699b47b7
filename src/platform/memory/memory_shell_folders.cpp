#include "platform/memory/memory_shell_folders.h"

#include <utility>

namespace purgeon {

void MemoryShellFolders::SetSystemDirectory(std::u16string path) {
    std::lock_guard lock(mutex_);
    system_directory_ = std::move(path);
}

void MemoryShellFolders::SetSpecialFolder(int csidl, std::u16string path) {
    std::lock_guard lock(mutex_);
    special_folders_[csidl] = std::move(path);
}

std::u16string MemoryShellFolders::SystemDirectory() {
    std::lock_guard lock(mutex_);
    return system_directory_;
}

std::u16string MemoryShellFolders::SpecialFolder(int csidl) {
    std::lock_guard lock(mutex_);
    auto it = special_folders_.find(csidl);
    return it == special_folders_.end() ? std::u16string() : it->second;
}

}  // namespace purgeon
