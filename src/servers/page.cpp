#include "servers/page.h"

#include <nlohmann/json.hpp>

#include "servers/server_json.h"

namespace zerlin::servers {

namespace {

// The texts an "after" is made of, as the page wrote them (a port may come as a number).
std::string addressPart(const nlohmann::json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_number_integer() || value.is_number_unsigned()) {
        return value.dump();
    }
    return {};
}

}  // namespace

std::optional<Page> parsePage(std::string_view body, bool listFromLoopback) {
    const nlohmann::json json = nlohmann::json::parse(body, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return std::nullopt;
    }
    Page page;
    if (const auto cursor = json.find("cursor"); cursor != json.end() && cursor->is_string()) {
        page.cursor = cursor->get<std::string>();
    }
    if (const auto more = json.find("hasMore"); more != json.end() && more->is_boolean()) {
        page.hasMore = more->get<bool>();
    }
    const auto servers = json.find("servers");
    if (servers == json.end() || !servers->is_array()) {
        return page;
    }
    for (const nlohmann::json& entry : *servers) {
        ++page.listed;
        if (entry.is_object()) {
            const auto ip = entry.find("ip");
            const auto port = entry.find("port");
            if (ip != entry.end() && port != entry.end() && !addressPart(*ip).empty() &&
                !addressPart(*port).empty()) {
                page.lastIp = addressPart(*ip);
                page.lastPort = addressPart(*port);
            }
        }
        if (std::optional<ListedServer> server = readServer(entry, listFromLoopback)) {
            page.servers.push_back(std::move(*server));
        }
    }
    return page;
}

std::string percentEncoded(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
    return out;
}

std::string firstPageUrl(std::string_view base) {
    while (base.ends_with('/')) {
        base.remove_suffix(1);
    }
    return std::string(base) + "/servers?perPage=100";
}

std::string nextPageUrl(std::string_view base, const Page& previous) {
    return firstPageUrl(base) + "&cursor=" + percentEncoded(previous.cursor) +
           "&after=" + percentEncoded(previous.lastIp) + ":" + percentEncoded(previous.lastPort);
}

}  // namespace zerlin::servers
