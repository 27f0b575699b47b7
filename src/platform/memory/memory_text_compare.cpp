#include "platform/memory/memory_text_compare.h"

namespace purgeon {

char16_t MemoryTextCompare::Fold(char16_t c) {
    if (c >= u'A' && c <= u'Z') return char16_t(c + 32);
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return char16_t(c + 32);  // Latin-1
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A pairs upper/lower, except for a run that starts odd.
        const bool odd_run = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_run) return (c % 2 == 1) ? char16_t(c + 1) : c;
        return (c % 2 == 0) ? char16_t(c + 1) : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return char16_t(c + 32);  // Greek
    if (c >= 0x410 && c <= 0x42F) return char16_t(c + 32);                // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
    return c;
}

bool MemoryTextCompare::EqualIgnoringCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

}  // namespace purgeon
