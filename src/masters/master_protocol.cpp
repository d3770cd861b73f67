#include "masters/master_protocol.h"

#include <array>
#include <set>
#include <utility>

namespace zerlin::masters {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kSecure = "\\secure\\";

// The master's own words after "\error\" or "\fatal\", as far as they are plain and short.
std::string messageOf(std::string_view rest) {
    constexpr std::size_t kMaxMessage = 100;
    std::string message;
    for (const char c : rest.substr(0, rest.find('\\'))) {
        if (message.size() == kMaxMessage) {
            break;
        }
        message += c >= 0x20 && c < 0x7F ? c : '?';
    }
    return message;
}

std::string base64(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t group =
            (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) {
            out += kAlphabet[(group >> shift) & 63U];
        }
    }
    return out;
}

}  // namespace

std::string validation(std::string_view challenge, std::string_view key) {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<std::uint8_t>(i);
    }
    if (!key.empty()) {
        std::uint8_t j = 0;
        for (std::size_t i = 0; i < table.size(); ++i) {
            j = static_cast<std::uint8_t>(j + table[i] +
                                          static_cast<std::uint8_t>(key[i % key.size()]));
            std::swap(table[i], table[j]);
        }
    }
    std::vector<std::uint8_t> out;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (const char text : challenge) {
        const auto c = static_cast<std::uint8_t>(text);
        a = static_cast<std::uint8_t>(a + c + 1);
        const std::uint8_t x = table[a];
        b = static_cast<std::uint8_t>(b + x);
        const std::uint8_t y = table[b];
        table[b] = x;
        table[a] = y;
        out.push_back(static_cast<std::uint8_t>(c ^ table[static_cast<std::uint8_t>(x + y)]));
    }
    while (out.size() % 3 != 0) {
        out.push_back(0);
    }
    return base64(out);
}

Hello readHello(std::string_view received) {
    Hello hello;
    for (const std::string_view refusal : {"\\error\\", "\\fatal\\"}) {
        if (received.starts_with(refusal)) {
            hello.state = Hello::State::Failed;
            hello.error = "the master refused: " + messageOf(received.substr(refusal.size()));
            return hello;
        }
    }
    const std::size_t secure = received.find(kSecure);
    if (secure == std::string_view::npos ||
        received.size() < secure + kSecure.size() + kChallengeLength) {
        if (received.size() >= kMaxHelloBytes) {
            hello.state = Hello::State::Failed;
            hello.error = "the master sent no challenge";
        }
        return hello;
    }
    hello.challenge = std::string(received.substr(secure + kSecure.size(), kChallengeLength));
    hello.used = secure + kSecure.size() + kChallengeLength;
    if (hello.challenge.find('\\') != std::string::npos) {
        hello.state = Hello::State::Failed;
        hello.error = "the master's challenge is cut short";
        return hello;
    }
    hello.state = Hello::State::Done;
    return hello;
}

std::string request(std::string_view challenge) {
    const std::string game(kGameName);
    return R"(\gamename\)" + game + R"(\gamever\1.6\location\0\validate\)" + validation(challenge) +
           R"(\enctype\0\final\\list\cmp\gamename\)" + game + R"(\final\)";
}

Result<std::vector<Record>> readRecords(std::string_view answer) {
    for (const std::string_view refusal : {"\\error\\", "\\fatal\\"}) {
        if (answer.starts_with(refusal)) {
            return Failure{"the master refused: " + messageOf(answer.substr(refusal.size()))};
        }
    }
    if (answer.size() > kMaxAnswerBytes) {
        return Failure{"the master's answer is larger than 1 MiB"};
    }
    if (!answer.ends_with(kFinal)) {
        return Failure{"the master's answer is cut short"};
    }
    std::string_view records = answer.substr(0, answer.size() - kFinal.size());
    // 7 and 6 share no multiple: at most one of the two readings ends at a record boundary.
    if (records.size() % kRecordBytes != 0 && records.starts_with(kFinal)) {
        records.remove_prefix(kFinal.size());
    }
    if (records.size() % kRecordBytes != 0) {
        return Failure{"the master's answer is cut short"};
    }
    std::vector<Record> out;
    std::set<std::pair<std::uint32_t, std::uint16_t>> seen;
    for (std::size_t at = 0; at < records.size() && out.size() < kMaxRecords; at += kRecordBytes) {
        const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(records[at + i]); };
        const auto port = static_cast<std::uint16_t>((byte(4) << 8) | byte(5));
        const std::uint32_t ip = (std::uint32_t{byte(0)} << 24) | (std::uint32_t{byte(1)} << 16) |
                                 (std::uint32_t{byte(2)} << 8) | byte(3);
        if (port == 0 || !seen.emplace(ip, port).second) {
            continue;
        }
        out.push_back({std::to_string(byte(0)) + "." + std::to_string(byte(1)) + "." +
                           std::to_string(byte(2)) + "." + std::to_string(byte(3)),
                       port});
    }
    return out;
}

}  // namespace zerlin::masters
