// A master's answer from any bytes: the reader keeps within its limits, never keeps a zero port
// or a record twice, and succeeds exactly when the answer ends with "\final\" at a record
// boundary (after the hello's own "\final\", if any) and is no refusal. The hello from the same
// bytes never claims more than it was given.

#include <cstdint>
#include <set>
#include <string_view>
#include <utility>

#include "fuzz_support.h"
#include "masters/master_protocol.h"
#include "status/host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    const std::string_view answer(reinterpret_cast<const char*>(data), size);

    const masters::Hello hello = masters::readHello(answer);
    ZERLIN_FUZZ_REQUIRE(hello.used <= answer.size());
    ZERLIN_FUZZ_REQUIRE(hello.state != masters::Hello::State::Done ||
                        hello.challenge.size() == masters::kChallengeLength);

    const auto read = masters::readRecords(answer);
    const std::string_view final = masters::kFinal;
    const bool refused = answer.starts_with("\\error\\") || answer.starts_with("\\fatal\\");
    const std::size_t body = answer.size() >= final.size() ? answer.size() - final.size() : 0;
    const bool boundary = body % masters::kRecordBytes == 0 ||
                          (answer.starts_with(final) && body >= final.size() &&
                           (body - final.size()) % masters::kRecordBytes == 0);
    const bool whole = !refused && answer.size() <= masters::kMaxAnswerBytes &&
                       answer.ends_with(final) && boundary;
    ZERLIN_FUZZ_REQUIRE(read.ok() == whole);
    ZERLIN_FUZZ_REQUIRE(read.ok() == read.error().empty());
    ZERLIN_FUZZ_REQUIRE(read.value().size() <= masters::kMaxRecords);
    ZERLIN_FUZZ_REQUIRE(read.value().size() <= answer.size() / masters::kRecordBytes);
    std::set<std::pair<std::string, std::uint16_t>> seen;
    for (const masters::Record& record : read.value()) {
        ZERLIN_FUZZ_REQUIRE(record.queryPort != 0);
        ZERLIN_FUZZ_REQUIRE(status::parseIpAddress(record.ip).has_value());
        ZERLIN_FUZZ_REQUIRE(seen.emplace(record.ip, record.queryPort).second);
    }
    return 0;
}
