// Facts about the running program's own executable file.
#pragma once

#include <string>

#include "platform/win32/own_executable.h"
#include "ui/Form_Main.h"

namespace purgeon {

// The fixed file version (VS_FIXEDFILEINFO) of the file at `path`. False when
// the file has no version resource; `version` is then not touched.
bool ReadFileVersion(const std::u16string& path, FileVersion* version);

}  // namespace purgeon
