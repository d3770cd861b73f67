#include "bookmarks/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "platform/utf8.h"

namespace zerlin::codepage {

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the code page equals Latin-1. The undefined
// bytes keep their own value as a C1 control character.
constexpr std::array<char32_t, 32> kHigh1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool hasNonAscii(std::string_view bytes) {
    return std::ranges::any_of(bytes, [](char b) { return static_cast<std::uint8_t>(b) >= 0x80; });
}

#ifdef _WIN32

std::wstring widen(std::string_view text, UINT codePage, DWORD flags) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (wide <= 0) {
        return {};
    }
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, out.data(), wide);
    return out;
}

std::string narrow(const std::wstring& text, UINT codePage, DWORD flags, BOOL* usedDefault) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, usedDefault);
    if (bytes <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), bytes, nullptr,
                        usedDefault);
    return out;
}

#endif

// The platform's code page, in both directions.
std::string fromCodePage(std::string_view bytes) {
#ifdef _WIN32
    const UINT acp = GetACP();
    if (acp != 1252 && acp != CP_UTF8) {
        return narrow(widen(bytes, acp, 0), CP_UTF8, 0, nullptr);
    }
#endif
    // With a UTF-8 system code page, bytes that are not UTF-8 still most likely came from
    // a Western copy of the program.
    return windows1252ToUtf8(bytes);
}

std::optional<std::string> toCodePage(std::string_view text) {
#ifdef _WIN32
    const UINT acp = GetACP();
    if (acp == CP_UTF8) {
        return std::nullopt;
    }
    if (acp != 1252) {
        if (!utf8::isValid(text)) {
            return std::nullopt;
        }
        BOOL usedDefault = FALSE;
        std::string bytes =
            narrow(widen(text, CP_UTF8, 0), acp, WC_NO_BEST_FIT_CHARS, &usedDefault);
        // Some code pages take no flags; a read-back comparison catches any loss either way.
        if (usedDefault || fromCodePage(bytes) != text) {
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
        bool found = false;
        for (std::size_t i = 0; i < kHigh1252.size() && !found; ++i) {
            if (kHigh1252[i] == c) {
                out += static_cast<char>(0x80 + i);
                found = true;
            }
        }
        if (!found) {
            return std::nullopt;
        }
    }
    return out;
}

std::string decodeFileText(std::string_view bytes) {
    if (hasNonAscii(bytes) && utf8::isValid(bytes)) {
        if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
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
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        return std::string(kByteOrderMark) + std::string(text);
    }
    return std::string(text);
}

}  // namespace zerlin::codepage
