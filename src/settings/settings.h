#pragma once

#include <string>

#include "platform/settings_backend.h"

namespace zerlin {

// A section and key of the store. The store matches names without regard to letter case; each
// is spelled as its caller always has, so that a file written by an older copy reads the same.
struct SettingKey {
    const char* section;
    const char* key;
};

namespace keys {
// The game path: written by BROWSE, read at start-up.
inline constexpr SettingKey gamePathWritten{"Sti", "Sti"};
inline constexpr SettingKey gamePathRead{"sti", "sti"};
// The options window's switches ("yes" or "no"), and the bookmark file opened at every start.
inline constexpr SettingKey autoJoin{"Options", "AutoJoin"};
inline constexpr SettingKey saveIp{"Options", "SaveIP"};
inline constexpr SettingKey saveIpAtJoin{"OPtions", "SaveIP"};  // as the join reads it
inline constexpr SettingKey close{"Options", "Close"};
inline constexpr SettingKey book{"Options", "Book"};
// The server last joined while SaveIP is on.
inline constexpr SettingKey ip{"Options", "IP"};
inline constexpr SettingKey portWritten{"Options", "port"};
inline constexpr SettingKey portRead{"Options", "Port"};
// The wine program that starts the game on Linux, a full path written by hand; empty: not set.
inline constexpr SettingKey winePath{"Wine", "Path"};
// The Servers window: the server list's base URL (none: the community's list; empty: off), its
// filters, and its size and columns.
inline constexpr SettingKey serversListUrl{"Servers", "ListUrl"};
// The game's master servers asked beside the list: "host:port" entries split by blanks (none:
// the usual two; empty: off).
inline constexpr SettingKey serversMasters{"Servers", "Masters"};
// Seconds between the friends' background asks of the list (a test aid; 120 when unset).
inline constexpr SettingKey friendsRefreshSeconds{"Friends", "RefreshSeconds"};
inline constexpr SettingKey serversFilter{"Servers", "Filter"};
inline constexpr SettingKey serversHideEmpty{"Servers", "HideEmpty"};
inline constexpr SettingKey serversHideFull{"Servers", "HideFull"};
inline constexpr SettingKey serversHidePassword{"Servers", "HidePassword"};
inline constexpr SettingKey serversMaxPing{"Servers", "MaxPing"};
inline constexpr SettingKey serversFriendsOnly{"Servers", "FriendsOnly"};
inline constexpr SettingKey serversInstalledModsOnly{"Servers", "InstalledModsOnly"};
// "width,height"; the window's size when unset or out of bounds.
inline constexpr SettingKey serversSize{"Servers", "Size"};
inline constexpr int kDefaultServersWidth = 900;
inline constexpr int kDefaultServersHeight = 560;
// The columns' widths, then the sort column and order ("a" or "d"); the widths when unset, in
// the order Server, Players, Map, Game type, Mod, Ping, Address, Last played.
inline constexpr SettingKey serversColumns{"Servers", "Columns"};
inline constexpr int kDefaultServersColumnWidths[] = {260, 70, 110, 90, 80, 75, 150, 90};
inline constexpr const char* kDefaultServersListUrl = "https://api.bflist.io/v2/bf1942";
inline constexpr const char* kDefaultServersMasters =
    "master.bf1942.org:28900 bfield1942.master.openspy.net:28900";
}  // namespace keys

inline std::string read(SettingsBackend& settings, SettingKey name) {
    return settings.read(name.section, name.key);
}

inline void write(SettingsBackend& settings, SettingKey name, const std::string& value) {
    settings.write(name.section, name.key, value);
}

// An option flag counts as on only when its value is exactly "yes".
inline bool isOn(const std::string& flagValue) {
    return flagValue == "yes";
}

inline bool flag(SettingsBackend& settings, SettingKey name) {
    return isOn(read(settings, name));
}

}  // namespace zerlin
