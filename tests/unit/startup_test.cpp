#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "doubles/form1_harness.h"
#include "doubles/temp_folder.h"
#include "mainwindow/command_line.h"
#include "text/utf8.h"

namespace zerlin::test {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

TEST(StartUp, EmptyStoreAndNoArgumentShowTheBuiltInPortOnly) {
    Form1Harness h;
    h.form.load({});
    EXPECT_EQ(h.Text1.text(), "");
    EXPECT_EQ(h.Text2.text(), "");
    EXPECT_EQ(h.Text3.text(), "14567");
    EXPECT_EQ(h.List1.count(), 0);
    EXPECT_EQ(h.Text4.text(), "No bookmark selected");
    EXPECT_TRUE(h.messages.shown.empty());
    EXPECT_TRUE(h.settings.writes.empty());
    EXPECT_TRUE(h.launcher.started.empty());
}

TEST(StartUp, RestoresGamePathAndTheLastServerOnlyWithSaveIpOn) {
    struct Case {
        const char* saveIp;
        const char* ip;
        const char* port;
        const char* expectedIp;
        const char* expectedPort;
    };
    const Case cases[] = {
        {"yes", "10.0.0.1", "2000", "10.0.0.1", "2000"},
        {"yes", "10.0.0.1", "", "10.0.0.1", "14567"},  // no stored port keeps the built-in one
        {"yes", "", "2000", "", "2000"},
        {"no", "10.0.0.1", "2000", "", "14567"},
        {"", "10.0.0.1", "2000", "", "14567"},
        {"Yes", "10.0.0.1", "2000", "", "14567"},  // a flag is on only as exactly "yes"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("SaveIP=") + c.saveIp + " IP=" + c.ip + " Port=" + c.port);
        Form1Harness h;
        h.settings.preset("Sti", "Sti", "C:\\Games\\BF1942\\BF1942.exe");
        h.settings.preset("Options", "SaveIP", c.saveIp);
        h.settings.preset("Options", "IP", c.ip);
        h.settings.preset("Options", "port", c.port);  // the join writes the key in lower case
        h.form.load({});
        EXPECT_EQ(h.Text1.text(), "C:\\Games\\BF1942\\BF1942.exe");
        EXPECT_EQ(h.Text2.text(), c.expectedIp);
        EXPECT_EQ(h.Text3.text(), c.expectedPort);
        EXPECT_TRUE(h.settings.writes.empty());
    }
}

TEST(StartUp, LinkPutsItsFieldsVerbatimIntoTheBoxesWithoutJoiningWhenAutoJoinIsOff) {
    struct Case {
        Words words;
        const char* expectedIp;
        const char* expectedPort;
    };
    // The stored server is restored first, so a box the link leaves alone shows it.
    const Case cases[] = {
        {{"zerlin:10.0.0.1:14567"}, "10.0.0.1", "14567"},
        {{"zerlin://10.0.0.1:14567"}, "//10.0.0.1", "14567"},
        {{"zerlin:10.0.0.1:14567/"}, "10.0.0.1", "14567/"},
        {{"\"zerlin:10.0.0.1:2001\""}, "10.0.0.1", "2001"},
        {{"zerlin:1.2.3.4:5:6:7"}, "1.2.3.4", "5"},
        {{"zerlin::"}, "", ""},
        {{"zerlin:10.0.0.1"}, "10.0.0.1", "2000"},  // short link: the port box keeps its text
        {{"zerlin:"}, "", "2000"},
        {{"zerlin"}, "192.168.0.9", "2000"},  // bare: nothing changes
        {{"zerlinx"}, "192.168.0.9", "2000"},
        {{"Zerlin:10.0.0.1:14567"}, "192.168.0.9", "2000"},  // not the prefix: ignored
        {{" zerlin:10.0.0.1:14567"}, "192.168.0.9", "2000"},
        {{"http://10.0.0.1:14567"}, "192.168.0.9", "2000"},
        {{"zerlin:10.0.0.1", "x:9"}, "10.0.0.1 x", "9"},  // the words are one text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.front());
        Form1Harness h;
        h.settings.preset("Options", "SaveIP", "yes");
        h.settings.preset("Options", "IP", "192.168.0.9");
        h.settings.preset("Options", "Port", "2000");
        h.settings.preset("Options", "AutoJoin", "Yes");
        h.form.load(c.words);
        EXPECT_EQ(h.Text2.text(), c.expectedIp);
        EXPECT_EQ(h.Text3.text(), c.expectedPort);
        EXPECT_TRUE(h.launcher.started.empty());
        EXPECT_TRUE(h.messages.shown.empty());
    }
}

// A game in a folder of its own, so that a join passes its checks and starts the launcher.
struct AutoJoinSetup {
    TempFolder game;
    Form1Harness h;
    explicit AutoJoinSetup(const char* close) {
        h.settings.preset("Sti", "Sti", game.file("BF1942.exe", "game"));
        h.settings.preset("Options", "AutoJoin", "yes");
        h.settings.preset("Options", "Close", close);
    }
};

TEST(StartUp, LinkWithAutoJoinOnJoinsBeforeTheBookFileIsOpened) {
    for (const Words& words : {Words{"zerlin:10.0.0.1:14567"}, Words{"zerlin:10.0.0.1"}}) {
        SCOPED_TRACE(words.front());
        AutoJoinSetup s("no");
        s.h.settings.preset("Options", "Book", s.game.file("book.sbk", "Book row\r\n"));
        s.h.form.load(words);
        ASSERT_EQ(s.h.launcher.started.size(), 1u);
        std::ifstream script(s.h.launcher.started[0].script, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(script), {}};
        EXPECT_NE(bytes.find("+joinServer 10.0.0.1:14567 +isInternet 1"), std::string::npos)
            << bytes;
        EXPECT_TRUE(s.h.Timer1.isActive());
        // Start-up goes on after a join that did not end the program.
        EXPECT_EQ(s.h.List1.rows, std::vector<std::string>{"Book row"});
    }
}

TEST(StartUp, AutoJoinWithCloseOnEndsTheProgramBeforeAnythingElseRuns) {
    AutoJoinSetup s("yes");
    s.h.settings.preset("Options", "Book", s.game.file("book.sbk", "Book row\r\n"));
    EXPECT_THROW(s.h.form.load({"zerlin:10.0.0.1:14567"}), ProgramEnded);
    EXPECT_EQ(s.h.launcher.started.size(), 1u);
    EXPECT_EQ(s.h.List1.count(), 0);
}

TEST(StartUp, AutoJoinRunsTheJoinChecksAsAClickDoes) {
    // No game path stored: the join refuses the path, and with Close on still ends.
    Form1Harness h;
    h.settings.preset("Options", "AutoJoin", "yes");
    h.settings.preset("Options", "Close", "yes");
    EXPECT_THROW(h.form.load({"zerlin:10.0.0.1:14567"}), ProgramEnded);
    EXPECT_EQ(h.messages.shown, std::vector<std::string>{"The path isn't correct!"});
    EXPECT_TRUE(h.launcher.started.empty());

    // A bare "zerlin" names no server and does not join.
    AutoJoinSetup bare("yes");
    bare.h.form.load({"zerlin"});
    EXPECT_TRUE(bare.h.launcher.started.empty());
    EXPECT_TRUE(bare.h.messages.shown.empty());
}

// The path part of a file URI, as a file manager writes one: "/C:/Games/list.sbk" on Windows.
std::string uriPath(std::string path) {
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
    path.insert(0, "/");
#endif
    return path;
}

TEST(StartUp, LoadsTheBookmarkFileNamedOnTheCommandLine) {
    TempFolder folder;
    const std::string spaced = folder.file("My Servers.sbk", "A\r\nB\r\n");
    struct Case {
        const char* what;
        Words words;
    };
    const Case cases[] = {
        {"quoted path with spaces", {"\"" + spaced + "\""}},
        {"unquoted path split into words", {folder.path("My"), "Servers.sbk"}},
        {"file URI", {"file://" + uriPath(folder.path("My%20Servers.sbk"))}},
        {"file URI on localhost", {"file://localhost" + uriPath(folder.path("My%20Servers.sbk"))}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Form1Harness h;
        h.form.load(c.words);
        EXPECT_EQ(h.List1.rows, (std::vector<std::string>{"A", "B"}));
        EXPECT_EQ(h.Text4.text(), "No bookmark selected");
        EXPECT_TRUE(h.messages.shown.empty());
    }
}

TEST(StartUp, IgnoresAnArgumentEndingInCapitalSbk) {
    TempFolder folder;
    Form1Harness h;
    h.form.load({folder.file("list.SBK", "A\r\n")});
    EXPECT_EQ(h.List1.count(), 0);
    EXPECT_TRUE(h.messages.shown.empty());
}

TEST(StartUp, TheBookFileReplacesTheCommandLineFileAndFailedLoadsAreSilent) {
    TempFolder folder;
    const std::string commandLineFile = folder.file("cmd.sbk", "From the command line\r\n");
    const std::string bookFile = folder.file("book.sbk", "From Book 1\r\nFrom Book 2\r\n");
    const std::string tooLong = folder.file("long.sbk", std::string(201 * 2, '\r'));
    const std::string missing = folder.path("missing.sbk");
    struct Case {
        std::string argument;
        std::string book;
        std::vector<std::string> expectedRows;
    };
    const Case cases[] = {
        {commandLineFile, bookFile, {"From Book 1", "From Book 2"}},
        {commandLineFile, "", {"From the command line"}},
        {commandLineFile, missing, {"From the command line"}},
        {commandLineFile, tooLong, {"From the command line"}},
        {commandLineFile, "No bookmark selected", {"From the command line"}},
        {commandLineFile, folder.path(""), {"From the command line"}},  // a folder
        {missing, bookFile, {"From Book 1", "From Book 2"}},
        {tooLong, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument + " / Book=" + c.book);
        Form1Harness h;
        h.settings.preset("Options", "Book", c.book);
        h.form.load({c.argument});
        EXPECT_EQ(h.List1.rows, c.expectedRows);
        EXPECT_EQ(h.Text4.text(), "No bookmark selected");
        EXPECT_TRUE(h.messages.shown.empty());
    }
}

TEST(StartUp, SurvivesAnyArgument) {
    const Words arguments[] = {
        {""},
        {"", ""},
        {"sbk"},
        {"\"\"\"\""},
        {"zerlin" + std::string(500, ':')},
        {"zerlin:" + std::string(100000, '1') + ":" + std::string(100000, '2')},
        {"zerlin:\xff\xfe\x80:\xc3"},
        {std::string(100000, 'x') + "sbk"},
        {"\xff\xfe/\x80.sbk"},
        {"file://"},
        {"file:///%"},
        {"file:///%00.sbk"},
        {"file:///%zz%2"},
    };
    for (const Words& words : arguments) {
        SCOPED_TRACE(words.front().substr(0, 40));
        Form1Harness h;
        h.settings.preset("Options", "AutoJoin", "yes");
        ASSERT_NO_THROW(h.form.load(words));
        // What a link puts into the boxes is always a text the controls can hold.
        EXPECT_EQ(utf8::replaceIllFormed(h.Text2.text()), h.Text2.text());
        EXPECT_EQ(utf8::replaceIllFormed(h.Text3.text()), h.Text3.text());
    }
}

TEST(CommandLine, RebuildsTheArgumentText) {
    struct Case {
        Words words;
        std::string expected;
    };
    const Case cases[] = {
        {{"/home/a/My", "Servers.sbk"}, "/home/a/My Servers.sbk"},
        {{"\"/home/a/My Servers.sbk\""}, "/home/a/My Servers.sbk"},
        {{"a", "", "b"}, "a  b"},
        {{"say \"hi\" \"\""}, "say hi "},
        {{"file:///home/a/My%20Servers.sbk"}, "/home/a/My Servers.sbk"},
        {{"\"file:///home/a/My%20Servers.sbk\""}, "/home/a/My Servers.sbk"},
        {{"FILE://LocalHost/x%2fy%C3%A9.sbk"}, "/x/y\xc3\xa9.sbk"},
        {{"file:///a%22b.sbk"}, "/a\"b.sbk"},  // a quote in the name survives the URI
        {{"file:///100%.sbk"}, "/100%.sbk"},
        {{"file://server/share/x.sbk"}, "file://server/share/x.sbk"},  // not this machine
        {{"file:///nul%00.sbk"}, "file:///nul%00.sbk"},
        {{"file:relative.sbk"}, "file:relative.sbk"},
        {{"zerlin:10.0.0.1:14567"}, "zerlin:10.0.0.1:14567"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.front());
        EXPECT_EQ(command_line::argumentText(c.words), c.expected);
    }
}

}  // namespace
}  // namespace zerlin::test
