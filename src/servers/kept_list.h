#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "servers/listed_server.h"

// The last complete list, kept between runs in the user's cache folder, in the list's own JSON
// layout with the time it was got.
namespace zerlin::servers {

struct KeptList {
    std::time_t time = 0;
    bool fromLoopback = false;  // got from a list served from the machine itself
    std::vector<ListedServer> servers;
};

// <cache folder>/<program name>/servers.json; the empty text when there is no cache folder.
std::string keptListPath(const std::string& programName);

std::string encodeKeptList(const KeptList& list);
// The same for servers held elsewhere, written one by one: no copy of the list is made.
std::string encodeKeptList(std::time_t time, bool fromLoopback,
                           const std::vector<const ListedServer*>& servers);
// None when the text is no kept list; servers the address rules refuse are left out, as when
// they were listed.
std::optional<KeptList> decodeKeptList(std::string_view text);

// Writes the list, replacing the file whole or not at all (its folder made when missing); a link
// in its place is replaced by the file. A failure says "<path>: <why>".
Status saveKeptList(const std::string& path, const KeptList& list);
Status saveKeptList(const std::string& path, const std::string& encoded);
// None when there is none or it cannot be read: it is then ignored, and replaced later.
std::optional<KeptList> loadKeptList(const std::string& path);

}  // namespace zerlin::servers
