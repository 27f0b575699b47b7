// Text helpers shared by the whole core. Strings are UTF-16 (std::u16string)
// because Windows' are, and sorting is by UTF-16 code unit. Case folding
// touches only the ASCII letters A-Z/a-z; trimming removes code units <= 32.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace purgeon {

using StringList = std::vector<std::u16string>;

constexpr char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? c - 32 : c;
}
constexpr char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}

std::u16string AsciiUpper(std::u16string_view text);
std::u16string AsciiLower(std::u16string_view text);

// Both sides folded to ASCII upper case, then compared exactly.
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

// Position of needle in haystack ignoring ASCII case; npos when absent or
// when the needle is empty (an empty text is never contained).
size_t FindIgnoreAsciiCase(std::u16string_view haystack, std::u16string_view needle);
bool ContainsIgnoreAsciiCase(std::u16string_view haystack, std::u16string_view needle);

// Plain substring test; an empty needle is never contained.
bool Contains(std::u16string_view haystack, std::u16string_view needle);

// Removes leading and trailing code units <= 32.
std::u16string Trim(std::u16string_view text);

// `path` with a backslash appended unless it already ends in one.
std::u16string WithTrailingBackslash(std::u16string_view path);

// The folder of a path: everything up to and including its last "\", "/" or
// ":"; empty when it has none. PathFileName is the rest.
std::u16string_view PathFolder(std::u16string_view path);
std::u16string_view PathFileName(std::u16string_view path);

// Splits at `separator`, carriage return and line feed. A single or double
// quote opens a stretch that runs to the next same quote (or the end) in
// which nothing splits; the quotes stay in the piece. Empty pieces are
// dropped and a NUL ends the text. Empties `out` first; true when at least
// one piece was produced.
bool SplitQuoteAware(std::u16string_view text, char16_t separator, StringList& out);

// How a whole number's text begins at `at`: an optional sign, then "$", "x",
// "X", "0x" or "0X" for hexadecimal. `digits` is where the digits start.
struct NumberPrefix {
    std::size_t digits = 0;
    bool negative = false;
    int base = 10;
};
NumberPrefix ReadNumberPrefix(std::u16string_view text, std::size_t at);

// The value of `c` as a digit of `base` (10 or 16), or -1.
int DigitValue(char16_t c, int base);

// Whole number in the signed 32-bit range after trimming: optional sign,
// then decimal digits, or hexadecimal digits after "$", "x", "X", "0x", "0X".
// `value` is untouched when the text is not such a number.
bool ParseInt32(std::u16string_view text, int32_t& value);

// UTF-8 <-> UTF-16; invalid input becomes U+FFFD, never an error.
std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);

}  // namespace purgeon
