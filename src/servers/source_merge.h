#pragma once

#include <string>
#include <vector>

#include "masters/master_list.h"
#include "servers/listed_server.h"

// The servers of every source as one list: the community's list, whose entries say all of a
// server, and the game's master servers, whose records give only the address its status query
// answers on.
namespace zerlin::servers {

inline constexpr const char* kCommunityListName = "the community list";

struct MergedServer {
    // The community list's entry; for a server only masters list, its IP and query port alone
    // (port 0: the game port comes with its status answer).
    ListedServer server;
    // Only masters list it: it is asked, and shown once its status answer is in.
    bool toAsk = false;
    // The sources that list it, the community list first, then the masters as set.
    std::vector<std::string> listedBy;
};

// The community list's servers first, in its order, each with the masters that list the same IP
// and query port; then the servers only masters list, in the masters' order, each once. At most
// kMaxServers in all. A failed master adds nothing.
std::vector<MergedServer> mergeSources(const std::vector<ListedServer>& list,
                                       const std::vector<masters::MasterOutcome>& masters);

// "Listed by: the community list, master.bf1942.org", for the server's details.
std::string listedByLine(const MergedServer& server);
std::string listedByLine(const std::vector<std::string>& sources);

}  // namespace zerlin::servers
