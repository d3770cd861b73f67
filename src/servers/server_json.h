#pragma once

#include <nlohmann/json.hpp>
#include <optional>

#include "servers/listed_server.h"

// One server of the list in JSON, in the list's own layout: read with every rule applied (the
// address rules, limits, texts cut), and written back in the same layout for the kept list.
namespace zerlin::servers {

inline constexpr std::size_t kMaxPlayersPerServer = 256;
inline constexpr std::size_t kMaxTextLength = 256;  // characters

// Cuts the text to kMaxTextLength characters as utf8::length counts them (never inside a
// well-formed character) and makes it plain, one-line text (text::plainServerText), so that no
// listed text can break a line or turn the texts after it around.
std::string cleanText(std::string_view text);

// The server, or none when the JSON is no object, its address is not allowed or its port is
// outside 1 to 65535. Any other field missing or of another type reads as empty or 0.
std::optional<ListedServer> readServer(const nlohmann::json& object, bool listFromLoopback);

// The object's field read as a whole number the way readServer() reads one; none when it is
// missing or no finite number.
std::optional<long long> integerField(const nlohmann::json& object, const char* key);

nlohmann::json serverJson(const ListedServer& server);

}  // namespace zerlin::servers
