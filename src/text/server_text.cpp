#include "text/server_text.h"

#include "text/utf8.h"

namespace zerlin::text {

namespace {

bool isBreaking(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

bool isBidiControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string plainServerText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<utf8::CodePoint> c = utf8::decode(utf8, i);
        if (!c) {
            utf8::append(out, 0xFFFD);
            ++i;
            continue;
        }
        if (isBreaking(c->value)) {
            out += ' ';
        } else if (!isBidiControl(c->value)) {
            out.append(utf8.substr(i, c->size));
        }
        i += c->size;
    }
    return out;
}

}  // namespace zerlin::text
