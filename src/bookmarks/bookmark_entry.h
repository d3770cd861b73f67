#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The bookmark entry: one text line holding a 35-character name field, ":", the IP, ":" and
// the port. It is both a row of the bookmark list and a line of a bookmark file.
namespace zerlin {

namespace utf8 {

// Lengths in the entry count characters (Unicode code points), not bytes. A byte that does
// not start a well-formed UTF-8 sequence counts as one character of its own, so that any
// byte string can be measured and cut without ever splitting a well-formed character.

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

}  // namespace utf8

inline constexpr std::size_t kNameFieldLength = 35;
// A longer name keeps this many characters and gets kNameEllipsis after them.
inline constexpr std::size_t kNameKeptLength = 32;
inline constexpr std::string_view kNameEllipsis = "...";
// The port of a row that does not have the layout Add gives is its last characters.
inline constexpr std::size_t kLoosePortLength = 5;

// The name as it stands in an entry: exactly kNameFieldLength characters.
std::string bookmarkNameField(std::string_view name);

std::string makeBookmarkEntry(std::string_view name, std::string_view ip, std::string_view port);

// What a row gives back for the IP and port boxes.
struct BookmarkAddress {
    std::optional<std::string> ip;  // none: the row names no IP and the IP box keeps its text
    std::string port;
};

// A row with the layout Add gives (":" as the character after the name field and at least one
// ":" later on) reads as IP = the text between that ":" and the last ":", port = the text after
// the last ":". That keeps short ports and names holding ":" intact. Any other row, such as a
// hand-written line of a bookmark file, reads as it always has: its last five characters are
// the port and its second ":"-separated field, if any, the IP.
BookmarkAddress readBookmarkEntry(std::string_view row);

}  // namespace zerlin
