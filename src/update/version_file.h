// Reading the downloaded version file, "Update.dat": an INI text whose
// section "CUR_VERSION" holds the newest published version as "Ver1" ...
// "Ver4". The file comes from the network and is untrusted: any bytes, any
// length, give some answer and never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace purgeon {

// The value of `key` in `section` of an INI file's bytes, as
// GetPrivateProfileStringW reads it with an empty default: section and key
// names compared ignoring ASCII case, the first section of that name and its
// first line of that key; names and value trimmed; one pair of matching
// quotes around the value removed. Lines before the first section belong to
// none. The bytes are UTF-16LE or UTF-16BE after their byte-order mark,
// otherwise UTF-8 (with or without its mark); ASCII reads the same in every
// 8-bit code page. Empty when the section or key is missing.
std::u16string ReadIniValue(const std::vector<std::uint8_t>& file_bytes,
                            std::u16string_view section, std::u16string_view key);

// A version number as the file writes it, converted to a signed 32-bit
// number: leading blanks (space, tab) skipped, an optional "+" or "-", then
// decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X".
// The conversion stops at the first character that does not belong, and the
// number read up to there counts ("21beta" is 21); no digits at all give 0.
// A number beyond the 32-bit range counts as the nearest end of the range.
std::int32_t VersionNumberFromText(std::u16string_view text);

}  // namespace purgeon
