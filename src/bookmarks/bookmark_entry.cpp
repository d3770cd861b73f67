#include "bookmarks/bookmark_entry.h"

#include "text/ascii.h"

namespace zerlin {

namespace {

// Where the name field ends in a row with the layout Add gives: the ":" after it; npos for
// any other row.
std::size_t nameFieldEnd(std::string_view row) {
    const std::size_t divider = utf8::offsetOf(row, kNameFieldLength);
    return divider < row.size() && row[divider] == ':' ? divider : std::string_view::npos;
}

}  // namespace

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
    if (const std::size_t divider = nameFieldEnd(row); divider != std::string_view::npos) {
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

std::string bookmarkName(std::string_view row) {
    const std::size_t divider = nameFieldEnd(row);
    return std::string(text::trimmed(
        row.substr(0, divider == std::string_view::npos ? row.find(':') : divider), " "));
}

}  // namespace zerlin
