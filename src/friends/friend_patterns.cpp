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

// `*` any run, `?` one character. On a mismatch after a `*`, the `*` takes one character
// more and matching resumes after it: linear in most cases, never worse than the product of
// the lengths.
bool globMatch(const std::u32string& pattern, const std::u32string& name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::u32string::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        // A star first: one in the name is a character like any other, not a match for it.
        if (p < pattern.size() && pattern[p] == U'*') {
            star = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (star != std::u32string::npos) {
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

}  // namespace

FriendPatterns FriendPatterns::fromText(std::string_view fileText) {
    FriendPatterns patterns;
    std::string_view rest = fileText;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const std::string_view pattern = text::trimmed(line, kBlanks);
        if (!pattern.empty() && pattern.front() != '#') {
            patterns.patterns_.push_back(folded(pattern));
        }
    }
    return patterns;
}

bool FriendPatterns::matches(std::string_view name) const {
    const std::u32string key =
        utf8::isValid(name) ? folded(name) : folded(text::windows1252ToUtf8(name));
    if (key.empty()) {
        return false;
    }
    return std::ranges::any_of(
        patterns_, [&key](const std::u32string& pattern) { return globMatch(pattern, key); });
}

}  // namespace zerlin::friends
