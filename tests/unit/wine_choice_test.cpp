#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "doubles/temp_folder.h"
#include "wine/lutris_games.h"
#include "wine/programs.h"
#include "wine/wine_choice.h"
#include "wine/wine_prefix.h"

namespace zerlin::test {
namespace {
namespace fs = std::filesystem;
using Variables = std::vector<std::pair<std::string, std::string>>;

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A stand-in wine program: all that matters here is that it exists and may be run.
void writeProgram(const fs::path& path) {
    writeFile(path, "#!/bin/sh\nexit 0\n");
    fs::permissions(path, fs::perms::owner_all);
}

// A Wine prefix holding the game where its installer puts it; the game's path.
fs::path makePrefix(const fs::path& prefix) {
    fs::create_directories(prefix / "drive_c");
    writeFile(prefix / "system.reg", "WINE REGISTRY Version 2\n");
    const fs::path game = prefix / "drive_c/Program Files/EA GAMES/Battlefield 1942/BF1942.exe";
    writeFile(game, "MZ");
    return game;
}

const char* const gameExe = "drive_c/Program Files/EA GAMES/Battlefield 1942/BF1942.exe";

// A home folder with Lutris's files in both places Lutris keeps them.
class WineChoiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::weakly_canonical(folder.path());
        home = root / "home";
        data = home / ".local/share/lutris";
        config = home / ".config/lutris";
        fs::create_directories(home);
    }

    fs::path build(const std::string& version) const {
        return data / "runners/wine" / version / "bin/wine";
    }

    wine::WineChoice choose(const fs::path& game, const std::string& settings,
                            const std::string& pathWine, const std::string& envPrefix = "") {
        wine::WineLookup lookup;
        lookup.gamePath = game.string();
        lookup.settingsWine = settings;
        lookup.home = home.string();
        lookup.environmentPrefix = envPrefix;
        lookup.findOnPath = [pathWine](const std::string& name) {
            return name == "wine" ? pathWine : std::string{};
        };
        return wine::chooseWine(lookup);
    }

    TempFolder folder;
    fs::path root, home, data, config;
};

TEST_F(WineChoiceTest, EachSourceInOrderWithTheLutrisGamesPrefixAndVariables) {
    writeFile(data / "games/own-1.yml",
              "game:\n  exe: " + std::string(gameExe) +
                  "\n  prefix: ~/Games/own\n"
                  "wine:\n  version: wine-ge-8-26-x86_64\n"
                  "system:\n  env:\n    DXVK_HUD: 1\n    WINEDEBUG: -all\n"
                  "    WINEPREFIX: /elsewhere\n    LIST: [a, b]\n");
    writeFile(data / "games/default-2.yml", "game:\n  prefix: $HOME/Games/default\n");
    writeFile(data / "games/missing-3.yml",
              "game:\n  prefix: ${HOME}/Games/missing/\n"
              "wine:\n  version: lutris-5.0-x86_64\nsystem:\n  env:\n    FOO: bar\n");
    writeFile(
        data / "games/system-4.yml",
        "game:\n  prefix: " + (home / "Games/./system").string() + "\nwine:\n  version: system\n");
    writeFile(data / "games/garbled-5.yml", "game:\n  prefix: ~/Games/garbled\n  exe: [x\n");
    writeFile(data / "games/junk-6.yml", std::string("\x00\xff\xfe{{", 5));
    writeFile(data / "runners/wine.yml", "wine:\n  version: lutris-7.2-x86_64\n");
    // Older Lutris: its own runner file, naming the default of the games beside it.
    writeFile(config / "games/old-7.yml", "game:\n  prefix: ~/Games/old\n");
    writeFile(config / "runners/wine.yml", "wine:\n  version: lutris-6.0-x86_64\n");
    writeProgram(build("lutris-6.0-x86_64"));
    writeProgram(build("lutris-7.2-x86_64"));
    writeProgram(build("wine-ge-8-26-x86_64"));
    writeProgram(home / "bin/my wine");
    writeFile(home / "bin/not a program", "#!/bin/sh\n");
    for (const char* name : {"own", "default", "missing", "system", "garbled", "old", "plain"}) {
        makePrefix(home / "Games" / name);
    }
    writeFile(home / "Loose/BF1942.exe", "MZ");

    const std::string systemWine = "/usr/bin/wine";
    const std::string myWine = (home / "bin/my wine").string();
    const std::string nothing = (home / "bin/nothing").string();
    const std::string notProgram = (home / "bin/not a program").string();
    const std::string folder = (home / "bin").string();
    const Variables own = {{"DXVK_HUD", "1"}, {"WINEDEBUG", "-all"}};
    const Variables foo = {{"FOO", "bar"}};
    struct Case {
        const char* game;      // a folder under Games/, or "Loose" for a game in no prefix
        std::string settings;  // [Wine] Path=
        std::string pathWine;  // wine on PATH
        std::string program;   // expected; empty: a failure
        const char* prefix;    // a folder under Games/, or a full path
        Variables variables;
    };
    // clang-format off
    const Case cases[] = {
        {"own",     "", systemWine, build("wine-ge-8-26-x86_64"), "own", own},
        {"default", "", "",         build("lutris-7.2-x86_64"), "default", {}},
        // Its Wine is not installed: wine on PATH, still in the game's prefix.
        {"missing", "", systemWine, systemWine, "missing", foo},
        {"missing", "", "",         "", "missing", foo},
        {"system",  "", systemWine, systemWine, "system", {}},
        {"system",  "", "",         "", "system", {}},
        // Its file is not YAML: the prefix is found as for any game.
        {"garbled", "", systemWine, systemWine, "garbled", {}},
        {"old",     "", "",         build("lutris-6.0-x86_64"), "old", {}},
        {"plain",   "", systemWine, systemWine, "plain", {}},
        {"Loose",   "", systemWine, systemWine, "/env/prefix", {}},
        // The settings' Wine comes first, and runs the Lutris game in its prefix too.
        {"own",   "~/bin/my wine",     systemWine, myWine, "own", own},
        {"plain", "$HOME/bin/my wine", "",         myWine, "plain", {}},
        // A settings' Wine that is no program fails, though another Wine is there.
        {"own",   nothing,       systemWine, "", "own", own},
        {"plain", notProgram,    systemWine, "", "plain", {}},
        {"plain", folder,        systemWine, "", "plain", {}},
        {"plain", "bin/my wine", systemWine, "", "plain", {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::string name = std::string(c.game) + " with [" + c.settings + "]";
        const fs::path game = std::string(c.game) == "Loose" ? home / "Loose/BF1942.exe"
                                                             : home / "Games" / c.game / gameExe;
        const wine::WineChoice choice = choose(game, c.settings, c.pathWine, "/env/prefix");
        EXPECT_EQ(choice.program.value(), c.program) << name;
        EXPECT_EQ(choice.prefix,
                  c.prefix[0] == '/' ? c.prefix : (home / "Games" / c.prefix).string())
            << name;
        EXPECT_EQ(choice.environment, c.variables) << name;
        if (c.program.empty()) {
            const bool bySettings = !c.settings.empty();
            EXPECT_NE(choice.program.error().find(bySettings ? "isn't a program: " + c.settings
                                                             : "Install Wine with 32-bit support"),
                      std::string::npos)
                << name << ": " << choice.program.error();
            EXPECT_NE(choice.program.error().find("after Path= under [Wine]"), std::string::npos)
                << name;
        } else {
            EXPECT_EQ(choice.program.error(), "") << name;
        }
    }
}

TEST_F(WineChoiceTest, WithoutAnyVersionNamedTheNewestBuildInstalledThenWineOnPath) {
    // Lutris's data folder moved by XDG_DATA_HOME; no runner file names a default.
    data = root / "xdg-data/lutris";
    writeFile(data / "games/bf.yml", "game:\n  prefix: ~/Games/bf\n");
    writeFile(data / "runners/wine.yml", "wine:\n  dxvk: true\n");
    const fs::path game = makePrefix(home / "Games/bf");
    wine::WineLookup lookup;
    lookup.gamePath = game.string();
    lookup.home = home.string();
    lookup.dataHome = (root / "xdg-data").string();
    lookup.findOnPath = [](const std::string&) { return std::string("/usr/bin/wine"); };

    for (const char* version : {"lutris-7.2-x86_64", "lutris-GE-Proton8-26-x86_64",
                                "wine-ge-8-9-x86_64", "lutris-GE-Proton8-3-x86_64"}) {
        writeProgram(build(version));
    }
    fs::create_directories(data / "runners/wine/lutris-10.0-x86_64/bin");  // no wine in it
    writeFile(data / "runners/wine/lutris-11.0-x86_64/bin/wine", "not executable");
    EXPECT_EQ(wine::chooseWine(lookup).program.value(), build("lutris-GE-Proton8-26-x86_64"));

    fs::remove_all(data / "runners/wine");
    const wine::WineChoice choice = wine::chooseWine(lookup);
    EXPECT_EQ(choice.program.value(), "/usr/bin/wine");
    EXPECT_EQ(choice.prefix, (home / "Games/bf").string());
}

TEST_F(WineChoiceTest, TheDeepestPrefixThenTheGameWhoseExeItIs) {
    const fs::path game = makePrefix(home / "Games/bf/inner");
    makePrefix(home / "Games/bf");
    writeFile(data / "games/a-outer.yml",
              "game:\n  prefix: ~/Games/bf\nsystem:\n  env:\n    A: 1\n");
    writeFile(data / "games/b-inner.yml",
              "game:\n  prefix: ~/Games/bf/inner\nsystem:\n  env:\n    B: 1\n");
    writeFile(data / "games/c-inner-exe.yml", "game:\n  prefix: ~/Games/bf/inner\n  exe: " +
                                                  game.string() + "\nsystem:\n  env:\n    C: 1\n");
    writeFile(config / "games/d-inner.yml", "game:\n  prefix: ~/Games/bf/inner\n");
    const auto found = wine::findLutrisGame(game.string(), {home.string(), "", ""});
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->file, (data / "games/c-inner-exe.yml").string());

    fs::remove(data / "games/c-inner-exe.yml");
    EXPECT_EQ(wine::findLutrisGame(game.string(), {home.string(), "", ""})->file,
              (data / "games/b-inner.yml").string());
}

// A game file is parsed once and kept while its size and time stay the same; a file that
// changes is read again, and one over 1 MiB is skipped unread.
TEST_F(WineChoiceTest, GameFilesAreReadAgainOnlyWhenTheyChange) {
    const fs::path game = makePrefix(home / "Games/bf");
    const fs::path file = data / "games/bf.yml";
    const auto variables = [&] {
        const auto found = wine::findLutrisGame(game.string(), {home.string(), "", ""});
        return found ? found->environment : Variables{{"none", ""}};
    };
    writeFile(file, "game:\n  prefix: ~/Games/bf\nsystem:\n  env:\n    A: one\n");
    EXPECT_EQ(variables(), (Variables{{"A", "one"}}));

    const fs::file_time_type time = fs::last_write_time(file);
    writeFile(file, "game:\n  prefix: ~/Games/bf\nsystem:\n  env:\n    B: one\n");
    fs::last_write_time(file, time);
    EXPECT_EQ(variables(), (Variables{{"A", "one"}})) << "kept: same size, same time";
    fs::last_write_time(file, time + std::chrono::seconds(1));
    EXPECT_EQ(variables(), (Variables{{"B", "one"}})) << "a new time";
    writeFile(file, "game:\n  prefix: ~/Games/bf\nsystem:\n  env:\n    B: three\n");
    fs::last_write_time(file, time + std::chrono::seconds(1));
    EXPECT_EQ(variables(), (Variables{{"B", "three"}})) << "a new size";
    writeFile(file, "game:\n  prefix: ~/Games/bf\n#" + std::string(std::size_t{1} << 20, 'x') +
                        "\nsystem:\n  env:\n    C: one\n");
    EXPECT_EQ(variables(), (Variables{{"none", ""}})) << "over 1 MiB";
}

#ifdef ZERLIN_TIMING_CHECKS
// A join looks through every game file: with a large library, only the first may pay for the
// parsing.
TEST_F(WineChoiceTest, ALargeLibraryIsParsedOnce) {
    const fs::path game = makePrefix(home / "Games/bf");
    for (int i = 0; i < 2000; ++i) {
        writeFile(data / ("games/game-" + std::to_string(i) + ".yml"),
                  "game:\n  exe: /g/" + std::to_string(i) + ".exe\n  prefix: ~/Games/other-" +
                      std::to_string(i) +
                      "\nwine:\n  version: lutris-7.2\nsystem:\n  env:\n"
                      "    DXVK_HUD: fps\n    WINEDEBUG: -all\n");
    }
    writeFile(data / "games/bf.yml", "game:\n  prefix: ~/Games/bf\n");
    ASSERT_TRUE(wine::findLutrisGame(game.string(), {home.string(), "", ""}));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(wine::findLutrisGame(game.string(), {home.string(), "", ""}));
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_LT(spent, std::chrono::milliseconds(50))
        << std::chrono::duration_cast<std::chrono::milliseconds>(spent).count() << " ms";
}
#endif

TEST_F(WineChoiceTest, PrefixHoldsThePathFolderByFolder) {
    fs::create_directories(root / "real/prefix/drive_c");
    fs::create_directory_symlink(root / "real/prefix", root / "link");
    const std::string r = root.string();
    struct Case {
        std::string prefix, path;
        bool holds;
    };
    const Case cases[] = {
        {r + "/real/prefix", r + "/real/prefix/drive_c/x.exe", true},
        {r + "/real/prefix/", r + "/real/prefix/drive_c/x.exe", true},
        {r + "/real/prefix", r + "/real/prefixes/drive_c/x.exe", false},  // not a text prefix
        {r + "/real/prefix", r + "/real/prefix", false},
        {r + "/real/prefix", r + "/real/prefix/../other/x.exe", false},
        {r + "/real/./other/../prefix", r + "/real/prefix/drive_c/new/x.exe", true},
        {r + "/link", r + "/real/prefix/drive_c/x.exe", true},  // a linked prefix
        {r + "/real/prefix", r + "/link/drive_c/x.exe", true},
        {r + "/link/drive_c", r + "/real/prefix/x.exe", false},
        {"real/prefix", "real/prefix/x.exe", false},  // relative paths hold nothing
        {"", r + "/x.exe", false},
    };
    for (const Case& c : cases) {
        // The one game file: its game is found exactly when its prefix holds the path.
        writeFile(data / "games/only.yml", "game:\n  prefix: '" + c.prefix + "'\n");
        EXPECT_EQ(wine::findLutrisGame(c.path, {home.string(), "", ""}).has_value(), c.holds)
            << c.prefix << " / " << c.path;
    }
}

TEST(WineLutrisFiles, HomeIsReplacedOnlyAtTheStart) {
    const std::pair<const char*, const char*> cases[] = {
        {"~", "/h"},          {"~/Games", "/h/Games"},        {"$HOME/Games", "/h/Games"},
        {"${HOME}", "/h"},    {"~user/Games", "~user/Games"}, {"$HOMEDIR/x", "$HOMEDIR/x"},
        {"/x/~/y", "/x/~/y"}, {"/x/$HOME", "/x/$HOME"},       {"", ""},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(wine::expandHome(path, "/h"), expected) << path;
    }
}

TEST(WineLutrisFiles, FilesThatAreNoGameOfAWinePrefixAreRefusedWithoutThrowing) {
    const std::string cases[] = {
        "",
        "game: [",
        "game: 5",
        "- game",
        "game:\n  prefix: [a, b]\n",
        "game:\n  prefix: relative/prefix\n",
        "game:\n  exe: /games/x.exe\n",
        "game:\n\tprefix: /p\n",
        std::string(5000, '[') + std::string(5000, ']'),
        std::string("game:\n  prefix: /p\0x\n", 21),
        "game:\n  prefix: \"/p\\0x\"\n",
        "&a [*a]",
    };
    for (const std::string& text : cases) {
        EXPECT_FALSE(wine::parseLutrisGame(text, "/h").has_value()) << text.substr(0, 40);
    }
    const auto game = wine::parseLutrisGame(
        "game:\n  prefix: /p\nsystem:\n  env:\n    A: x=y\n    B:\n    =C: 1\n    D: [1]\n", "/h");
    ASSERT_TRUE(game.has_value());
    EXPECT_EQ(game->environment, (Variables{{"A", "x=y"}}));
}

TEST_F(WineChoiceTest, ProgramsOnPathAreExecutableFilesInAbsoluteFolders) {
    writeProgram(root / "b/wine");
    writeProgram(root / "c/wine");
    writeFile(root / "a/wine", "not executable");
    fs::create_directories(root / "d/wine");
    const std::string r = root.string();
    const std::pair<std::string, std::string> cases[] = {
        {r + "/a:" + r + "/b:" + r + "/c", r + "/b/wine"},
        {r + "/d::" + r + "/c", r + "/c/wine"},
        {r + "/a:" + r + "/d", ""},
        {"", ""},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(wine::findProgramOnPath("wine", path), expected) << path;
    }
    const fs::path before = fs::current_path();
    fs::current_path(root / "b");
    EXPECT_EQ(wine::findProgramOnPath("wine", ":.:../c"), "");  // relative folders are passed over
    fs::current_path(before);
}

TEST(WinePrefix, FindsTheNearestWinePrefixAboveTheGame) {
    TempFolder folder;
    const fs::path root = folder.path();
    const fs::path outer = root / "outer";
    const fs::path inner = outer / "games" / "inner";
    const fs::path game = inner / "drive_c" / "BF1942";
    fs::create_directories(game);
    fs::create_directories(outer / "drive_c");
    std::ofstream(outer / "system.reg") << "x";
    std::ofstream(inner / "system.reg") << "x";
    EXPECT_EQ(wine::findWinePrefix((game / "BF1942.exe").string()), inner.string());

    fs::remove(inner / "system.reg");  // drive_c alone does not make a prefix
    EXPECT_EQ(wine::findWinePrefix((game / "BF1942.exe").string()), outer.string());

    fs::remove(outer / "system.reg");
    EXPECT_EQ(wine::findWinePrefix((game / "BF1942.exe").string()), "");
}

}  // namespace
}  // namespace zerlin::test
