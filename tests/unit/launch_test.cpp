#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "doubles/form1_harness.h"
#include "doubles/temp_folder.h"
#include "mainwindow/launch_rules.h"

namespace zerlin::test {
namespace {
namespace fs = std::filesystem;
using launch::PathStyle;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A game folder of its own under the system's temporary folder, removed afterwards.
class LaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        game = root / "Games" / "BF1942";
        fs::create_directories(game);
        h.Text1.setText((game / "BF1942.exe").string());
        h.Text2.setText("10.0.0.1");
        h.Text3.setText("14567");
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

    fs::path script() const { return game / "run.bat"; }

    TempFolder folder;
    fs::path root = folder.path(), game;
    Form1Harness h;
};

TEST(LaunchRules, PathCheckOfEachStyle) {
    struct Case {
        const char* path;
        PathStyle style;
        bool passes;
    };
    const Case cases[] = {
        {"C:\\Games\\BF1942\\BF1942.exe", PathStyle::Windows, true},
        {"?:\\x", PathStyle::Windows, true},         // the first character is not examined
        {"\xC3\x84:\\x", PathStyle::Windows, true},  // nor when it takes two bytes
        {"D:BF1942.exe", PathStyle::Windows, false},
        {"\\\\server\\share\\BF1942.exe", PathStyle::Windows, false},
        {"C:/Games/BF1942.exe", PathStyle::Windows, false},
        {"C:", PathStyle::Windows, false},
        {"", PathStyle::Windows, false},
        {"/home/a/BF1942.exe", PathStyle::Posix, true},
        {"/", PathStyle::Posix, true},
        {"home/a/BF1942.exe", PathStyle::Posix, false},
        {" /home/a/BF1942.exe", PathStyle::Posix, false},
        {"C:\\Games\\BF1942.exe", PathStyle::Posix, false},
        {"", PathStyle::Posix, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(launch::gamePathLooksRight(c.path, c.style), c.passes) << c.path;
    }
}

TEST(LaunchRules, GameFolderIsTheFolderOfTheGamePath) {
    struct Case {
        const char* path;
        PathStyle style;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Games\\BF1942\\BF1942.exe", PathStyle::Windows, "C:\\Games\\BF1942\\"},
        {"C:\\Games\\bf1942.EXE", PathStyle::Windows, "C:\\Games\\"},
        {"C:\\BF1942.exe", PathStyle::Windows, "C:\\"},
        {"C:\\Games/BF1942.exe", PathStyle::Windows, "C:\\Games/"},
        {"/opt/BF1942/BF1942.exe", PathStyle::Posix, "/opt/BF1942/"},
        {"/opt/a\\b.exe", PathStyle::Posix, "/opt/"},  // a backslash is part of a name there
        {"BF1942.exe", PathStyle::Posix, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(launch::gameFolder(c.path, c.style), c.folder) << c.path;
    }
}

TEST(LaunchRules, ServerTextAllowsOnlyPlainAddressCharacters) {
    for (const char* text :
         {"10.0.0.1", "[::1]", "my-server_1.example.org", "a/b:c", " 14567 ", "ABCxyz019", ""}) {
        EXPECT_TRUE(launch::isAllowedServerText(text)) << text;
    }
    for (const char* text : {"1.2.3.4&calc", "1|x", "<a", "b>", "^",    "%PATH%",
                             "\"",           "!",   "(",  ")",  "a\nb", "a\rb",
                             "a\tb",         ";",   "'",  "`",  "$x",   "*",
                             "\xC3\xA4",     "=",   ",",  "\\", "~",    "@"}) {
        EXPECT_FALSE(launch::isAllowedServerText(text)) << text;
    }
}

TEST(LaunchRules, FolderNamesWindowsForbidsAreFoundUnderWine) {
    struct Case {
        const char* folder;
        PathStyle style;
        const char* problem;  // the end of the text; "" for none
    };
    const Case cases[] = {
        {"/games/Battlefield 1942 (GOTY)/", PathStyle::Posix, ""},
        {"/games/./a/../b.c/", PathStyle::Posix, ""},
        {"/games/a\"b/x/", PathStyle::Posix,
         "\"/games/a\"b\" has a name that Windows doesn't "
         "allow: it holds \"\"\"."},
        {"/g/a*b/", PathStyle::Posix, "it holds \"*\"."},
        {"/g/a?b/", PathStyle::Posix, "it holds \"?\"."},
        {"/g/a:b/", PathStyle::Posix, "it holds \":\"."},
        {"/g/a|b/", PathStyle::Posix, "it holds \"|\"."},
        {"/g/a<b/", PathStyle::Posix, "it holds \"<\"."},
        {"/g/a\\b/", PathStyle::Posix, "it holds \"\\\"."},
        {"/g/a\tb/", PathStyle::Posix, "it holds a control character."},
        {"/g/BF1942./x/", PathStyle::Posix,
         "\"/g/BF1942.\" has a name that Windows doesn't "
         "allow: it ends in a dot."},
        {"/g/BF1942 /", PathStyle::Posix, "it ends in a space."},
        {"C:\\Games\\BF1942\\", PathStyle::Windows, ""},  // the drive's colon
        {"C:\\Games\\a?\\", PathStyle::Windows, ""},      // Windows keeps such names out
    };
    for (const Case& c : cases) {
        const std::string problem = launch::checkFolderName(c.folder, c.style).error();
        const std::string end = c.problem;
        EXPECT_EQ(problem.empty(), end.empty()) << c.folder << ": " << problem;
        EXPECT_TRUE(problem.size() >= end.size() &&
                    problem.compare(problem.size() - end.size(), end.size(), end) == 0)
            << c.folder << ": " << problem;
    }
}

TEST_F(LaunchTest, ChecksRunInOrderAndStopAtTheFirstFailure) {
    struct Case {
        const char* ip;
        const char* port;
        bool relativePath;
        const char* message;
        bool reachesClose;
    };
    const Case cases[] = {
        {"", "", false, "You have to write an IP!", false},
        {"", "14567", true, "You have to write an IP!", false},
        {"10.0.0.1", "", true, "No valid port entered", false},
        {"10.0.0.1&calc", "", false, "No valid port entered", false},
        {"10.0.0.1&calc", "14567", true, "The IP or port holds a character that isn't allowed!",
         false},
        {"10.0.0.1", "1\r\ndel x", false, "The IP or port holds a character that isn't allowed!",
         false},
        {"10.0.0.1", "14567", true, "The path isn't correct!", true},
        {"   ", "14567", true, "The path isn't correct!", true},  // spaces are not empty
    };
    for (const Case& c : cases) {
        Form1Harness& f = h;
        f.messages.shown.clear();
        f.settings.preset("Options", "Close", "yes");
        f.settings.preset("Options", "SaveIP", "yes");
        f.Text1.setText(c.relativePath ? "Games/BF1942.exe" : (game / "BF1942.exe").string());
        f.Text2.setText(c.ip);
        f.Text3.setText(c.port);
        EXPECT_EQ(join(), c.reachesClose) << c.ip << " / " << c.port;
        EXPECT_EQ(f.messages.shown, std::vector<std::string>{c.message}) << c.ip << " / " << c.port;
        EXPECT_TRUE(f.launcher.started.empty());
        EXPECT_TRUE(f.settings.writes.empty());
        EXPECT_FALSE(f.Timer1.active);
        EXPECT_FALSE(fs::exists(script()));
    }
}

TEST_F(LaunchTest, WritesTheExactScriptIntoTheGameFolderAndStartsItThere) {
    std::ofstream(script())
        << "an old script, longer than the new one will be ......................";
    h.Text2.setText(" 10.0.0.1 ");  // copied verbatim, spaces included
    EXPECT_FALSE(join());

    EXPECT_TRUE(h.messages.shown.empty());
    EXPECT_EQ(readAll(script()),
              "BF1942.exe +restart 1 +joinServer  10.0.0.1 :14567 +isInternet 1\r\nexit\r\n");
    ASSERT_EQ(h.launcher.started.size(), 1u);
    EXPECT_EQ(h.launcher.started[0].script, script().string());
    EXPECT_EQ(h.launcher.started[0].workingDir,
              launch::gameFolder(h.Text1.text(), launch::nativePathStyle()));
    EXPECT_EQ(fs::path(h.launcher.started[0].workingDir), fs::path(game.string() + "/"));
    EXPECT_EQ(h.launcher.started[0].gamePath, h.Text1.text());
    EXPECT_TRUE(h.Timer1.active);
}

TEST_F(LaunchTest, RemembersTheServerOnlyWhileSaveIpIsExactlyYes) {
    for (const char* value : {"no", "Yes", "", "yes "}) {
        h.settings.preset("Options", "SaveIP", value);
        join();
        EXPECT_TRUE(h.settings.writes.empty()) << value;
    }
    h.settings.preset("Options", "SaveIP", "yes");
    join();
    ASSERT_EQ(h.settings.writes.size(), 2u);
    EXPECT_EQ(h.settings.writes[0].section + "/" + h.settings.writes[0].key + "=" +
                  h.settings.writes[0].value,
              "Options/IP=10.0.0.1");
    EXPECT_EQ(h.settings.writes[1].section + "/" + h.settings.writes[1].key + "=" +
                  h.settings.writes[1].value,
              "Options/port=14567");
    // In one write: another copy joining at once can't pair this IP with its own port.
    EXPECT_EQ(h.settings.writes[0].call, h.settings.writes[1].call);
}

TEST_F(LaunchTest, CloseEndsTheProgramRightAfterTheLaunch) {
    h.settings.preset("Options", "Close", "yes");
    EXPECT_TRUE(join());
    EXPECT_EQ(h.launcher.started.size(), 1u);
    EXPECT_TRUE(fs::exists(script()));  // the program is gone before any tick

    h.settings.preset("Options", "Close", "no");
    EXPECT_FALSE(join());
}

TEST_F(LaunchTest, TickDiscardsWhatTheJoinsWroteOnce) {
    // The executable's name in other letter case: the script is still the one discarded.
    h.Text1.setText((game / "bf1942.exe").string());
    join();
    h.Text2.setText("10.0.0.2");
    join();
    EXPECT_EQ(h.Timer1.starts, 2);                           // each join restarts the timer
    EXPECT_EQ(h.Timer1.lastDelay, std::chrono::seconds(1));  // the script is read by then
    EXPECT_EQ(readAll(script()).substr(0, 45), "BF1942.exe +restart 1 +joinServer 10.0.0.2:14");

    h.form.tick();
    EXPECT_EQ(h.launcher.discarded, std::vector<std::string>{script().string()});
    EXPECT_FALSE(h.Timer1.active);

    h.form.tick();  // nothing written since
    EXPECT_EQ(h.launcher.discarded.size(), 1u);
}

TEST_F(LaunchTest, TickDiscardsScriptsOfSeveralGameFolders) {
    const fs::path other = root / "Other";
    fs::create_directories(other);
    join();
    h.Text1.setText((other / "BF1942.exe").string());
    join();
    h.form.tick();
    EXPECT_EQ(h.launcher.discarded,
              (std::vector<std::string>{script().string(), (other / "run.bat").string()}));
}

TEST_F(LaunchTest, FailedStartIsReportedAndLeavesNothingBehind) {
    h.settings.preset("Options", "SaveIP", "yes");
    h.settings.preset("Options", "Close", "yes");
    h.launcher.failure = "The program \"wine\" wasn't found on PATH.";
    EXPECT_TRUE(join());  // the Close step still follows
    EXPECT_EQ(h.messages.shown,
              std::vector<std::string>{"The game couldn't be started!\n"
                                       "The program \"wine\" wasn't found on PATH."});
    EXPECT_FALSE(fs::exists(script()));
    EXPECT_FALSE(h.Timer1.active);
    EXPECT_EQ(h.settings.writes.size(), 2u);  // the saved server stays saved
    h.form.tick();
    EXPECT_TRUE(h.launcher.discarded.empty());
}

TEST_F(LaunchTest, FailedStartKeepsAScriptThatAnEarlierJoinStarted) {
    join();
    h.launcher.failure = "broken";
    join();
    EXPECT_TRUE(fs::exists(script()));
    h.form.tick();
    EXPECT_EQ(h.launcher.discarded, std::vector<std::string>{script().string()});
}

#ifndef _WIN32
// Sets TMPDIR, which the temporary folder is taken from, for one test.
class TemporaryFolderOverride {
  public:
    explicit TemporaryFolderOverride(const std::string& folder) {
        if (const char* old = std::getenv("TMPDIR")) {
            old_ = old;
        }
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderOverride() {
        if (old_) {
            setenv("TMPDIR", old_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

  private:
    std::optional<std::string> old_;
};

TEST_F(LaunchTest, UnwritableGameFolderFallsBackToTheTemporaryFolder) {
    const fs::path temp = root / "tmp";
    fs::create_directories(temp);
    TemporaryFolderOverride override(temp.string());
    h.Text1.setText((root / "missing" / "BF1942.exe").string());
    join();

    ASSERT_TRUE(h.messages.shown.empty());
    ASSERT_EQ(h.launcher.started.size(), 1u);
    const fs::path written = h.launcher.started[0].script;
    EXPECT_EQ(written.parent_path(), temp);
    EXPECT_EQ(written.extension(), ".bat");
    EXPECT_EQ(readAll(written), launch::scriptBytes("10.0.0.1", "14567"));
    EXPECT_EQ(h.launcher.started[0].workingDir, (root / "missing").string() + "/");

    join();  // a fresh file each time: an existing one is never reused
    ASSERT_EQ(h.launcher.started.size(), 2u);
    EXPECT_NE(h.launcher.started[1].script, h.launcher.started[0].script);
    h.form.tick();
    EXPECT_EQ(h.launcher.discarded.size(), 2u);
}

// A folder whose name Windows forbids: said before anything is written or started.
TEST_F(LaunchTest, ForbiddenFolderNameIsSaidBeforeAnythingIsWritten) {
    for (const char* name : {"a\"b", "a*b", "what?", "BF1942.", "BF1942 "}) {
        const fs::path folder = root / name;
        fs::create_directories(folder);
        h.messages.shown.clear();
        h.settings.preset("Options", "SaveIP", "yes");
        h.Text1.setText((folder / "BF1942.exe").string());
        join();
        ASSERT_EQ(h.messages.shown.size(), 1u) << name;
        EXPECT_EQ(h.messages.shown[0].rfind("The game couldn't be started!\nThe folder \"" +
                                                folder.string() + "\" has a name that Windows " +
                                                "doesn't allow: it ",
                                            0),
                  0u)
            << h.messages.shown[0];
        EXPECT_TRUE(fs::is_empty(folder)) << name;
        EXPECT_TRUE(h.launcher.started.empty()) << name;
        EXPECT_TRUE(h.settings.writes.empty()) << name;
        EXPECT_FALSE(h.Timer1.active) << name;
    }
}

// Whatever bears the script's name is replaced as a name, never followed, opened or written
// through; a folder in the way gives the script a name of its own.
TEST_F(LaunchTest, ThingsNamedLikeTheScriptAreReplacedNotWrittenThrough) {
    const fs::path outside = root / "outside.txt";
    const std::string kept = "a file of the user's own\n";
    enum Kind { Symlink, DanglingLink, HardLink, Fifo, Folder };
    for (const Kind kind : {Symlink, DanglingLink, HardLink, Fifo, Folder}) {
        fs::remove_all(game);
        fs::create_directories(game);
        std::ofstream(outside, std::ios::trunc) << kept;
        switch (kind) {
            case Symlink:
                fs::create_symlink(outside, script());
                break;
            case DanglingLink:
                fs::create_symlink(root / "nowhere", script());
                break;
            case HardLink:
                fs::create_hard_link(outside, script());
                break;
            case Fifo:
                ASSERT_EQ(::mkfifo(script().c_str(), 0600), 0);
                break;
            case Folder:
                fs::create_directories(script() / "inside");
                break;
        }
        h.launcher.started.clear();
        join();
        ASSERT_TRUE(h.messages.shown.empty()) << kind << ": " << h.messages.shown[0];
        ASSERT_EQ(h.launcher.started.size(), 1u) << kind;
        const fs::path written = h.launcher.started[0].script;
        EXPECT_EQ(written, kind == Folder ? game / "run-2.bat" : script()) << kind;
        EXPECT_TRUE(h.launcher.started[0].inWorkingDir) << kind;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(written))) << kind;
        EXPECT_EQ(fs::hard_link_count(written), 1u) << kind;
        EXPECT_EQ(readAll(written), launch::scriptBytes("10.0.0.1", "14567")) << kind;
        EXPECT_EQ(readAll(outside), kept) << kind;
        EXPECT_FALSE(fs::exists(root / "nowhere")) << kind;
        EXPECT_EQ(kind == Folder, fs::is_directory(script() / "inside")) << kind;
        h.form.tick();
        h.launcher.removeScript(written.string());  // as once it was read
        EXPECT_FALSE(fs::exists(fs::symlink_status(written))) << kind;
    }
    // Nothing private is left behind in the game's folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(game), fs::directory_iterator()), 1);
}

// Two launchers (as two running copies) joining through one game folder: each script stays
// whole and in place until its own launcher deletes it, and no launcher deletes another's.
TEST_F(LaunchTest, TwoLaunchersKeepTheirOwnScripts) {
    Form1Harness other;
    other.Text1.setText(h.Text1.text());
    other.Text2.setText("10.0.0.2");
    other.Text3.setText("16567");
    const fs::path second = game / "run-2.bat";
    struct Step {
        Form1Harness* by;
        const char* port;
        const char* expected;  // the script the join runs
    };
    join();
    const Step steps[] = {
        {&other, "16567", "run-2.bat"},  // run.bat is the first launcher's, not read yet
        {&h, "14567", "run.bat"},        // the same script again: reused
        {&h, "14568", "run.bat"},        // its own: rewritten in place
        {&other, "16568", "run-2.bat"},
    };
    for (const Step& step : steps) {
        step.by->Text3.setText(step.port);
        step.by->launcher.started.clear();
        step.by->form.join();
        ASSERT_EQ(step.by->launcher.started.size(), 1u) << step.port;
        EXPECT_EQ(step.by->launcher.started[0].script, (game / step.expected).string());
    }
    EXPECT_EQ(readAll(script()), launch::scriptBytes("10.0.0.1", "14568"));
    EXPECT_EQ(readAll(second), launch::scriptBytes("10.0.0.2", "16568"));

    other.launcher.removeScript(script().string());  // not its own: left alone
    EXPECT_TRUE(fs::exists(script()));
    // A script replaced by hand under its name is no longer the launcher's to delete.
    fs::remove(second);
    std::ofstream(second) << "put here by hand";
    other.launcher.removeScript(second.string());
    EXPECT_EQ(readAll(second), "put here by hand");
    fs::remove(second);

    // Once the first launcher deleted its script, the name is free for the other.
    h.launcher.removeScript(script().string());
    EXPECT_FALSE(fs::exists(script()));
    other.launcher.started.clear();
    other.form.join();
    ASSERT_EQ(other.launcher.started.size(), 1u);
    EXPECT_EQ(other.launcher.started[0].script, script().string());
}

// The temporary folder's path goes into the interpreter's command line: one that holds the
// interpreter's own characters is not used, and nothing is written or started.
TEST_F(LaunchTest, TemporaryFolderWithInterpreterCharactersIsRefused) {
    h.Text1.setText((root / "missing" / "BF1942.exe").string());
    for (const char* name :
         {"a&calc", "50%PATH%", "x^y", "(x)", "a!b", "a;b", "a,b", "a=b", "a\"b", "a|b", "a@b"}) {
        const fs::path temp = root / name;
        fs::create_directories(temp);
        TemporaryFolderOverride override(temp.string());
        h.messages.shown.clear();
        join();
        ASSERT_EQ(h.messages.shown.size(), 1u) << name;
        EXPECT_EQ(h.messages.shown[0].rfind("The game couldn't be started!\n", 0), 0u);
        EXPECT_NE(
            h.messages.shown[0].find("The temporary folder " + temp.string() + " can't be used"),
            std::string::npos)
            << h.messages.shown[0];
        EXPECT_TRUE(h.launcher.started.empty()) << name;
        EXPECT_TRUE(fs::is_empty(temp)) << name;
        EXPECT_FALSE(h.Timer1.active) << name;
    }
}

TEST_F(LaunchTest, ScriptThatCannotBeWrittenAnywhereIsReported) {
    TemporaryFolderOverride override((root / "no-such-tmp").string());
    h.settings.preset("Options", "Close", "yes");
    h.Text1.setText((root / "missing" / "BF1942.exe").string());
    EXPECT_TRUE(join());
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].rfind("The game couldn't be started!\n", 0), 0u);
    EXPECT_NE(h.messages.shown[0].find((root / "missing").string()), std::string::npos);
    EXPECT_TRUE(h.launcher.started.empty());
    EXPECT_FALSE(h.Timer1.active);
}
#endif

TEST_F(LaunchTest, BrowseStoresTheChosenPathAndCancelChangesNothing) {
    h.Text1.setText("C:\\old\\BF1942.exe");
    h.fileDialog.answers = {std::nullopt, std::string("/games/BF1942/BF1942.exe")};
    h.form.browse();
    EXPECT_EQ(h.Text1.text(), "C:\\old\\BF1942.exe");
    EXPECT_TRUE(h.settings.writes.empty());

    h.form.browse();
    ASSERT_EQ(h.fileDialog.shown.size(), 2u);
    EXPECT_EQ(h.fileDialog.shown[1].first.filter,
              "BF1942.exe |bf1942.exe|Applications (*.exe)|*.exe|");
    EXPECT_EQ(h.fileDialog.shown[1].first.title, "BF1942.exe path");
    EXPECT_EQ(h.fileDialog.shown[1].second, FileDialogMode::Open);
    EXPECT_EQ(h.Text1.text(), "/games/BF1942/BF1942.exe");
    ASSERT_EQ(h.settings.writes.size(), 1u);
    EXPECT_EQ(h.settings.writes[0].section + "/" + h.settings.writes[0].key + "=" +
                  h.settings.writes[0].value,
              "Sti/Sti=/games/BF1942/BF1942.exe");
}

}  // namespace
}  // namespace zerlin::test
