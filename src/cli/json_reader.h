// A small, strict JSON reader for what Purgeon reads back of its own files
// (an undo set's record). Whatever the text holds it never throws and never
// recurses deeper than kMaxJsonDepth: input that is not well-formed JSON is
// refused whole.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace purgeon {

constexpr int kMaxJsonDepth = 32;

struct JsonValue {
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
    Kind kind = Kind::kNull;
    bool boolean = false;
    double number = 0;
    std::u16string text;  // a string's value, UTF-16
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;  // by name (UTF-8); a repeated name is refused

    // The member of an object, or nullptr (also when this is no object or
    // the member is of another kind).
    const JsonValue* Get(const std::string& name, Kind kind) const;
    // Shorthands with a fallback for a missing member of another kind.
    std::u16string String(const std::string& name) const;
    bool Bool(const std::string& name, bool fallback) const;
    // A whole number in [0, 2^53]; false when missing or not such a number.
    bool Count(const std::string& name, std::uint64_t* value) const;
};

// False, with `out` unspecified, unless `text` is one JSON value (blanks
// around it allowed).
bool ParseJson(std::string_view text, JsonValue* out);

}  // namespace purgeon
