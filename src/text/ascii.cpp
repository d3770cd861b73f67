#include "text/ascii.h"

#include <cstdint>

#include "text/utf8.h"

namespace zerlin::text {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = toLowerAscii(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

std::string percentDecoded(std::string_view text, PercentEscapes kind) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            const bool wide =
                kind == PercentEscapes::characters && i + 1 < text.size() && text[i + 1] == 'U';
            const std::size_t from = i + (wide ? 2 : 1);
            const std::size_t digits = wide ? 4 : 2;
            std::uint32_t value = 0;
            std::size_t k = 0;
            for (; k < digits && from + k < text.size() && hexDigitValue(text[from + k]) >= 0;
                 ++k) {
                value = value * 16 + static_cast<std::uint32_t>(hexDigitValue(text[from + k]));
            }
            if (k == digits) {
                if (kind == PercentEscapes::bytes) {
                    out += static_cast<char>(value);
                } else {
                    utf8::append(out, value < 0xD800 || value > 0xDFFF ? value : U'\uFFFD');
                }
                i = from + digits - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace zerlin::text
