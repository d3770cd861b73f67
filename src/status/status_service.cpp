#include "status/status_service.h"

#include <algorithm>

#include "bookmarks/bookmark_entry.h"
#include "status/host.h"

namespace zerlin::status {

namespace {

const ServerState kNeverAsked{};

// The game port a reply names; a hostport that is no port (no number, 0) names none.
std::optional<std::uint16_t> gamePortOf(const ServerStatus& status) {
    if (!status.hostPort || *status.hostPort < 1 || *status.hostPort > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*status.hostPort);
}

}  // namespace

ServerKey listedServer(std::string_view ip, std::uint16_t port) {
    return ServerKey{std::string(ip), std::to_string(port)};
}

ServerKey unknownGamePort(std::string_view ip, std::uint16_t queryPort) {
    // Appended rather than "?" + text: GCC 12 at -O3 takes the latter for an overlapping copy.
    std::string port(1, '?');
    port += std::to_string(queryPort);
    return ServerKey{std::string(ip), std::move(port)};
}

ServerKey serverOfRow(std::string_view row) {
    BookmarkAddress address = readBookmarkEntry(row);
    return ServerKey{address.ip.value_or(""), std::move(address.port)};
}

StatusService::StatusService(net::DatagramSocket& socket, net::HostResolver& resolver,
                             const net::Clock& clock, Timer& timer)
    : socket_(socket), resolver_(resolver), clock_(clock), timer_(timer) {
    socket_.setReceiveHandler(
        [this](const net::Endpoint& from, std::string_view bytes) { received(from, bytes); });
    timer_.setHandler([this] { tick(); });
}

StatusService::~StatusService() {
    socket_.setReceiveHandler({});
    timer_.setHandler({});
    timer_.stop();
}

StatusService::ClientId StatusService::addClient() {
    const ClientId client = nextClient_++;
    wanted_[client];
    return client;
}

void StatusService::removeClient(ClientId client) {
    keepOnly(client, {});
    wanted_.erase(client);
    handlers_.erase(client);
}

void StatusService::setChangeHandler(ClientId client, ChangeHandler handler) {
    if (handler) {
        handlers_[client] = std::move(handler);
    } else {
        handlers_.erase(client);
    }
}

void StatusService::want(ClientId client, const std::vector<Request>& requests, bool ask) {
    std::set<ServerKey> servers;
    for (const Request& request : requests) {
        servers.insert(request.server);
    }
    keepOnly(client, servers);
    if (!ask) {
        return;
    }
    // In the order given, so that the list's top rows are asked first; each server once.
    // Scheduled once for them all; only the clients that want a server are told it is asked.
    std::set<ServerKey> asked;
    for (const Request& request : requests) {
        if (asked.insert(request.server).second) {
            Entry& entry = entries_[request.server];
            entry.queryPort = request.queryPort;
            beginQuery(request.server, entry, true);
        }
    }
    schedule();
}

void StatusService::askMore(ClientId client, const std::vector<Request>& requests) {
    std::set<ServerKey>& wanted = wanted_[client];
    for (const Request& request : requests) {
        wanted.insert(request.server);
        Entry& entry = entries_[request.server];
        entry.clients.insert(client);
        if (!entry.state.asking) {  // one asked already goes on, as it was asked
            entry.queryPort = request.queryPort;
            beginQuery(request.server, entry, true);
        }
    }
    schedule();
}

void StatusService::ask(ClientId client, const Request& request) {
    wanted_[client].insert(request.server);
    Entry& entry = entries_[request.server];
    entry.clients.insert(client);
    entry.queryPort = request.queryPort;
    ask(request.server, entry);
}

void StatusService::keepOnly(ClientId client, std::set<ServerKey> servers) {
    std::set<ServerKey>& wanted = wanted_[client];
    for (const ServerKey& key : wanted) {
        if (servers.contains(key)) {
            continue;
        }
        const auto found = entries_.find(key);
        if (found != entries_.end()) {
            found->second.clients.erase(client);
            if (found->second.clients.empty()) {
                entries_.erase(found);  // no client wants it any more
            }
        }
    }
    for (const ServerKey& key : servers) {
        entries_[key].clients.insert(client);
    }
    wanted = std::move(servers);
}

bool StatusService::busy(ClientId client) const {
    const auto found = wanted_.find(client);
    if (found == wanted_.end()) {
        return false;
    }
    return std::any_of(found->second.begin(), found->second.end(),
                       [this](const ServerKey& key) { return state(key).asking; });
}

void StatusService::ask(const ServerKey& key, Entry& entry) {
    if (beginQuery(key, entry)) {
        schedule();
    }
}

bool StatusService::beginQuery(const ServerKey& key, Entry& entry, bool wantersOnly) {
    if (entry.state.asking) {
        return false;
    }
    entry.state.asking = true;
    if (!wantersOnly) {
        changed(key);
    } else {
        for (const ClientId client : entry.clients) {
            const auto handler = handlers_.find(client);
            if (handler != handlers_.end()) {
                handler->second(key);
            }
        }
    }
    start(key, entry);
    return true;
}

const ServerState& StatusService::state(const ServerKey& server) const {
    const auto found = entries_.find(server);
    return found == entries_.end() ? kNeverAsked : found->second.state;
}

bool StatusService::busy() const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [](const auto& item) { return item.second.state.asking; });
}

void StatusService::start(const ServerKey& key, Entry& entry) {
    Query& query = entry.query;
    query = Query{};
    query.serial = nextSerial_++;
    // See unknownGamePort: any answer at the query port given is the server.
    const bool unknown = key.port.starts_with('?') && entry.queryPort;
    const std::optional<std::uint16_t> port =
        unknown ? std::optional<std::uint16_t>(0) : parsePort(key.port);
    if (!port) {
        finish(key, entry, std::nullopt);
        return;
    }
    query.gamePort = *port;
    if (const auto address = parseIpAddress(key.host)) {
        // The reply of an IPv4-mapped address comes from its IPv4 form: asked in that form.
        query.address = net::unmapped(*address);
        startAsking(entry);
        return;
    }
    if (!isHostName(key.host)) {
        finish(key, entry, std::nullopt);  // junk is sent nowhere, not even to a resolver
        return;
    }
    query.phase = Phase::LookingUp;
    std::weak_ptr<bool> alive = alive_;
    resolver_.lookUp(key.host, [this, alive, key,
                                serial = query.serial](const std::vector<net::IpAddress>& found) {
        if (!alive.expired()) {
            lookedUp(key, serial, found);
        }
    });
}

void StatusService::lookedUp(const ServerKey& key, unsigned serial,
                             const std::vector<net::IpAddress>& found) {
    const auto item = entries_.find(key);
    if (item == entries_.end() || item->second.query.serial != serial ||
        item->second.query.phase != Phase::LookingUp) {
        return;
    }
    Entry& entry = item->second;
    if (found.empty()) {
        finish(key, entry, std::nullopt);
        return;
    }
    // The game speaks IPv4: an IPv4 address of the name goes first.
    const auto v4 = std::find_if(found.begin(), found.end(),
                                 [](const net::IpAddress& address) { return !address.v6; });
    entry.query.address = net::unmapped(v4 != found.end() ? *v4 : found.front());
    startAsking(entry);
    schedule();
}

// The port given with the request, else the one found before, else the first.
void StatusService::startAsking(Entry& entry) {
    if (entry.queryPort) {
        startAsking(entry, *entry.queryPort, false);
        entry.query.given = true;
        return;
    }
    const auto known = queryPorts_.find({entry.query.address, entry.query.gamePort});
    if (known != queryPorts_.end() && known->second.found) {
        startAsking(entry, *known->second.found, true);
    } else {
        startAsking(entry, kFirstQueryPort, false);
    }
}

void StatusService::startAsking(Entry& entry, std::uint16_t port, bool remembered) {
    entry.query.phase = Phase::Asking;
    entry.query.askedPort = port;
    entry.query.remembered = remembered;
    probe({entry.query.address, port});
}

void StatusService::probe(const net::Endpoint& endpoint) {
    if (probes_.contains(endpoint)) {
        return;  // another server's query is asking there already: share its answer
    }
    probes_[endpoint].queued = true;
    sendQueue_.push_back(endpoint);
}

void StatusService::finish(const ServerKey& key, Entry& entry, std::optional<Answer> answer) {
    entry.query.phase = Phase::Idle;
    entry.state.asking = false;
    entry.state.ended = true;
    entry.state.answer = std::move(answer);
    if (entry.state.answer && answered_) {
        answered_(key, *entry.state.answer);
    }
    changed(key);
}

void StatusService::probeEnded(const net::Endpoint& endpoint, const std::optional<Answer>& answer) {
    for (auto& [key, entry] : entries_) {
        Query& query = entry.query;
        if (query.address != endpoint.address) {
            continue;
        }
        if (query.phase == Phase::Asking && query.askedPort == endpoint.port) {
            askedPortEnded(key, entry, endpoint.port, answer);
        } else if (query.phase == Phase::Scanning && query.scanning.erase(endpoint.port) != 0) {
            // Only a reply naming this game port is the server while scanning.
            if (answer && gamePortOf(answer->status) == query.gamePort) {
                queryPorts_[{query.address, query.gamePort}].found = endpoint.port;
                finish(key, entry, answer);
            } else if (query.scanning.empty()) {
                finish(key, entry, std::nullopt);
            }
        }
    }
}

void StatusService::askedPortEnded(const ServerKey& key, Entry& entry, std::uint16_t port,
                                   const std::optional<Answer>& answer) {
    Query& query = entry.query;
    const std::pair<net::IpAddress, std::uint16_t> server{query.address, query.gamePort};
    const std::optional<std::uint16_t> named = answer ? gamePortOf(answer->status) : std::nullopt;
    if (answer && (!named || named == query.gamePort || query.gamePort == 0)) {
        if (!query.given) {
            queryPorts_[server].found = port;
        }
        finish(key, entry, answer);
    } else if (!query.given && query.remembered && port != kFirstQueryPort) {
        // The server moved: search again when another answers there, else tell no answer.
        queryPorts_[server].found.reset();
        if (answer) {
            startAsking(entry, kFirstQueryPort, false);
        } else {
            finish(key, entry, std::nullopt);
        }
    } else if (!query.given && answer && port == kFirstQueryPort) {
        // 23000 is another server of the host: the others usually follow it. Searched once in a
        // while only, so that a mistyped port does not make every refresh a search.
        PortMemory& memory = queryPorts_[server];
        const std::chrono::microseconds now = clock_.now();
        if (memory.search && now - *memory.search < kSearchMemory) {
            finish(key, entry, std::nullopt);
            return;
        }
        memory.search = now;
        query.phase = Phase::Scanning;
        for (std::uint16_t other = kFirstQueryPort + 1; other <= kLastQueryPort; ++other) {
            query.scanning.insert(other);
            probe({query.address, other});
        }
    } else {
        // No answer at 23000, or another server at a port given: no search.
        finish(key, entry, std::nullopt);
    }
}

void StatusService::received(const net::Endpoint& from, std::string_view bytes) {
    const auto found = probes_.find(from);
    if (found == probes_.end() || found->second.sent.empty()) {
        return;  // nothing asked there: not ours
    }
    Probe& probe = found->second;
    const std::chrono::microseconds now = clock_.now();
    std::optional<std::vector<std::string>> bodies = probe.assembler.add(bytes, now);
    if (!bodies) {
        return;
    }
    // The ping runs from the last query sent before the reply's first part.
    const std::chrono::microseconds firstPart = probe.assembler.firstPartTime();
    std::chrono::microseconds sentAt = probe.sent.front();
    for (const auto time : probe.sent) {
        if (time <= firstPart) {
            sentAt = time;
        }
    }
    Answer answer;
    answer.status = parseServerStatus(readPairs(*bodies));
    answer.pingMs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(firstPart - sentAt).count());
    std::erase(sendQueue_, from);
    probes_.erase(found);
    probeEnded(from, answer);
    schedule();
}

void StatusService::tick() {
    const std::chrono::microseconds now = clock_.now();
    if (!sendQueue_.empty()) {
        sendDue_ = std::max(sendDue(now), now - kSendCatchUp);
        while (!sendQueue_.empty() && *sendDue_ <= now) {
            const net::Endpoint endpoint = sendQueue_.front();
            sendQueue_.pop_front();
            Probe& probe = probes_[endpoint];
            probe.queued = false;
            probe.sent.push_back(now);
            probe.deadline = now + kTryTime;
            deadlines_.emplace(probe.deadline, endpoint);
            lastSend_ = now;
            *sendDue_ += kSendInterval;
            socket_.send(endpoint, kStatusRequest);  // a failed send ends as a try unanswered
        }
    }
    std::vector<net::Endpoint> silent;
    while (!deadlines_.empty() && deadlines_.top().first <= now) {
        const auto [deadline, endpoint] = deadlines_.top();
        deadlines_.pop();
        const auto found = probes_.find(endpoint);
        if (found == probes_.end() || found->second.queued || found->second.deadline != deadline) {
            continue;  // answered, or sent again since
        }
        Probe& probe = found->second;
        probe.queued = true;  // sent again, or ended below: its deadline is done with
        if (static_cast<int>(probe.sent.size()) < kTries) {
            sendQueue_.push_back(endpoint);
        } else {
            silent.push_back(endpoint);
        }
    }
    for (const net::Endpoint& endpoint : silent) {
        probes_.erase(endpoint);
        probeEnded(endpoint, std::nullopt);
    }
    schedule();
}

std::chrono::microseconds StatusService::sendDue(std::chrono::microseconds now) const {
    if (sendDue_) {
        return *sendDue_;
    }
    return lastSend_ ? std::max(now, *lastSend_ + kSendInterval) : now;
}

void StatusService::schedule() {
    const std::chrono::microseconds now = clock_.now();
    std::optional<std::chrono::microseconds> next;
    if (sendQueue_.empty()) {
        sendDue_.reset();  // the next datagram starts a new run, a millisecond after the last
    } else {
        next = std::max(now, sendDue(now));
    }
    while (!deadlines_.empty()) {
        const auto& [deadline, endpoint] = deadlines_.top();
        const auto found = probes_.find(endpoint);
        if (found != probes_.end() && !found->second.queued && found->second.deadline == deadline) {
            if (!next || deadline < *next) {
                next = deadline;
            }
            break;
        }
        deadlines_.pop();  // answered or sent again: no longer due
    }
    if (next) {
        timer_.start(std::max(*next - now, std::chrono::microseconds(0)));
    } else {
        timer_.stop();
    }
}

void StatusService::changed(const ServerKey& key) {
    for (const auto& [client, handler] : handlers_) {
        handler(key);
    }
}

}  // namespace zerlin::status
