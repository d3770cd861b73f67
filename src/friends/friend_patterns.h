#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zerlin::friends {

// The user's friends: player names, or patterns where `*` stands for any run of characters
// (none too) and `?` for one character. Matching ignores letter case; a character counts as
// one whatever its bytes.
//
// Plain names are found by one hashed look-up of the folded name, whatever their number; only
// the lines holding `*` or `?` are tried one by one, and most of those are ruled out by the
// characters they need before being walked.
class FriendPatterns {
  public:
    // Lines past this many patterns are not used (the file may hold more).
    static constexpr std::size_t kMaxPatterns = 1000;

    FriendPatterns() = default;

    // From the text of the friends file: one pattern a line, the first kMaxPatterns of them. A
    // line that is empty or blank and one whose first character that is not blank is `#` hold
    // no pattern; blanks (spaces, tabs, a carriage return) at either end of a line are not part
    // of its pattern.
    static FriendPatterns fromText(std::string_view text);
    // How many lines of the text hold a pattern, used or not.
    static std::size_t countPatterns(std::string_view text);

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }

    // Whether a player's name matches any pattern. The name is UTF-8; one that is not
    // well-formed UTF-8 is read as Windows-1252, the game's own code page. Blanks at its ends
    // do not count, and a name of nothing else matches nothing.
    bool matches(std::string_view name) const;

    // How many names have been tried: names are meant to be tried when a list or an answer
    // comes, not each time a row is drawn.
    std::size_t tries() const { return tries_; }

  private:
    struct Wildcard {
        std::u32string pattern;     // folded
        std::uint64_t needs = 0;    // the characters it holds besides `*` and `?`, hashed
        std::size_t minLength = 0;  // the characters a name needs at least
        bool anyLength = false;     // holds a `*`
        std::size_t head = 0;       // characters before the first `*` or `?`
        std::size_t tail = 0;       // characters after the last one
    };

    static bool anyMatches(const std::vector<Wildcard>& patterns, std::u32string_view name,
                           std::uint64_t holds);

    std::unordered_set<std::u32string> plain_;  // folded
    // Patterns that start with a character (not `*` or `?`), by that character: only those of
    // a name's first character are tried.
    std::unordered_map<char32_t, std::vector<Wildcard>> anchored_;
    std::vector<Wildcard> floating_;  // those that start with `*` or `?`
    std::size_t size_ = 0;
    mutable std::size_t tries_ = 0;
};

// A name as matching reads it: UTF-8, or Windows-1252 where it is not well-formed UTF-8, without
// its blanks at the ends, every character folded.
std::u32string foldedName(std::string_view name);

// Whether the folded name matches the folded pattern, walked character by character: `*` any
// run, `?` one character.
bool globMatch(std::u32string_view pattern, std::u32string_view name);

}  // namespace zerlin::friends
