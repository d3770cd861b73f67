#pragma once

#include <string>
#include <string_view>

namespace zerlin::text {

// A text a server or the server list sent, made safe to show on one line in any widget,
// tooltip or notification: control characters (C0, DEL, C1) and the line and paragraph
// separators U+2028 and U+2029 become spaces, and the bidi embedding, override and isolate
// characters (U+202A to U+202E, U+2066 to U+2069) are dropped, so that no name can turn the
// texts after it around or end a line. Bytes that are not well-formed UTF-8 become U+FFFD.
std::string plainServerText(std::string_view utf8);

}  // namespace zerlin::text
