#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <queue>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/network.h"
#include "platform/timer.h"
#include "status/reply.h"
#include "status/server_status.h"

// Asks servers for their status and keeps the last answer of each while some part of the
// program wants it. One service serves the whole program: each part that shows statuses is a
// StatusClient of it with its own set of servers.
namespace zerlin::status {

inline constexpr int kTries = 2;
inline constexpr std::chrono::microseconds kTryTime = std::chrono::seconds(1);
// One datagram leaves in this time, on average, so that a refresh of many servers is no burst.
inline constexpr std::chrono::microseconds kSendInterval = std::chrono::milliseconds(1);
// A turn of the event loop that comes late sends the datagrams it missed, of this time at most:
// a busy window costs no pace, and no more than 5 datagrams leave at once.
inline constexpr std::chrono::microseconds kSendCatchUp = std::chrono::milliseconds(4);
// A search of the query ports, found or not, is not made again for a server in this time.
inline constexpr std::chrono::microseconds kSearchMemory = std::chrono::minutes(10);

// A server as the IP and port boxes or a bookmark row name it: the texts as they stand.
struct ServerKey {
    std::string host;
    std::string port;

    friend bool operator==(const ServerKey&, const ServerKey&) = default;
    friend bool operator<(const ServerKey& a, const ServerKey& b) {
        return std::tie(a.host, a.port) < std::tie(b.host, b.port);
    }
};

// A server to ask, and where it answers when a server list says so already.
struct Request {
    // NOLINTNEXTLINE(google-explicit-constructor): a server alone is the usual request
    Request(ServerKey server, std::optional<std::uint16_t> queryPort = std::nullopt)
        : server(std::move(server)), queryPort(queryPort) {}

    ServerKey server;
    // Only this port is asked, with no search. None: 23000, and the ports after it when 23000
    // is another server of the host.
    std::optional<std::uint16_t> queryPort;
};

// The server of a bookmark row, read as a double-click on the row reads it into the boxes. A
// row that names no IP gives an empty host: like any text that is no address, host name or
// port, it is sent nothing and tells no answer.
ServerKey serverOfRow(std::string_view row);
// A server as a server list names it, by its IP and game port number: the key the boxes would
// give it, so that the list and the bookmarks share each answer.
ServerKey listedServer(std::string_view ip, std::uint16_t port);
// A server whose game port is not known yet, only where it answers (a master's record): asked
// at that query port alone, whatever game port its answer names. One key a query port, so that
// the servers of one host stay apart.
ServerKey unknownGamePort(std::string_view ip, std::uint16_t queryPort);

struct Answer {
    ServerStatus status;
    int pingMs = 0;  // from sending the query to the first part of its reply
};

// What is known of a server. A refresh keeps the last result until the new one comes.
struct ServerState {
    bool asking = false;           // a query is under way
    bool ended = false;            // a query has ended at least once: answer holds its result
    std::optional<Answer> answer;  // none after a query ended: no answer
};

class StatusClient;

class StatusService {
  public:
    StatusService(net::DatagramSocket& socket, net::HostResolver& resolver, const net::Clock& clock,
                  Timer& timer);
    ~StatusService();
    StatusService(const StatusService&) = delete;
    StatusService& operator=(const StatusService&) = delete;

    // The state of a server; a server that no client wants is neither asking nor ended.
    const ServerState& state(const ServerKey& server) const;
    // Whether any server is still being asked.
    bool busy() const;
    // Called with each answer as it comes, whichever client asked: for what must know what a
    // server said last (which mod it runs).
    void setAnswerHandler(std::function<void(const ServerKey&, const Answer&)> handler) {
        answered_ = std::move(handler);
    }

  private:
    friend class StatusClient;
    using ClientId = unsigned;
    using ChangeHandler = std::function<void(const ServerKey&)>;

    enum class Phase { Idle, LookingUp, Asking, Scanning };
    struct Query {
        Phase phase = Phase::Idle;
        unsigned serial = 0;  // tells a look-up's late answer from the current one's
        net::IpAddress address;
        std::uint16_t gamePort = 0;
        std::uint16_t askedPort = 0;       // Asking: the query port asked
        bool remembered = false;           // Asking: that port was remembered
        bool given = false;                // Asking: that port was given with the request
        std::set<std::uint16_t> scanning;  // Scanning: the ports still to answer
    };
    struct Entry {
        ServerState state;
        Query query;
        std::optional<std::uint16_t> queryPort;  // as the last request gave it
        std::set<ClientId> clients;              // the clients that want it
    };
    struct Probe {
        ReplyAssembler assembler;
        std::vector<std::chrono::microseconds> sent;
        std::chrono::microseconds deadline{};
        bool queued = false;
    };

    // For StatusClient.
    ClientId addClient();
    void removeClient(ClientId client);
    void setChangeHandler(ClientId client, ChangeHandler handler);
    void want(ClientId client, const std::vector<Request>& requests, bool ask);
    // Wants these servers too and asks them, in the order given, keeping the others wanted.
    void askMore(ClientId client, const std::vector<Request>& requests);
    void ask(ClientId client, const Request& request);
    void keepOnly(ClientId client, std::set<ServerKey> servers);
    bool busy(ClientId client) const;

    // Starts asking the server unless it is asked already; ask() schedules the sending too,
    // beginQuery() leaves that to its caller (who starts many at once).
    void ask(const ServerKey& key, Entry& entry);
    // wantersOnly: only the clients that want the server are told (a client asking thousands
    // at once costs the others nothing), else every client.
    bool beginQuery(const ServerKey& key, Entry& entry, bool wantersOnly = false);
    void start(const ServerKey& key, Entry& entry);
    void startAsking(Entry& entry);
    void startAsking(Entry& entry, std::uint16_t port, bool remembered);
    void probe(const net::Endpoint& endpoint);
    void finish(const ServerKey& key, Entry& entry, std::optional<Answer> answer);
    void probeEnded(const net::Endpoint& endpoint, const std::optional<Answer>& answer);
    void askedPortEnded(const ServerKey& key, Entry& entry, std::uint16_t port,
                        const std::optional<Answer>& answer);
    void lookedUp(const ServerKey& key, unsigned serial, const std::vector<net::IpAddress>& found);
    void received(const net::Endpoint& from, std::string_view bytes);
    void tick();
    void schedule();
    std::chrono::microseconds sendDue(std::chrono::microseconds now) const;
    void changed(const ServerKey& key);

    net::DatagramSocket& socket_;
    net::HostResolver& resolver_;
    const net::Clock& clock_;
    Timer& timer_;
    ClientId nextClient_ = 1;
    std::map<ClientId, ChangeHandler> handlers_;
    std::map<ClientId, std::set<ServerKey>> wanted_;
    std::map<ServerKey, Entry> entries_;
    std::map<net::Endpoint, Probe> probes_;
    std::deque<net::Endpoint> sendQueue_;
    // When each datagram sent times out, earliest first; one no longer its probe's is skipped.
    using Deadline = std::pair<std::chrono::microseconds, net::Endpoint>;
    std::priority_queue<Deadline, std::vector<Deadline>, std::greater<>> deadlines_;
    std::optional<std::chrono::microseconds> lastSend_;
    // While datagrams wait: when the next is due (see kSendCatchUp).
    std::optional<std::chrono::microseconds> sendDue_;
    // What is known of where a host and game port answer.
    struct PortMemory {
        std::optional<std::uint16_t> found;               // the query port that answered
        std::optional<std::chrono::microseconds> search;  // when the ports were last searched
    };
    std::map<std::pair<net::IpAddress, std::uint16_t>, PortMemory> queryPorts_;
    unsigned nextSerial_ = 1;
    std::function<void(const ServerKey&, const Answer&)> answered_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zerlin::status
