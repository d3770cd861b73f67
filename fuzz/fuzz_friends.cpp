// The friends' patterns against players' names: whatever the friends file and the names hold,
// looking names up gives the answer of walking every pattern used, in a file's first 1,000
// patterns, and a name always matches itself.
//
// Input: the friends file's bytes, a NUL, the names one a line, a NUL, then numPlayers as
// digits.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "friends/friend_patterns.h"
#include "friends/playing_friends.h"
#include "fuzz_support.h"
#include "text/ascii.h"
#include "text/code_page.h"
#include "text/utf8.h"

namespace {

using zerlin::friends::FriendPatterns;

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        out.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return out;
}

// The patterns as the file's lines say, one by one and without a limit.
std::vector<std::u32string> everyPattern(std::string_view text) {
    std::vector<std::u32string> patterns;
    for (const std::string_view line : lines(text)) {
        const std::string_view pattern = zerlin::text::trimmed(line, " \t\r");
        if (!pattern.empty() && pattern.front() != '#') {
            patterns.push_back(zerlin::friends::foldedName(pattern));
        }
    }
    return patterns;
}

int numberOf(const std::string& digits) {
    int value = 0;
    for (const char c : digits.substr(0, 4)) {
        value = c >= '0' && c <= '9' ? value * 10 + (c - '0') : -value;
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> parts = zerlin::fuzz::fields(data, size, '\0', 3);
    // As the friends file is read: UTF-8 whatever its bytes.
    const std::string text = zerlin::text::decodeFileText(parts[0]);
    const FriendPatterns friends = FriendPatterns::fromText(text);
    const std::vector<std::u32string> patterns = everyPattern(text);
    ZERLIN_FUZZ_REQUIRE(FriendPatterns::countPatterns(text) == patterns.size());
    const std::size_t used = std::min(patterns.size(), FriendPatterns::kMaxPatterns);
    ZERLIN_FUZZ_REQUIRE(friends.size() == used);
    ZERLIN_FUZZ_REQUIRE(friends.empty() == (used == 0));

    const std::vector<std::string_view> nameLines = lines(parts[1]);
    std::vector<std::string> names(nameLines.begin(), nameLines.end());
    std::vector<std::string> matching;
    for (const std::string& name : names) {
        const std::u32string key = zerlin::friends::foldedName(name);
        const bool walked =
            !key.empty() &&
            std::any_of(patterns.begin(), patterns.begin() + static_cast<long>(used),
                        [&key](const std::u32string& pattern) {
                            return zerlin::friends::globMatch(pattern, key);
                        });
        ZERLIN_FUZZ_REQUIRE(friends.matches(name) == walked);
        if (walked) {
            matching.push_back(name);
        }
        // A name, as the one line of a friends file, matches itself.
        const std::string_view trimmed = zerlin::text::trimmed(name, " \t\r");
        if (zerlin::utf8::isValid(name) && !trimmed.empty() && trimmed.front() != '#') {
            ZERLIN_FUZZ_REQUIRE(FriendPatterns::fromText(name).matches(name));
        }
    }

    // Friends on a server: the matching names among its first numPlayers, in its order.
    const int numPlayers = numberOf(parts[2]);
    const std::vector<std::string> playing =
        zerlin::friends::playingFriends(names, numPlayers, friends);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < names.size() && static_cast<int>(i) < numPlayers; ++i) {
        if (std::find(matching.begin(), matching.end(), names[i]) != matching.end()) {
            expected.push_back(names[i]);
        }
    }
    ZERLIN_FUZZ_REQUIRE(playing == expected);
    return 0;
}
