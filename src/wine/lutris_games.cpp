#include "wine/lutris_games.h"

#include <sys/stat.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cstddef>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>

#include "platform/files.h"
#include "wine/programs.h"

namespace zerlin::wine {
namespace fs = std::filesystem;

namespace {

// Lutris's files are a few kilobytes; anything far larger is not one of them, and is skipped
// unread.
constexpr std::size_t maxFileBytes = std::size_t{1024} * 1024;
// Enough for any game library; a folder of more is read only this far.
constexpr std::size_t maxGameFiles = 10000;

// The path with its links resolved as far as it exists, "." and ".." removed and no trailing
// separator; nothing when it is not absolute.
std::optional<fs::path> resolved(const std::string& text) {
    if (text.empty() || text.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const fs::path path(text);
    if (!path.is_absolute()) {
        return std::nullopt;
    }
    std::error_code error;
    fs::path result = fs::weakly_canonical(path, error);
    if (error) {
        result = path;
    }
    result = result.lexically_normal();
    if (!result.has_filename() && result.has_relative_path()) {
        result = result.parent_path();
    }
    return result;
}

// prefix holds path, folder by folder; a path does not hold itself.
bool holds(const fs::path& prefix, const fs::path& path) {
    auto inner = path.begin();
    for (const fs::path& part : prefix) {
        if (inner == path.end() || *inner != part) {
            return false;
        }
        ++inner;
    }
    return inner != path.end();
}

std::size_t depth(const fs::path& path) {
    return static_cast<std::size_t>(std::distance(path.begin(), path.end()));
}

// A key missing from a map gives a node that throws when asked its type; IsDefined() is false
// for it.
bool isMap(const YAML::Node& node) {
    return node.IsDefined() && node.IsMap();
}

bool isScalar(const YAML::Node& node) {
    return node.IsDefined() && node.IsScalar();
}

// The scalar text under map[key]; empty when map is no map or the value no scalar.
std::string scalar(const YAML::Node& map, const char* key) {
    if (!isMap(map)) {
        return {};
    }
    const YAML::Node value = map[key];
    return isScalar(value) ? value.Scalar() : std::string{};
}

YAML::Node sectionOf(const YAML::Node& root, const char* name) {
    return isMap(root) ? root[name] : YAML::Node{};
}

bool isVariableName(const std::string& name) {
    return !name.empty() && name.find('=') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::vector<std::pair<std::string, std::string>> environmentOf(const YAML::Node& env) {
    std::vector<std::pair<std::string, std::string>> variables;
    if (!isMap(env)) {
        return variables;
    }
    for (const auto& entry : env) {
        if (!isScalar(entry.first) || !isScalar(entry.second)) {
            continue;
        }
        const std::string& name = entry.first.Scalar();
        const std::string& value = entry.second.Scalar();
        if (isVariableName(name) && value.find('\0') == std::string::npos) {
            variables.emplace_back(name, value);
        }
    }
    return variables;
}

Result<std::string> readText(const fs::path& file) {
    return files::readRegularFile(file.string(), maxFileBytes);
}

std::vector<fs::path> gameFiles(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (found.size() == maxGameFiles) {
            break;
        }
        if (it->path().extension() == ".yml") {
            found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

fs::path dataFolder(const LutrisFolders& folders) {
    const fs::path xdg(folders.dataHome);
    return (xdg.is_absolute() ? xdg : fs::path(folders.home) / ".local" / "share") / "lutris";
}

fs::path configFolder(const LutrisFolders& folders) {
    const fs::path xdg(folders.configHome);
    return (xdg.is_absolute() ? xdg : fs::path(folders.home) / ".config") / "lutris";
}

// The digit runs of a name without their leading zeros, to compare as numbers.
std::vector<std::string> numbersIn(const std::string& name) {
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < name.size();) {
        if (name[i] < '0' || name[i] > '9') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < name.size() && name[end] >= '0' && name[end] <= '9') {
            ++end;
        }
        std::size_t first = i;
        while (first + 1 < end && name[first] == '0') {
            ++first;
        }
        numbers.push_back(name.substr(first, end - first));
        i = end;
    }
    return numbers;
}

bool versionBelow(const std::string& a, const std::string& b) {
    const std::vector<std::string> left = numbersIn(a);
    const std::vector<std::string> right = numbersIn(b);
    const auto numberBelow = [](const std::string& x, const std::string& y) {
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    };
    if (std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(),
                                     numberBelow)) {
        return true;
    }
    if (std::lexicographical_compare(right.begin(), right.end(), left.begin(), left.end(),
                                     numberBelow)) {
        return false;
    }
    return a < b;
}

// A game file's identity and state: the same file (device and inode, so that one renamed over
// it counts as new), its size and its modification time.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec time{};

    bool operator==(const FileStamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               time.tv_sec == other.time.tv_sec && time.tv_nsec == other.time.tv_nsec;
    }
};

// What a game file gave when it was last read, and its stamp then.
struct ParsedGame {
    FileStamp stamp;
    std::optional<LutrisGame> game;
};

// A game file's game; nothing when it cannot be read or is no Wine game's. Each file is parsed
// once and kept while its size and time stay the same: a join must not parse a large library
// again, on the one thread the window has. One stat a file is all a join then costs.
std::optional<LutrisGame> readGame(const fs::path& file, const std::string& home) {
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::string>, ParsedGame> parsed;
    const std::pair<std::string, std::string> key{file.string(), home};
    struct stat info {};
    const bool stamped = ::stat(file.c_str(), &info) == 0;
    const FileStamp stamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    if (stamped) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (const auto it = parsed.find(key); it != parsed.end() && it->second.stamp == stamp) {
            return it->second.game;
        }
    }
    const Result<std::string> text = readText(file);
    std::optional<LutrisGame> game = text ? parseLutrisGame(text.value(), home) : std::nullopt;
    if (game) {
        game->file = file.string();
    }
    if (stamped) {
        const std::lock_guard<std::mutex> lock(mutex);
        // Two libraries' worth: files that went away are dropped now and then.
        if (parsed.size() >= 2 * maxGameFiles) {
            parsed.clear();
        }
        parsed[key] = ParsedGame{stamp, game};
    }
    return game;
}

// What the game leaves to the runner file: its version, its custom Wine.
void addRunnerDefaults(LutrisGame& game, const fs::path& runnerFile, const std::string& home) {
    if (!game.version.empty() && !game.customWine.empty()) {
        return;
    }
    const Result<std::string> text = readText(runnerFile);
    if (!text) {
        return;
    }
    const RunnerDefaults defaults = parseRunnerDefaults(text.value(), home);
    if (game.version.empty()) {
        game.version = defaults.version;
    }
    if (game.customWine.empty()) {
        game.customWine = defaults.customWine;
    }
}

}  // namespace

std::string expandHome(const std::string& path, const std::string& home) {
    for (const char* const name : {"~", "$HOME", "${HOME}"}) {
        const std::string start(name);
        if (path.compare(0, start.size(), start) == 0 &&
            (path.size() == start.size() || path[start.size()] == '/')) {
            return home + path.substr(start.size());
        }
    }
    return path;
}

std::optional<LutrisGame> parseLutrisGame(const std::string& yaml, const std::string& home) {
    try {
        const YAML::Node root = YAML::Load(yaml);
        const YAML::Node game = sectionOf(root, "game");
        const std::optional<fs::path> prefix = resolved(expandHome(scalar(game, "prefix"), home));
        if (!prefix) {
            return std::nullopt;
        }
        LutrisGame result;
        result.prefix = prefix->string();
        if (std::string exe = expandHome(scalar(game, "exe"), home); !exe.empty()) {
            if (!fs::path(exe).is_absolute()) {
                exe = (*prefix / exe).string();
            }
            const std::optional<fs::path> exePath = resolved(exe);
            result.exe = exePath ? exePath->string() : std::string{};
        }
        const YAML::Node wineSection = sectionOf(root, "wine");
        result.version = scalar(wineSection, "version");
        result.customWine = expandHome(scalar(wineSection, "custom_wine_path"), home);
        result.environment = environmentOf(sectionOf(sectionOf(root, "system"), "env"));
        return result;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

RunnerDefaults parseRunnerDefaults(const std::string& yaml, const std::string& home) {
    try {
        const YAML::Node wineSection = sectionOf(YAML::Load(yaml), "wine");
        return {scalar(wineSection, "version"),
                expandHome(scalar(wineSection, "custom_wine_path"), home)};
    } catch (const std::exception&) {
        return {};
    }
}

std::optional<LutrisGame> findLutrisGame(const std::string& gamePath,
                                         const LutrisFolders& folders) {
    const std::optional<fs::path> game = resolved(gamePath);
    if (!game) {
        return std::nullopt;
    }
    std::optional<LutrisGame> best;
    // How well the best fits: the depth of its prefix, then whether its exe is the game.
    std::pair<std::size_t, bool> bestFit{0, false};
    fs::path bestFolder;
    for (const fs::path& folder : {dataFolder(folders), configFolder(folders)}) {
        for (const fs::path& file : gameFiles(folder / "games")) {
            std::optional<LutrisGame> candidate = readGame(file, folders.home);
            if (!candidate || !holds(fs::path(candidate->prefix), *game)) {
                continue;
            }
            const std::pair<std::size_t, bool> fit{
                depth(fs::path(candidate->prefix)),
                !candidate->exe.empty() && fs::path(candidate->exe) == *game};
            if (!best || fit > bestFit) {
                best = std::move(candidate);
                bestFit = fit;
                bestFolder = folder;
            }
        }
    }
    if (best) {
        addRunnerDefaults(*best, bestFolder / "runners" / "wine.yml", folders.home);
    }
    return best;
}

std::string lutrisWineBuilds(const LutrisFolders& folders) {
    return (dataFolder(folders) / "runners" / "wine").string();
}

std::string newestLutrisWine(const LutrisFolders& folders) {
    std::string newest;
    std::error_code error;
    const fs::path builds(lutrisWineBuilds(folders));
    for (fs::directory_iterator it(builds, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (isProgram((it->path() / "bin" / "wine").string()) &&
            (newest.empty() || versionBelow(newest, name))) {
            newest = name;
        }
    }
    return newest;
}

}  // namespace zerlin::wine
