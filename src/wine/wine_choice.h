#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/result.h"
#include "platform/script_launcher.h"

// Which Wine starts a join on Linux, and with which prefix and environment. Paths are UTF-8
// texts, as the file system spells them. Not built for Windows, where the game needs no Wine.
namespace zerlin::wine {

struct WineLookup {
    std::string gamePath;           // the game's executable, a full path
    std::string settingsWine;       // the settings' [Wine] Path= value (keys::winePath)
    std::string home;               // the user's home folder
    std::string dataHome;           // XDG_DATA_HOME; the empty text when unset
    std::string configHome;         // XDG_CONFIG_HOME; the empty text when unset
    std::string environmentPrefix;  // the environment's WINEPREFIX; the empty text when unset
    std::string settingsFile;       // where the settings live, for the messages; may be empty
    // The full path of a program found on PATH by its name; the empty text when there is none.
    std::function<std::string(const std::string&)> findOnPath;
};

struct WineChoice {
    // The wine program to run, or what is wrong and how to fix it.
    Result<std::string> program = Failure{};
    std::string prefix;  // the WINEPREFIX to set; empty: leave it unset (Wine's default)
    // To set on top of the environment: the Lutris game's `system: env:`, WINEPREFIX left out.
    std::vector<std::pair<std::string, std::string>> environment;
};

// The Wine, in this order:
// 1. the settings' [Wine] Path= when not empty: a path that names no program fails, and no
//    other Wine is tried;
// 2. the Wine of the Lutris game whose prefix holds the game (see lutris_games.h); a file that
//    cannot be read, or a Wine build that is not installed, goes on to the next choice;
// 3. `wine` on PATH.
// The prefix is the Lutris game's whichever Wine is chosen; without one, the nearest folder
// above the game holding drive_c and system.reg, else the environment's WINEPREFIX.
WineChoice chooseWine(const WineLookup& lookup);

// The Wine the user named by hand, read at each join, and where it is set, for messages.
struct WineSetting {
    std::function<std::string()> read;  // the empty text: not set; may be empty
    std::string place;                  // the settings file
};

// How a launch script runs under the chosen Wine: `wine cmd /c` on the script, by bare name
// from the game's folder, by full path on Wine's drive Z: from anywhere else; with the prefix
// and the Lutris game's variables. The home, XDG folders, WINEPREFIX and PATH are this
// process's environment's at each join.
ScriptCommandFor wineCommand(WineSetting setting);

}  // namespace zerlin::wine
