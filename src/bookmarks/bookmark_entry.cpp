#include "bookmarks/bookmark_entry.h"

namespace zerlin {

namespace utf8 {

namespace {

bool inRange(std::string_view text, std::size_t offset, unsigned char low, unsigned char high) {
    if (offset >= text.size()) {
        return false;
    }
    const auto byte = static_cast<unsigned char>(text[offset]);
    return byte >= low && byte <= high;
}

}  // namespace

std::size_t characterSize(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(text[offset]);
    if (lead < 0x80) {
        return 1;
    }
    // The second byte's range depends on the lead byte: that rules out overlong forms,
    // surrogates and values beyond U+10FFFF, which are not characters either.
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    std::size_t size = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        if (lead == 0xE0) {
            secondLow = 0xA0;
        } else if (lead == 0xED) {
            secondHigh = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4;
        if (lead == 0xF0) {
            secondLow = 0x90;
        } else if (lead == 0xF4) {
            secondHigh = 0x8F;
        }
    } else {
        return 1;
    }
    if (!inRange(text, offset + 1, secondLow, secondHigh)) {
        return 1;
    }
    for (std::size_t i = 2; i < size; ++i) {
        if (!inRange(text, offset + i, 0x80, 0xBF)) {
            return 1;
        }
    }
    return size;
}

std::size_t length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += characterSize(text, offset)) {
        ++count;
    }
    return count;
}

std::size_t offsetOf(std::string_view text, std::size_t index) {
    std::size_t offset = 0;
    for (std::size_t i = 0; i < index && offset < text.size(); ++i) {
        offset += characterSize(text, offset);
    }
    return offset;
}

std::string first(std::string_view text, std::size_t count) {
    return std::string(text.substr(0, offsetOf(text, count)));
}

std::string last(std::string_view text, std::size_t count) {
    const std::size_t total = length(text);
    return std::string(text.substr(offsetOf(text, total > count ? total - count : 0)));
}

}  // namespace utf8

std::string bookmarkNameField(std::string_view name) {
    const std::size_t characters = utf8::length(name);
    if (characters > kNameFieldLength) {
        return utf8::first(name, kNameKeptLength) + std::string(kNameEllipsis);
    }
    return std::string(name) + std::string(kNameFieldLength - characters, ' ');
}

std::string makeBookmarkEntry(std::string_view name, std::string_view ip, std::string_view port) {
    return bookmarkNameField(name) + ":" + std::string(ip) + ":" + std::string(port);
}

BookmarkAddress readBookmarkEntry(std::string_view row) {
    const std::size_t divider = utf8::offsetOf(row, kNameFieldLength);
    if (divider < row.size() && row[divider] == ':') {
        const std::size_t lastColon = row.rfind(':');
        if (lastColon > divider) {
            return {std::string(row.substr(divider + 1, lastColon - divider - 1)),
                    std::string(row.substr(lastColon + 1))};
        }
    }

    BookmarkAddress address;
    address.port = utf8::last(row, kLoosePortLength);
    const std::size_t firstColon = row.find(':');
    if (firstColon != std::string_view::npos) {
        const std::size_t fieldStart = firstColon + 1;
        const std::size_t fieldEnd = row.find(':', fieldStart);
        address.ip = std::string(row.substr(fieldStart, fieldEnd == std::string_view::npos
                                                            ? std::string_view::npos
                                                            : fieldEnd - fieldStart));
    }
    return address;
}

}  // namespace zerlin
