#include "mods/init_con.h"

#include "text/ascii.h"
#include "text/code_page.h"
#include "text/utf8.h"

namespace zerlin::mods {

namespace {

constexpr std::string_view kBlanks = " \t";

// UTF-8 where the bytes are valid UTF-8, allowing for a character that the cut at
// kMaxInitConBytes split; Windows-1252 otherwise.
std::string decoded(std::string_view bytes) {
    std::string_view whole = bytes;
    if (bytes.size() == kMaxInitConBytes) {
        for (std::size_t drop = 1; drop < 4 && !utf8::isValid(whole); ++drop) {
            whole = bytes.substr(0, bytes.size() - drop);
        }
    }
    if (!utf8::isValid(whole)) {
        return text::windows1252ToUtf8(bytes);
    }
    if (whole.substr(0, utf8::kByteOrderMark.size()) == utf8::kByteOrderMark) {
        whole.remove_prefix(utf8::kByteOrderMark.size());
    }
    return std::string(whole);
}

// The value after a command: quoted, the text up to the closing quote (or the line's end);
// otherwise the rest of the line. Control characters become spaces, so that a name stays on one
// line wherever it is shown.
std::string valueOf(std::string_view rest) {
    std::string line(rest);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    std::string_view value = text::trimmed(line, kBlanks);
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
        value = value.substr(0, value.find('"'));
    }
    // Trimmed again after the cut, which may end on a blank.
    const std::string cut = utf8::first(text::trimmed(value, kBlanks), kMaxModTextLength);
    return std::string(text::trimmed(cut, kBlanks));
}

}  // namespace

InitCon readInitCon(std::string_view bytes) {
    const std::string content = decoded(bytes.substr(0, kMaxInitConBytes));
    InitCon result;
    std::string_view rest = content;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = text::trimmed(rest.substr(0, end), kBlanks);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);

        const std::size_t gap = line.find_first_of(kBlanks);
        if (gap == std::string_view::npos) {
            continue;
        }
        const std::string command = text::toLowerAscii(line.substr(0, gap));
        std::string* target = nullptr;
        if (command == "game.setcustomgamename" || command == "game.customgamename") {
            target = &result.name;
        } else if (command == "game.setcustomgameversion") {
            target = &result.version;
        } else {
            continue;
        }
        if (std::string value = valueOf(line.substr(gap)); !value.empty()) {
            *target = std::move(value);
        }
    }
    return result;
}

}  // namespace zerlin::mods
