#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

// The game's master servers speak the original network's first browsing protocol over TCP: the
// master sends a challenge, the client proves it knows the game's key and asks for the list, the
// master answers with the query addresses of the servers it knows and closes.
namespace zerlin::masters {

inline constexpr std::string_view kGameName = "bfield1942";
inline constexpr std::string_view kGameKey = "HpWx9z";
inline constexpr std::uint16_t kDefaultMasterPort = 28900;
// An answer longer than this fails; past this many records the rest are dropped.
inline constexpr std::size_t kMaxAnswerBytes = 1024 * 1024;
inline constexpr std::size_t kMaxRecords = 10'000;
inline constexpr std::size_t kRecordBytes = 6;
inline constexpr std::string_view kFinal = "\\final\\";

// The challenge run through the protocol's keyed transform (an RC4-style key schedule over the
// key, a stream that mixes in each challenge byte), written six bits a character in the alphabet
// A-Z a-z 0-9 + / after padding with zero bytes to a multiple of three.
std::string validation(std::string_view challenge, std::string_view key = kGameKey);

// What the master sends first: "\basic\\secure\<challenge>".
struct Hello {
    enum class State { NeedMore, Done, Failed };
    State state = State::NeedMore;
    std::string challenge;
    std::size_t used = 0;  // the bytes of the hello, the challenge's included
    std::string error;
};
inline constexpr std::size_t kChallengeLength = 6;
inline constexpr std::size_t kMaxHelloBytes = 512;
Hello readHello(std::string_view received);

// The client's answer to the challenge and its request for the list, sent together.
std::string request(std::string_view challenge);

// One server the master lists: the address its status query answers on.
struct Record {
    std::string ip;  // dotted IPv4
    std::uint16_t queryPort = 0;

    friend bool operator==(const Record&, const Record&) = default;
};

// The whole answer, as received once the master closed: six-byte records (IPv4 address and query
// port, network order) ended by "\final\" at a record boundary. A "\final\" left over from the
// hello at its front is passed over. An answer that is an "\error\" or "\fatal\" message, that
// does not end so, or that is longer than kMaxAnswerBytes fails with the reason. Records with a
// zero port, and a record listed twice, are passed over; past kMaxRecords the rest are dropped.
Result<std::vector<Record>> readRecords(std::string_view answer);

}  // namespace zerlin::masters
