#include "cli/json_writer.h"

#include <cstdio>

#include "platform/text.h"

namespace purgeon {

std::string JsonString(std::u16string_view text) {
    const std::string utf8 = ToUtf8(text);
    std::string out;
    out.reserve(utf8.size() + 2);
    out.push_back('"');
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out.push_back(char(c));
                }
        }
    }
    out.push_back('"');
    return out;
}

}  // namespace purgeon
