#include "text/code_page.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/utf16.h"
#include "text/utf8.h"

namespace zerlin::text {

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the code page equals Latin-1. The undefined
// bytes keep their own value as a C1 control character.
constexpr std::array<char32_t, 32> kHigh1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr std::string_view kByteOrderMark = utf8::kByteOrderMark;

bool hasNonAscii(std::string_view bytes) {
    return std::ranges::any_of(bytes, [](char b) { return static_cast<std::uint8_t>(b) >= 0x80; });
}

// The platform's code page, in both directions.
std::string fromCodePage(std::string_view bytes) {
#ifdef _WIN32
    const unsigned acp = ansiCodePage();
    if (acp != 1252 && acp != kUtf8CodePage) {
        return toUtf8(toUtf16(bytes, acp));
    }
#endif
    // With a UTF-8 system code page, bytes that are not UTF-8 still most likely came from
    // a Western copy of the program.
    return windows1252ToUtf8(bytes);
}

std::optional<std::string> toCodePage(std::string_view text) {
#ifdef _WIN32
    const unsigned acp = ansiCodePage();
    if (acp == kUtf8CodePage) {
        return std::nullopt;
    }
    if (acp != 1252) {
        if (!utf8::isValid(text)) {
            return std::nullopt;
        }
        std::optional<std::string> bytes = utf16ToCodePage(toUtf16(text), acp);
        // Some code pages take no flags; a read-back comparison catches any loss either way.
        if (!bytes || fromCodePage(*bytes) != text) {
            return std::nullopt;
        }
        return bytes;
    }
#endif
    return utf8ToWindows1252(text);
}

}  // namespace

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char b : bytes) {
        const auto value = static_cast<std::uint8_t>(b);
        utf8::append(out, value >= 0x80 && value <= 0x9F ? kHigh1252[value - 0x80] : value);
    }
    return out;
}

std::optional<std::string> utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t offset = 0;
    while (offset < text.size()) {
        const std::optional<utf8::CodePoint> decoded = utf8::decode(text, offset);
        if (!decoded) {
            return std::nullopt;
        }
        offset += decoded->size;
        const char32_t c = decoded->value;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        const auto index =
            static_cast<std::size_t>(std::ranges::find(kHigh1252, c) - kHigh1252.begin());
        if (index == kHigh1252.size()) {
            return std::nullopt;
        }
        out += static_cast<char>(0x80 + index);
    }
    return out;
}

std::string decodeFileText(std::string_view bytes) {
    if (hasNonAscii(bytes) && utf8::isValid(bytes)) {
        if (bytes.starts_with(kByteOrderMark)) {
            bytes.remove_prefix(kByteOrderMark.size());
        }
        return std::string(bytes);
    }
    return fromCodePage(bytes);
}

std::string encodeFileText(std::string_view text) {
    std::optional<std::string> bytes = toCodePage(text);
    // Code-page bytes that happen to be well-formed UTF-8 (such as "Ã©") would read back as
    // other characters: those texts are stored as UTF-8 too.
    if (bytes && !(hasNonAscii(*bytes) && utf8::isValid(*bytes))) {
        return *bytes;
    }
    // A text that itself starts with the byte-order mark character keeps it only behind a
    // byte-order mark of the file, as the reader drops one.
    if (text.starts_with(kByteOrderMark)) {
        return std::string(kByteOrderMark) + std::string(text);
    }
    return std::string(text);
}

}  // namespace zerlin::text
