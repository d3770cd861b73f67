#include "wine/wine_choice.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "wine/lutris_games.h"
#include "wine/programs.h"
#include "wine/wine_prefix.h"

namespace zerlin::wine {
namespace fs = std::filesystem;

namespace {

std::string settingsPlace(const WineLookup& lookup) {
    return "after Path= under [Wine] in " + (lookup.settingsFile.empty()
                                                 ? std::string("Zerlin's settings.ini")
                                                 : lookup.settingsFile);
}

std::string noWineFailure(const WineLookup& lookup) {
    return "Wine wasn't found. Install Wine with 32-bit support (the game is a 32-bit "
           "program), or write the full path of a wine program " +
           settingsPlace(lookup) + ".";
}

std::string settingsFailure(const WineLookup& lookup) {
    return "The Wine chosen in the settings isn't a program: " + lookup.settingsWine +
           "\nWrite the full path of a wine program " + settingsPlace(lookup) +
           ", or nothing there to let Zerlin find Wine.";
}

// A version names a folder of Lutris's builds, and nothing outside it.
bool isBuildName(const std::string& version) {
    return !version.empty() && version != "." && version != ".." &&
           version.find('/') == std::string::npos && version.find('\0') == std::string::npos;
}

std::string winePath(const WineLookup& lookup) {
    return lookup.findOnPath ? lookup.findOnPath("wine") : std::string{};
}

// The Wine that Lutris runs the game with; the empty text when it is not installed.
std::string lutrisWine(const LutrisGame& game, const LutrisFolders& folders,
                       const WineLookup& lookup) {
    if (game.version == "system") {
        return winePath(lookup);
    }
    if (game.version == "custom") {
        return fs::path(game.customWine).is_absolute() && isProgram(game.customWine)
                   ? game.customWine
                   : std::string{};
    }
    std::string version = game.version;
    if (version.empty()) {
        // Lutris then takes the version its web service calls the default when installed, else
        // the first it finds: a system Wine, then its own builds, newest first. Without asking
        // the web service, the newest build installed is the best guess at its default.
        version = newestLutrisWine(folders);
        if (version.empty()) {
            return winePath(lookup);
        }
    }
    if (!isBuildName(version)) {
        return {};
    }
    const std::string program =
        (fs::path(lutrisWineBuilds(folders)) / version / "bin" / "wine").string();
    return isProgram(program) ? program : std::string{};
}

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string{};
}

}  // namespace

WineChoice chooseWine(const WineLookup& lookup) {
    WineChoice choice;
    const LutrisFolders folders{lookup.home, lookup.dataHome, lookup.configHome};
    const std::optional<LutrisGame> game = findLutrisGame(lookup.gamePath, folders);
    if (game) {
        choice.prefix = game->prefix;
        for (const auto& variable : game->environment) {
            // The game's prefix is the one it was installed in, whatever its variables say.
            if (variable.first != "WINEPREFIX") {
                choice.environment.push_back(variable);
            }
        }
    } else if (std::string found = findWinePrefix(lookup.gamePath); !found.empty()) {
        choice.prefix = std::move(found);
    } else {
        choice.prefix = lookup.environmentPrefix;
    }

    if (!lookup.settingsWine.empty()) {
        const std::string path = expandHome(lookup.settingsWine, lookup.home);
        if (fs::path(path).is_absolute() && isProgram(path)) {
            choice.program = path;
        } else {
            choice.program = Failure{settingsFailure(lookup)};
        }
        return choice;
    }
    if (game) {
        if (std::string program = lutrisWine(*game, folders, lookup); !program.empty()) {
            choice.program = std::move(program);
            return choice;
        }
    }
    if (std::string program = winePath(lookup); !program.empty()) {
        choice.program = std::move(program);
        return choice;
    }
    choice.program = Failure{noWineFailure(lookup)};
    return choice;
}

ScriptCommandFor wineCommand(WineSetting setting) {
    return [setting = std::move(setting)](const LaunchScript& script) -> Result<ScriptCommand> {
        WineLookup lookup;
        lookup.gamePath = script.gamePath;
        lookup.settingsWine = setting.read ? setting.read() : std::string{};
        // Without HOME, the root folder, as Qt's home path gives it.
        lookup.home = std::getenv("HOME") ? variable("HOME") : std::string("/");
        lookup.dataHome = variable("XDG_DATA_HOME");
        lookup.configHome = variable("XDG_CONFIG_HOME");
        lookup.environmentPrefix = variable("WINEPREFIX");
        lookup.settingsFile = setting.place;
        lookup.findOnPath = [path = variable("PATH")](const std::string& name) {
            return findProgramOnPath(name, path);
        };
        WineChoice wine = chooseWine(lookup);
        if (!wine.program) {
            return Failure{wine.program.error()};
        }
        // Wine's drive Z: is the root of the file system.
        std::error_code error;
        std::string onDriveZ = fs::absolute(script.script, error).lexically_normal().string();
        std::replace(onDriveZ.begin(), onDriveZ.end(), '/', '\\');
        ScriptCommand command{
            wine.program.value(),
            {"cmd", "/c",
             script.inWorkingDir ? fs::path(script.script).filename().string() : "Z:" + onDriveZ},
            std::move(wine.environment)};
        if (!wine.prefix.empty()) {
            command.environment.emplace_back("WINEPREFIX", wine.prefix);
        }
        return command;
    };
}

}  // namespace zerlin::wine
