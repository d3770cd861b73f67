#include "masters/master_list.h"

#include <algorithm>
#include <utility>

#include "status/host.h"

namespace zerlin::masters {

struct MasterList::Asking {
    std::unique_ptr<Timer> timer;
    std::unique_ptr<MasterQuery> query;
};

namespace {

MasterEntry readEntry(std::string_view text) {
    MasterEntry entry{std::string(text), {}, 0};
    std::string_view host = text;
    std::string_view port;
    if (text.starts_with("[")) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return entry;
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(":")) {
            return entry;
        }
        port = rest.empty() ? rest : rest.substr(1);
    } else if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    const std::optional<std::uint16_t> number =
        port.empty() ? std::optional<std::uint16_t>(kDefaultMasterPort) : status::parsePort(port);
    if (!number || host.empty()) {
        return entry;
    }
    entry.host = std::string(host);
    entry.port = *number;
    return entry;
}

}  // namespace

std::vector<MasterEntry> parseMasters(std::string_view setting) {
    std::vector<MasterEntry> entries;
    constexpr std::string_view kBlanks = " \t\r\n";
    while (true) {
        const std::size_t start = setting.find_first_not_of(kBlanks);
        if (start == std::string_view::npos) {
            break;
        }
        setting.remove_prefix(start);
        const std::size_t end = std::min(setting.find_first_of(kBlanks), setting.size());
        const std::string_view text = setting.substr(0, end);
        setting.remove_prefix(end);
        if (std::none_of(entries.begin(), entries.end(),
                         [text](const MasterEntry& e) { return e.text == text; })) {
            entries.push_back(readEntry(text));
        }
    }
    return entries;
}

MasterList::MasterList(net::TcpNetwork& tcp, net::HostResolver& resolver, TimerMaker makeTimer,
                       RecordRule rule)
    : tcp_(tcp), resolver_(resolver), makeTimer_(std::move(makeTimer)), rule_(std::move(rule)) {}

MasterList::~MasterList() {
    // Each query before its timer.
    for (auto& asking : asking_) {
        asking->query.reset();
    }
}

bool MasterList::start(std::string_view setting,
                       std::function<void(std::vector<MasterOutcome>)> done) {
    cancel();
    const std::vector<MasterEntry> entries = parseMasters(setting);
    if (entries.empty()) {
        return false;
    }
    done_ = std::move(done);
    waiting_ = entries.size();
    // The queries and their timers are kept from one ask to the next, never ended from inside
    // one of their handlers.
    while (asking_.size() < entries.size()) {
        auto asking = std::make_unique<Asking>();
        asking->timer = makeTimer_();
        asking->query = std::make_unique<MasterQuery>(tcp_, resolver_, *asking->timer, rule_);
        asking_.push_back(std::move(asking));
    }
    for (const MasterEntry& entry : entries) {
        // Named by its host alone where the entry could be read: the port says nothing to the user.
        outcomes_.push_back({entry.port != 0 ? entry.host : entry.text, false, {}, {}});
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // An entry that could not be read fails as its query does: later, with the reason.
        asking_[i]->query->start(
            entries[i].host, entries[i].port,
            [this, i](Result<std::vector<Record>> result) { answered(i, std::move(result)); });
    }
    return true;
}

void MasterList::cancel() {
    for (auto& asking : asking_) {
        asking->query->cancel();
    }
    outcomes_.clear();
    waiting_ = 0;
    done_ = nullptr;
    ++asks_;
}

void MasterList::answered(std::size_t index, Result<std::vector<Record>> result) {
    MasterOutcome& outcome = outcomes_[index];
    outcome.ok = result.ok();
    if (result) {
        outcome.records = std::move(result.value());
    } else {
        outcome.failure = result.error();
    }
    // The handler may drop this ask or start another.
    const std::uint64_t ask = asks_;
    if (each_) {
        each_(outcome);
    }
    if (ask != asks_ || --waiting_ > 0) {
        return;
    }
    auto done = std::move(done_);
    std::vector<MasterOutcome> outcomes = std::move(outcomes_);
    outcomes_.clear();
    if (done) {
        done(std::move(outcomes));
    }
}

}  // namespace zerlin::masters
