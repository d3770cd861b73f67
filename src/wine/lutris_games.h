#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What Zerlin reads of Lutris's configuration: the game files, each describing one installed
// game, and the Wine runner's defaults. Lutris keeps them in its data folder
// ($XDG_DATA_HOME/lutris, by default ~/.local/share/lutris) or, in older versions, in its
// configuration folder (~/.config/lutris):
//   games/<name>.yml     game: exe:, game: prefix:, wine: version:, system: env:
//   runners/wine.yml     wine: version: (the version for games that name none)
// Wine builds that Lutris installed are always in the data folder:
//   runners/wine/<version>/bin/wine
// Paths may begin with "~" or "$HOME".
namespace zerlin::wine {

struct LutrisFolders {
    std::string home;
    std::string dataHome;    // XDG_DATA_HOME; the empty text when unset
    std::string configHome;  // XDG_CONFIG_HOME; the empty text when unset
};

struct LutrisGame {
    std::string file;    // the game file it was read from
    std::string prefix;  // game: prefix:, a full normalised path
    std::string exe;     // game: exe:, a full normalised path; empty when not given
    // wine: version:, else the runner's default; empty when neither names one. "system" means
    // `wine` on PATH, "custom" the path in customWine.
    std::string version;
    std::string customWine;  // wine: custom_wine_path:, with "~" and "$HOME" replaced
    std::vector<std::pair<std::string, std::string>> environment;  // system: env:
};

// Reads one game file's text; nothing when it is not YAML, has no absolute prefix, or is
// otherwise not a Wine game's file. Never throws.
std::optional<LutrisGame> parseLutrisGame(const std::string& yaml, const std::string& home);

struct RunnerDefaults {
    std::string version;     // wine: version:
    std::string customWine;  // wine: custom_wine_path:, with "~" and "$HOME" replaced
};

// What runners/wine.yml's text names; empty texts when it names nothing or is not YAML. Never
// throws.
RunnerDefaults parseRunnerDefaults(const std::string& yaml, const std::string& home);

// The Lutris game whose prefix holds gamePath: the deepest such prefix; among games sharing it,
// the one whose exe is gamePath, then the newer folder's, then by file name. Files that cannot be
// read or parsed are passed over. A game naming no version (or "custom" without a path) takes
// the runner's from the runners/wine.yml beside its games folder.
std::optional<LutrisGame> findLutrisGame(const std::string& gamePath, const LutrisFolders& folders);

// The folder holding Lutris's Wine builds (<data>/runners/wine).
std::string lutrisWineBuilds(const LutrisFolders& folders);

// The installed build with the highest version number (compared number by number, then by
// name); the empty text when none is installed.
std::string newestLutrisWine(const LutrisFolders& folders);

// "~" or "$HOME" (also "${HOME}") at the start, alone or before "/", replaced by home.
std::string expandHome(const std::string& path, const std::string& home);

}  // namespace zerlin::wine
