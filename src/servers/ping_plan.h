#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "servers/server_rows.h"
#include "status/status_service.h"

// Which listed servers are pinged. The list is anyone's to edit: were every entry asked, one
// host named a thousand times with a thousand ports would get a thousand datagrams from every
// copy of the program at each refresh. So the well-known ports are never asked, and one
// address only so many times.
namespace zerlin::servers {

inline constexpr std::uint16_t kLowestQueryPort = 1024;
inline constexpr std::size_t kMaxPingsPerAddress = 16;

// Marks each row asked or not (ServerRow::notPinged), in the list's order: a query port below
// kLowestQueryPort is not asked, nor any server of an address after its first
// kMaxPingsPerAddress asked ones. Returns the servers to ask, each at the query port the list
// gives. from: the rows before are planned already (the rows after were added to them), and
// count against their addresses.
std::vector<status::Request> planPings(std::vector<ServerRow>& rows, std::size_t from = 0);

// The request for a row: at its query port, or searched for where none is known (0).
status::Request pingRequest(const ServerRow& row);

}  // namespace zerlin::servers
