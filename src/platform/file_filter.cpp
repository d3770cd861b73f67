#include "platform/file_filter.h"

#include "text/ascii.h"

namespace zerlin {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

}  // namespace

std::vector<FilterEntry> parseFileFilter(const std::string& filter) {
    std::vector<std::string> parts = split(filter, '|');
    // The closing "|" leaves one empty part behind it.
    if (!parts.empty() && parts.back().empty()) {
        parts.pop_back();
    }
    std::vector<FilterEntry> entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        FilterEntry entry{std::string(text::trimmed(parts[i])), {}};
        for (const std::string& pattern : split(parts[i + 1], ';')) {
            std::string p(text::trimmed(pattern));
            if (!p.empty()) {
                entry.patterns.push_back(p);
            }
        }
        if (entry.patterns.empty()) {
            entry.patterns.emplace_back("*");
        }
        entries.push_back(entry);
    }
    return entries;
}

std::string caseInsensitivePattern(const std::string& pattern) {
    std::string result;
    // Inside a bracket expression: the index where its members start, so that a "]" there
    // counts as a member rather than as the end.
    std::string::size_type members = std::string::npos;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (members != std::string::npos) {
            result += c;
            if (c == ']' && i > members) {
                members = std::string::npos;
            }
        } else if (c == '[') {
            std::size_t first = i + 1;
            if (first < pattern.size() && (pattern[first] == '!' || pattern[first] == '^')) {
                ++first;
            }
            // Without a closing "]" the "[" is an ordinary character, written as a bracket
            // of its own so that it cannot open the next letter's bracket.
            if (pattern.find(']', first + 1) == std::string::npos) {
                result += "[[]";
                continue;
            }
            result += '[';
            members = first;
            result.append(pattern, i + 1, first - i - 1);
            i = first - 1;
        } else if (text::isAsciiLetter(c)) {
            result += '[';
            result += text::toLowerAscii(c);
            result += text::toUpperAscii(c);
            result += ']';
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace zerlin
