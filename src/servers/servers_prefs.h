#pragma once

#include <array>
#include <string>

#include "platform/settings_backend.h"
#include "servers/server_rows.h"

// What the Servers window keeps between runs: its filters and its layout, in the settings.
namespace zerlin::servers {

inline constexpr int kMaxPingLimit = 9999;

struct Layout {
    int width = 0;  // 0: the window's own size
    int height = 0;
    std::array<int, kColumns> columnWidths{};
    int sortColumn = -1;  // none: the list's order
    bool descending = false;
};

// The filters as last set; unset or unreadable ones are off. The mods are left unset.
Filter readFilter(SettingsBackend& settings);
void writeFilter(SettingsBackend& settings, const Filter& filter);

// The layout as last kept: a width out of bounds is the default one, a sort column out of range
// none. A layout written before the Last played column came has one width less.
Layout readLayout(SettingsBackend& settings);
void writeLayout(SettingsBackend& settings, const Layout& layout);

// The list's base URL the settings name: the community's list when unset; empty: none is asked.
std::string listUrl(SettingsBackend& settings);

}  // namespace zerlin::servers
