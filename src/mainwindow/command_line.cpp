#include "mainwindow/command_line.h"

#include <algorithm>
#include <cstddef>

#include "bookmarks/bookmark_entry.h"
#include "text/ascii.h"

namespace zerlin::command_line {
namespace {

constexpr std::string_view kLinkScheme = "zerlin";

}  // namespace

std::optional<std::string> localPathFromUri(const std::string& text) {
    static const std::string scheme = "file://";
    if (text::toLowerAscii(text.substr(0, scheme.size())) != scheme) {
        return std::nullopt;
    }
    std::string rest = text.substr(scheme.size());
    // Only an empty host or "localhost" names this machine; the path starts at its "/".
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    const std::string host = rest.substr(0, slash);
    if (!host.empty() && text::toLowerAscii(host) != "localhost") {
        return std::nullopt;
    }
    // A "%" not followed by two hex digits is kept as it is: file managers do not produce it,
    // and a path that holds it literally still loads.
    std::string path = text::percentDecoded(rest.substr(slash));
    if (path.find('\0') != std::string::npos) {
        return std::nullopt;  // no file name holds it; the open would cut the path
    }
#ifdef _WIN32
    // file:///C:/Games/list.sbk names C:\Games\list.sbk.
    if (path.size() >= 3 && path[0] == '/' && text::isAsciiLetter(path[1]) && path[2] == ':') {
        path.erase(0, 1);
        std::replace(path.begin(), path.end(), '/', '\\');
    }
#endif
    return path;
}

std::string argumentText(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += words[i];
    }
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    if (std::optional<std::string> path = localPathFromUri(text)) {
        return *path;
    }
    return text;
}

// Bytes compare as characters here: the tested characters are ASCII, and no byte of a
// multi-byte UTF-8 character is.
bool isBookmarkFile(const std::string& argument) {
    return argument.size() >= 3 && argument.compare(argument.size() - 3, 3, "sbk") == 0;
}

bool isLink(const std::string& argument) {
    return argument.rfind(kLinkScheme, 0) == 0;
}

LinkFields linkFields(const std::string& link) {
    LinkFields fields;
    const std::size_t first = link.find(':');
    if (first == std::string::npos) {
        return fields;
    }
    const std::size_t second = link.find(':', first + 1);
    fields.ip = link.substr(first + 1,
                            second == std::string::npos ? std::string::npos : second - first - 1);
    if (second != std::string::npos) {
        const std::size_t third = link.find(':', second + 1);
        fields.port = link.substr(
            second + 1, third == std::string::npos ? std::string::npos : third - second - 1);
    }
    return fields;
}

std::optional<std::string> linkOfRow(std::string_view row) {
    const BookmarkAddress address = readBookmarkEntry(row);
    if (!address.ip || address.ip->empty() || address.port.empty() ||
        address.ip->find(':') != std::string::npos) {
        return std::nullopt;
    }
    return std::string(kLinkScheme) + ":" + *address.ip + ":" + address.port;
}

}  // namespace zerlin::command_line
