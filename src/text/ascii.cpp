#include "text/ascii.h"

#include <cstdint>
#include <optional>

#include "text/utf8.h"

namespace zerlin::text {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = toLowerAscii(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

namespace {

// The number the first `count` characters spell in hex; nothing when there are fewer or one of
// them is no hex digit.
std::optional<std::uint32_t> hexNumber(std::string_view text, std::size_t count) {
    if (text.size() < count) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : text.substr(0, count)) {
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

}  // namespace

std::string percentDecoded(std::string_view text, PercentEscapes kind) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            const bool wide =
                kind == PercentEscapes::characters && text.substr(i + 1).starts_with('U');
            const std::size_t from = i + (wide ? 2 : 1);
            const std::size_t digits = wide ? 4 : 2;
            if (const std::optional<std::uint32_t> value = hexNumber(text.substr(from), digits)) {
                if (kind == PercentEscapes::bytes) {
                    out += static_cast<char>(*value);
                } else {
                    utf8::append(out, *value);
                }
                i = from + digits - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

void appendPercentEscape(std::string& out, char byte) {
    static constexpr std::string_view kHexDigits = "0123456789ABCDEF";
    const auto value = static_cast<unsigned char>(byte);
    out += '%';
    out += kHexDigits[value >> 4];
    out += kHexDigits[value & 0xF];
}

std::string percentEncoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
            c == '~') {
            out += c;
        } else {
            appendPercentEscape(out, c);
        }
    }
    return out;
}

}  // namespace zerlin::text
