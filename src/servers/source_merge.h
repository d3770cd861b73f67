#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "masters/master_list.h"
#include "servers/listed_server.h"

// The servers of every source as one list: the community's list, whose entries say all of a
// server, and the game's master servers, whose records give only the address its status query
// answers on.
namespace zerlin::servers {

inline constexpr const char* kCommunityListName = "the community list";

// A server only masters list: its IP and query port alone (port 0: the game port comes with its
// status answer), and the masters that list it, in the setting's order.
struct MasterServer {
    ListedServer server;
    std::vector<std::string> listedBy;
};

struct SourceMerge {
    // The list's servers the masters list too (matched by IP and query port): each by its index
    // in the list, with those masters.
    std::vector<std::pair<std::size_t, std::vector<std::string>>> alsoListed;
    // The servers only masters list, in the masters' order, each once; with the list, at most
    // kMaxServers in all.
    std::vector<MasterServer> mastersOnly;
};

// The masters' records against the list. A failed master adds nothing.
SourceMerge mergeSources(const std::vector<ListedServer>& list,
                         const std::vector<masters::MasterOutcome>& masters);

// "Listed by: the community list, master.bf1942.org", for the server's details.
std::string listedByLine(const std::vector<std::string>& sources);

}  // namespace zerlin::servers
