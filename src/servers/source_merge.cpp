#include "servers/source_merge.h"

#include <map>

#include "servers/list_walk.h"

namespace zerlin::servers {

SourceMerge mergeSources(const std::vector<ListedServer>& list,
                         const std::vector<masters::MasterOutcome>& masters) {
    SourceMerge merge;
    const std::size_t listed = std::min(list.size(), kMaxServers);
    // Where each query address is: the list's index, or kMaxServers plus the index among the
    // servers only masters list.
    std::map<std::pair<std::string, std::uint16_t>, std::size_t> byQueryAddress;
    std::map<std::size_t, std::vector<std::string>> also;
    for (const masters::MasterOutcome& master : masters) {
        if (!master.ok) {
            continue;
        }
        if (byQueryAddress.empty()) {
            for (std::size_t i = 0; i < listed; ++i) {
                byQueryAddress.emplace(std::pair(list[i].ip, list[i].queryPort), i);
            }
        }
        for (const masters::Record& record : master.records) {
            auto [found, added] = byQueryAddress.emplace(std::pair(record.ip, record.queryPort),
                                                         kMaxServers + merge.mastersOnly.size());
            if (added) {
                if (listed + merge.mastersOnly.size() == kMaxServers) {
                    byQueryAddress.erase(found);
                    continue;
                }
                MasterServer server;
                server.server.ip = record.ip;
                server.server.port = 0;
                server.server.queryPort = record.queryPort;
                merge.mastersOnly.push_back(std::move(server));
            }
            std::vector<std::string>& by =
                found->second < kMaxServers
                    ? also[found->second]
                    : merge.mastersOnly[found->second - kMaxServers].listedBy;
            if (by.empty() || by.back() != master.master) {
                by.push_back(master.master);
            }
        }
    }
    merge.alsoListed.assign(std::make_move_iterator(also.begin()),
                            std::make_move_iterator(also.end()));
    return merge;
}

std::string listedByLine(const std::vector<std::string>& sources) {
    std::string line = "Listed by: ";
    for (std::size_t i = 0; i < sources.size(); ++i) {
        line += (i == 0 ? "" : ", ") + sources[i];
    }
    return line;
}

}  // namespace zerlin::servers
