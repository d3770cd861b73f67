#include "bookmarks/module2.h"

#include <utility>
#include <vector>

#include "bookmarks/codepage.h"
#include "platform/files.h"

namespace zerlin {

namespace {

BookmarkFileResult failure(std::string reason) {
    return {false, std::move(reason)};
}

// Splits a file's text into lines: CR LF, CR and LF each end a line, and a line end at the
// very end starts no further line. Stops as soon as a line past maxLines begins.
bool splitLines(const std::string& text, std::vector<std::string>& lines, int maxLines) {
    std::size_t start = 0;
    while (start < text.size()) {
        if (static_cast<int>(lines.size()) == maxLines) {
            return false;
        }
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return true;
}

}  // namespace

BookmarkFileResult LoadBookmarkFile(const std::string& path, ListBox& list) {
    const files::ReadResult file = files::readRegularFile(path, kMaxBookmarkFileBytes);
    if (!file.ok) {
        return failure(file.error);
    }
    std::vector<std::string> lines;
    if (!splitLines(codepage::decodeFileText(file.bytes), lines, kMaxBookmarkLines)) {
        return failure("It has more than " + std::to_string(kMaxBookmarkLines) + " lines.");
    }
    // Only now, with the whole file read, the old rows go.
    list.clear();
    for (const std::string& line : lines) {
        list.append(line);
    }
    return {true, {}};
}

BookmarkFileResult WriteBookmarkFile(const std::string& path, const ListBox& list) {
    std::string text;
    const int rows = list.count();
    for (int i = 0; i < rows; ++i) {
        text += list.row(i);
        text += "\r\n";
    }
    const std::string error = files::replaceFile(path, codepage::encodeFileText(text));
    if (!error.empty()) {
        return failure(error);
    }
    return {true, {}};
}

}  // namespace zerlin
