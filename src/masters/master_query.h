#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "masters/master_protocol.h"
#include "platform/network.h"
#include "platform/result.h"
#include "platform/tcp.h"
#include "platform/timer.h"

namespace zerlin::masters {

inline constexpr std::chrono::microseconds kConnectTime = std::chrono::seconds(5);
inline constexpr std::chrono::microseconds kAnswerTime = std::chrono::seconds(10);

// Which records may be kept: the servers' address rules, told whether the master itself is on
// the machine (only then may it list loopback servers).
using RecordRule = std::function<bool(const net::IpAddress& record, bool masterOnLoopback)>;

// One exchange with one master: its name looked up, the connection, the challenge answered, the
// list asked and read until the master closes. The look-up and connection must be done within
// kConnectTime, the answer within kAnswerTime of the connection, and the answer must stay within
// kMaxAnswerBytes; anything else fails the exchange with the reason.
class MasterQuery {
  public:
    using Done = std::function<void(Result<std::vector<Record>>)>;

    MasterQuery(net::TcpNetwork& tcp, net::HostResolver& resolver, Timer& timer, RecordRule rule);
    ~MasterQuery();
    MasterQuery(const MasterQuery&) = delete;
    MasterQuery& operator=(const MasterQuery&) = delete;

    // Asks the master at host (a name, a dotted IPv4 or an IPv6 address) and port, dropping an
    // exchange under way. done is called once, later, from the event loop; never after cancel()
    // or the query's end.
    void start(const std::string& host, std::uint16_t port, Done done);
    void cancel();
    bool running() const { return stage_ != Stage::Idle; }

  private:
    enum class Stage { Idle, LookingUp, Connecting, Hello, Answer, Failing };

    void lookedUp(const std::vector<net::IpAddress>& addresses);
    void connectTo(const net::Endpoint& master);
    void received(std::string_view bytes);
    void closed();
    void timedOut();
    void fail(std::string why);
    void finish(Result<std::vector<Record>> result);

    net::TcpNetwork& tcp_;
    net::HostResolver& resolver_;
    Timer& timer_;
    RecordRule rule_;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    Done done_;
    Stage stage_ = Stage::Idle;
    std::unique_ptr<net::TcpConnection> connection_;
    bool masterOnLoopback_ = false;
    std::string received_;
    std::string failure_;  // told at the timer's tick, when the exchange fails before it began
};

}  // namespace zerlin::masters
