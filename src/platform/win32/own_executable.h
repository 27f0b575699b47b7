// The running program's own executable file.
#pragma once

#include <string>

namespace purgeon {

// Full path of the running executable, of any length; empty on failure.
std::u16string OwnExecutablePath();

}  // namespace purgeon
