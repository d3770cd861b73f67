#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "doubles/temp_folder.h"
#include "friends/friend_patterns.h"
#include "friends/friends_file.h"
#include "friends/playing_friends.h"
#include "friends/server_snapshot.h"
#include "status/server_status.h"
#include "text/case_fold.h"

namespace zerlin {
namespace {

using friends::FriendPatterns;

// What the matching below does not show: the tail of the table, and what stays as it is.
TEST(CaseFold, FoldsOneCharacterToOne) {
    const std::vector<std::pair<char32_t, char32_t>> cases = {
        {U'µ', U'μ'}, {U'×', U'×'}, {U'ſ', U's'},   {0x0130, 0x0130}, {U'ı', U'ı'},
        {U'ϐ', U'β'}, {U'Ӏ', U'ӏ'}, {0x212A, U'k'}, {U'中', U'中'},   {0x1F600, 0x1F600}};
    for (const auto& [from, to] : cases) {
        EXPECT_EQ(text::foldCase(from), to) << std::hex << static_cast<unsigned>(from);
    }
    EXPECT_EQ(text::foldCase(std::string("\xC3\x9C\xFFX")), std::string("\xC3\xBC\xFFx"));
}

TEST(FriendPatterns, MatchesNamesByPatternWithoutRegardToCase) {
    struct Case {
        const char* pattern;
        std::string name;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"Bob", "Bob", true},
        {"Bob", "bOB", true},
        {"Bob", "Bobby", false},
        {"Bob", "  Bob\t", true},  // blanks at a name's ends do not count
        {"  Bob  ", "Bob", true},  // nor at a pattern's
        {"*jürgen", "[ABC]Jürgen", true},
        {"*jürgen", "[ABC]J\xFCrgen", true},  // Windows-1252 bytes from a status reply
        {"*JÜRGEN*", "[abc]jürgen_2", true},
        {"šimon", "\x8Aimon", true},  // 0x8A is Š in Windows-1252
        {"ÿ*", "\x9F\x9Fx", true},    // 0x9F is Ÿ
        {"J?rgen", "Jürgen", true},   // ? is one character, however many bytes
        {"?ob", "Bob", true},
        {"?ob", "ob", false},
        {"B?b", "Blob", false},
        {"a*b*c", "acb", false},
        {"*ab", "aab", true},  // the star gives back what it took
        {"a*a", "a", false},
        {"**", "x", true},
        {"*", "", false},  // an empty name matches nothing
        {"*", " \t ", false},
        {"*Sn1per*", "*Sn1per*", true},  // names holding stars themselves
        {"[*]Bob", "[*]Bob", true},
        {"[?]Bob", "[*]Bob", true},
        {"B*", "B*b", true},
        {"Bob", "B*", false},  // a star in a name is only a character
        {"σωκράτης", "ΣΩΚΡΆΤΗΣ", true},
        {"*ος", "ΝΙΚΟΣ", true},  // final sigma
        {"иван*", "ИВАН_1990", true},
        {"Ёжик", "ёЖИК", true},
        {"łukasz", "ŁUKASZ", true},
        {"strauß", "STRAUSS", false},  // one character never folds to two
        {"strauß", "STRAUẞ", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FriendPatterns::fromText(c.pattern).matches(c.name), c.matches)
            << "pattern " << c.pattern << ", name " << c.name;
    }
}

TEST(FriendPatterns, ReadsOnePatternALineSkippingBlankAndCommentLines) {
    struct Case {
        std::string text;
        std::size_t patterns;
        std::vector<std::string> matching;
        std::vector<std::string> notMatching;
    };
    const std::vector<Case> cases = {
        {"", 0, {}, {"Bob"}},
        {"\n\n \t \r\n", 0, {}, {"Bob", " "}},
        {"# Bob\n", 0, {}, {"# Bob", "Bob"}},
        {"  # Bob\n", 0, {}, {"# Bob"}},
        {"Bob\r\nAnn\r\n", 2, {"bob", "ANN", "Bob\r"}, {"Bobb", "Carl"}},
        {"Bob # the tall one\n", 1, {"bob # the tall one"}, {"Bob"}},
        {"#\n*x*\n\nCarl", 2, {"xx", "carl"}, {"Car"}},
    };
    for (const Case& c : cases) {
        const FriendPatterns patterns = FriendPatterns::fromText(c.text);
        EXPECT_EQ(patterns.size(), c.patterns) << c.text;
        EXPECT_EQ(patterns.empty(), c.patterns == 0) << c.text;
        for (const std::string& name : c.matching) {
            EXPECT_TRUE(patterns.matches(name)) << c.text << " / " << name;
        }
        for (const std::string& name : c.notMatching) {
            EXPECT_FALSE(patterns.matches(name)) << c.text << " / " << name;
        }
    }
}

// The first 1,000 lines holding a pattern are used, plain or not; notes and blank lines between
// them do not count.
TEST(FriendPatterns, UsesTheFirstThousandPatterns) {
    std::string text = "# clan\n\n";
    for (int i = 1; i <= 1002; ++i) {
        text += (i % 3 == 0 ? "*x" : "Name") + std::to_string(i) + "\n";
        if (i % 250 == 0) {
            text += "  # a note\n \t\n";
        }
    }
    const FriendPatterns patterns = FriendPatterns::fromText(text);
    EXPECT_EQ(patterns.size(), FriendPatterns::kMaxPatterns);
    EXPECT_EQ(FriendPatterns::countPatterns(text), 1002U);
    const std::vector<std::pair<std::string, bool>> names = {
        {"name1", true},    {"Ax3", true},       {"name998", true}, {"Bx999", true},
        {"name1000", true}, {"name1001", false}, {"Cx1002", false}};
    for (const auto& [name, used] : names) {
        EXPECT_EQ(patterns.matches(name), used) << name;
    }
}

// Plain names are looked up and patterns are ruled out by what they need before they are
// walked: neither may give another answer than walking every pattern.
TEST(FriendPatterns, LookUpsAgreeWithWalkingEachPattern) {
    const std::vector<std::string> patterns = {
        "Bob", "b?b", "*bob",  "bob*",  "*bob*", "b*b",   "?",      "??",   "*",
        "?*",  "*?",  "a*b*c", "*ab*?", "[x]*",  "*[x]",  "j?rgen", "*ü*",  "*?*?*",
        "Ж*",  "*ẞ",  "a?",    "?a",    "*aa*",  "ab?ab", "Strauß", "**b**"};
    const std::vector<std::string> names = {
        "bob",       "BOB", "bab",  "xbob",   "bobx",    "b",   "bb",   "a",     "ab",    "ba",
        "abc",       "acb", "abxc", "abab",   "ababx",   "aab", "[x]",  "[X]y",  "y[x]",  "jürgen",
        "J\xFCrgen", "ж",   "ЖУК",  "STRAUẞ", "strauss", "aa",  "xaax", "abcab", " bob ", ""};
    for (const std::string& pattern : patterns) {
        const FriendPatterns compiled = FriendPatterns::fromText(pattern);
        const std::u32string folded = friends::foldedName(pattern);
        for (const std::string& name : names) {
            const std::u32string key = friends::foldedName(name);
            EXPECT_EQ(compiled.matches(name), !key.empty() && friends::globMatch(folded, key))
                << "pattern " << pattern << ", name " << name;
        }
    }
    // All of them at once: the name matches when one of them does.
    std::string all;
    for (const std::string& pattern : patterns) {
        all += pattern + "\n";
    }
    const FriendPatterns every = FriendPatterns::fromText(all);
    EXPECT_TRUE(every.matches("anything"));
    EXPECT_FALSE(every.matches("  "));
}

// Which players on a server are friends: the same answer for the players of a status answer (the
// rows and the bookmarks' tooltips) and for those of a snapshot (the notifications), and never
// one past numPlayers.
TEST(PlayingFriends, OnlyThePlayersOnTheServerCount) {
    const std::vector<std::string> listed = {"Ann", "Bob", "Carl", "Ann2", "Bob"};
    const FriendPatterns friends = FriendPatterns::fromText("ann*\nbob\n");
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {
        {-3, {}},
        {0, {}},
        {1, {"Ann"}},
        {3, {"Ann", "Bob"}},
        {4, {"Ann", "Bob", "Ann2"}},
        {5, {"Ann", "Bob", "Ann2", "Bob"}},
        {64, {"Ann", "Bob", "Ann2", "Bob"}},
    };
    std::vector<status::PlayerStatus> answered;
    for (const std::string& name : listed) {
        answered.push_back(status::PlayerStatus{name});
    }
    for (const auto& [numPlayers, expected] : cases) {
        friends::ServerSnapshot snapshot;
        snapshot.players = listed;
        snapshot.numPlayers = numPlayers;
        EXPECT_EQ(friends::friendsOn(snapshot, friends), expected) << numPlayers;
        EXPECT_EQ(
            friends::playingFriends(answered, numPlayers, friends, &status::PlayerStatus::name),
            expected)
            << numPlayers;
    }
    EXPECT_TRUE(friends::playingFriends(answered, 5, FriendPatterns(), &status::PlayerStatus::name)
                    .empty());
}

TEST(FriendsFile, LivesBesideTheSettingsAndKeepsEveryLine) {
    test::TempFolder folder;
    const std::string path = friends::friendsFilePath(folder / "zerlin/settings.ini");
    // As paths: Windows writes its own separator where the test wrote "/".
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::path(folder / "zerlin/friends.txt"));
    const Result<std::string> none = friends::readFriendsFile(path);  // no file: no friends
    EXPECT_TRUE(none.ok() && none.value().empty()) << none.error();

    // The folder is made; notes, blank lines and their order stay; the last line is ended.
    const std::string text = "# my clan\n\n[ABC]Jürgen\n  *ßtar*\n?ob";
    ASSERT_TRUE(friends::writeFriendsFile(path, text).ok());
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text + "\n");  // UTF-8

    // A BOM is dropped; bytes that are not UTF-8 are the code page's (Windows-1252 here).
    EXPECT_EQ(friends::readFriendsFile(folder.file("a", "\xEF\xBB\xBFJ\xC3\xBCrgen\n")).value(),
              "Jürgen\n");
    EXPECT_EQ(friends::readFriendsFile(folder.file("b", "J\xFCrgen\r\n")).value(), "Jürgen\r\n");
    EXPECT_FALSE(friends::readFriendsFile(folder.file("big", std::string(300000, 'x'))).ok());
    EXPECT_FALSE(friends::readFriendsFile(folder.path().string()).ok());
    EXPECT_FALSE(friends::writeFriendsFile(folder.path().string(), "Bob").ok());
}

}  // namespace
}  // namespace zerlin
