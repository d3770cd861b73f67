#include "settings/ini_document.h"

#include <algorithm>
#include <cstdint>

#include "text/ascii.h"
#include "text/utf8.h"

namespace zerlin {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr char kHex[] = "0123456789abcdef";

// A name as earlier versions wrote it: `%XX` and `%UXXXX` stand for the character with that
// number.
std::string decodeName(std::string_view raw) {
    return text::percentDecoded(raw, text::PercentEscapes::characters);
}

// A name written so that it reads back as itself: characters with a meaning in the file, and
// blanks at its ends, as `%XX`.
std::string encodeName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool edge = (i == 0 || i + 1 == name.size()) && (c == ' ' || c == '\t');
        if (c < 0x20 || c == 0x7F || edge ||
            std::string_view("%=[];#\"\\").find(static_cast<char>(c)) != std::string_view::npos) {
            text::appendPercentEscape(out, static_cast<char>(c));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// A section's name as the file spells it: "General" holds the entries of no section, and a
// section really named so is written "%General".
std::string sectionName(std::string_view raw) {
    const std::string folded = text::toLowerAscii(raw);
    if (folded == "general") {
        return {};
    }
    if (folded == "%general") {
        return "general";
    }
    return text::toLowerAscii(decodeName(raw));
}

std::string sectionLine(std::string_view section) {
    if (section.empty()) {
        return "[General]";
    }
    if (text::toLowerAscii(section) == "general") {
        return "[%General]";
    }
    std::string line = "[";
    line += encodeName(section);
    line += ']';
    return line;
}

// The character of the numeric escape whose `x` or first octal digit is at text[at], as UTF-8;
// returns where the escape ends. Digits that would go past the last character are not read.
std::size_t appendNumber(std::string_view text, std::size_t at, std::string& out) {
    const bool hex = text[at] == 'x';
    const std::uint32_t base = hex ? 16 : 8;
    std::uint32_t cp = hex ? 0 : static_cast<std::uint32_t>(text[at] - '0');
    std::size_t digits = hex ? 0 : 1;
    for (; at + 1 < text.size(); ++at, ++digits) {
        const int digit = text::hexDigitValue(text[at + 1]);
        if (digit < 0 || static_cast<std::uint32_t>(digit) >= base ||
            cp * base + static_cast<std::uint32_t>(digit) > 0x10FFFF) {
            break;
        }
        cp = cp * base + static_cast<std::uint32_t>(digit);
    }
    if (digits > 0) {
        utf8::append(out, cp);
    }
    return at;
}

// Backslash escapes: `\a \b \f \n \r \t \v \" \' \? \\`, `\x` and hex digits, `\` and octal
// digits; before any other character the backslash is dropped.
std::string unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        switch (c) {
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'v':
                out += '\v';
                break;
            case 'x':
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7':
                i = appendNumber(text, i, out);
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Whether the text is one double-quoted string: a quote at each end and none unescaped between.
bool whollyQuoted(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
        return false;
    }
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
            if (i + 1 == text.size()) {
                return false;  // the closing quote is escaped
            }
        } else if (text[i] == '"') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string decodeIniValue(std::string_view written) {
    std::string text = whollyQuoted(written) ? unescape(written.substr(1, written.size() - 2))
                                             : std::string(written);
    // Earlier versions marked a text starting with `@` by one more, and wrote a text holding a
    // NUL character as `@String(...)`.
    if (text.starts_with("@@")) {
        return text.substr(1);
    }
    if (text == "@Invalid()") {
        return {};
    }
    for (const std::string_view wrapper : {"@String(", "@ByteArray("}) {
        if (text.starts_with(wrapper) && text.back() == ')') {
            return unescape(
                std::string_view(text).substr(wrapper.size(), text.size() - wrapper.size() - 1));
        }
    }
    return text;
}

std::string encodeIniValue(std::string_view value) {
    std::string text = value.starts_with("@") ? "@" : "";
    text += value;
    const bool control = std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    const bool quotes =
        !text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '"' ||
                          text.back() == ' ' || text.back() == '\t');
    if (!control && !quotes) {
        return text;
    }
    std::string out = "\"";
    // A digit after a numeric escape would be read as part of it.
    bool escapeHexDigit = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (escapeHexDigit && text::hexDigitValue(c) >= 0) {
            out += "\\x";
            out += kHex[byte / 16];
            out += kHex[byte % 16];
            continue;
        }
        escapeHexDigit = false;
        switch (c) {
            case '\0':
                out += "\\0";
                escapeHexDigit = true;
                break;
            case '\a':
                out += "\\a";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\v':
                out += "\\v";
                break;
            case '"':
            case '\\':
                out += '\\';
                out += c;
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    out += "\\x";
                    out += kHex[byte / 16];
                    out += kHex[byte % 16];
                    escapeHexDigit = true;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

IniDocument::IniDocument(std::string_view bytes) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r') {
            continue;
        }
        Line line;
        line.text = bytes.substr(start, i - start);
        const bool crlf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        line.end = crlf ? "\r\n" : std::string(1, bytes[i]);
        i += crlf ? 1 : 0;
        start = i + 1;
        lines_.push_back(std::move(line));
    }
    if (start < bytes.size()) {
        Line line;
        line.text = bytes.substr(start);
        lines_.push_back(std::move(line));
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        classify(lines_[i], i == 0);
    }
    index();
}

void IniDocument::classify(Line& line, bool first) {
    std::string_view text = line.text;
    const std::size_t offset =
        first && text.starts_with(utf8::kByteOrderMark) ? utf8::kByteOrderMark.size() : 0;
    // Most lines are ASCII; a long comment is checked a byte at a time without decoding it.
    line.utf8 = std::all_of(text.begin(), text.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
                utf8::isValid(text);
    text.remove_prefix(offset);
    const std::string_view content = text::trimmed(text);
    line.bad = false;
    if (content.empty()) {
        line.kind = Kind::blank;
    } else if (content.front() == ';' || content.front() == '#') {
        line.kind = Kind::comment;
    } else if (content.front() == '[') {
        // An unclosed bracket, or text after it, is still read as the section's line.
        line.kind = Kind::section;
        const std::size_t close = content.find(']');
        line.name = sectionName(text::trimmed(content.substr(
            1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
        const std::string_view after = close == std::string_view::npos
                                           ? std::string_view()
                                           : text::trimmed(content.substr(close + 1));
        line.bad = close == std::string_view::npos ||
                   (!after.empty() && after.front() != ';' && after.front() != '#');
    } else {
        const std::size_t equals = content.find('=');
        const std::string_view key = equals == std::string_view::npos
                                         ? std::string_view()
                                         : text::trimmed(content.substr(0, equals));
        if (key.empty()) {
            line.kind = Kind::bad;
            line.bad = true;
            return;
        }
        line.kind = Kind::entry;
        line.name = text::toLowerAscii(decodeName(key));
        const std::size_t at =
            static_cast<std::size_t>(content.data() - line.text.data()) + equals + 1;
        const std::size_t value = line.text.find_first_not_of(kBlanks, at);
        line.valueAt = value == std::string::npos ? line.text.size() : value;
    }
}

void IniDocument::index() {
    int current = -1;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::section) {
            current = static_cast<int>(i);
        }
        lines_[i].section = current;
    }
}

bool IniDocument::inSection(const Line& line, const std::string& foldedSection) const {
    if (line.section < 0) {
        return foldedSection.empty();
    }
    return lines_[static_cast<std::size_t>(line.section)].name == foldedSection;
}

// The first line's end for the lines written, CRLF or LF. Never a lone CR (old Mac files): a
// line ending in one, put before a blank line, would read back as one CRLF and swallow it.
std::string IniDocument::lineEnd() const {
    return !lines_.empty() && lines_.front().end == "\r\n" ? "\r\n" : "\n";
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const std::vector<std::size_t> found =
        entries(text::toLowerAscii(section), text::toLowerAscii(key));
    if (found.empty()) {
        return std::nullopt;
    }
    const Line& line = lines_[found.front()];
    return decodeIniValue(text::trimmed(std::string_view(line.text).substr(line.valueAt)));
}

std::vector<std::size_t> IniDocument::entries(const std::string& foldedSection,
                                              const std::string& foldedKey) const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::entry && line.name == foldedKey && inSection(line, foldedSection)) {
            found.push_back(i);
        }
    }
    return found;
}

// After the last line that is not blank or a comment of the first matching section; the
// entries of no section first go before any section line.
std::optional<std::size_t> IniDocument::placeForNew(const std::string& foldedSection) const {
    const auto content = [&](std::size_t i) {
        return lines_[i].kind == Kind::entry || lines_[i].kind == Kind::bad;
    };
    std::optional<std::size_t> after;
    if (foldedSection.empty()) {
        for (std::size_t i = 0; i < lines_.size() && lines_[i].kind != Kind::section; ++i) {
            if (content(i)) {
                after = i;
            }
        }
    }
    for (std::size_t i = 0; !after && i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::section || lines_[i].name != foldedSection) {
            continue;
        }
        after = i;
        for (std::size_t j = i + 1; j < lines_.size() && lines_[j].kind != Kind::section; ++j) {
            if (content(j)) {
                after = j;
            }
        }
    }
    return after;
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    if (key.empty()) {
        return;
    }
    const std::string foldedSection = text::toLowerAscii(section);
    const std::string written = encodeIniValue(value);
    const std::vector<std::size_t> found = entries(foldedSection, text::toLowerAscii(key));
    if (!found.empty()) {
        // The line that is read; later spellings of the name are the user's lines, unread.
        Line& first = lines_[found.front()];
        first.text = first.text.substr(0, first.valueAt) + written;
        return;
    }

    Line entry;
    entry.text = encodeName(key) + "=" + written;
    entry.end = lineEnd();
    classify(entry, false);
    if (const std::optional<std::size_t> after = placeForNew(foldedSection)) {
        Line& before = lines_[*after];
        if (before.end.empty()) {
            before.end = lineEnd();
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*after + 1), std::move(entry));
        index();
        return;
    }

    if (!lines_.empty()) {
        if (lines_.back().end.empty()) {
            lines_.back().end = lineEnd();
        }
        if (lines_.back().kind != Kind::blank) {
            Line blank;
            blank.end = lineEnd();
            lines_.push_back(std::move(blank));
        }
    }
    Line header;
    header.text = sectionLine(section);
    header.end = lineEnd();
    classify(header, lines_.empty());
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(entry));
    index();
}

std::string IniDocument::text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

std::vector<std::string> IniDocument::badLines() const {
    std::vector<std::string> out;
    for (const Line& line : lines_) {
        if (line.bad || !line.utf8) {
            out.push_back(line.text);
        }
    }
    return out;
}

}  // namespace zerlin
