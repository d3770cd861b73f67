#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "servers/listed_server.h"

// The one reader of a JSON text that lists servers (a page of the list, the kept list): it
// walks the text once, building the servers as it goes, and never holds the text's tree.
namespace zerlin::servers {

inline constexpr std::size_t kMaxJsonDepth = 32;
inline constexpr std::size_t kMaxJsonValues = 1'000'000;

struct ReadLimits {
    // Servers kept at most: those past it are counted, not built.
    std::size_t maxServers = 10'000;
    // Values read at most: a page of the list holds far fewer.
    std::size_t maxValues = kMaxJsonValues;
    // Bytes the kept servers may hold, about: players past it are left out (numPlayers still
    // says how many the list counts). None: twice the text's size, at least 1 MiB, so that the
    // text, what is read of it and the servers stay within four times its size.
    std::size_t memoryBudget = 0;
    // Set from another thread to stop the reading early; it then fails.
    const std::atomic<bool>* cancelled = nullptr;
};

struct ServerDocument {
    // The scalars of the top-level object (a container there reads as null), by name.
    nlohmann::json fields = nlohmann::json::object();
    std::vector<ListedServer> servers;  // in the text's order
    std::size_t listed = 0;             // entries of "servers", built or not
    // The IP and port texts of the last entry that names both, as the text wrote them.
    std::string lastIp;
    std::string lastPort;
    // A number too large for a double ended the servers there: the ones before it are kept,
    // the rest of the text was only read for its top-level fields and last entry.
    bool cutShort = false;
    std::size_t values = 0;    // JSON values read
    std::size_t maxDepth = 0;  // deepest nesting met
};

// Reads the text: a failure when it is no JSON object, nests deeper than kMaxJsonDepth, holds
// more than maxValues values or was cancelled. allowedFrom says, for each entry, whether
// the list was served from loopback (see allowed()), given the top-level fields read so far.
Result<ServerDocument> readServerDocument(
    std::string_view text, const ReadLimits& limits,
    const std::function<bool(const nlohmann::json& fields)>& fromLoopback);

}  // namespace zerlin::servers
