#include "text/utf8.h"

namespace zerlin::utf8 {

std::optional<CodePoint> decode(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) {
        return std::nullopt;
    }
    const auto lead = static_cast<unsigned char>(text[offset]);
    if (lead < 0x80) {
        return CodePoint{lead, 1};
    }
    // The second byte's range depends on the lead byte: that rules out overlong forms,
    // surrogates and values beyond U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    std::size_t size = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return std::nullopt;
    }
    if (text.size() - offset < size) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < size; ++i) {
        const auto next = static_cast<unsigned char>(text[offset + i]);
        if (i == 1 ? next < low || next > high : next < 0x80 || next > 0xBF) {
            return std::nullopt;
        }
        value = (value << 6) | (next & 0x3F);
    }
    return CodePoint{value, size};
}

void append(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        c = U'\uFFFD';
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isValid(std::string_view bytes) {
    for (std::size_t offset = 0; offset < bytes.size();) {
        const std::optional<CodePoint> c = decode(bytes, offset);
        if (!c) {
            return false;
        }
        offset += c->size;
    }
    return true;
}

std::string replaceIllFormed(std::string_view bytes) {
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t offset = 0; offset < bytes.size();) {
        if (const std::optional<CodePoint> c = decode(bytes, offset)) {
            out.append(bytes, offset, c->size);
            offset += c->size;
        } else {
            out += replacement;
            ++offset;
        }
    }
    return out;
}

std::size_t characterSize(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) {
        return 0;
    }
    const std::optional<CodePoint> c = decode(text, offset);
    return c ? c->size : 1;
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

}  // namespace zerlin::utf8
