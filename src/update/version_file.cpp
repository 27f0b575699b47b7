#include "update/version_file.h"

#include <algorithm>
#include <limits>

#include "platform/text.h"

namespace purgeon {
namespace {

std::u16string DecodeUtf16(const std::vector<std::uint8_t>& bytes, bool big_endian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const std::uint8_t first = bytes[i], second = bytes[i + 1];
        text.push_back(big_endian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
    }
    return text;
}

std::u16string DecodeFile(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return DecodeUtf16(bytes, false);
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return DecodeUtf16(bytes, true);
    std::size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
    return FromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()) + start,
                                     bytes.size() - start));
}

std::u16string Unquoted(std::u16string value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::u16string ReadIniValue(const std::vector<std::uint8_t>& file_bytes,
                            std::u16string_view section, std::u16string_view key) {
    const std::u16string text = DecodeFile(file_bytes);
    bool in_section = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string::npos) end = text.size();
        const std::u16string line = Trim(std::u16string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        if (line.front() == u'[') {
            // Only the first section of the name counts: once it is left,
            // the key is missing.
            if (in_section) return u"";
            const std::size_t close = line.rfind(u']');
            const std::size_t length = close == std::u16string::npos ? close : close - 1;
            in_section =
                EqualsIgnoreAsciiCase(Trim(std::u16string_view(line).substr(1, length)), section);
            continue;
        }
        if (!in_section) continue;
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string::npos) continue;
        if (!EqualsIgnoreAsciiCase(Trim(std::u16string_view(line).substr(0, equals)), key))
            continue;
        return Unquoted(Trim(std::u16string_view(line).substr(equals + 1)));
    }
    return u"";
}

std::int32_t VersionNumberFromText(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    const NumberPrefix prefix = ReadNumberPrefix(text, i);
    const bool negative = prefix.negative;
    const int base = prefix.base;
    i = prefix.digits;
    // The magnitude stops growing past the range's far end; the digits
    // after that still belong to the number.
    constexpr std::int64_t kCeiling = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) break;
        magnitude = std::min(magnitude * base + digit, kCeiling);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);  // -2^31 at the least
}

}  // namespace purgeon
