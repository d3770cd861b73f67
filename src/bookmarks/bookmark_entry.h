#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/utf8.h"

// The bookmark entry: one text line holding a 35-character name field, ":", the IP, ":" and
// the port. It is both a row of the bookmark list and a line of a bookmark file.
namespace zerlin {

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

// The bookmark's name as the row shows it: its name field without the padding, or for a row
// without the layout Add gives, the text before its first ":".
std::string bookmarkName(std::string_view row);

}  // namespace zerlin
