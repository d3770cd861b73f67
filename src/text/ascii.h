#pragma once

#include <string>
#include <string_view>

// Texts whose meaning lies in their ASCII characters: names, numbers, escapes. Every other byte,
// those of UTF-8 characters among them, is kept as it is, whatever the system's locale.
namespace zerlin::text {

// The text without the blanks (any of `blanks`) at its ends.
inline std::string_view trimmed(std::string_view text, std::string_view blanks = " \t") {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

constexpr bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr char toLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char toUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text with its ASCII letters in lower case: two names that differ only in the case of
// those letters give the same text.
inline std::string toLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = toLowerAscii(c);
    }
    return out;
}

// The value of a hex digit (either case), -1 for any other character.
int hexDigitValue(char c);

// What `%` escapes stand for. `%XX` (two hex digits) is a byte in a URI, and the character
// U+00XX in a settings name, where `%UXXXX` stands for U+XXXX as well (a number that is no
// character gives U+FFFD). A `%` not followed by all its digits is kept as it is.
enum class PercentEscapes { bytes, characters };
std::string percentDecoded(std::string_view text, PercentEscapes kind = PercentEscapes::bytes);

// Appends the byte as `%XX` (upper-case hex digits).
void appendPercentEscape(std::string& out, char byte);

// The text as a URI's query value: every byte but ASCII letters, digits and "-._~" as `%XX`.
std::string percentEncoded(std::string_view text);

}  // namespace zerlin::text
