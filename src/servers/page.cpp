#include "servers/page.h"

#include <nlohmann/json.hpp>
#include <utility>

namespace zerlin::servers {

Result<Page> readPage(std::string_view body, bool listFromLoopback, const ReadLimits& limits) {
    Result<ServerDocument> read = readServerDocument(
        body, limits, [listFromLoopback](const nlohmann::json&) { return listFromLoopback; });
    if (!read) {
        return Failure{read.error()};
    }
    ServerDocument& document = read.value();
    Page page;
    page.servers = std::move(document.servers);
    page.listed = document.listed;
    page.lastIp = std::move(document.lastIp);
    page.lastPort = std::move(document.lastPort);
    page.cutShort = document.cutShort;
    const nlohmann::json& fields = document.fields;
    if (const auto cursor = fields.find("cursor"); cursor != fields.end() && cursor->is_string()) {
        page.cursor = cursor->get<std::string>();
    }
    if (const auto more = fields.find("hasMore"); more != fields.end() && more->is_boolean()) {
        page.hasMore = more->get<bool>();
    }
    return page;
}

std::optional<Page> parsePage(std::string_view body, bool listFromLoopback) {
    Result<Page> page = readPage(body, listFromLoopback, {});
    if (!page) {
        return std::nullopt;
    }
    return std::move(page.value());
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
