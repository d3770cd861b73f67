// A stand-in game server for the status tests: answers "\status\" on UDP like one of the game's
// servers, in the ways a test asks for. POSIX only, no Qt.
//
//   status_standin [--seconds N] ADDRESS:PORT:SCENARIO[,key=value...] ...
//
// Each server is bound to its own address (never to all of them). A "*" in place of one of the
// address's numbers picks a number free at the port (1 to 254, at random; the address's other
// servers of the same pattern get others); PORT 0 takes a port the system gives; "=" for the
// address is the one the server before took (one host answering at two ports). The address of
// each server of these kinds is printed, in order, as "bound ADDRESS:PORT", and "ready" once all
// are bound; the program ends after N seconds (60 unless told).
//
// Scenarios: one, reverse (three parts, last first), twice (three parts, the second sent
// twice), lose-once (three parts, the second left out of the first answer), no-final, stale
// (entries of players who left after numplayers), cp1252 (a player "Jürgen" in Windows-1252),
// backslash (a player "Foo\Bar"), silent, junk, too-many (17 parts), markup (a hostname of
// HTML), full-then-free (full until `after` seconds, then one slot free), silent-then-up
// (silent until `after` seconds), crowd (16 parts of as many players as asked, 1000 unless told:
// player 0 named with `long` characters, 30000 unless told, the others with `name` characters
// or "P<n>" for 0, on `teams` teams or none for 0, the server's texts of `text` characters).
// Keys: hostname, map, gametype, players, max, hostport, password, reserved, parts, after, mods
// (active_mods), gameid (sent only when given); for crowd, long, name, teams, text.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Server {
    std::string address;
    int port = 23000;
    std::string scenario = "one";
    std::map<std::string, std::string> options;
    int socket = -1;
    int requests = 0;
    int queryId = 0;

    std::string option(const std::string& key, const std::string& fallback) const {
        const auto found = options.find(key);
        return found == options.end() ? fallback : found->second;
    }
    int number(const std::string& key, int fallback) const {
        return std::atoi(option(key, std::to_string(fallback)).c_str());
    }
};

std::string pair(const std::string& key, const std::string& value) {
    return "\\" + key + "\\" + value;
}

// The pairs of a whole reply, in the order the game's servers send them.
std::vector<std::string> replyPairs(const Server& server, double uptime) {
    const std::string& scenario = server.scenario;
    int max = server.number("max", 64);
    int players = server.number("players", 3);
    if (scenario == "full-then-free") {
        players = uptime < server.number("after", 2) ? max : max - 1;
    }
    std::string hostname = server.option("hostname", "Stand-in " + server.address);
    if (scenario == "markup") {
        hostname = "<b>Bold</b> <img src=\"x\"> &amp;";
    }
    const int stale = scenario == "stale" ? 3 : 0;
    std::vector<std::string> pairs = {
        pair("gamename", "bfield1942"),
        pair("gamever", "v1.61"),
        pair("averageFPS", "0"),
        pair("hostname", hostname),
        pair("hostport", server.option("hostport", "14567")),
        pair("mapname", server.option("map", "Wake")),
        pair("gametype", server.option("gametype", "conquest")),
        pair("numplayers", std::to_string(players)),
        pair("maxplayers", std::to_string(max)),
        pair("password", server.option("password", "0")),
        pair("reservedslots", server.option("reserved", "2")),
        pair("roundTime", "1800"),
        pair("roundTimeRemain", "754"),
        pair("tickets1", "150"),
        pair("tickets2", "98"),
        pair("sv_punkbuster", "1"),
        pair("active_mods", server.option("mods", "bf1942")),
        pair("dedicated", "1"),
        pair("version", "1.61"),
    };
    if (const std::string gameId = server.option("gameid", ""); !gameId.empty()) {
        pairs.push_back(pair("gameId", gameId));
    }
    for (int i = 0; i < players + stale; ++i) {
        std::string name = i >= players ? "Gone" + std::to_string(i) : "Player" + std::to_string(i);
        if (scenario == "cp1252" && i == 0) {
            name = "J\xFCrgen";
        }
        if (scenario == "backslash" && i == 1) {
            name = "Foo\\Bar";
        }
        const std::string n = std::to_string(i);
        pairs.push_back(pair("playername_" + n, name));
        pairs.push_back(pair("keyhash_" + n, "c0ffee" + n + "deadbeef"));
        pairs.push_back(pair("ping_" + n, std::to_string(30 + i)));
        pairs.push_back(pair("kills_" + n, std::to_string(i * 2)));
        pairs.push_back(pair("deaths_" + n, std::to_string(i)));
        pairs.push_back(pair("score_" + n, std::to_string(100 - 7 * i)));
        pairs.push_back(pair("team_" + n, std::to_string(1 + i % 2)));
    }
    pairs.push_back(pair("teamname_0", "Axis"));
    pairs.push_back(pair("teamname_1", "Allies"));
    return pairs;
}

// As big a reply as a server can send: many players, long names.
std::vector<std::string> crowdPairs(const Server& server) {
    const int players = server.number("players", 1000);
    const int teams = server.number("teams", 0);
    const auto text = [&server](char c) {
        const int length = server.number("text", 0);
        return length > 0 ? std::string(static_cast<std::size_t>(length), c) : std::string(1, c);
    };
    std::vector<std::string> pairs = {
        pair("hostname", text('h')),
        pair("mapname", text('m')),
        pair("gametype", text('g')),
        pair("active_mods", text('a')),
        pair("gamever", text('v')),
        pair("numplayers", std::to_string(players)),
        pair("maxplayers", server.option("max", "64")),
    };
    for (int i = 0; i < players; ++i) {
        const std::string n = std::to_string(i);
        const int length = i == 0 ? server.number("long", 30000) : server.number("name", 0);
        pairs.push_back(pair("playername_" + n, length > 0 ? std::string(length, 'x') : "P" + n));
        if (teams > 0) {
            pairs.push_back(pair("team_" + n, std::to_string(1 + i % teams)));
            pairs.push_back(pair("score_" + n, n));
        }
    }
    return pairs;
}

// The datagrams of one answer, in the order they are sent.
std::vector<std::string> answer(Server& server, double uptime) {
    const std::string& scenario = server.scenario;
    if (scenario == "silent" ||
        (scenario == "silent-then-up" && uptime < server.number("after", 2))) {
        return {};
    }
    if (scenario == "junk") {
        return {"junk \x01\x02\xFF", "\\hostname\\x\\queryid\\abc", std::string(300, '\\')};
    }
    const std::vector<std::string> pairs =
        scenario == "crowd" ? crowdPairs(server) : replyPairs(server, uptime);
    std::size_t parts = static_cast<std::size_t>(server.number("parts", 1));
    if (scenario == "crowd") {
        parts = 16;
    } else if (scenario == "reverse" || scenario == "twice" || scenario == "lose-once") {
        parts = 3;
    } else if (scenario == "too-many") {
        parts = 17;
    }
    std::size_t bytes = 0;
    for (const std::string& p : pairs) {
        bytes += p.size();
    }
    if (scenario != "crowd") {
        parts = std::max(parts, bytes / 1300 + 1);  // no part above about 1400 bytes
    }
    parts = std::min(parts, pairs.size());
    const int id = ++server.queryId;
    std::vector<std::string> datagrams;
    for (std::size_t part = 0; part < parts; ++part) {
        std::string datagram;
        for (std::size_t i = part * pairs.size() / parts; i < (part + 1) * pairs.size() / parts;
             ++i) {
            datagram += pairs[i];
        }
        if (part + 1 == parts && scenario != "no-final") {
            datagram += "\\final\\";
        }
        datagram += "\\queryid\\" + std::to_string(id) + "." + std::to_string(part + 1);
        datagrams.push_back(datagram);
    }
    if (scenario == "reverse") {
        std::reverse(datagrams.begin(), datagrams.end());
    } else if (scenario == "twice") {
        datagrams.insert(datagrams.begin() + 2, datagrams[1]);
    } else if (scenario == "lose-once" && server.requests == 1) {
        datagrams.erase(datagrams.begin() + 1);
    }
    return datagrams;
}

bool parseServer(const std::string& text, Server& server) {
    std::string rest = text;
    const std::size_t comma = rest.find(',');
    std::string head = rest.substr(0, comma);
    if (comma != std::string::npos) {
        std::string options = rest.substr(comma + 1);
        std::size_t start = 0;
        while (start <= options.size()) {
            const std::size_t end = std::min(options.find(',', start), options.size());
            const std::string item = options.substr(start, end - start);
            const std::size_t equals = item.find('=');
            if (equals == std::string::npos) {
                return false;
            }
            server.options[item.substr(0, equals)] = item.substr(equals + 1);
            start = end + 1;
        }
    }
    const std::size_t first = head.find(':');
    const std::size_t second = head.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) {
        return false;
    }
    server.address = head.substr(0, first);
    server.port = std::atoi(head.substr(first + 1, second - first - 1).c_str());
    server.scenario = head.substr(second + 1);
    return true;
}

// The address with each "*" replaced by a number from 1 to 254.
std::string pick(const std::string& pattern) {
    std::string address;
    for (const char c : pattern) {
        address += c == '*' ? std::to_string(1 + std::rand() % 254) : std::string(1, c);
    }
    return address;
}

// Binds the server's socket, picking its address's free numbers and its port as asked; the
// server then holds the address and port bound.
bool bindServer(Server& server) {
    const std::string pattern = server.address;
    const int tries = pattern.find('*') == std::string::npos ? 1 : 500;
    for (int t = 0; t < tries; ++t) {
        server.address = pick(pattern);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(server.port));
        if (inet_pton(AF_INET, server.address.c_str(), &address.sin_addr) != 1 ||
            (ntohl(address.sin_addr.s_addr) >> 24) != 127) {
            std::fprintf(stderr, "status_standin: %s is no loopback address\n", pattern.c_str());
            return false;
        }
        server.socket = socket(AF_INET, SOCK_DGRAM, 0);
        if (server.socket < 0) {
            break;
        }
        if (bind(server.socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            socklen_t length = sizeof address;
            getsockname(server.socket, reinterpret_cast<sockaddr*>(&address), &length);
            server.port = ntohs(address.sin_port);
            return true;
        }
        close(server.socket);
        server.socket = -1;
    }
    std::fprintf(stderr, "status_standin: cannot bind %s:%d: %s\n", pattern.c_str(), server.port,
                 std::strerror(errno));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    std::vector<Server> servers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
            continue;
        }
        Server server;
        if (!parseServer(arg, server)) {
            std::fprintf(stderr, "status_standin: cannot read %s\n", arg.c_str());
            return 2;
        }
        servers.push_back(server);
    }
    std::srand(static_cast<unsigned>(getpid()) ^ static_cast<unsigned>(time(nullptr)));
    for (std::size_t i = 0; i < servers.size(); ++i) {
        Server& server = servers[i];
        const bool previous = server.address == "=" && i > 0;
        if (previous) {
            server.address = servers[i - 1].address;
        }
        const bool picked =
            previous || server.port == 0 || server.address.find('*') != std::string::npos;
        if (!bindServer(server)) {
            return 1;
        }
        if (picked) {
            std::printf("bound %s:%d\n", server.address.c_str(), server.port);
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);

    const auto started = Clock::now();
    std::vector<pollfd> fds;
    for (const Server& server : servers) {
        fds.push_back({server.socket, POLLIN, 0});
    }
    while (true) {
        const double uptime = std::chrono::duration<double>(Clock::now() - started).count();
        if (uptime >= seconds) {
            break;
        }
        const int ready = poll(fds.data(), fds.size(), 100);
        if (ready < 0 && errno != EINTR) {
            return 1;
        }
        for (std::size_t i = 0; i < servers.size(); ++i) {
            if ((fds[i].revents & POLLIN) == 0) {
                continue;
            }
            Server& server = servers[i];
            char request[2048];
            sockaddr_storage from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = recvfrom(server.socket, request, sizeof request, 0,
                                         reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 8 || std::string(request, 8) != "\\status\\") {
                continue;
            }
            ++server.requests;
            for (const std::string& datagram : answer(server, uptime)) {
                sendto(server.socket, datagram.data(), datagram.size(), 0,
                       reinterpret_cast<sockaddr*>(&from), fromLength);
            }
        }
    }
    return 0;
}
