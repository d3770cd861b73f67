#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/ascii.h"
#include "text/server_text.h"
#include "text/utf16.h"
#include "text/utf8.h"

namespace zerlin::test {
namespace {

using namespace std::string_literals;

TEST(Utf8, AcceptsOnlyWellFormedText) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"plain", true},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", true},
        {std::string("\0", 1), true},
        {"\xC3", false},              // cut short
        {"\xC0\xAF", false},          // overlong
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\x80", false},              // stray continuation
        {"\xE9t\xE9", false},
    };
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(utf8::isValid(text), valid) << ::testing::PrintToString(text);
    }
}

TEST(Utf8, ReplacesBytesThatAreNotUtf8) {
    const std::string r = "\xEF\xBF\xBD";
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"10.0.0.1", "10.0.0.1"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"a\xff"
         "b",
         "a" + r + "b"},
        {"\xc3", r},                          // cut short at the end
        {"\xc0\xaf", r + r},                  // overlong
        {"\xed\xa0\x80", r + r + r},          // a surrogate
        {"\xf4\x90\x80\x80", r + r + r + r},  // past U+10FFFF
        {"\xe2\x82"
         "x",
         r + r + "x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8::replaceIllFormed(c.bytes), c.expected);
    }
}

// What a server sends is shown on one line and in its own order: nothing in it can end the line
// or turn the texts after it around (a name "evil\u202Egnp.exe" would read "evilexe.png").
TEST(ServerText, BreaksNoLineAndTurnsNothingAround) {
    const std::string r = "\xEF\xBF\xBD";
    struct Case {
        const char* what;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"plain and non-Latin text", "Caf\xC3\xA9 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D <b>&",
         "Caf\xC3\xA9 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D <b>&"},
        {"C0 controls and DEL",
         "a\nb\tc\rd\x7F"
         "e\x01",
         "a b c d e "},
        {"C1 controls: U+0080, U+0085, U+009B, U+009F",
         "a\xC2\x80"
         "b\xC2\x85"
         "c\xC2\x9B"
         "d\xC2\x9F",
         "a b c d "},
        {"U+00A0 is no control",
         "a\xC2\xA0"
         "b",
         "a\xC2\xA0"
         "b"},
        {"line and paragraph separators",
         "a\xE2\x80\xA8"
         "b\xE2\x80\xA9"
         "c",
         "a b c"},
        {"an override turning a file name around", "evil4\xE2\x80\xAEgnp.exe", "evil4gnp.exe"},
        {"embeddings and overrides U+202A to U+202E",
         "\xE2\x80\xAA"
         "a\xE2\x80\xAB"
         "b\xE2\x80\xAC"
         "c\xE2\x80\xAD"
         "d\xE2\x80\xAE",
         "abcd"},
        {"isolates U+2066 to U+2069",
         "\xE2\x81\xA6"
         "a\xE2\x81\xA7"
         "b\xE2\x81\xA8"
         "c\xE2\x81\xA9",
         "abc"},
        {"the neighbours are kept: U+2027, U+202F, U+2065 (unassigned), U+206A",
         "\xE2\x80\xA7\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA",
         "\xE2\x80\xA7\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"},
        {"bytes that are no UTF-8",
         "a\xFF"
         "b\xE2\x80",
         "a" + r + "b" + r + r},
        {"nothing", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text::plainServerText(c.text), c.expected) << c.what;
    }
}

// Bytes other than ASCII letters keep their value whatever the system's locale, so that a UTF-8
// name is never split or changed on its way through a comparison.
TEST(Ascii, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(text::toLowerAscii("OPtions [Z@] \xC3\x84\xC3\xA4 \xD0\x96 \xFF"),
              "options [z@] \xC3\x84\xC3\xA4 \xD0\x96 \xFF");
    EXPECT_EQ(text::trimmed(" \t a b\t "), "a b");
    EXPECT_EQ(text::trimmed(" \t "), "");
}

TEST(Ascii, DecodesPercentEscapes) {
    using text::PercentEscapes;
    struct Case {
        std::string text;
        PercentEscapes kind;
        std::string expected;
    };
    const Case cases[] = {
        {"/My%20Servers%2fa%c3%A9.sbk", PercentEscapes::bytes, "/My Servers/a\xC3\xA9.sbk"},
        {"%00", PercentEscapes::bytes, "\0"s},
        {"100% %4 %4g %", PercentEscapes::bytes, "100% %4 %4g %"},  // kept as they are
        {"%U00E9", PercentEscapes::bytes, "%U00E9"},
        {"Gr%F6%DFe", PercentEscapes::characters,
         "Gr\xC3\xB6\xC3\x9F"
         "e"},
        {"%U00e9%U20AC1", PercentEscapes::characters,
         "\xC3\xA9\xE2\x82\xAC"
         "1"},
        {"%UD800", PercentEscapes::characters, "\xEF\xBF\xBD"},  // a surrogate is no character
        {"%U12 %U", PercentEscapes::characters, "%U12 %U"},
        {"%41%", PercentEscapes::characters, "A%"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text::percentDecoded(c.text, c.kind), c.expected) << c.text;
    }
}

// A cursor or address written into a query reads back as itself, whatever bytes it holds.
TEST(Ascii, EncodesQueryValues) {
    const struct {
        std::string text;
        std::string encoded;
    } cases[] = {
        {"c+1/=", "c%2B1%2F%3D"},
        {"Az09-._~", "Az09-._~"},
        {"a b&c%d", "a%20b%26c%25d"},
        {"\xC3\xA9\xFF\x00"s, "%C3%A9%FF%00"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::percentEncoded(c.text), c.encoded) << c.encoded;
        EXPECT_EQ(text::percentDecoded(text::percentEncoded(c.text)), c.text) << c.encoded;
    }
}

#ifdef _WIN32
// Windows' conversions, as the file code and the bookmark files use them.
TEST(Utf16, ConvertsUtf8AndCodePages) {
    const std::string utf8 = "Zo\xC3\xAB \xE6\x97\xA5 \xF0\x9F\x98\x80";
    const std::wstring wide = L"Zo\u00EB \u65E5 \U0001F600";
    EXPECT_EQ(text::toUtf16(utf8), wide);
    EXPECT_EQ(text::toUtf8(wide), utf8);
    EXPECT_EQ(text::toUtf16(""), L"");

    EXPECT_EQ(text::toUtf16("\xE9\x80", 1252), L"\u00E9\u20AC");
    EXPECT_EQ(text::toUtf16("\xC6", 1251), L"\u0416");
    const std::vector<std::pair<std::wstring, std::optional<std::string>>> to1252 = {
        {L"\u00E9\u20AC", "\xE9\x80"},
        {L"", ""},
        {L"\u0416", std::nullopt},  // no byte for it
        {L"\u0100", std::nullopt},  // no look-alike "A" either
    };
    for (const auto& [text, bytes] : to1252) {
        EXPECT_EQ(text::utf16ToCodePage(text, 1252), bytes);
    }
    EXPECT_EQ(text::utf16ToCodePage(L"\u0416", 1251), "\xC6");
}
#endif

}  // namespace
}  // namespace zerlin::test
