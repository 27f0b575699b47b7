#include <gtest/gtest.h>

#include "inventory/Unit_String_Proc.h"

namespace purgeon {
namespace {

struct SplitCase {
    std::u16string text;
    char16_t separator;
    StringList pieces;
};

// Names the case by its text (control characters escaped) in test output.
void PrintTo(const SplitCase& c, std::ostream* os) {
    std::string text;
    for (char ch : ToUtf8(c.text)) {
        if (ch == '\r')
            text += "\\r";
        else if (ch == '\n')
            text += "\\n";
        else if (ch == '\0')
            text += "\\0";
        else
            text += ch;
    }
    *os << '[' << text << ']';
}

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, GivesThePieces) {
    const auto& c = GetParam();
    StringList out{u"stale"};
    const bool produced = c.separator == u'|'    ? Str_SplitByBar(c.text, out)
                          : c.separator == u'\\' ? Str_SplitByBackslash(c.text, out)
                                                 : Str_SplitByComma(c.text, out);
    EXPECT_EQ(out, c.pieces);
    EXPECT_EQ(produced, !c.pieces.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTest,
    ::testing::Values(
        SplitCase{u"HKLM|SOFTWARE\\Vendor\\App", u'|', {u"HKLM", u"SOFTWARE\\Vendor\\App"}},
        SplitCase{u"HKU|S-1-5-21-1\\Software\\Vendor|Setting",
                  u'|',
                  {u"HKU", u"S-1-5-21-1\\Software\\Vendor", u"Setting"}},
        SplitCase{u"HKLM|", u'|', {u"HKLM"}},
        SplitCase{u"HKLM||SOFTWARE", u'|', {u"HKLM", u"SOFTWARE"}},
        // A quoted stretch keeps its separators and its quotes.
        SplitCase{u"HKCR|\"a|b\"\\x|v", u'|', {u"HKCR", u"\"a|b\"\\x", u"v"}},
        SplitCase{u"a|'x|\"y'|b", u'|', {u"a", u"'x|\"y'", u"b"}},
        // An unclosed quote runs to the end.
        SplitCase{u"a|\"b|c", u'|', {u"a", u"\"b|c"}},
        // CR and LF end pieces and are skipped at the start of one; inside
        // quotes they do not split.
        SplitCase{u"a\r\nb|\r\n\r\nc\n", u'|', {u"a", u"b", u"c"}},
        SplitCase{u"\"x\r\ny\"|z", u'|', {u"\"x\r\ny\"", u"z"}}, SplitCase{u"", u'|', {}},
        SplitCase{u"|||", u'|', {}}, SplitCase{std::u16string(u"a|b\0|c", 6), u'|', {u"a", u"b"}},
        SplitCase{u"C:\\Program Files\\App\\", u'\\', {u"C:", u"Program Files", u"App"}},
        SplitCase{u"\"C:\\Program Files\\App\\app.exe\",0",
                  u',',
                  {u"\"C:\\Program Files\\App\\app.exe\"", u"0"}},
        SplitCase{u"\"C:\\a,b\\x.exe\",-3, 7", u',', {u"\"C:\\a,b\\x.exe\"", u"-3", u" 7"}}));

TEST(StrIsInteger, AcceptsSigned32BitDecimalAndHex) {
    struct Case {
        std::u16string text;
        bool is_integer;
        std::int32_t value;
    };
    const Case cases[] = {
        {u" 12 ", true, 12},
        {u"$1F", true, 31},
        {u"0x1f", true, 31},
        {u"X10", true, 16},
        {u"-101", true, -101},
        {u"+7", true, 7},
        {u"2147483647", true, 2147483647},
        {u"-2147483648", true, INT32_MIN},
        {u"2147483648", false, 0},
        {u"1.5", false, 0},
        {u"", false, 0},
        {u"   ", false, 0},
        {u"-", false, 0},
        {u"0x", false, 0},
        {u"12a", false, 0},
        {u"$G", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = 0;
        EXPECT_EQ(Str_IsInteger(c.text), c.is_integer) << ToUtf8(c.text);
        EXPECT_EQ(ParseInt32(c.text, value), c.is_integer) << ToUtf8(c.text);
        if (c.is_integer) {
            EXPECT_EQ(value, c.value) << ToUtf8(c.text);
        }
    }
}

TEST(TextHelpers, FoldOnlyAsciiLettersAndTrimControlCharacters) {
    EXPECT_EQ(AsciiLower(u"FOO App \u00C9"), u"foo app \u00C9");
    EXPECT_TRUE(EqualsIgnoreAsciiCase(u"Foo App", u"FOO APP"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase(u"\u00C9diteur", u"\u00E9diteur"));
    EXPECT_TRUE(ContainsIgnoreAsciiCase(u"C:\\Program Files\\App", u"program files"));
    EXPECT_FALSE(ContainsIgnoreAsciiCase(u"anything", u""));
    EXPECT_FALSE(Contains(u"anything", u""));
    EXPECT_EQ(Trim(u"\t\r\n  x y \x01"), u"x y");
    EXPECT_EQ(Trim(u" \x1F "), u"");
}

TEST(TextHelpers, Utf8RoundTripAndReplacement) {
    const std::u16string text = u"Caf\u00E9 \u6F22 \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b"),
              u"a\uFFFDb");
    EXPECT_EQ(FromUtf8("\xE6\xBC"), u"\uFFFD\uFFFD");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace purgeon
