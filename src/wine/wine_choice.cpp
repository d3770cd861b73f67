#include "wine/wine_choice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <utility>

#include "wine/lutris_games.h"
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

}  // namespace

bool isProgram(const std::string& path) {
    struct stat status {};
    return !path.empty() && path.find('\0') == std::string::npos &&
           ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string findProgramOnPath(const std::string& program, const std::string& pathVariable) {
    std::size_t start = 0;
    while (start <= pathVariable.size()) {
        std::size_t end = pathVariable.find(':', start);
        if (end == std::string::npos) {
            end = pathVariable.size();
        }
        const fs::path folder(pathVariable.substr(start, end - start));
        if (folder.is_absolute()) {
            std::string candidate = (folder / program).string();
            if (isProgram(candidate)) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
}

WineChoice chooseWine(const WineLookup& lookup) {
    WineChoice choice;
    const LutrisFolders folders{lookup.home, lookup.dataHome, lookup.configHome};
    const std::optional<LutrisGame> game = findLutrisGame(lookup.gamePath, folders);
    if (game) {
        choice.lutrisFile = game->file;
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
            choice.source = WineSource::Settings;
        } else {
            choice.failure = settingsFailure(lookup);
        }
        return choice;
    }
    if (game) {
        if (std::string program = lutrisWine(*game, folders, lookup); !program.empty()) {
            choice.program = std::move(program);
            choice.source = WineSource::Lutris;
            return choice;
        }
    }
    if (std::string program = winePath(lookup); !program.empty()) {
        choice.program = std::move(program);
        choice.source = WineSource::Path;
        return choice;
    }
    choice.failure = noWineFailure(lookup);
    return choice;
}

}  // namespace zerlin::wine
