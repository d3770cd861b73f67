#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "doubles/form1_harness.h"
#include "doubles/temp_folder.h"
#include "mainwindow/launch_rules.h"
#include "mods/init_con.h"
#include "mods/installed_mods.h"
#include "mods/server_mods.h"
#include "servers/server_rows.h"
#include "status/server_status.h"

namespace zerlin::test {
namespace {
namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(InitCon, NameAndVersionOfEachSpelling) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* name;
        const char* version;
    };
    const std::string big(mods::kMaxInitConBytes, '\n');
    const Case cases[] = {
        {"quoted", "game.setCustomGameName \"Desert Combat\"\ngame.setCustomGameVersion \"0.7\"\n",
         "Desert Combat", "0.7"},
        {"older spelling, unquoted", "game.CustomGameName Desert Combat\n", "Desert Combat", ""},
        {"CRLF and blanks", "\tgame.setCustomGameName   \"Forgotten Hope\"  \r\n", "Forgotten Hope",
         ""},
        {"any case of the command", "GAME.SETCUSTOMGAMENAME eod\r\n", "eod", ""},
        {"unclosed quote", "game.setCustomGameName \"Pirates\n", "Pirates", ""},
        {"text after the quote", "game.setCustomGameName \"DC\" rem x\n", "DC", ""},
        {"the last line counts", "game.setCustomGameName A\ngame.setCustomGameName B\n", "B", ""},
        {"an empty value says nothing", "game.setCustomGameName X\ngame.setCustomGameName \"\"\n",
         "X", ""},
        {"a comment is no command", "rem game.setCustomGameName Old\n", "", ""},
        {"a longer command is another",
         "game.setCustomGameNameX Y\ngame.addModPath Mods/DC_Final/\n", "", ""},
        {"a lone CR ends a line too", "game.setCustomGameName A\rgame.setCustomGameVersion 2\r",
         "A", "2"},
        {"Windows-1252", "game.setCustomGameName \"Fr\xE9res d'armes\"\n", "Fr\xC3\xA9res d'armes",
         ""},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBFgame.setCustomGameName \"Fr\xC3\xA9res\"\n",
         "Fr\xC3\xA9res", ""},
        {"control characters",
         std::string("game.setCustomGameName \"A\x01"
                     "B\"\n"),
         "A B", ""},
        {"a control character at the end is no trailing blank",
         "game.setCustomGameName \"Fr\xE9res \x01\"\rgame.setCustomGameVersion 1\x02\n",
         "Fr\xC3\xA9res", "1"},
        {"junk", std::string("\x00\xFF\x7Fgame.setCustomGameName\x00\n\"\"\"\n", 28), "", ""},
        {"nothing", "", "", ""},
        {"past 64 KiB is not read", big + "game.setCustomGameName Late\n", "", ""},
        {"a character the cut splits leaves the rest UTF-8",
         "game.setCustomGameName \"\xC3\xA9t\xC3\xA9\"\n" +
             std::string(mods::kMaxInitConBytes - 35, ' ') + "\xC3\xA9",
         "\xC3\xA9t\xC3\xA9", ""},
    };
    for (const Case& c : cases) {
        const mods::InitCon read = mods::readInitCon(c.bytes);
        EXPECT_EQ(read.name, c.name) << c.what;
        EXPECT_EQ(read.version, c.version) << c.what;
    }
    // A name is cut to what a cell can show, with no blank left at the cut.
    EXPECT_EQ(mods::readInitCon("game.setCustomGameName " + std::string(500, 'x')).name.size(),
              mods::kMaxModTextLength);
    EXPECT_EQ(mods::readInitCon("game.setCustomGameName " + std::string(99, 'x') + " y").name,
              std::string(99, 'x'));
}

// A game folder with mods, under the system's temporary folder.
class ModsFolderTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(game); }
    void mod(const std::string& folder, const std::string& initCon,
             const std::string& scriptName = "init.con") {
        writeFile(game / "Mods" / folder / scriptName, initCon);
    }
    std::string gamePath() const { return (game / "BF1942.exe").string(); }

    TempFolder temp;
    fs::path game = temp.path() / "BF1942";
};

TEST_F(ModsFolderTest, InstalledModsAreTheFoldersWithAnInitCon) {
    mod("DC_Final",
        "game.setCustomGameName \"Desert Combat\"\r\ngame.setCustomGameVersion 0.7\r\n");
    mod("XPack1", "game.addModPath Mods/XPack1/\n");
#ifndef _WIN32
    // Two spellings of one name, as only a file system that tells case apart holds them.
    mod("xpack1", "game.setCustomGameName \"Loses to XPack1\"\n");
#endif
    mod("xpack2", "");
    mod("fh", "game.CustomGameName Forgotten Hope\n", "INIT.CON");
    mod("eod", "", "init.con.bak");                                  // no init.con
    fs::create_directories(game / "Mods" / "pirates" / "init.con");  // a folder, not the file
    writeFile(game / "Mods" / "init.con", "");                       // a file beside the mods

    const mods::ModTable table = mods::scanMods(game.string() + "/");
    struct Case {
        const char* id;
        const char* folder;  // nullptr: not installed
        const char* name;
        const char* line;
    };
    const Case cases[] = {
        {"DC_Final", "DC_Final", "Desert Combat", "Mod: Desert Combat 0.7 (DC_Final)"},
        {"dc_final", "DC_Final", "Desert Combat", "Mod: Desert Combat 0.7 (dc_final)"},
        {"xpack1", "XPack1", "The Road to Rome", "Mod: The Road to Rome (xpack1)"},
        {"XPACK2", "xpack2", "Secret Weapons of WWII", "Mod: Secret Weapons of WWII (XPACK2)"},
        {"fh", "fh", "Forgotten Hope", "Mod: Forgotten Hope (fh)"},
        {"eod", nullptr, "eod", "Mod: eod (not installed)"},
        {"pirates", nullptr, "pirates", "Mod: pirates (not installed)"},
        {"init.con", nullptr, "init.con", "Mod: init.con (not installed)"},
        {"bf1942", nullptr, "Battlefield 1942", "Mod: Battlefield 1942 (bf1942)"},
        {"", nullptr, "", ""},
    };
    for (const Case& c : cases) {
        const mods::InstalledMod* found = table.find(c.id);
        ASSERT_EQ(found != nullptr, c.folder != nullptr) << c.id;
        if (found) {
            EXPECT_EQ(found->folder, c.folder) << c.id;
        }
        EXPECT_EQ(table.displayName(c.id), c.name) << c.id;
        EXPECT_EQ(table.modLine(c.id), c.line) << c.id;
    }
    EXPECT_EQ(table.mods().size(), 4u);
}

TEST_F(ModsFolderTest, FoldersOfAnyCaseAndOnlyTheFirst256) {
    // "mods" in lower case is found as the game finds it on Windows.
    for (int i = 0; i < 260; ++i) {
        const std::string number = std::to_string(i);
        const std::string name = "m" + std::string(3 - number.size(), '0') + number;
        writeFile(game / "mods" / name / "init.con", "");
    }
    const mods::ModTable table = mods::scanMods(game.string());
    EXPECT_NE(table.find("m000"), nullptr);
    EXPECT_NE(table.find("M255"), nullptr);
    EXPECT_EQ(table.find("m256"), nullptr);
    EXPECT_EQ(table.mods().size(), mods::kMaxModFolders);
    // No game folder, no Mods folder: no mod, and only the plain game is installed.
    EXPECT_TRUE(mods::scanMods((temp.path() / "missing").string()).mods().empty());
}

TEST_F(ModsFolderTest, ReadAgainWhenTheGamePathOrTheModsFolderChanges) {
    mods::InstalledMods installed;
    EXPECT_EQ(installed.forGamePath(gamePath()).find("DC_Final"), nullptr);
    mod("DC_Final", "");  // makes Mods: the game folder's time changes
    EXPECT_NE(installed.forGamePath(gamePath()).find("DC_Final"), nullptr);
    mod("fh", "");  // the Mods folder's time changes
    EXPECT_NE(installed.forGamePath(gamePath()).find("fh"), nullptr);
    fs::remove_all(game / "Mods" / "fh");
    EXPECT_EQ(installed.forGamePath(gamePath()).find("fh"), nullptr);
    // Another game path is another game.
    const fs::path other = temp.path() / "Other";
    writeFile(other / "Mods" / "eod" / "init.con", "");
    EXPECT_NE(installed.forGamePath((other / "BF1942.exe").string()).find("eod"), nullptr);
    EXPECT_EQ(installed.forGamePath((other / "BF1942.exe").string()).find("DC_Final"), nullptr);
}

TEST(ModIds, WhatCanNameAFolder) {
    struct Case {
        std::string id;
        bool valid;
    };
    const Case cases[] = {
        {"DC_Final", true},
        {"xpack1", true},
        {"a.b-c_9", true},
        {"", false},
        {"a b", false},
        {"../x", false},
        {"a\\b", false},
        {"a&b", false},
        {"Fr\xC3\xA9res", false},
        {"a\"b", false},
        {std::string(64, 'x'), true},
        {std::string(65, 'x'), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mods::isModId(c.id), c.valid) << c.id;
    }
}

TEST(LaunchLine, ModPassedOnlyForAnInstalledModOtherThanThePlainGame) {
    const mods::ModTable table(
        {{"DC_Final", "Desert Combat", "0.7"}, {"XPack1", "The Road to Rome", ""}});
    const std::string plain =
        "BF1942.exe +restart 1 +joinServer 10.0.0.1:14567 +isInternet 1\r\nexit\r\n";
    struct Case {
        std::optional<std::string> mod;
        std::string script;  // empty: refused with the message
        std::string message;
    };
    const Case cases[] = {
        {std::nullopt, plain, ""},
        {"", plain, ""},
        {"bf1942", plain, ""},
        {"BF1942", plain, ""},
        {"DC_Final",
         "BF1942.exe +restart 1 +game DC_Final +joinServer 10.0.0.1:14567 +isInternet "
         "1\r\nexit\r\n",
         ""},
        {"xpack1",
         "BF1942.exe +restart 1 +game XPack1 +joinServer 10.0.0.1:14567 +isInternet 1\r\nexit\r\n",
         ""},
        {"fh", "", "This server runs the mod fh, which isn't installed."},
        {"DC_Final&calc", "", "This server runs the mod DC_Final&calc, which isn't installed."},
        {std::string(70, 'z'), "",
         "This server runs the mod " + std::string(64, 'z') + ", which isn't installed."},
    };
    for (const Case& c : cases) {
        const Result<std::string> folder = mods::gameFolderForJoin(table, c.mod);
        const std::string what = c.mod.value_or("(none)");
        ASSERT_EQ(folder.ok(), !c.script.empty()) << what;
        if (folder) {
            EXPECT_EQ(launch::scriptBytes("10.0.0.1", "14567", folder.value()), c.script) << what;
        } else {
            EXPECT_EQ(folder.error(), c.message) << what;
        }
    }
}

TEST(ServerMods, TheLastWordOnAServerCounts) {
    mods::ServerMods known;
    EXPECT_EQ(known.modOf("10.0.0.1", "14567"), std::nullopt);
    known.heard("10.0.0.1", "14567", "DC_Final");  // the list
    EXPECT_EQ(known.modOf(" 10.0.0.1 ", "14567"), "DC_Final");
    EXPECT_EQ(known.modOf("10.0.0.1", "14568"), std::nullopt);
    known.heard("10.0.0.1", "14567", "");  // an answer that names no mod says nothing
    EXPECT_EQ(known.modOf("10.0.0.1", "14567"), "DC_Final");
    known.heard("10.0.0.1", "14567", "fh");  // the server's own answer, later
    EXPECT_EQ(known.modOf("10.0.0.1", "14567"), "fh");
    known.heard("Host.Example", "14567", "xpack2");
    EXPECT_EQ(known.modOf("host.example", "14567"), "xpack2");
    // Bounded, above the most servers a list gives: the one heard longest ago goes first.
    static_assert(mods::kMaxServersKnown > 10000);
    for (std::size_t i = 0; i + 1 < mods::kMaxServersKnown; ++i) {
        known.heard("10.1.0.1", std::to_string(i), "eod");
    }
    EXPECT_EQ(known.modOf("10.0.0.1", "14567"), std::nullopt);
    known.heard("10.1.0.1", "0", "eod");  // heard again: now the newest
    known.heard("10.1.0.2", "1", "eod");
    known.heard("10.1.0.2", "2", "eod");
    EXPECT_EQ(known.modOf("host.example", "14567"), std::nullopt);
    EXPECT_EQ(known.modOf("10.1.0.1", "0"), "eod");
    EXPECT_EQ(known.modOf("10.1.0.1", "1"), std::nullopt);
    EXPECT_EQ(known.modOf("10.1.0.1", "2"), "eod");
}

TEST(ServerMods, StatusAnswerGivesGameIdBeforeActiveMods) {
    EXPECT_EQ(status::parseServerStatus({{"active_mods", "bf1942"}, {"gameId", "DC_Final"}}).mod(),
              "DC_Final");
    EXPECT_EQ(status::parseServerStatus({{"gameId", "DC_Final"}, {"active_mods", "x"}}).mod(),
              "DC_Final");
    EXPECT_EQ(status::parseServerStatus({{"active_mods", "xpack1"}}).mod(), "xpack1");
}

TEST(ServerMods, RowsShowFilterAndHideByTheInstalledMods) {
    const mods::ModTable table({{"DC_Final", "Desert Combat", "0.7"}});
    const auto row = [](const std::string& mod) {
        servers::ListedServer server;
        server.ip = "10.0.0.1";
        server.port = 14567;
        server.info.hostName = "Server";
        server.info.activeMods = mod;
        return servers::ServerRow(server);
    };
    const servers::ServerRow dc = row("DC_Final"), fh = row("fh"), plain = row("bf1942");
    EXPECT_EQ(servers::cellText(dc, servers::Column::Mod, &table), "Desert Combat");
    EXPECT_EQ(servers::cellText(fh, servers::Column::Mod, &table), "fh");
    EXPECT_NE(servers::detailsText(dc, &table).find("\nMod: Desert Combat 0.7 (DC_Final)\n"),
              std::string::npos);
    EXPECT_NE(servers::detailsText(fh, &table).find("\nMod: fh (not installed)\n"),
              std::string::npos);

    servers::Filter installedOnly;
    installedOnly.installedModsOnly = true;
    installedOnly.mods = &table;
    EXPECT_TRUE(servers::passes(dc, installedOnly, ""));
    EXPECT_TRUE(servers::passes(plain, installedOnly, ""));
    EXPECT_FALSE(servers::passes(fh, installedOnly, ""));

    servers::Filter byText;
    byText.mods = &table;
    EXPECT_TRUE(servers::passes(dc, byText, "desert"));
    EXPECT_TRUE(servers::passes(dc, byText, "dc_fin"));
    EXPECT_FALSE(servers::passes(fh, byText, "desert"));
}

// A join of a server whose mod is known, with a real game folder.
class ModJoinTest : public ModsFolderTest {
  protected:
    void SetUp() override {
        ModsFolderTest::SetUp();
        h.Text1.setText(gamePath());
        h.Text2.setText("10.0.0.1");
        h.Text3.setText("14567");
        h.settings.preset("Options", "SaveIP", "yes");
        h.settings.preset("Options", "Close", "yes");
    }
    // Runs the join; true when it ended the program.
    bool join() {
        try {
            h.form.join();
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }

    Form1Harness h;
};

TEST_F(ModJoinTest, MissingModRefusesTheJoinAndStartsNothing) {
    h.form.serverMods().heard("10.0.0.1", "14567", "DC_Final");
    EXPECT_FALSE(join());
    EXPECT_EQ(h.messages.shown, std::vector<std::string>{
                                    "This server runs the mod DC_Final, which isn't installed."});
    EXPECT_TRUE(h.launcher.started.empty());
    EXPECT_FALSE(fs::exists(game / "run.bat"));
    EXPECT_EQ(h.settings.find("Options", "IP"), std::nullopt);

    // Installed now: the join passes its folder as spelt on disk.
    mod("dc_final", "game.setCustomGameName \"Desert Combat\"\n");
    h.messages.shown.clear();
    EXPECT_TRUE(join());
    EXPECT_TRUE(h.messages.shown.empty());
    ASSERT_EQ(h.launcher.started.size(), 1u);
    EXPECT_EQ(readAll(h.launcher.started[0].script),
              "BF1942.exe +restart 1 +game dc_final +joinServer 10.0.0.1:14567 +isInternet 1\r\n"
              "exit\r\n");
    EXPECT_EQ(h.settings.find("Options", "IP"), "10.0.0.1");
}

}  // namespace
}  // namespace zerlin::test
