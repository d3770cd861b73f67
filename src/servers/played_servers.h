#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

// The servers the user played on lately: each join that started the game, kept between runs in
// the user's state folder so that the Servers window can list them again.
namespace zerlin::servers {

inline constexpr std::size_t kMaxPlayed = 50;

struct PlayedServer {
    std::string ip;  // as the boxes held it, trimmed: an IP or a host name
    std::uint16_t port = 0;
    std::optional<std::uint16_t> queryPort;  // where it is known
    std::string name;                        // where it is known
    std::string mod;                         // the mod's id, where it is known
    std::time_t time = 0;                    // of the last join

    friend bool operator==(const PlayedServer&, const PlayedServer&) = default;
};

// What tells two joins of one server: the IP trimmed and in lower case, with the port.
std::string playedKey(std::string_view ip, std::uint16_t port);

// Puts the join first, drops the server's earlier join (keeping its name and query port where
// this one knows none), and keeps the latest kMaxPlayed.
void addJoin(std::vector<PlayedServer>& played, PlayedServer joined);
// Whether the server was there to remove.
bool removePlayed(std::vector<PlayedServer>& played, std::string_view ip, std::uint16_t port);

// What the program knows of a server at the moment of its join.
struct JoinFacts {
    std::string answeredName;  // its status answer's, when one came
    std::string listedName;    // the server list's, when the list names it
    std::optional<std::uint16_t> listedQueryPort;
    std::string bookmarkName;  // the user's name for it, when a bookmark holds it
    std::string mod;
};

// The entry of a join of the IP and port texts: the server's own name (its status answer's,
// else the list's) before the bookmark's; none when the port is no port number.
std::optional<PlayedServer> playedJoin(std::string_view ip, std::string_view port,
                                       const JoinFacts& facts, std::time_t now);

std::string encodePlayed(const std::vector<PlayedServer>& played);
// None when the text is no such list; entries that name no server are left out.
std::optional<std::vector<PlayedServer>> decodePlayed(std::string_view text);

// <state folder>/<program name>/played.json; the empty text when there is no state folder.
std::string playedPath(const std::string& programName);

// played.json: read, and changed under a lock between running copies, each change written whole
// in one step. A regular file that cannot be read is set aside as played.json.corrupt and a new
// list started; anything else in its place (a folder, a FIFO) is left alone and the change
// fails. A link in its place is replaced by a file of its own. A change that fails is told
// once, the first time.
class PlayedServers {
  public:
    using Tell = std::function<void(const std::string& text)>;

    PlayedServers(std::string path, Tell tell);

    // Newest first; none when the file is missing or cannot be read.
    std::vector<PlayedServer> load() const;
    Status record(PlayedServer joined);
    Status forget(const std::string& ip, std::uint16_t port);

    const std::string& path() const { return path_; }
    static constexpr const char* notice = "Zerlin couldn't save the servers played: ";

  private:
    Status change(const std::function<void(std::vector<PlayedServer>&)>& edit);
    Status reported(Status status);

    std::string path_;
    Tell tell_;
    bool told_ = false;
};

}  // namespace zerlin::servers
