#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zerlin::friends {

// The user's friends: player names, or patterns where `*` stands for any run of characters
// (none too) and `?` for one character. Matching ignores letter case; a character counts as
// one whatever its bytes.
class FriendPatterns {
  public:
    FriendPatterns() = default;

    // From the text of the friends file: one pattern a line. A line that is empty or blank and
    // one whose first character that is not blank is `#` hold no pattern; blanks (spaces,
    // tabs, a carriage return) at either end of a line are not part of its pattern.
    static FriendPatterns fromText(std::string_view text);

    bool empty() const { return patterns_.empty(); }
    std::size_t size() const { return patterns_.size(); }

    // Whether a player's name matches any pattern. The name is UTF-8; one that is not
    // well-formed UTF-8 is read as Windows-1252, the game's own code page. Blanks at its ends
    // do not count, and a name of nothing else matches nothing.
    bool matches(std::string_view name) const;

  private:
    std::vector<std::u32string> patterns_;  // folded
};

}  // namespace zerlin::friends
