#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The status query of the game's servers: the request, and the reply's parts put together.
// A reply is one or more datagrams, each a run of backslash-separated pairs
// "\key\value\key\value..." ending in "\queryid\<id>.<n>", n counting the parts from 1; the last
// part has "\final\" just before its "\queryid\".
namespace zerlin::status {

inline constexpr std::string_view kStatusRequest = "\\status\\";
inline constexpr std::size_t kMaxReplyParts = 16;
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024;

// One datagram of a reply, its tail taken apart.
struct ReplyPart {
    std::string queryId;
    std::size_t number = 0;  // from 1
    bool final = false;
    std::string_view body;  // the pairs before "\final\" or "\queryid\", starting with "\"
};

// The part a datagram holds, or nothing when it is not one (no "\queryid\<id>.<n>" at its end,
// n not 1 to kMaxReplyParts, no leading backslash).
std::optional<ReplyPart> readReplyPart(std::string_view datagram);

// Collects the parts of the replies of one server, in any order, twice or with gaps. Parts of
// different query ids are kept apart (a reply to the first try may come after the second
// try); a reply with more than kMaxReplyParts parts or kMaxReplyBytes bytes, or with two
// different final parts, is dropped.
class ReplyAssembler {
  public:
    // Takes a datagram received at the time given. Returns the whole reply's bodies, in part
    // order, once its last part has come; nothing before that or for a datagram that is no
    // part.
    std::optional<std::vector<std::string>> add(std::string_view datagram,
                                                std::chrono::microseconds at);
    // When the first part of the reply that was completed last came.
    std::chrono::microseconds firstPartTime() const { return completedFirstPart_; }

  private:
    struct Pending {
        std::map<std::size_t, std::string> bodies;
        std::size_t finalNumber = 0;  // 0: no final part yet
        std::size_t bytes = 0;
        bool dropped = false;
        std::chrono::microseconds firstPart{};
    };
    // Replies in progress by query id; a few at most, so that junk cannot grow it.
    static constexpr std::size_t kMaxPending = 4;
    std::map<std::string, Pending> pending_;
    std::chrono::microseconds completedFirstPart_{};
};

// The pairs of the bodies of a whole reply, in order, with values as sent (8-bit). A value
// holding a backslash shifts the pairs after it: where a key the status reads lands in a
// value's place while an unknown word holds the key's place, the unknown word is dropped and
// pairing goes on from the known key, so one odd name costs at most the pairs up to there.
std::vector<std::pair<std::string, std::string>> readPairs(const std::vector<std::string>& bodies);

}  // namespace zerlin::status
