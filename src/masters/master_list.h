#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "masters/master_protocol.h"
#include "masters/master_query.h"
#include "platform/network.h"
#include "platform/tcp.h"
#include "platform/timer.h"

namespace zerlin::masters {

// One entry of the setting: "host:port", "host" (the usual port) or "[IPv6]:port".
struct MasterEntry {
    std::string text;  // as set: how the master is named to the user
    std::string host;
    std::uint16_t port = 0;  // 0: the entry could not be read
};

// The entries of the setting, split at blanks, each once, in their order.
std::vector<MasterEntry> parseMasters(std::string_view setting);

struct MasterOutcome {
    std::string master;  // the host as set (the entry as set when it could not be read)
    bool ok = false;
    std::vector<Record> records;  // those the address rules let through
    std::string failure;
};

// Asks every master of the setting (keys::serversMasters) side by side, each with its own time
// limits, and tells each master's outcome as it comes and all of them once every master has
// answered or failed.
class MasterList {
  public:
    using TimerMaker = std::function<std::unique_ptr<Timer>()>;

    MasterList(net::TcpNetwork& tcp, net::HostResolver& resolver, TimerMaker makeTimer,
               RecordRule rule);
    ~MasterList();
    MasterList(const MasterList&) = delete;
    MasterList& operator=(const MasterList&) = delete;

    // Asks the masters of the setting, dropping an ask under way. False, and done is never
    // called, when the setting names none (the masters are off). Otherwise done is called once,
    // later, from the event loop, with the outcomes in the setting's order.
    bool start(std::string_view setting, std::function<void(std::vector<MasterOutcome>)> done);
    // Called with each master's outcome as it comes, before done.
    void setOutcomeHandler(std::function<void(const MasterOutcome&)> handler) {
        each_ = std::move(handler);
    }
    // Drops the ask under way; done is not called.
    void cancel();
    bool running() const { return waiting_ > 0; }

  private:
    struct Asking;

    void answered(std::size_t index, Result<std::vector<Record>> result);

    net::TcpNetwork& tcp_;
    net::HostResolver& resolver_;
    TimerMaker makeTimer_;
    RecordRule rule_;
    std::vector<std::unique_ptr<Asking>> asking_;
    std::vector<MasterOutcome> outcomes_;
    std::size_t waiting_ = 0;
    std::uint64_t asks_ = 0;  // counts the asks started or dropped
    std::function<void(std::vector<MasterOutcome>)> done_;
    std::function<void(const MasterOutcome&)> each_;
};

}  // namespace zerlin::masters
