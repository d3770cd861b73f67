#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "servers/listed_server.h"
#include "servers/server_reader.h"

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
    // A number too large ended the servers early: those before it are the page's.
    bool cutShort = false;
};

// Reads a page; a failure when the body is no JSON object or is past the reader's limits
// (depth, values). Entries that are no object, or whose address the rules refuse, are left
// out; any field missing or of another type reads as empty (a page without "servers" has none,
// one without "hasMore" is the last).
Result<Page> readPage(std::string_view body, bool listFromLoopback, const ReadLimits& limits);
// The same with the default limits; none for a failure.
std::optional<Page> parsePage(std::string_view body, bool listFromLoopback);

// The first page's URL and the next one's, from the list's base URL (a "/" at its end or not).
std::string firstPageUrl(std::string_view base);
std::string nextPageUrl(std::string_view base, const Page& previous);

}  // namespace zerlin::servers
