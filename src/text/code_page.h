#pragma once

#include <optional>
#include <string>
#include <string_view>

// The 8-bit code pages of files and answers from other programs. Inside the program texts are
// UTF-8; in files they are in the platform's 8-bit code page (the system's ANSI code page on
// Windows, Windows-1252 elsewhere), so that files written by other copies of the program read
// as they were meant. Where a text holds a character the code page cannot represent, it is
// stored as UTF-8 so that nothing typed is lost; characters are never replaced by "?".
namespace zerlin::text {

// Windows-1252 to UTF-8. Every byte maps to one character: the five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081 and so on, so that decoding
// and encoding again gives the same bytes.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252, or nothing when a character has no byte there (or the text is not
// well-formed UTF-8).
std::optional<std::string> utf8ToWindows1252(std::string_view text);

// A file's bytes as UTF-8 text: bytes that are valid UTF-8 and hold a non-ASCII character
// are read as UTF-8 (a leading byte-order mark dropped); any other bytes are read in the
// platform's code page.
std::string decodeFileText(std::string_view bytes);

// The bytes to store for a text, such that decodeFileText gives the text back: the
// platform's code page where it can hold every character and its bytes would not be taken
// for UTF-8; UTF-8 without a byte-order mark otherwise.
std::string encodeFileText(std::string_view text);

}  // namespace zerlin::text
