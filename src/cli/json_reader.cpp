#include "cli/json_reader.h"

#include <cmath>
#include <cstdlib>

#include "platform/text.h"

namespace purgeon {

namespace {

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Document(JsonValue* out) {
        Blanks();
        if (!Value(out, 0)) return false;
        Blanks();
        return at_ == text_.size();
    }

  private:
    void Blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    bool Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool Value(JsonValue* out, int depth) {
        if (depth > kMaxJsonDepth || at_ >= text_.size()) return false;
        switch (text_[at_]) {
            case '{':
                return Object(out, depth);
            case '[':
                return Array(out, depth);
            case '"':
                out->kind = JsonValue::Kind::kString;
                return String(&out->text);
            case 't':
                out->kind = JsonValue::Kind::kBool;
                out->boolean = true;
                return Literal("true");
            case 'f':
                out->kind = JsonValue::Kind::kBool;
                out->boolean = false;
                return Literal("false");
            case 'n':
                out->kind = JsonValue::Kind::kNull;
                return Literal("null");
            default:
                return Number(out);
        }
    }

    bool Object(JsonValue* out, int depth) {
        out->kind = JsonValue::Kind::kObject;
        ++at_;
        Blanks();
        if (at_ < text_.size() && text_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            Blanks();
            std::u16string name;
            if (at_ >= text_.size() || text_[at_] != '"' || !String(&name)) return false;
            Blanks();
            if (at_ >= text_.size() || text_[at_] != ':') return false;
            ++at_;
            Blanks();
            JsonValue member;
            if (!Value(&member, depth + 1)) return false;
            if (!out->members.emplace(ToUtf8(name), std::move(member)).second) return false;
            Blanks();
            if (at_ >= text_.size()) return false;
            if (text_[at_] == '}') {
                ++at_;
                return true;
            }
            if (text_[at_++] != ',') return false;
        }
    }

    bool Array(JsonValue* out, int depth) {
        out->kind = JsonValue::Kind::kArray;
        ++at_;
        Blanks();
        if (at_ < text_.size() && text_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            Blanks();
            out->items.emplace_back();
            if (!Value(&out->items.back(), depth + 1)) return false;
            Blanks();
            if (at_ >= text_.size()) return false;
            if (text_[at_] == ']') {
                ++at_;
                return true;
            }
            if (text_[at_++] != ',') return false;
        }
    }

    bool Hex4(std::uint32_t* unit) {
        if (at_ + 4 > text_.size()) return false;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = DigitValue(char16_t(text_[at_ + i]), 16);
            if (digit < 0) return false;
            value = value * 16 + std::uint32_t(digit);
        }
        at_ += 4;
        *unit = value;
        return true;
    }

    // A string's UTF-8 bytes go through as they are; escapes become UTF-16
    // units (a \u pair stays a pair, a lone surrogate stays as written).
    bool String(std::u16string* out) {
        ++at_;
        std::string run;  // UTF-8 between escapes
        for (;;) {
            if (at_ >= text_.size()) return false;
            const char c = text_[at_++];
            if (c == '"') break;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                run.push_back(c);
                continue;
            }
            if (at_ >= text_.size()) return false;
            *out += FromUtf8(run);
            run.clear();
            const char escape = text_[at_++];
            switch (escape) {
                case '"':
                case '\\':
                case '/':
                    out->push_back(char16_t(escape));
                    break;
                case 'b':
                    out->push_back(u'\b');
                    break;
                case 'f':
                    out->push_back(u'\f');
                    break;
                case 'n':
                    out->push_back(u'\n');
                    break;
                case 'r':
                    out->push_back(u'\r');
                    break;
                case 't':
                    out->push_back(u'\t');
                    break;
                case 'u': {
                    std::uint32_t unit = 0;
                    if (!Hex4(&unit)) return false;
                    out->push_back(char16_t(unit));
                    break;
                }
                default:
                    return false;
            }
        }
        *out += FromUtf8(run);
        return true;
    }

    bool Number(JsonValue* out) {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        auto digits = [this] {
            const std::size_t from = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
            return at_ > from;
        };
        if (!digits()) return false;
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            if (!digits()) return false;
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            if (!digits()) return false;
        }
        const std::string number(text_.substr(start, at_ - start));
        out->kind = JsonValue::Kind::kNumber;
        out->number = std::strtod(number.c_str(), nullptr);
        return std::isfinite(out->number);
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Get(const std::string& name, Kind wanted) const {
    if (kind != Kind::kObject) return nullptr;
    auto found = members.find(name);
    if (found == members.end() || found->second.kind != wanted) return nullptr;
    return &found->second;
}

std::u16string JsonValue::String(const std::string& name) const {
    const JsonValue* value = Get(name, Kind::kString);
    return value ? value->text : std::u16string();
}

bool JsonValue::Bool(const std::string& name, bool fallback) const {
    const JsonValue* value = Get(name, Kind::kBool);
    return value ? value->boolean : fallback;
}

bool JsonValue::Count(const std::string& name, std::uint64_t* count) const {
    const JsonValue* value = Get(name, Kind::kNumber);
    if (value == nullptr || value->number < 0 || value->number > 9007199254740992.0 ||
        value->number != std::floor(value->number))
        return false;
    *count = std::uint64_t(value->number);
    return true;
}

bool ParseJson(std::string_view text, JsonValue* out) {
    *out = JsonValue();
    return Reader(text).Document(out);
}

}  // namespace purgeon
