// A server's status reply from any datagrams: the parts are taken apart and put together within
// their bounds, whatever their order, and whatever pairs they hold are read into a status whose
// texts hold no control character.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "status/reply.h"
#include "status/server_status.h"

namespace {

bool plain(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

void requirePlainStatus(const std::vector<std::pair<std::string, std::string>>& pairs) {
    const zerlin::status::ServerStatus status = zerlin::status::parseServerStatus(pairs);
    for (const std::string* text : {&status.hostName, &status.mapName, &status.gameType,
                                    &status.gameVersion, &status.version, &status.activeMods}) {
        ZERLIN_FUZZ_REQUIRE(plain(*text));
    }
    ZERLIN_FUZZ_REQUIRE(status.players.size() <= pairs.size());
    for (const zerlin::status::PlayerStatus& player : status.players) {
        ZERLIN_FUZZ_REQUIRE(plain(player.name));
    }
    for (const std::string& team : status.teamNames) {
        ZERLIN_FUZZ_REQUIRE(plain(team));
    }
    for (int team = -1; team <= static_cast<int>(status.teamNames.size()) + 1; ++team) {
        ZERLIN_FUZZ_REQUIRE(plain(status.teamName(team)));
    }
}

}  // namespace

// Input: datagrams, each ended by 0xFF (the last need not be), as they come from one server.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    const std::vector<std::string> datagrams = fuzz::fields(data, size, '\xFF', 40);
    status::ReplyAssembler assembler;
    for (std::size_t i = 0; i < datagrams.size(); ++i) {
        const std::string& datagram = datagrams[i];
        if (const auto part = status::readReplyPart(datagram)) {
            ZERLIN_FUZZ_REQUIRE(part->number >= 1 && part->number <= status::kMaxReplyParts);
            ZERLIN_FUZZ_REQUIRE(part->body.empty() || part->body.front() == '\\');
            ZERLIN_FUZZ_REQUIRE(part->body.data() >= datagram.data() &&
                                part->body.data() + part->body.size() <=
                                    datagram.data() + datagram.size());
        }
        const std::chrono::microseconds at(static_cast<long long>(i) * 1000);
        const auto reply = assembler.add(datagram, at);
        if (!reply) {
            continue;
        }
        ZERLIN_FUZZ_REQUIRE(!reply->empty() && reply->size() <= status::kMaxReplyParts);
        std::size_t bytes = 0;
        for (const std::string& body : *reply) {
            bytes += body.size();
        }
        ZERLIN_FUZZ_REQUIRE(bytes <= status::kMaxReplyBytes);
        ZERLIN_FUZZ_REQUIRE(assembler.firstPartTime() <= at);
        requirePlainStatus(status::readPairs(*reply));
    }
    // Any bodies at all, as though each datagram were a whole part.
    requirePlainStatus(status::readPairs(datagrams));
    return 0;
}
