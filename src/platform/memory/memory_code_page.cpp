#include "platform/memory/memory_code_page.h"

namespace purgeon {

namespace {

// Bytes 0x80-0x9F of Windows-1252; 0 marks the five unassigned ones.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

std::string MemoryCodePage::ToAnsi(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(char(c));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHigh[i] != 0 && kHigh[i] == c) mapped = char(0x80 + i);
        }
        out.push_back(mapped);
    }
    return out;
}

std::u16string MemoryCodePage::FromAnsi(const std::string& bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) {
        if (b >= 0x80 && b < 0xA0)
            out.push_back(kHigh[b - 0x80] ? kHigh[b - 0x80] : char16_t(b));
        else
            out.push_back(b);
    }
    return out;
}

}  // namespace purgeon
