#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "mods/installed_mods.h"
#include "platform/result.h"

namespace zerlin::mods {

// The most servers whose mod is kept: more than the Servers window lists (10,000), with room for
// the bookmarks' answers.
inline constexpr std::size_t kMaxServersKnown = 16384;

// Which mod each server runs, as last heard: from the server list's "gameId" or from the
// server's own status answer, whichever came last. Servers are named by the IP and port texts,
// as the boxes hold them (the IP without regard to case or the blanks at its ends).
class ServerMods {
  public:
    // The list or a status answer named the server's mod. An empty id says nothing.
    void heard(const std::string& ip, const std::string& port, const std::string& mod);
    // The mod last heard for the server; none when nothing was heard.
    std::optional<std::string> modOf(const std::string& ip, const std::string& port) const;

  private:
    using Key = std::pair<std::string, std::string>;
    static Key keyOf(const std::string& ip, const std::string& port);

    struct Known {
        std::string mod;
        std::uint64_t serial = 0;  // when it was heard, to drop the oldest
    };
    std::map<Key, Known> known_;
    std::map<std::uint64_t, Key> bySerial_;  // the oldest heard first
    std::uint64_t nextSerial_ = 0;
};

// The message of a join refused because its mod is missing.
std::string notInstalledMessage(std::string_view id);

// The folder a join passes with "+game": the installed folder's own spelling, or the empty text
// for the plain game, no mod and no mod known. Fails with notInstalledMessage for a mod that is
// not installed (an id that can name no folder among them).
Result<std::string> gameFolderForJoin(const ModTable& installed,
                                      const std::optional<std::string>& mod);

}  // namespace zerlin::mods
