#include "servers/server_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>

#include "servers/server_json.h"

namespace zerlin::servers {

namespace {

using nlohmann::json;

// The text as the parser sees it, with each number too large for a double (which stops the
// parser) read as 0 and noted, so that the reading goes on to the page's cursor and last entry.
class NumberGuard {
  public:
    explicit NumberGuard(std::string_view text) : text_(text) { prepare(); }

    bool done() const { return !substituting_ && pos_ >= text_.size(); }
    char current() const { return substituting_ ? '0' : text_[pos_]; }
    void next() {
        if (substituting_) {
            // Noted once the parser holds the whole number, before it hands the number on.
            substituting_ = false;
            overflow_ = true;
            pos_ = tokenEnd_;
            prepare();
            return;
        }
        const char c = text_[pos_];
        if (inString_) {
            if (escaped_) {
                escaped_ = false;
            } else if (c == '\\') {
                escaped_ = true;
            } else if (c == '"') {
                inString_ = false;
            }
        } else if (c == '"') {
            inString_ = true;
        }
        ++pos_;
        prepare();
    }
    // Whether the number just read stood for one too large.
    bool takeOverflow() { return std::exchange(overflow_, false); }

  private:
    static bool numberChar(char c) {
        return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
    }

    // Past what a double holds, going up (a number too small reads as 0, as the parser does).
    static bool tooLarge(std::string_view token) {
        double value = 0;
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (error != std::errc::result_out_of_range || end != token.data() + token.size()) {
            return false;
        }
        const std::string_view body = token.starts_with('-') ? token.substr(1) : token;
        const std::size_t e = body.find_first_of("eE");
        const std::string_view mantissa = body.substr(0, e);
        const std::size_t point = mantissa.find('.');
        const std::string_view whole = mantissa.substr(0, point);
        const bool wholeNonZero = whole.find_first_not_of('0') != std::string_view::npos;
        if (e == std::string_view::npos) {
            return wholeNonZero;
        }
        std::string_view exponent = body.substr(e + 1);
        const bool negative = exponent.starts_with('-');
        if (negative || exponent.starts_with('+')) {
            exponent.remove_prefix(1);
        }
        long long power = 0;
        for (const char digit : exponent) {
            power = std::min<long long>(power * 10 + (digit - '0'), 1'000'000'000);
        }
        power = negative ? -power : power;
        // The power of ten of the first digit that is no zero, give or take one: out of range
        // going up is far above 0, going down far below.
        long long order = 0;
        if (wholeNonZero) {
            order = static_cast<long long>(whole.size() - whole.find_first_not_of('0')) + power;
        } else {
            const std::string_view fraction =
                point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
            const std::size_t first = fraction.find_first_not_of('0');
            if (first == std::string_view::npos) {
                return false;
            }
            order = power - static_cast<long long>(first);
        }
        return order > 0;
    }

    void prepare() {
        if (inString_ || pos_ >= text_.size() || pos_ < tokenEnd_) {
            return;
        }
        const char c = text_[pos_];
        if (c != '-' && (c < '0' || c > '9')) {
            return;
        }
        std::size_t end = pos_;
        while (end < text_.size() && numberChar(text_[end])) {
            ++end;
        }
        tokenEnd_ = end;
        substituting_ = tooLarge(text_.substr(pos_, end - pos_));
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t tokenEnd_ = 0;
    bool inString_ = false;
    bool escaped_ = false;
    bool substituting_ = false;
    bool overflow_ = false;
};

// The guard as the iterator pair nlohmann::json reads from.
class GuardedChars {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    GuardedChars() = default;
    explicit GuardedChars(NumberGuard* guard) : guard_(guard) {}

    char operator*() const { return guard_->current(); }
    GuardedChars& operator++() {
        guard_->next();
        return *this;
    }
    GuardedChars operator++(int) {
        GuardedChars before = *this;
        guard_->next();
        return before;
    }
    bool operator==(const GuardedChars& other) const { return atEnd() == other.atEnd(); }

  private:
    bool atEnd() const { return guard_ == nullptr || guard_->done(); }

    NumberGuard* guard_ = nullptr;
};

// The names kept at each level; any other is read past.
constexpr std::array<std::string_view, 5> kTopFields = {"cursor", "hasMore", "format", "time",
                                                        "fromLoopback"};
constexpr std::array<std::string_view, 17> kEntryFields = {
    "ip",          "port",     "queryPort",  "name",       "mapName",       "gameType",
    "gameVersion", "gameId",   "password",   "maxPlayers", "reservedSlots", "roundTimeRemain",
    "tickets1",    "tickets2", "numPlayers", "players",    "teams"};
constexpr std::array<std::string_view, 9> kItemFields = {"name", "score", "kills", "deaths", "ping",
                                                         "team", "index", "label", "tickets"};
constexpr std::size_t kMaxTeams = 16;

template <std::size_t N>
int fieldIndex(const std::array<std::string_view, N>& names, std::string_view key) {
    const auto found = std::find(names.begin(), names.end(), key);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

std::string addressPart(const json* value) {
    if (value == nullptr) {
        return {};
    }
    if (value->is_string()) {
        return value->get<std::string>();
    }
    if (value->is_number_integer() || value->is_number_unsigned()) {
        return value->dump();
    }
    return {};
}

std::size_t heapOf(const std::string& text) {
    return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0;
}

std::size_t costWithoutPlayers(const ListedServer& server) {
    const status::ServerStatus& info = server.info;
    std::size_t cost = sizeof(ListedServer) + heapOf(server.ip) + heapOf(info.hostName) +
                       heapOf(info.mapName) + heapOf(info.gameType) + heapOf(info.gameVersion) +
                       heapOf(info.version) + heapOf(info.activeMods) +
                       info.teamNames.capacity() * sizeof(std::string);
    for (const std::string& team : info.teamNames) {
        cost += heapOf(team);
    }
    return cost;
}

class Reader {
  public:
    Reader(NumberGuard& guard, const ReadLimits& limits, std::size_t textSize,
           const std::function<bool(const json&)>& fromLoopback)
        : guard_(guard),
          limits_(limits),
          budget_(limits.memoryBudget ? limits.memoryBudget
                                      : std::max<std::size_t>(2 * textSize, 1 << 20)),
          fromLoopback_(fromLoopback) {}

    // The SAX interface.
    bool null() { return scalar(json()); }
    bool boolean(bool value) { return scalar(json(value)); }
    bool number_integer(json::number_integer_t value) { return number(json(value)); }
    bool number_unsigned(json::number_unsigned_t value) { return number(json(value)); }
    bool number_float(json::number_float_t value, const std::string& /*text*/) {
        return number(json(value));
    }
    bool string(std::string& value) { return scalar(json(std::move(value))); }
    bool binary(json::binary_t& /*value*/) { return scalar(json()); }
    bool start_object(std::size_t /*size*/) { return open(true); }
    bool start_array(std::size_t /*size*/) { return open(false); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(std::string& name) {
        Level& level = stack_.back();
        switch (level.kind) {
            case Kind::top:
                level.field = fieldIndex(kTopFields, name);
                level.isServers = name == "servers";
                break;
            case Kind::entry:
                level.field = fieldIndex(kEntryFields, name);
                break;
            case Kind::item:
                level.field = fieldIndex(kItemFields, name);
                break;
            default:
                break;
        }
        return true;
    }
    bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                     const nlohmann::detail::exception& error) {
        if (error.id == 406) {
            // A number out of range that slipped past the guard: the reading ends here.
            document_.cutShort = true;
            ended_ = true;
        } else if (failure_.empty()) {
            failure_ = "the answer is no JSON";
        }
        return false;
    }

    Result<ServerDocument> result() && {
        if (!failure_.empty()) {
            return Failure{failure_};
        }
        if (!ended_ && !topSeen_) {
            return Failure{"the answer is no JSON object"};
        }
        return std::move(document_);
    }

  private:
    enum class Kind { top, servers, entry, players, teams, item, skipped };

    struct Level {
        Kind kind;
        int field = -1;  // the index of the current key in its level's names; -1: none kept
        bool isServers = false;
    };

    // What each value costs, whatever it is; false stops the reading.
    bool count() {
        ++document_.values;
        if (document_.values > limits_.maxValues) {
            failure_ =
                "the answer holds more than " + std::to_string(limits_.maxValues) + " values";
            return false;
        }
        if (limits_.cancelled && document_.values % 1024 == 0 &&
            limits_.cancelled->load(std::memory_order_relaxed)) {
            failure_ = "cancelled";
            return false;
        }
        return true;
    }

    bool number(json value) {
        if (guard_.takeOverflow()) {
            document_.cutShort = true;
        }
        return scalar(std::move(value));
    }

    bool scalar(json value) {
        if (!count()) {
            return false;
        }
        if (stack_.empty()) {
            failure_ = "the answer is no JSON object";
            return false;
        }
        Level& level = stack_.back();
        switch (level.kind) {
            case Kind::top:
                if (level.isServers) {
                    clearServers();
                }
                if (level.field >= 0) {
                    document_.fields[std::string(kTopFields[level.field])] = std::move(value);
                }
                break;
            case Kind::servers:
                ++document_.listed;
                break;
            case Kind::entry:
                if (level.field >= 0) {
                    const std::string_view name = kEntryFields[level.field];
                    restartField(name);
                    entry_[std::string(name)] = std::move(value);
                }
                break;
            case Kind::item:
                if (level.field >= 0) {
                    item_[std::string(kItemFields[level.field])] = std::move(value);
                }
                break;
            default:
                break;
        }
        return true;
    }

    bool open(bool object) {
        if (!count()) {
            return false;
        }
        if (stack_.size() >= kMaxJsonDepth) {
            failure_ = "the answer nests deeper than " + std::to_string(kMaxJsonDepth);
            return false;
        }
        stack_.push_back({childKind(object)});
        document_.maxDepth = std::max(document_.maxDepth, stack_.size());
        switch (stack_.back().kind) {
            case Kind::top:
                topSeen_ = true;
                break;
            case Kind::entry:
                entry_ = json::object();
                players_.clear();
                playersArray_ = false;
                clearTeams();
                break;
            case Kind::item:
                item_ = json::object();
                break;
            default:
                break;
        }
        return true;
    }

    Kind childKind(bool object) {
        if (stack_.empty()) {
            return object ? Kind::top : Kind::skipped;
        }
        Level& parent = stack_.back();
        switch (parent.kind) {
            case Kind::top:
                if (parent.isServers) {
                    clearServers();
                    return object ? Kind::skipped : Kind::servers;
                }
                if (parent.field >= 0) {
                    document_.fields[std::string(kTopFields[parent.field])] = nullptr;
                }
                return Kind::skipped;
            case Kind::servers:
                return object ? Kind::entry : Kind::skipped;
            case Kind::entry:
                return entryChild(object, parent.field);
            case Kind::players:
            case Kind::teams:
                return object ? Kind::item : Kind::skipped;
            case Kind::item:
                if (parent.field >= 0) {
                    item_[std::string(kItemFields[parent.field])] = nullptr;
                }
                return Kind::skipped;
            case Kind::skipped:
                return Kind::skipped;
        }
        return Kind::skipped;
    }

    // A new value for one of an entry's fields: an earlier one of that name is forgotten.
    void restartField(std::string_view name) {
        if (name == "players") {
            players_.clear();
            playersArray_ = false;
        } else if (name == "teams") {
            clearTeams();
        }
        entry_.erase(std::string(name));
    }

    Kind entryChild(bool object, int field) {
        if (field < 0) {
            return Kind::skipped;
        }
        const std::string_view name = kEntryFields[field];
        restartField(name);
        if (!object && name == "players") {
            playersArray_ = true;
            return Kind::players;
        }
        if (!object && name == "teams") {
            teamsArray_ = true;
            return Kind::teams;
        }
        entry_[std::string(name)] = nullptr;
        return Kind::skipped;
    }

    bool close() {
        const Kind kind = stack_.back().kind;
        stack_.pop_back();
        switch (kind) {
            case Kind::entry:
                entryEnded();
                break;
            case Kind::item:
                itemEnded(stack_.back().kind);
                break;
            case Kind::skipped:
                if (!stack_.empty() && stack_.back().kind == Kind::servers) {
                    ++document_.listed;
                }
                break;
            default:
                break;
        }
        return true;
    }

    void clearServers() {
        document_.servers.clear();
        document_.listed = 0;
        document_.lastIp.clear();
        document_.lastPort.clear();
        used_ = 0;
    }

    void clearTeams() {
        teams_.clear();
        teamIndexes_.clear();
        teamsArray_ = false;
    }

    void itemEnded(Kind list) {
        if (list == Kind::players) {
            // Only the first players are read, as many as a server keeps.
            if (players_.size() < kMaxPlayersPerServer) {
                players_.push_back(std::move(item_));
            }
            return;
        }
        // Teams by their index, a later one with the same index in place of the earlier; past
        // the sixteenth index no more are read.
        const std::optional<long long> index = integerField(item_, "index");
        if (!index) {
            return;
        }
        if (teamIndexes_.size() >= kMaxTeams) {
            return;
        }
        const auto found = std::find(teamIndexes_.begin(), teamIndexes_.end(), *index);
        if (found != teamIndexes_.end()) {
            teams_[static_cast<std::size_t>(found - teamIndexes_.begin())] = std::move(item_);
        } else {
            teamIndexes_.push_back(*index);
            teams_.push_back(std::move(item_));
        }
    }

    void entryEnded() {
        ++document_.listed;
        if (playersArray_) {
            entry_["players"] = json(std::move(players_));
        }
        if (teamsArray_) {
            entry_["teams"] = json(std::move(teams_));
        }
        players_.clear();
        clearTeams();
        const auto ip = entry_.find("ip");
        const auto port = entry_.find("port");
        std::string ipText = addressPart(ip == entry_.end() ? nullptr : &*ip);
        std::string portText = addressPart(port == entry_.end() ? nullptr : &*port);
        if (!ipText.empty() && !portText.empty()) {
            document_.lastIp = std::move(ipText);
            document_.lastPort = std::move(portText);
        }
        if (document_.cutShort || document_.servers.size() >= limits_.maxServers) {
            return;
        }
        std::optional<ListedServer> server = readServer(entry_, fromLoopback_(document_.fields));
        if (!server) {
            return;
        }
        // Players past the memory allowed are left out; the rest of a server is small and the
        // number of servers is bounded.
        std::size_t cost = costWithoutPlayers(*server);
        std::vector<status::PlayerStatus>& players = server->info.players;
        std::size_t kept = 0;
        for (; kept < players.size(); ++kept) {
            const std::size_t more = sizeof(status::PlayerStatus) + heapOf(players[kept].name);
            if (used_ + cost + more > budget_) {
                break;
            }
            cost += more;
        }
        if (kept < players.size()) {
            players.resize(kept);
            players.shrink_to_fit();
        }
        used_ += cost;
        document_.servers.push_back(std::move(*server));
    }

    NumberGuard& guard_;
    const ReadLimits& limits_;
    std::size_t budget_;
    std::size_t used_ = 0;
    const std::function<bool(const json&)>& fromLoopback_;
    ServerDocument document_;
    std::vector<Level> stack_;
    json entry_;
    json item_;
    std::vector<json> players_;
    bool playersArray_ = false;
    std::vector<json> teams_;
    std::vector<long long> teamIndexes_;
    bool teamsArray_ = false;
    bool topSeen_ = false;
    bool ended_ = false;
    std::string failure_;
};

}  // namespace

Result<ServerDocument> readServerDocument(std::string_view text, const ReadLimits& limits,
                                          const std::function<bool(const json&)>& fromLoopback) {
    NumberGuard guard(text);
    Reader reader(guard, limits, text.size(), fromLoopback);
    json::sax_parse(GuardedChars(&guard), GuardedChars(), &reader);
    return std::move(reader).result();
}

}  // namespace zerlin::servers
