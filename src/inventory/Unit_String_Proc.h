// Splitting of registry locations, paths and comma lists, and the
// whole-number test. All three splits share one quote-aware rule (see
// SplitQuoteAware): CR and LF end a piece too, quotes protect separators,
// empty pieces are dropped; true when at least one piece came out.
#pragma once

#include "platform/text.h"

namespace purgeon {

inline bool Str_SplitByBar(std::u16string_view text, StringList& out) {
    return SplitQuoteAware(text, u'|', out);
}
inline bool Str_SplitByBackslash(std::u16string_view text, StringList& out) {
    return SplitQuoteAware(text, u'\\', out);
}
inline bool Str_SplitByComma(std::u16string_view text, StringList& out) {
    return SplitQuoteAware(text, u',', out);
}

// True for a trimmed, signed 32-bit whole number: decimal, or hexadecimal
// after "$", "x", "X", "0x" or "0X".
inline bool Str_IsInteger(std::u16string_view text) {
    std::int32_t ignored = 0;
    return ParseInt32(text, ignored);
}

}  // namespace purgeon
