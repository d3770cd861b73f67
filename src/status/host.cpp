#include "status/host.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace zerlin::status {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

std::optional<net::IpAddress> parseIpv4(std::string_view text) {
    net::IpAddress address;
    std::size_t at = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != '.') {
                return std::nullopt;
            }
            ++at;
        }
        std::size_t end = at;
        while (end < text.size() && isDigit(text[end]) && end - at < 4) {
            ++end;
        }
        const std::size_t length = end - at;
        if (length == 0 || length > 3 || (length > 1 && text[at] == '0')) {
            return std::nullopt;
        }
        unsigned value = 0;
        std::from_chars(text.data() + at, text.data() + end, value);
        if (value > 255) {
            return std::nullopt;
        }
        address.bytes[i] = static_cast<std::uint8_t>(value);
        at = end;
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    return address;
}

namespace {

// Groups of up to four hex digits split by single colons; the last may be a dotted IPv4
// address, which stands for two groups.
std::optional<std::vector<std::uint16_t>> parseGroups(std::string_view text, bool lastMayBeV4) {
    std::vector<std::uint16_t> groups;
    if (text.empty()) {
        return groups;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        const std::string_view group =
            text.substr(start, colon == std::string_view::npos ? colon : colon - start);
        if (colon == std::string_view::npos && lastMayBeV4 &&
            group.find('.') != std::string_view::npos) {
            const auto v4 = parseIpv4(group);
            if (!v4) {
                return std::nullopt;
            }
            groups.push_back(static_cast<std::uint16_t>((v4->bytes[0] << 8) | v4->bytes[1]));
            groups.push_back(static_cast<std::uint16_t>((v4->bytes[2] << 8) | v4->bytes[3]));
            return groups;
        }
        if (group.empty() || group.size() > 4 ||
            !std::all_of(group.begin(), group.end(), isHexDigit)) {
            return std::nullopt;
        }
        unsigned value = 0;
        std::from_chars(group.data(), group.data() + group.size(), value, 16);
        groups.push_back(static_cast<std::uint16_t>(value));
        if (colon == std::string_view::npos) {
            return groups;
        }
        start = colon + 1;
    }
}

// Eight groups, or fewer with one "::" standing for the zero groups left out.
std::optional<std::array<std::uint8_t, 16>> parseIpv6(std::string_view text) {
    if (text.size() > 45) {
        return std::nullopt;
    }
    const std::size_t gap = text.find("::");
    std::optional<std::vector<std::uint16_t>> head;
    std::optional<std::vector<std::uint16_t>> tail = std::vector<std::uint16_t>{};
    if (gap == std::string_view::npos) {
        head = parseGroups(text, true);
    } else if (text.find("::", gap + 1) == std::string_view::npos) {
        head = parseGroups(text.substr(0, gap), false);
        tail = parseGroups(text.substr(gap + 2), true);
    }
    if (!head || !tail ||
        (gap == std::string_view::npos ? head->size() != 8 : head->size() + tail->size() > 7)) {
        return std::nullopt;
    }
    std::array<std::uint16_t, 8> groups{};
    std::copy(head->begin(), head->end(), groups.begin());
    std::copy(tail->begin(), tail->end(), groups.end() - static_cast<std::ptrdiff_t>(tail->size()));
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(groups[i] >> 8);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(groups[i] & 0xFF);
    }
    return bytes;
}

}  // namespace

std::optional<net::IpAddress> parseIpAddress(std::string_view text) {
    if (std::optional<net::IpAddress> v4 = parseIpv4(text)) {
        return v4;
    }
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        text = text.substr(1, text.size() - 2);
    }
    if (const auto v6 = parseIpv6(text)) {
        return net::IpAddress{true, *v6};
    }
    return std::nullopt;
}

bool isHostName(std::string_view text) {
    if (!text.empty() && text.back() == '.') {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 253) {
        return false;
    }
    std::string_view lastLabel;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t dot = std::min(text.find('.', start), text.size());
        const std::string_view label = text.substr(start, dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
            return false;
        }
        const bool fine = std::all_of(label.begin(), label.end(), [](char c) {
            return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
                   c == '_';
        });
        if (!fine) {
            return false;
        }
        lastLabel = label;
        start = dot + 1;
    }
    return !std::all_of(lastLabel.begin(), lastLabel.end(), isDigit);
}

std::optional<std::uint16_t> parsePort(std::string_view text) {
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), isDigit)) {
        return std::nullopt;
    }
    unsigned value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace zerlin::status
