#pragma once

#include <string>
#include <string_view>

namespace zerlin::text {

// The count and the noun after it, in the singular for one and with an "s" otherwise:
// "1 server", "0 servers", "23 players".
inline std::string counted(long long count, std::string_view noun) {
    std::string text = std::to_string(count);
    text += ' ';
    text += noun;
    if (count != 1) {
        text += 's';
    }
    return text;
}

}  // namespace zerlin::text
