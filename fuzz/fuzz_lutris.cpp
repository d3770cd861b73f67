// Any text as a Lutris game file and as the Wine runner's defaults: read without throwing, a
// game only with an absolute prefix and variables that can be set, and the game found on disk
// (twice, the second time from what was kept of the first) the same as the text parsed.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "fuzz_support.h"
#include "wine/lutris_games.h"

namespace {

std::string home;
unsigned long long rounds = 0;

bool sameGame(const zerlin::wine::LutrisGame& a, const zerlin::wine::LutrisGame& b) {
    return a.prefix == b.prefix && a.exe == b.exe && a.version == b.version &&
           a.customWine == b.customWine && a.environment == b.environment;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    home = zerlin::fuzz::makePrivateFolder("lutris");
    return 0;
}

// Input: the file's text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)wine::parseRunnerDefaults(text, home);
    const auto game = wine::parseLutrisGame(text, home);
    if (!game) {
        return 0;
    }
    ZERLIN_FUZZ_REQUIRE(!game->prefix.empty() && game->prefix.front() == '/');
    ZERLIN_FUZZ_REQUIRE(game->prefix.find('\0') == std::string::npos);
    for (const auto& [name, value] : game->environment) {
        ZERLIN_FUZZ_REQUIRE(!name.empty() && name.find('=') == std::string::npos);
        ZERLIN_FUZZ_REQUIRE(value.find('\0') == std::string::npos);
    }

    // The files on disk for one game in eight, picked by its text: they cost far more than the
    // parsing, which would otherwise be tried too seldom.
    if (std::hash<std::string>{}(text) % 8 != 0) {
        return 0;
    }
    // A file of its own each round: a file rewritten within the clock's tick at the same size
    // would rightly be taken as unchanged.
    const std::filesystem::path games = std::filesystem::path(home) / ".local/share/lutris/games";
    std::filesystem::remove_all(games);
    std::filesystem::create_directories(games);
    const std::string file = (games / ("game-" + std::to_string(++rounds) + ".yml")).string();
    fuzz::writeFile(file, text);
    const std::string gamePath = game->prefix + "/drive_c/BF1942.exe";
    for (int pass = 0; pass < 2; ++pass) {
        const auto found = wine::findLutrisGame(gamePath, {home, "", ""});
        ZERLIN_FUZZ_REQUIRE(found.has_value());
        ZERLIN_FUZZ_REQUIRE(found->file == file);
        ZERLIN_FUZZ_REQUIRE(sameGame(*found, *game));
    }
    return 0;
}
