#include "servers/page.h"

#include <nlohmann/json.hpp>
#include <utility>

#include "text/ascii.h"

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

std::string firstPageUrl(std::string_view base) {
    while (base.ends_with('/')) {
        base.remove_suffix(1);
    }
    return std::string(base) + "/servers?perPage=100";
}

std::string nextPageUrl(std::string_view base, const Page& previous) {
    return firstPageUrl(base) + "&cursor=" + text::percentEncoded(previous.cursor) +
           "&after=" + text::percentEncoded(previous.lastIp) + ":" +
           text::percentEncoded(previous.lastPort);
}

}  // namespace zerlin::servers
