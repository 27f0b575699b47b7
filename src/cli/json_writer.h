// A minimal JSON writer for the console front end's machine-readable output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace purgeon {

// `text` as a JSON string literal in UTF-8, quotes included. Control
// characters are escaped; unpaired surrogates become U+FFFD.
std::string JsonString(std::u16string_view text);

}  // namespace purgeon
