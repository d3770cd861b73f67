#include "servers/servers_prefs.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace zerlin::servers {

namespace {

constexpr int kMinWidth = 200;
constexpr int kMinHeight = 150;
constexpr int kMaxSize = 10000;
constexpr int kMinColumn = 20;
constexpr int kMaxColumn = 2000;

std::optional<int> toInt(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || std::from_chars(text.data(), end, value).ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> split(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t comma = text.find(','); comma != std::string_view::npos;
         comma = text.find(',', start)) {
        parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string yesNo(bool on) {
    return on ? "yes" : "no";
}

}  // namespace

Filter readFilter(SettingsBackend& settings) {
    Filter filter;
    filter.text = read(settings, keys::serversFilter);
    filter.hideEmpty = flag(settings, keys::serversHideEmpty);
    filter.hideFull = flag(settings, keys::serversHideFull);
    filter.hidePassword = flag(settings, keys::serversHidePassword);
    filter.maxPing =
        std::clamp(toInt(read(settings, keys::serversMaxPing)).value_or(0), 0, kMaxPingLimit);
    filter.friendsOnly = flag(settings, keys::serversFriendsOnly);
    filter.installedModsOnly = flag(settings, keys::serversInstalledModsOnly);
    return filter;
}

void writeFilter(SettingsBackend& settings, const Filter& filter) {
    (void)settings.write(keys::serversFilter.section,
                         SettingsEntries{
                             {keys::serversFilter.key, filter.text},
                             {keys::serversHideEmpty.key, yesNo(filter.hideEmpty)},
                             {keys::serversHideFull.key, yesNo(filter.hideFull)},
                             {keys::serversHidePassword.key, yesNo(filter.hidePassword)},
                             {keys::serversMaxPing.key, std::to_string(filter.maxPing)},
                             {keys::serversFriendsOnly.key, yesNo(filter.friendsOnly)},
                             {keys::serversInstalledModsOnly.key, yesNo(filter.installedModsOnly)},
                         });
}

Layout readLayout(SettingsBackend& settings) {
    Layout layout;
    std::copy(std::begin(keys::kDefaultServersColumnWidths),
              std::end(keys::kDefaultServersColumnWidths), layout.columnWidths.begin());
    layout.width = keys::kDefaultServersWidth;
    layout.height = keys::kDefaultServersHeight;
    const std::string sizeText = read(settings, keys::serversSize);
    if (const std::vector<std::string_view> size = split(sizeText); size.size() == 2) {
        const std::optional<int> width = toInt(size[0]);
        const std::optional<int> height = toInt(size[1]);
        if (width && height && *width >= kMinWidth && *height >= kMinHeight) {
            layout.width = std::min(*width, kMaxSize);
            layout.height = std::min(*height, kMaxSize);
        }
    }
    const std::string columnsText = read(settings, keys::serversColumns);
    const std::vector<std::string_view> columns = split(columnsText);
    const auto widths = static_cast<int>(columns.size()) - 2;
    if (widths != kColumns && widths != kColumns - 1) {
        return layout;
    }
    for (int column = 0; column < widths; ++column) {
        const std::optional<int> width = toInt(columns[static_cast<std::size_t>(column)]);
        if (width && *width >= kMinColumn && *width <= kMaxColumn) {
            layout.columnWidths[static_cast<std::size_t>(column)] = *width;
        }
    }
    const std::optional<int> sortColumn = toInt(columns[static_cast<std::size_t>(widths)]);
    if (sortColumn && *sortColumn >= 0 && *sortColumn < kColumns) {
        layout.sortColumn = *sortColumn;
        layout.descending = columns[static_cast<std::size_t>(widths) + 1] == "d";
    }
    return layout;
}

void writeLayout(SettingsBackend& settings, const Layout& layout) {
    std::string columns;
    for (const int width : layout.columnWidths) {
        columns += std::to_string(width) + ",";
    }
    columns += std::to_string(layout.sortColumn) + "," + (layout.descending ? "d" : "a");
    (void)settings.write(
        keys::serversSize.section,
        SettingsEntries{{keys::serversSize.key,
                         std::to_string(layout.width) + "," + std::to_string(layout.height)},
                        {keys::serversColumns.key, columns}});
}

std::string listUrl(SettingsBackend& settings) {
    const std::optional<std::string> url =
        settings.find(keys::serversListUrl.section, keys::serversListUrl.key);
    return url ? *url : std::string(keys::kDefaultServersListUrl);
}

}  // namespace zerlin::servers
