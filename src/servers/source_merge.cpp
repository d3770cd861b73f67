#include "servers/source_merge.h"

#include <map>
#include <utility>

#include "servers/list_walk.h"

namespace zerlin::servers {

std::vector<MergedServer> mergeSources(const std::vector<ListedServer>& list,
                                       const std::vector<masters::MasterOutcome>& masters) {
    std::vector<MergedServer> merged;
    std::map<std::pair<std::string, std::uint16_t>, std::size_t> byQueryAddress;
    for (const ListedServer& server : list) {
        if (merged.size() == kMaxServers) {
            break;
        }
        byQueryAddress.emplace(std::make_pair(server.ip, server.queryPort), merged.size());
        merged.push_back({server, false, {kCommunityListName}});
    }
    for (const masters::MasterOutcome& master : masters) {
        if (!master.ok) {
            continue;
        }
        for (const masters::Record& record : master.records) {
            const auto key = std::make_pair(record.ip, record.queryPort);
            const auto found = byQueryAddress.find(key);
            if (found != byQueryAddress.end()) {
                std::vector<std::string>& by = merged[found->second].listedBy;
                if (by.back() != master.master) {
                    by.push_back(master.master);
                }
                continue;
            }
            if (merged.size() == kMaxServers) {
                continue;
            }
            MergedServer server;
            server.server.ip = record.ip;
            server.server.port = 0;
            server.server.queryPort = record.queryPort;
            server.toAsk = true;
            server.listedBy = {master.master};
            byQueryAddress.emplace(key, merged.size());
            merged.push_back(std::move(server));
        }
    }
    return merged;
}

std::string listedByLine(const MergedServer& server) {
    return listedByLine(server.listedBy);
}

std::string listedByLine(const std::vector<std::string>& sources) {
    std::string line = "Listed by: ";
    for (std::size_t i = 0; i < sources.size(); ++i) {
        line += (i == 0 ? "" : ", ") + sources[i];
    }
    return line;
}

}  // namespace zerlin::servers
