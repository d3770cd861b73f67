#include "bookmarks/module2.h"

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "text/code_page.h"

namespace zerlin {

namespace {

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

Result<std::vector<std::string>> decodeBookmarkFile(std::string_view bytes) {
    const auto lineEnds = static_cast<std::size_t>(
        std::count_if(bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; }));
    if (bytes.size() - lineEnds > kMaxBookmarkFileBytes) {
        return Failure{"The file is larger than " +
                       std::to_string(kMaxBookmarkFileBytes / (std::size_t{1024} * 1024)) +
                       " MiB."};
    }
    std::vector<std::string> rows;
    if (!splitLines(text::decodeFileText(bytes), rows, kMaxBookmarkLines)) {
        return Failure{"It has more than " + std::to_string(kMaxBookmarkLines) + " lines."};
    }
    return rows;
}

Status LoadBookmarkFile(const std::string& path, ListBox& list) {
    // Room for the line ends of the most lines a file may have, each CR LF.
    const Result<std::string> file =
        files::readRegularFile(path, kMaxBookmarkFileBytes + std::size_t{2} * kMaxBookmarkLines);
    if (!file) {
        return Failure{file.error()};
    }
    const Result<std::vector<std::string>> lines = decodeBookmarkFile(file.value());
    if (!lines) {
        return Failure{lines.error()};
    }
    // Only now, with the whole file read, the old rows go.
    list.clear();
    for (const std::string& line : lines.value()) {
        list.append(line);
    }
    return {};
}

Status WriteBookmarkFile(const std::string& path, const ListBox& list) {
    std::string text;
    const int rows = list.count();
    for (int i = 0; i < rows; ++i) {
        text += list.row(i);
        text += "\r\n";
    }
    return files::replaceFile(path, text::encodeFileText(text));
}

}  // namespace zerlin
