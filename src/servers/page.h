#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "servers/listed_server.h"

namespace zerlin::servers {

// One page of the list's answer.
struct Page {
    std::vector<ListedServer> servers;  // those the rules let through, in the page's order
    std::size_t listed = 0;             // every entry of the page, let through or not
    std::string cursor;
    bool hasMore = false;
    // The IP and port texts of the page's last entry that names both: where the next page
    // starts ("after").
    std::string lastIp;
    std::string lastPort;
};

// Reads a page; none when the body is no JSON or no JSON object. Entries that are no object,
// or whose address the rules refuse, are left out; any field missing or of another type reads
// as empty (a page without "servers" has none, one without "hasMore" is the last).
std::optional<Page> parsePage(std::string_view body, bool listFromLoopback);

// The text with every byte but letters, digits and "-._~" written as %XX.
std::string percentEncoded(std::string_view text);

// The first page's URL and the next one's, from the list's base URL (a "/" at its end or not).
std::string firstPageUrl(std::string_view base);
std::string nextPageUrl(std::string_view base, const Page& previous);

}  // namespace zerlin::servers
