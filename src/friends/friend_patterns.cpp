#include "friends/friend_patterns.h"

#include <algorithm>
#include <optional>

#include "text/ascii.h"
#include "text/case_fold.h"
#include "text/code_page.h"
#include "text/utf8.h"

namespace zerlin::friends {

namespace {

constexpr std::string_view kBlanks = " \t\r";

// The folded characters of a UTF-8 text without its blanks at the ends.
std::u32string folded(std::string_view input) {
    const std::string_view body = text::trimmed(input, kBlanks);
    std::u32string out;
    out.reserve(body.size());
    std::size_t offset = 0;
    while (offset < body.size()) {
        // The callers hand over well-formed text; a stray byte is skipped all the same.
        const std::optional<utf8::CodePoint> decoded = utf8::decode(body, offset);
        if (!decoded) {
            ++offset;
            continue;
        }
        out += text::foldCase(decoded->value);
        offset += decoded->size;
    }
    return out;
}

bool isWild(char32_t c) {
    return c == U'*' || c == U'?';
}

// One of 64 bits for a character: a pattern can match only names holding every bit it holds.
std::uint64_t bitOf(char32_t c) {
    return std::uint64_t{1} << ((static_cast<std::uint32_t>(c) * 0x9E3779B1U) >> 26U);
}

std::uint64_t bitsOf(std::u32string_view text) {
    std::uint64_t bits = 0;
    for (const char32_t c : text) {
        bits |= bitOf(c);
    }
    return bits;
}

// Calls found(pattern) for each line of the text that holds a pattern, in order, until it
// returns false.
template <typename Found>
void eachPattern(std::string_view text, Found found) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string_view pattern = text::trimmed(line, kBlanks);
        if (!pattern.empty() && pattern.front() != '#' && !found(pattern)) {
            return;
        }
    }
}

}  // namespace

std::u32string foldedName(std::string_view name) {
    return utf8::isValid(name) ? folded(name) : folded(text::windows1252ToUtf8(name));
}

// On a mismatch after a `*`, the `*` takes one character more and matching resumes after it:
// linear in most cases, never worse than the product of the lengths.
bool globMatch(std::u32string_view pattern, std::u32string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::u32string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        // A star first: one in the name is a character like any other, not a match for it.
        if (p < pattern.size() && pattern[p] == U'*') {
            star = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (star != std::u32string_view::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') {
        ++p;
    }
    return p == pattern.size();
}

FriendPatterns FriendPatterns::fromText(std::string_view fileText) {
    FriendPatterns patterns;
    eachPattern(fileText, [&patterns](std::string_view line) {
        std::u32string pattern = folded(line);
        if (std::ranges::none_of(pattern, isWild)) {
            patterns.plain_.insert(std::move(pattern));
        } else {
            Wildcard wild;
            const auto firstWild = std::ranges::find_if(pattern, isWild);
            const auto lastWild = std::ranges::find_if(pattern.rbegin(), pattern.rend(), isWild);
            wild.head = static_cast<std::size_t>(firstWild - pattern.begin());
            wild.tail = static_cast<std::size_t>(lastWild - pattern.rbegin());
            for (const char32_t c : pattern) {
                if (c == U'*') {
                    wild.anyLength = true;
                } else {
                    ++wild.minLength;
                    wild.needs |= c == U'?' ? 0 : bitOf(c);
                }
            }
            wild.pattern = std::move(pattern);
            if (wild.head > 0) {
                patterns.anchored_[wild.pattern.front()].push_back(std::move(wild));
            } else {
                patterns.floating_.push_back(std::move(wild));
            }
        }
        return ++patterns.size_ < kMaxPatterns;
    });
    return patterns;
}

std::size_t FriendPatterns::countPatterns(std::string_view text) {
    std::size_t count = 0;
    eachPattern(text, [&count](std::string_view) {
        ++count;
        return true;
    });
    return count;
}

bool FriendPatterns::matches(std::string_view name) const {
    ++tries_;
    if (empty()) {
        return false;
    }
    const std::u32string key = foldedName(name);
    if (key.empty()) {
        return false;
    }
    if (plain_.contains(key)) {
        return true;
    }
    const std::uint64_t holds = bitsOf(key);
    if (anyMatches(floating_, key, holds)) {
        return true;
    }
    const auto anchored = anchored_.find(key.front());
    return anchored != anchored_.end() && anyMatches(anchored->second, key, holds);
}

bool FriendPatterns::anyMatches(const std::vector<Wildcard>& patterns, std::u32string_view name,
                                std::uint64_t holds) {
    return std::ranges::any_of(patterns, [&](const Wildcard& w) {
        // What the pattern needs is checked before it is walked: most patterns fail here.
        if ((w.needs & ~holds) != 0 || name.size() < w.minLength ||
            (!w.anyLength && name.size() != w.minLength)) {
            return false;
        }
        const std::u32string_view pattern = w.pattern;
        if (name.substr(0, w.head) != pattern.substr(0, w.head) ||
            name.substr(name.size() - w.tail) != pattern.substr(pattern.size() - w.tail)) {
            return false;
        }
        return globMatch(pattern, name);
    });
}

}  // namespace zerlin::friends
