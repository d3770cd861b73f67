// A page of the server list from any text, read by the streaming reader with a small value
// limit: what it reads never nests deeper than its depth limit nor holds more values than its
// value limit, a text past either is refused, and a text within both is read exactly as the
// whole JSON tree says (the same servers, fields and last entry).

#include <algorithm>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "servers/server_json.h"
#include "servers/server_reader.h"

namespace {

using nlohmann::json;

// The text's own values and nesting (a key given twice counts twice, unlike in its tree).
struct Shape {
    std::size_t depth = 0;
    std::size_t values = 0;
    std::size_t open = 0;

    bool value() {
        ++values;
        return true;
    }
    bool null() { return value(); }
    bool boolean(bool /*unused*/) { return value(); }
    bool number_integer(json::number_integer_t /*unused*/) { return value(); }
    bool number_unsigned(json::number_unsigned_t /*unused*/) { return value(); }
    bool number_float(json::number_float_t /*unused*/, const std::string& /*unused*/) {
        return value();
    }
    bool string(std::string& /*unused*/) { return value(); }
    bool binary(json::binary_t& /*unused*/) { return value(); }
    bool start_object(std::size_t /*unused*/) { return start(); }
    bool start_array(std::size_t /*unused*/) { return start(); }
    bool start() {
        depth = std::max(depth, ++open);
        return value();
    }
    bool end_object() { return --open, true; }
    bool end_array() { return --open, true; }
    bool key(std::string& /*unused*/) { return true; }
    bool parse_error(std::size_t /*unused*/, const std::string& /*unused*/,
                     const nlohmann::detail::exception& /*unused*/) {
        return false;
    }
};

std::string addressPart(const json& entry, const char* key) {
    const auto found = entry.find(key);
    if (found == entry.end()) {
        return {};
    }
    if (found->is_string()) {
        return found->get<std::string>();
    }
    return found->is_number_integer() ? found->dump() : std::string();
}

}  // namespace

// Input: the first byte chooses the value limit (and whether the list is on loopback); the rest
// is the page.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    servers::ReadLimits limits;
    limits.maxValues = 8 + data[0] % 128;
    limits.memoryBudget = std::numeric_limits<std::size_t>::max();
    const bool loopback = data[0] >= 128;
    const Result<servers::ServerDocument> read =
        servers::readServerDocument(text, limits, [loopback](const json&) { return loopback; });
    if (read) {
        ZERLIN_FUZZ_REQUIRE(read.value().maxDepth <= servers::kMaxJsonDepth);
        ZERLIN_FUZZ_REQUIRE(read.value().values <= limits.maxValues);
        ZERLIN_FUZZ_REQUIRE(read.value().servers.size() <= read.value().listed);
    }

    // The whole tree, where it can be had (a number out of range stops it).
    const json tree = json::parse(text, nullptr, false);
    if (tree.is_discarded()) {
        return 0;
    }
    Shape shape;
    ZERLIN_FUZZ_REQUIRE(json::sax_parse(text, &shape));
    if (shape.depth > servers::kMaxJsonDepth || shape.values > limits.maxValues ||
        !tree.is_object()) {
        ZERLIN_FUZZ_REQUIRE(!read);
        return 0;
    }
    ZERLIN_FUZZ_REQUIRE(read);
    const servers::ServerDocument& document = read.value();
    ZERLIN_FUZZ_REQUIRE(!document.cutShort);
    ZERLIN_FUZZ_REQUIRE(document.values == shape.values);
    ZERLIN_FUZZ_REQUIRE(document.maxDepth == shape.depth);
    for (const char* key : {"cursor", "hasMore"}) {
        const auto inTree = tree.find(key);
        const auto inDocument = document.fields.find(key);
        // A container there reads as null.
        ZERLIN_FUZZ_REQUIRE((inTree == tree.end()) == (inDocument == document.fields.end()));
        ZERLIN_FUZZ_REQUIRE(inTree == tree.end() ||
                            *inDocument == (inTree->is_structured() ? json() : *inTree));
    }
    std::vector<servers::ListedServer> expected;
    std::string lastIp;
    std::string lastPort;
    std::size_t listed = 0;
    if (const auto list = tree.find("servers"); list != tree.end() && list->is_array()) {
        for (const json& entry : *list) {
            ++listed;
            if (entry.is_object() && !addressPart(entry, "ip").empty() &&
                !addressPart(entry, "port").empty()) {
                lastIp = addressPart(entry, "ip");
                lastPort = addressPart(entry, "port");
            }
            if (auto server = servers::readServer(entry, loopback)) {
                expected.push_back(std::move(*server));
            }
        }
    }
    ZERLIN_FUZZ_REQUIRE(document.listed == listed);
    ZERLIN_FUZZ_REQUIRE(document.lastIp == lastIp && document.lastPort == lastPort);
    ZERLIN_FUZZ_REQUIRE(document.servers.size() == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ZERLIN_FUZZ_REQUIRE(servers::serverJson(document.servers[i]) ==
                            servers::serverJson(expected[i]));
    }
    return 0;
}
