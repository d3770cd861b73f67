// A bookmark entry read back: an entry made from a name, an IP and a port gives that IP and
// port again; any row at all reads without fault into parts of itself.

#include <cstdint>
#include <string>

#include "bookmarks/bookmark_entry.h"
#include "fuzz_support.h"

// Input: name, 0xFF, IP, 0xFF, port.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const BookmarkAddress loose = readBookmarkEntry(raw);
    ZERLIN_FUZZ_REQUIRE(raw.find(loose.port) != std::string::npos);
    ZERLIN_FUZZ_REQUIRE(!loose.ip || raw.find(*loose.ip) != std::string::npos);

    const std::vector<std::string> input = fuzz::fields(data, size, '\xFF', 3);
    const std::string& name = input[0];
    const std::string& ip = input[1];
    const std::string& port = input[2];

    const std::string field = bookmarkNameField(name);
    ZERLIN_FUZZ_REQUIRE(utf8::length(field) == kNameFieldLength);
    if (utf8::length(name) <= kNameFieldLength) {
        ZERLIN_FUZZ_REQUIRE(field.compare(0, name.size(), name) == 0);
        ZERLIN_FUZZ_REQUIRE(field.find_first_not_of(' ', name.size()) == std::string::npos);
    } else {
        ZERLIN_FUZZ_REQUIRE(field == utf8::first(name, kNameKeptLength) + "...");
    }

    if (port.find(':') != std::string::npos) {
        return 0;
    }
    const BookmarkAddress address = readBookmarkEntry(makeBookmarkEntry(name, ip, port));
    ZERLIN_FUZZ_REQUIRE(address.ip.has_value());
    ZERLIN_FUZZ_REQUIRE(*address.ip == ip);
    ZERLIN_FUZZ_REQUIRE(address.port == port);
    return 0;
}
