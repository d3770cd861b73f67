#include "status/reply.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace zerlin::status {

namespace {

constexpr std::string_view kQueryIdKey = "\\queryid\\";
constexpr std::string_view kFinalKey = "\\final\\";

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The keys the status reads: plain ones, and per player or team ones ending in "_N".
bool isKnownKey(std::string_view word) {
    static constexpr std::array<std::string_view, 21> kPlain = {
        "hostname",    "hostport",        "mapname",    "gametype", "gamever",
        "version",     "numplayers",      "maxplayers", "password", "reservedslots",
        "roundTime",   "roundTimeRemain", "tickets1",   "tickets2", "sv_punkbuster",
        "active_mods", "dedicated",       "gamename",   "final",    "queryid",
        "gameId",
    };
    if (std::find(kPlain.begin(), kPlain.end(), word) != kPlain.end()) {
        return true;
    }
    static constexpr std::array<std::string_view, 8> kIndexed = {
        "playername_", "score_", "kills_", "deaths_", "ping_", "team_", "teamname_", "keyhash_",
    };
    return std::any_of(kIndexed.begin(), kIndexed.end(), [word](std::string_view prefix) {
        return word.size() > prefix.size() && word.substr(0, prefix.size()) == prefix &&
               isDigits(word.substr(prefix.size()));
    });
}

std::vector<std::string_view> split(std::string_view body) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = body.find('\\', start);
        if (slash == std::string_view::npos) {
            words.push_back(body.substr(start));
            return words;
        }
        words.push_back(body.substr(start, slash - start));
        start = slash + 1;
    }
}

}  // namespace

std::optional<ReplyPart> readReplyPart(std::string_view datagram) {
    const std::size_t tag = datagram.rfind(kQueryIdKey);
    if (datagram.empty() || datagram.front() != '\\' || tag == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view queryId = datagram.substr(tag + kQueryIdKey.size());
    const std::size_t dot = queryId.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot > 16 ||
        !isDigits(queryId.substr(0, dot)) || !isDigits(queryId.substr(dot + 1)) ||
        queryId.size() - dot - 1 > 2) {
        return std::nullopt;
    }
    ReplyPart part;
    part.queryId = std::string(queryId.substr(0, dot));
    std::from_chars(queryId.data() + dot + 1, queryId.data() + queryId.size(), part.number);
    if (part.number < 1 || part.number > kMaxReplyParts) {
        return std::nullopt;
    }
    part.body = datagram.substr(0, tag);
    if (part.body.size() >= kFinalKey.size() &&
        part.body.substr(part.body.size() - kFinalKey.size()) == kFinalKey) {
        part.final = true;
        part.body.remove_suffix(kFinalKey.size());
    }
    return part;
}

std::optional<std::vector<std::string>> ReplyAssembler::add(std::string_view datagram,
                                                            std::chrono::microseconds at) {
    const std::optional<ReplyPart> part = readReplyPart(datagram);
    if (!part) {
        return std::nullopt;
    }
    auto found = pending_.find(part->queryId);
    if (found == pending_.end()) {
        if (pending_.size() >= kMaxPending) {
            return std::nullopt;
        }
        found = pending_.emplace(part->queryId, Pending{}).first;
        found->second.firstPart = at;
    }
    Pending& reply = found->second;
    if (reply.dropped || reply.bodies.contains(part->number)) {
        return std::nullopt;
    }
    if (part->final) {
        if (reply.finalNumber != 0 && reply.finalNumber != part->number) {
            reply.dropped = true;
        }
        reply.finalNumber = part->number;
    }
    reply.bytes += datagram.size();
    if (reply.bytes > kMaxReplyBytes ||
        (reply.finalNumber != 0 && !reply.bodies.empty() &&
         reply.bodies.rbegin()->first > reply.finalNumber) ||
        (reply.finalNumber != 0 && part->number > reply.finalNumber)) {
        reply.dropped = true;
    }
    if (reply.dropped) {
        reply.bodies.clear();  // the reply is dropped; its id stays, so its other parts are too
        return std::nullopt;
    }
    reply.bodies.emplace(part->number, std::string(part->body));
    if (reply.finalNumber == 0 || reply.bodies.size() != reply.finalNumber) {
        return std::nullopt;
    }
    std::vector<std::string> bodies;
    bodies.reserve(reply.bodies.size());
    for (auto& [number, body] : reply.bodies) {
        bodies.push_back(std::move(body));
    }
    completedFirstPart_ = reply.firstPart;
    pending_.clear();
    return bodies;
}

std::vector<std::pair<std::string, std::string>> readPairs(const std::vector<std::string>& bodies) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& body : bodies) {
        const std::vector<std::string_view> words = split(body);
        // words[0] is the empty text before the leading backslash.
        std::size_t i = 1;
        while (i + 1 < words.size()) {
            if (!isKnownKey(words[i]) && isKnownKey(words[i + 1]) &&
                (i + 2 >= words.size() || !isKnownKey(words[i + 2]))) {
                ++i;  // the pairs are shifted: resume at the known key
                continue;
            }
            pairs.emplace_back(words[i], words[i + 1]);
            i += 2;
        }
    }
    return pairs;
}

}  // namespace zerlin::status
