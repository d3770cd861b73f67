#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What start-up makes of the program's command line. Texts are bytes as the system handed
// them over; nothing here fails, whatever the bytes.
namespace zerlin::command_line {

// The one argument the program accepts, as a single text: the words after the program name
// joined by single spaces (a path with spaces typed unquoted arrives as several words), every
// double quote removed, and a file:// URI naming a local file turned into its path.
std::string argumentText(const std::vector<std::string>& words);

// The local path a "file://" URI names, percent-decoded; nullopt for any other text, for a
// URI naming another host, and for one that decodes to a NUL byte.
std::optional<std::string> localPathFromUri(const std::string& text);

// A bookmark file: the last three characters are "sbk", letter case included.
bool isBookmarkFile(const std::string& argument);

// A web link: the first six characters are "zerlin", letter case included.
bool isLink(const std::string& argument);

// The second and third ":"-separated fields of a link, verbatim; further fields are ignored.
// A link without a second field names no server.
struct LinkFields {
    std::optional<std::string> ip;
    std::optional<std::string> port;
};
LinkFields linkFields(const std::string& link);

// "zerlin:<IP>:<port>" with the IP and port read from a bookmark row as a double-click reads
// them; none when the row yields no IP or no port, or an IP that a link cannot hold (one
// with ":").
std::optional<std::string> linkOfRow(std::string_view row);

}  // namespace zerlin::command_line
