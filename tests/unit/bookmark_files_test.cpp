#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "bookmarks/module2.h"
#include "doubles/form1_harness.h"
#include "doubles/temp_folder.h"
#include "text/utf8.h"

namespace zerlin::test {
namespace {

namespace fs = std::filesystem;

class BookmarkFiles : public ::testing::Test, protected TempFolder {
  protected:
    static std::string slurp(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void put(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static FakeListBox listOf(std::vector<std::string> rows) {
        FakeListBox list;
        list.rows = std::move(rows);
        return list;
    }
    static std::string repeatLine(const std::string& line, int times) {
        std::string out;
        for (int i = 0; i < times; ++i) {
            out += line;
        }
        return out;
    }
};

const std::string kEntry = "My server                          :10.0.0.1:14567";

TEST_F(BookmarkFiles, SaveThenLoadGivesTheSameRowsAndExactBytes) {
    FakeListBox saved =
        listOf({kEntry, "", "Caf\xC3\xA9 \xE2\x82\xAC", std::string("n\0ul", 4), "  spaced  "});
    ASSERT_TRUE(WriteBookmarkFile(path("a.sbk"), saved));
    EXPECT_EQ(slurp(path("a.sbk")),
              kEntry + "\r\n\r\nCaf\xE9 \x80\r\n" + std::string("n\0ul", 4) + "\r\n  spaced  \r\n");

    FakeListBox loaded = listOf({"old"});
    ASSERT_TRUE(LoadBookmarkFile(path("a.sbk"), loaded));
    EXPECT_EQ(loaded.rows, saved.rows);

    // Written again, the file does not change by a byte.
    const std::string first = slurp(path("a.sbk"));
    ASSERT_TRUE(WriteBookmarkFile(path("b.sbk"), loaded));
    EXPECT_EQ(slurp(path("b.sbk")), first);

    // An empty list gives an empty file, and an empty file an empty list.
    ASSERT_TRUE(WriteBookmarkFile(path("a.sbk"), FakeListBox{}));
    EXPECT_EQ(fs::file_size(path("a.sbk")), 0u);
    ASSERT_TRUE(LoadBookmarkFile(path("a.sbk"), loaded));
    EXPECT_TRUE(loaded.rows.empty());
}

TEST_F(BookmarkFiles, EveryLineEndEndsALineAndAFinalOneAddsNoRow) {
    struct Case {
        std::string bytes;
        std::vector<std::string> rows;
    };
    const std::vector<Case> cases = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        put(path("f.sbk"), c.bytes);
        FakeListBox list = listOf({"old"});
        ASSERT_TRUE(LoadBookmarkFile(path("f.sbk"), list));
        EXPECT_EQ(list.rows, c.rows);
    }
}

TEST_F(BookmarkFiles, LoadsAtMost200LinesAndOtherwiseKeepsTheList) {
    struct Case {
        std::string name;
        std::string bytes;
        bool loads;
    };
    const std::vector<Case> cases = {
        {"200 lines", repeatLine("x\r\n", 200), true},
        {"200 lines, last without end", repeatLine("x\r\n", 199) + "x", true},
        {"201 lines", repeatLine("x\r\n", 201), false},
        {"200 lines and an empty one", repeatLine("x\r\n", 200) + "\r\n", false},
        {"201 lines, LF only", repeatLine("x\n", 201), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put(path("f.sbk"), c.bytes);
        FakeListBox list = listOf({"kept", "rows"});
        const Status result = LoadBookmarkFile(path("f.sbk"), list);
        EXPECT_EQ(result.ok(), c.loads);
        if (c.loads) {
            EXPECT_EQ(list.rows, std::vector<std::string>(200, "x"));
        } else {
            EXPECT_EQ(list.rows, (std::vector<std::string>{"kept", "rows"}));
            EXPECT_NE(result.error().find("200 lines"), std::string::npos) << result.error();
        }
    }

    // A longer list is still saved whole; it then does not load again.
    FakeListBox big = listOf(std::vector<std::string>(250, "y"));
    ASSERT_TRUE(WriteBookmarkFile(path("big.sbk"), big));
    EXPECT_EQ(slurp(path("big.sbk")), repeatLine("y\r\n", 250));
    FakeListBox list = listOf({"kept"});
    EXPECT_FALSE(LoadBookmarkFile(path("big.sbk"), list));
    EXPECT_EQ(list.rows, std::vector<std::string>{"kept"});
}

TEST_F(BookmarkFiles, BadFilesFailAndKeepTheList) {
    fs::create_directory(path() / "folder");
    put(path("huge.sbk"), std::string(1024 * 1024 + 1, 'x'));
    for (const std::string& bad : {path("missing.sbk"), path("folder"), std::string("/dev/zero"),
                                   path("huge.sbk"), std::string()}) {
        SCOPED_TRACE(bad);
        FakeListBox list = listOf({"kept"});
        const Status result = LoadBookmarkFile(bad, list);
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.error().empty());
        EXPECT_EQ(list.rows, std::vector<std::string>{"kept"});
    }
}

// What other copies of the program wrote reads as they meant it.
TEST_F(BookmarkFiles, ReadsWindows1252AndUtf8Files) {
    struct Case {
        std::string name;
        std::string bytes;
        std::vector<std::string> rows;
    };
    const std::vector<Case> cases = {
        {"Windows-1252",
         "M\xFCller\r\nJos\xE9 \x80\x99\r\n",
         {"M\xC3\xBCller", "Jos\xC3\xA9 \xE2\x82\xAC\xE2\x84\xA2"}},
        {"UTF-8",
         "M\xC3\xBCller\r\n\xD0\x9C\xD0\xBE\xD1\x81\r\n",
         {"M\xC3\xBCller", "\xD0\x9C\xD0\xBE\xD1\x81"}},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBFJos\xC3\xA9\r\n", {"Jos\xC3\xA9"}},
        {"byte-order mark before ASCII",
         "\xEF\xBB\xBF"
         "abc",
         {"abc"}},
        {"broken UTF-8 reads as Windows-1252", "\xC3\xA9 \xC3", {"\xC3\x83\xC2\xA9 \xC3\x83"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put(path("f.sbk"), c.bytes);
        FakeListBox list;
        ASSERT_TRUE(LoadBookmarkFile(path("f.sbk"), list));
        EXPECT_EQ(list.rows, c.rows);
    }
}

TEST_F(BookmarkFiles, WritesTheCodePageWhereItFitsAndUtf8WhereNothingElseKeepsTheText) {
    struct Case {
        std::string name;
        std::vector<std::string> rows;
        std::string bytes;
    };
    const std::string moscow = "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0";
    const std::vector<Case> cases = {
        {"accents fit Windows-1252", {"Jos\xC3\xA9", "\xE2\x82\xAC"}, "Jos\xE9\r\n\x80\r\n"},
        {"Cyrillic needs UTF-8, without byte-order mark",
         {"Jos\xC3\xA9", moscow},
         "Jos\xC3\xA9\r\n" + moscow + "\r\n"},
        {"code-page bytes that would read as UTF-8", {"\xC3\x83\xC2\xA9"}, "\xC3\x83\xC2\xA9\r\n"},
        {"a leading byte-order mark character survives",
         {"\xEF\xBB\xBF" + moscow},
         "\xEF\xBB\xBF\xEF\xBB\xBF" + moscow + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FakeListBox saved = listOf(c.rows);
        ASSERT_TRUE(WriteBookmarkFile(path("f.sbk"), saved));
        EXPECT_EQ(slurp(path("f.sbk")), c.bytes);
        FakeListBox loaded;
        ASSERT_TRUE(LoadBookmarkFile(path("f.sbk"), loaded));
        EXPECT_EQ(loaded.rows, c.rows) << "nothing typed is lost";
    }
}

// Any file that is not UTF-8, including the bytes Windows-1252 leaves undefined, control
// characters and NUL, is written back byte for byte.
TEST_F(BookmarkFiles, EveryByteRoundTrips) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') {
            bytes += static_cast<char>(b);
        }
    }
    bytes += "\r\n\x81\x8D\x8F\x90\x9D\r\n";
    put(path("all.sbk"), bytes);
    FakeListBox list;
    ASSERT_TRUE(LoadBookmarkFile(path("all.sbk"), list));
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[1], "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    for (const std::string& row : list.rows) {
        EXPECT_TRUE(utf8::isValid(row));
    }
    ASSERT_TRUE(WriteBookmarkFile(path("again.sbk"), list));
    EXPECT_EQ(slurp(path("again.sbk")), bytes);
}

// The main window's commands, with the dialog answered by a double and real files.
class BookmarkCommands : public BookmarkFiles {
  protected:
    Form1Harness h;
};

const char* const kBrowseFilter = "BF1942.exe |bf1942.exe|Applications (*.exe)|*.exe|";

TEST_F(BookmarkCommands, TheDialogKeepsWhatEachCommandLeftIt) {
    // As Browse leaves it: its own filter and title, the game chosen.
    put(path("BF1942.exe"), "game");
    h.form.CommonDialog1 = {kBrowseFilter, "BF1942.exe path", path("BF1942.exe")};
    h.List1.rows = {kEntry};

    h.fileDialog.answers = {std::nullopt};
    h.form.save();
    ASSERT_EQ(h.fileDialog.shown.size(), 1u);
    const auto& [firstSave, firstMode] = h.fileDialog.shown[0];
    EXPECT_EQ(firstMode, FileDialogMode::Save);
    EXPECT_EQ(firstSave.filter, "Bookmark file (*.sbk) |*.sbk|");
    EXPECT_EQ(firstSave.title, "BF1942.exe path");
    EXPECT_EQ(firstSave.fileName, path("BF1942.exe"));
    EXPECT_EQ(slurp(path("BF1942.exe")), "game") << "a cancelled save writes nothing";

    put(path("list.sbk"), "a\r\n");
    h.fileDialog.answers = {path("list.sbk")};
    h.form.open();
    const auto& [opened, openMode] = h.fileDialog.shown[1];
    EXPECT_EQ(openMode, FileDialogMode::Open);
    EXPECT_EQ(opened.filter, "Bookmark file (*.sbk) |*.sbk|");
    EXPECT_EQ(opened.title, "Open bookmark file");
    EXPECT_EQ(opened.fileName, path("BF1942.exe"));

    h.fileDialog.answers = {path("copy")};
    h.form.save();
    const auto& [secondSave, secondMode] = h.fileDialog.shown[2];
    EXPECT_EQ(secondSave.title, "Open bookmark file");
    EXPECT_EQ(secondSave.fileName, path("list.sbk"));
    // No suffix is added, and the current bookmark file stays the opened one.
    EXPECT_EQ(slurp(path("copy")), "a\r\n");
    EXPECT_FALSE(fs::exists(path("copy.sbk")));
    EXPECT_EQ(h.Text4.text(), path("list.sbk"));
    EXPECT_TRUE(h.messages.shown.empty());
}

TEST_F(BookmarkCommands, OpenSetsTheCurrentFileFirstAndSaysWhyALoadFailed) {
    h.List1.rows = {"kept"};
    h.fileDialog.answers = {std::nullopt};
    h.form.open();
    EXPECT_EQ(h.Text4.text(), "No bookmark selected") << "a cancelled open changes nothing";
    EXPECT_EQ(h.List1.rows, std::vector<std::string>{"kept"});

    put(path("long.sbk"), repeatLine("x\r\n", 201));
    h.fileDialog.answers = {path("missing.sbk"), path("long.sbk"), path("good.sbk")};
    for (const std::string& failing : {path("missing.sbk"), path("long.sbk")}) {
        SCOPED_TRACE(failing);
        h.messages.shown.clear();
        h.form.open();
        EXPECT_EQ(h.Text4.text(), failing);
        EXPECT_EQ(h.List1.rows, std::vector<std::string>{"kept"});
        ASSERT_EQ(h.messages.shown.size(), 1u);
        const std::string& message = h.messages.shown[0];
        EXPECT_EQ(message.rfind("The bookmark file couldn't be opened!\n" + failing + ": ", 0), 0u)
            << message;
    }

    put(path("good.sbk"), kEntry + "\r\n");
    h.messages.shown.clear();
    h.form.open();
    EXPECT_EQ(h.Text4.text(), path("good.sbk"));
    EXPECT_EQ(h.List1.rows, std::vector<std::string>{kEntry});
    EXPECT_TRUE(h.messages.shown.empty());
}

TEST_F(BookmarkCommands, AFailedSaveKeepsTheOldFileAndSaysSo) {
    put(path("folder-as-file"), "x");
    h.List1.rows = {kEntry};
    h.fileDialog.answers = {path("folder-as-file/list.sbk")};
    h.form.save();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].rfind(
                  "The bookmarks couldn't be saved!\n" + path("folder-as-file/list.sbk") + ": ", 0),
              0u)
        << h.messages.shown[0];
    EXPECT_EQ(h.Text4.text(), "No bookmark selected");

#ifndef _WIN32
    // Part-way: a list larger than the room left on a small file system.
    const fs::path small = path() / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const std::string target = (small / "list.sbk").string();
    put(target, kEntry + "\r\n");
    h.List1.rows = std::vector<std::string>(2000, kEntry);
    h.messages.shown.clear();
    h.fileDialog.answers = {target};
    h.form.save();
    EXPECT_EQ(slurp(target), kEntry + "\r\n");
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_NE(h.messages.shown[0].find("No space left"), std::string::npos) << h.messages.shown[0];
    ::umount(small.c_str());
#endif
}

// A list longer than a file may be is saved whole, and then the user is told it won't open.
TEST_F(BookmarkCommands, SavingMoreThan200BookmarksSaysTheFileWontOpen) {
    put(path("not-a-folder"), "x");
    const std::vector<std::pair<int, std::string>> cases = {
        {200, path("200.sbk")}, {201, path("201.sbk")}, {1000, path("not-a-folder/1000.sbk")}};
    for (const auto& [rows, target] : cases) {
        SCOPED_TRACE(target);
        h.List1.rows = std::vector<std::string>(static_cast<std::size_t>(rows), kEntry);
        h.messages.shown.clear();
        h.fileDialog.answers = {target};
        h.form.save();
        EXPECT_EQ(slurp(target), fs::exists(target) ? repeatLine(kEntry + "\r\n", rows) : "");
        ASSERT_EQ(h.messages.shown.size(), rows > 200 ? 1u : 0u);
        if (fs::exists(target) && rows > 200) {
            EXPECT_EQ(h.messages.shown[0],
                      "The list has more than 200 bookmarks: the file was "
                      "saved, but it can't be opened again!");
        }
    }
    EXPECT_EQ(h.messages.shown[0].rfind("The bookmarks couldn't be saved!", 0), 0u);
}

}  // namespace
}  // namespace zerlin::test
