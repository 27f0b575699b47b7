// Facts about the running program's own executable file.
#pragma once

#include <string>

#include "ui/Form_Main.h"

namespace purgeon {

// Full path of the running executable, of any length.
std::u16string OwnExecutablePath();

// The fixed file version (VS_FIXEDFILEINFO) of the file at `path`. False when
// the file has no version resource; `version` is then not touched.
bool ReadFileVersion(const std::u16string& path, FileVersion* version);

}  // namespace purgeon
