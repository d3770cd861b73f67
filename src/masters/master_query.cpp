#include "masters/master_query.h"

#include <algorithm>
#include <utility>

#include "platform/loopback_only.h"
#include "status/host.h"

namespace zerlin::masters {

MasterQuery::MasterQuery(net::TcpNetwork& tcp, net::HostResolver& resolver, Timer& timer,
                         RecordRule rule)
    : tcp_(tcp), resolver_(resolver), timer_(timer), rule_(std::move(rule)) {
    timer_.setHandler([this] { timedOut(); });
}

MasterQuery::~MasterQuery() {
    timer_.setHandler({});
    timer_.stop();
}

void MasterQuery::start(const std::string& host, std::uint16_t port, Done done) {
    cancel();
    done_ = std::move(done);
    stage_ = Stage::LookingUp;
    timer_.start(kConnectTime);
    if (port == 0) {
        fail("no port given");
        return;
    }
    if (const auto address = status::parseIpAddress(host)) {
        connectTo({*address, port});
        return;
    }
    if (!status::isHostName(host)) {
        fail("not a host name");
        return;
    }
    const std::weak_ptr<int> life = life_;
    resolver_.lookUp(host, [this, life, port](std::vector<net::IpAddress> addresses) {
        if (life.expired() || stage_ != Stage::LookingUp) {
            return;
        }
        // An IPv4 address first: the masters are reached over IPv4 as the game reaches them.
        const auto v4 = std::find_if(addresses.begin(), addresses.end(),
                                     [](const net::IpAddress& a) { return !net::unmapped(a).v6; });
        if (addresses.empty()) {
            fail("the master's name is not known");
            return;
        }
        connectTo({v4 != addresses.end() ? *v4 : addresses.front(), port});
    });
}

void MasterQuery::cancel() {
    // A new life: the handlers of the exchange dropped find theirs ended.
    life_ = std::make_shared<int>(0);
    connection_.reset();
    timer_.stop();
    stage_ = Stage::Idle;
    done_ = nullptr;
    received_.clear();
    failure_.clear();
}

void MasterQuery::connectTo(const net::Endpoint& master) {
    masterOnLoopback_ = net::isLoopback(master.address);
    stage_ = Stage::Connecting;
    const std::weak_ptr<int> life = life_;
    net::TcpConnection::Handlers handlers;
    handlers.connected = [this, life] {
        if (!life.expired() && stage_ == Stage::Connecting) {
            stage_ = Stage::Hello;
            timer_.start(kAnswerTime);
        }
    };
    handlers.received = [this, life](std::string_view bytes) {
        if (!life.expired()) {
            received(bytes);
        }
    };
    handlers.closed = [this, life] {
        if (!life.expired()) {
            closed();
        }
    };
    handlers.failed = [this, life](const std::string& error) {
        if (!life.expired()) {
            finish(Failure{error.empty() ? "the connection failed" : error});
        }
    };
    connection_ = tcp_.connect(master, std::move(handlers));
    if (!connection_) {
        fail("no connection can be made to the master's address");
    }
}

void MasterQuery::received(std::string_view bytes) {
    if (stage_ != Stage::Hello && stage_ != Stage::Answer) {
        return;
    }
    // Bounded before it is kept: a master that sends without end is cut off at the limit.
    if (received_.size() + bytes.size() > kMaxAnswerBytes + kMaxHelloBytes) {
        finish(Failure{"the master's answer is larger than 1 MiB"});
        return;
    }
    received_.append(bytes);
    if (stage_ == Stage::Answer) {
        if (received_.size() > kMaxAnswerBytes) {
            finish(Failure{"the master's answer is larger than 1 MiB"});
        }
        return;
    }
    const Hello hello = readHello(received_);
    if (hello.state == Hello::State::Failed) {
        finish(Failure{hello.error});
        return;
    }
    if (hello.state == Hello::State::NeedMore) {
        return;
    }
    received_.erase(0, hello.used);
    stage_ = Stage::Answer;
    if (!connection_->write(request(hello.challenge))) {
        finish(Failure{"the request could not be sent"});
    }
}

void MasterQuery::closed() {
    if (stage_ != Stage::Answer) {
        finish(Failure{"the master closed the connection before it listed any server"});
        return;
    }
    Result<std::vector<Record>> read = readRecords(received_);
    if (!read) {
        finish(std::move(read));
        return;
    }
    std::vector<Record>& records = read.value();
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [this](const Record& record) {
                                     const auto address = status::parseIpAddress(record.ip);
                                     return !address || !rule_(*address, masterOnLoopback_);
                                 }),
                  records.end());
    finish(std::move(read));
}

void MasterQuery::timedOut() {
    switch (stage_) {
        case Stage::Idle:
            return;
        case Stage::Failing:
            finish(Failure{failure_});
            return;
        case Stage::LookingUp:
        case Stage::Connecting:
            finish(Failure{"no connection within 5 seconds"});
            return;
        case Stage::Hello:
        case Stage::Answer:
            finish(Failure{"no whole answer within 10 seconds"});
            return;
    }
}

// The failure is told at the timer's next tick, not from inside the call that found it.
void MasterQuery::fail(std::string why) {
    connection_.reset();
    failure_ = std::move(why);
    stage_ = Stage::Failing;
    timer_.start(std::chrono::microseconds(0));
}

void MasterQuery::finish(Result<std::vector<Record>> result) {
    Done done = std::move(done_);
    cancel();
    if (done) {
        done(std::move(result));
    }
}

}  // namespace zerlin::masters
