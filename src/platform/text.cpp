#include "platform/text.h"

#include <algorithm>
#include <limits>

namespace purgeon {

std::u16string AsciiUpper(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = AsciiUpper(c);
    return out;
}

std::u16string AsciiLower(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = AsciiLower(c);
    return out;
}

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

size_t FindIgnoreAsciiCase(std::u16string_view haystack, std::u16string_view needle) {
    if (needle.empty() || needle.size() > haystack.size()) return std::u16string_view::npos;
    auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                          [](char16_t x, char16_t y) { return AsciiUpper(x) == AsciiUpper(y); });
    return it == haystack.end() ? std::u16string_view::npos : size_t(it - haystack.begin());
}

bool ContainsIgnoreAsciiCase(std::u16string_view haystack, std::u16string_view needle) {
    return FindIgnoreAsciiCase(haystack, needle) != std::u16string_view::npos;
}

bool Contains(std::u16string_view haystack, std::u16string_view needle) {
    return !needle.empty() && haystack.find(needle) != std::u16string_view::npos;
}

std::u16string Trim(std::u16string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && text[begin] <= 32) ++begin;
    while (end > begin && text[end - 1] <= 32) --end;
    return std::u16string(text.substr(begin, end - begin));
}

std::u16string_view PathFolder(std::u16string_view path) {
    const size_t last = path.find_last_of(u"\\/:");
    return last == std::u16string_view::npos ? std::u16string_view() : path.substr(0, last + 1);
}

std::u16string_view PathFileName(std::u16string_view path) {
    return path.substr(PathFolder(path).size());
}

std::u16string WithTrailingBackslash(std::u16string_view path) {
    std::u16string out(path);
    if (out.empty() || out.back() != u'\\') out.push_back(u'\\');
    return out;
}

bool SplitQuoteAware(std::u16string_view text, char16_t separator, StringList& out) {
    out.clear();
    const size_t end = std::min(text.find(u'\0'), text.size());
    size_t pos = 0;
    while (pos < end) {
        while (pos < end && (text[pos] == u'\r' || text[pos] == u'\n')) ++pos;
        const size_t head = pos;
        char16_t quote = 0;
        while (pos < end) {
            const char16_t c = text[pos];
            if (quote != 0) {
                if (c == quote) quote = 0;
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == separator || c == u'\r' || c == u'\n') {
                break;
            }
            ++pos;
        }
        if (pos > head) out.emplace_back(text.substr(head, pos - head));
        ++pos;  // past the separator
    }
    return !out.empty();
}

NumberPrefix ReadNumberPrefix(std::u16string_view text, std::size_t at) {
    NumberPrefix prefix;
    std::size_t i = at;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        prefix.negative = text[i++] == u'-';
    if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        prefix.base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        prefix.base = 16;
        i += 2;
    }
    prefix.digits = i;
    return prefix;
}

int DigitValue(char16_t c, int base) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (base == 16 && AsciiUpper(c) >= u'A' && AsciiUpper(c) <= u'F')
        return AsciiUpper(c) - u'A' + 10;
    return -1;
}

bool ParseInt32(std::u16string_view raw, int32_t& value) {
    const std::u16string text = Trim(raw);
    const NumberPrefix prefix = ReadNumberPrefix(text, 0);
    const bool negative = prefix.negative;
    const int base = prefix.base;
    size_t i = prefix.digits;
    if (i >= text.size()) return false;
    const uint64_t limit = negative ? uint64_t(1) << 31 : (uint64_t(1) << 31) - 1;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit) return false;
    }
    value = negative ? int32_t(-int64_t(magnitude)) : int32_t(magnitude);
    return true;
}

std::u16string FromUtf8(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    size_t i = 0;
    while (i < in.size()) {
        const unsigned char b = in[i];
        char32_t cp;
        size_t extra;
        if (b < 0x80) {
            cp = b;
            extra = 0;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            extra = 3;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool ok = true;
        for (size_t k = 1; k <= extra; ++k) {
            if (i + k >= in.size() || (static_cast<unsigned char>(in[i + k]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(in[i + k]) & 0x3F);
        }
        if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace purgeon
