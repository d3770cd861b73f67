#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// UTF-8, the program's text encoding throughout. Well-formed means: no stray or truncated
// sequences, no overlong forms, no surrogates, nothing above U+10FFFF.
namespace zerlin::utf8 {

// U+FEFF, which some writers put before a file's text to mark it as UTF-8.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct CodePoint {
    char32_t value;
    std::size_t size;  // its bytes
};

// The character that starts at offset; nothing when the bytes there are not well-formed (or
// offset is at the end).
std::optional<CodePoint> decode(std::string_view text, std::size_t offset);

// Appends the character's bytes; a number that is no character (a surrogate, beyond U+10FFFF)
// as U+FFFD.
void append(std::string& out, char32_t c);

bool isValid(std::string_view bytes);

// The text with every byte that does not belong to a well-formed character replaced by U+FFFD.
std::string replaceIllFormed(std::string_view bytes);

// Lengths count characters (code points), not bytes. A byte that does not start a well-formed
// sequence counts as one character of its own, so that any byte string can be measured and cut
// without ever splitting a well-formed character.

// The number of bytes of the character that starts at offset (1 for a stray byte, 0 at the
// end of the text).
std::size_t characterSize(std::string_view text, std::size_t offset);

std::size_t length(std::string_view text);

// The byte offset at which the character numbered index (from 0) starts; the size of the
// text when it has no more than index characters.
std::size_t offsetOf(std::string_view text, std::size_t index);

// The first count characters (the whole text when it is shorter).
std::string first(std::string_view text, std::size_t count);

// The last count characters (the whole text when it is shorter).
std::string last(std::string_view text, std::size_t count);

}  // namespace zerlin::utf8
