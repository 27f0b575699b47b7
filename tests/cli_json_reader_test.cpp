// The strict JSON reader an undo set's record is read with, and the SHA-256
// it records: known answers, and input that must be refused whole without a
// crash.
#include <gtest/gtest.h>

#include <string>

#include "cli/json_reader.h"
#include "cli/sha256.h"

namespace purgeon {
namespace {

TEST(Sha256, GivesTheStandardAnswers) {
    auto hash = [](const std::string& text) {
        return Sha256Hex(std::vector<std::uint8_t>(text.begin(), text.end()));
    };
    EXPECT_EQ(hash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padding block.
    EXPECT_EQ(hash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hash(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(JsonReader, ReadsWhatTheRecordWriterWrites) {
    JsonValue json;
    ASSERT_TRUE(ParseJson(R"( {"a": [1, 2.5e1, -3], "s": "x\"\\\/\n\u00e9\ud83d\ude00",
                               "t": true, "f": false, "n": null, "o": {}} )",
                          &json));
    EXPECT_EQ(json.String("s"), u"x\"\\/\n\u00e9\U0001F600");
    EXPECT_TRUE(json.Bool("t", false));
    EXPECT_FALSE(json.Bool("f", true));
    EXPECT_TRUE(json.Bool("missing", true));
    const JsonValue* array = json.Get("a", JsonValue::Kind::kArray);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->items.size(), 3u);
    EXPECT_EQ(array->items[1].number, 25);
    std::uint64_t count = 0;
    ASSERT_TRUE(ParseJson(R"({"size": 9007199254740992, "neg": -1, "frac": 1.5})", &json));
    EXPECT_TRUE(json.Count("size", &count));
    EXPECT_EQ(count, 9007199254740992u);
    EXPECT_FALSE(json.Count("neg", &count));
    EXPECT_FALSE(json.Count("frac", &count));
}

TEST(JsonReader, RefusesWhatIsNotWellFormedWhole) {
    const char* const bad[] = {
        "",
        "{",
        R"({"a": 1,})",
        R"({"a" 1})",
        R"({"a": 1} x)",
        R"({"a": 1, "a": 2})",  // a name twice: which one would count?
        R"({"s": "\uZZZZ"})",
        R"({"s": "\u12"})",
        R"({"s": "\q"})",
        "{\"s\": \"a\nb\"}",  // a raw line break inside a string
        R"({"n": 01x})",
        R"({"n": 1e999})",
        R"({"n": -})",
        R"([tru])",
        R"({"s": "unterminated)",
    };
    for (const char* text : bad) {
        JsonValue json;
        EXPECT_FALSE(ParseJson(text, &json)) << text;
    }
    // Nesting deeper than the limit is refused, not recursed into.
    JsonValue json;
    EXPECT_FALSE(ParseJson(std::string(100000, '[') + std::string(100000, ']'), &json));
    EXPECT_TRUE(
        ParseJson(std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']'), &json));
}

}  // namespace
}  // namespace purgeon
