#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bookmarks/bookmark_entry.h"
#include "doubles/form1_harness.h"

namespace zerlin::test {
namespace {

std::string spaces(std::size_t n) {
    return std::string(n, ' ');
}

std::string repeat(const std::string& piece, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += piece;
    }
    return out;
}

// Adds one bookmark through the command, with the boxes and the answer given.
void addThrough(Form1Harness& h, const std::string& name, const std::string& ip,
                const std::string& port) {
    h.Text2.setText(ip);
    h.Text3.setText(port);
    h.input.answers.push_back(name);
    h.form.add();
}

TEST(BookmarkAdd, BuildsTheNameFieldByCharacters) {
    const std::string e = "\xC3\xA9";             // é, two bytes
    const std::string zhe = "\xD0\x96";           // Ж, two bytes
    const std::string grin = "\xF0\x9F\x98\x80";  // an emoji, four bytes
    struct Case {
        std::string name;
        std::string field;
    };
    const std::vector<Case> cases = {
        {"My server", "My server" + spaces(26)},
        {repeat("a", 35), repeat("a", 35)},
        {repeat("a", 32) + "bcde", repeat("a", 32) + "..."},
        {"   ", spaces(35)},
        {"Caf" + e + " " + zhe, "Caf" + e + " " + zhe + spaces(29)},
        {repeat(zhe, 35), repeat(zhe, 35)},
        {repeat(zhe, 36), repeat(zhe, 32) + "..."},
        // A four-byte character across the cut stays whole or goes whole.
        {repeat("a", 31) + grin + grin + repeat("b", 10), repeat("a", 31) + grin + "..."},
        {"a:b", "a:b" + spaces(32)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Form1Harness h;
        addThrough(h, c.name, "10.0.0.1", "14567");
        ASSERT_EQ(h.List1.rows.size(), 1u);
        EXPECT_EQ(h.List1.rows[0], c.field + ":10.0.0.1:14567");
        EXPECT_EQ(utf8::length(h.List1.rows[0]), 35u + 15u);
        EXPECT_EQ(h.input.prompts, std::vector<std::string>{"The name of the server?"});
        EXPECT_TRUE(h.messages.shown.empty());
    }
}

TEST(BookmarkAdd, ChecksTheBoxesInOrderAndAsksNothingAfterAMessage) {
    struct Case {
        std::string ip, port;
        std::string message;  // empty: no message, the name is asked for
    };
    const std::vector<Case> cases = {
        {"", "", "You have to write an IP!"},
        {"", "14567", "You have to write an IP!"},
        {"10.0.0.1", "", "No valid port entered"},
        {" ", " ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ip '" + c.ip + "' port '" + c.port + "'");
        Form1Harness h;
        addThrough(h, "My server", c.ip, c.port);
        if (c.message.empty()) {
            EXPECT_TRUE(h.messages.shown.empty());
            EXPECT_EQ(h.input.prompts.size(), 1u);
            EXPECT_EQ(h.List1.rows, std::vector<std::string>{"My server" + spaces(26) + ": : "});
        } else {
            EXPECT_EQ(h.messages.shown, std::vector<std::string>{c.message});
            EXPECT_TRUE(h.input.prompts.empty());
            EXPECT_TRUE(h.List1.rows.empty());
        }
        EXPECT_EQ(h.Text2.text(), c.ip);
        EXPECT_EQ(h.Text3.text(), c.port);
    }
}

TEST(BookmarkAdd, EmptyAnswerAddsNothingAndEqualAddsRepeat) {
    Form1Harness h;
    h.List1.rows = {"first"};
    h.List1.selection = 0;

    // Cancel and an empty OK both come back as the empty text.
    addThrough(h, "", "10.0.0.1", "14567");
    EXPECT_EQ(h.List1.rows, std::vector<std::string>{"first"});
    EXPECT_TRUE(h.messages.shown.empty());

    addThrough(h, "Same", "10.0.0.1", "14567");
    addThrough(h, "Same", "10.0.0.1", "14567");
    const std::string row = "Same" + spaces(31) + ":10.0.0.1:14567";
    EXPECT_EQ(h.List1.rows, (std::vector<std::string>{"first", row, row}));
    EXPECT_EQ(h.List1.selection, 0);
    EXPECT_EQ(h.Text2.text(), "10.0.0.1");
    EXPECT_EQ(h.Text3.text(), "14567");
}

TEST(BookmarkPick, ReadsBackWhatAddBuilt) {
    struct Case {
        std::string name, ip, port;
    };
    const std::vector<Case> cases = {
        {"My server", "10.0.0.1", "14567"},
        {"Web", "10.0.0.1", "80"},
        {"a:b", "10.0.0.1", "14567"},
        {"x:y:z and a very long name that gets cut", "host.example", "1"},
        {"IPv6", "::1", "14567"},
        {"\xD0\x96\xD0\x96 \xC3\xA9", "10.0.0.2", "23000"},
        {repeat("\xE2\x82\xAC", 40), "1.2.3.4", "5"},
        {" ", " ", " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Form1Harness h;
        addThrough(h, "other", "9.9.9.9", "99999");
        addThrough(h, c.name, c.ip, c.port);
        h.Text2.setText("old ip");
        h.Text3.setText("old");
        h.List1.selection = 1;
        h.form.pick();
        EXPECT_EQ(h.Text2.text(), c.ip);
        EXPECT_EQ(h.Text3.text(), c.port);
        EXPECT_TRUE(h.messages.shown.empty());
    }
}

TEST(BookmarkPick, ReadsOtherRowsByLastFiveCharactersAndSecondField) {
    struct Case {
        std::vector<std::string> rows;
        std::optional<int> selection;
        std::string ip, port;  // the boxes afterwards; they held "old ip" and "old"
    };
    const std::vector<Case> cases = {
        {{}, std::nullopt, "old ip", ""},
        {{"a row", "b row"}, std::nullopt, "old ip", ""},
        {{"no colon here"}, 0, "old ip", " here"},
        {{"abc"}, 0, "old ip", "abc"},
        {{"Name:10.0.0.1:14567"}, 0, "10.0.0.1", "14567"},
        {{"Name:10.0.0.1"}, 0, "10.0.0.1", "0.0.1"},
        {{"Name:"}, 0, "", "Name:"},
        // Counted by characters: the last five of "Zürich" are "ürich".
        {{"Z\xC3\xBCrich"}, 0, "old ip", "\xC3\xBCrich"},
        // The ":" of the layout must be the 36th character itself, not merely some ":".
        {{repeat("a", 34) + ":x:80"}, 0, "x", ":x:80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.empty() ? "(empty list)" : c.rows[0]);
        Form1Harness h;
        h.List1.rows = c.rows;
        h.List1.selection = c.selection;
        h.Text2.setText("old ip");
        h.Text3.setText("old");
        h.form.pick();
        EXPECT_EQ(h.Text2.text(), c.ip);
        EXPECT_EQ(h.Text3.text(), c.port);
        EXPECT_EQ(h.List1.rows, c.rows);
        EXPECT_TRUE(h.messages.shown.empty());
    }
}

// A list that, as Qt's does, moves the selection on to the row that took the removed one's
// place.
class SelectionKeepingList : public FakeListBox {
  public:
    void removeAt(int index) override {
        const std::optional<int> kept = selection;
        FakeListBox::removeAt(index);
        if (kept && *kept < count()) {
            selection = kept;
        }
    }
};

TEST(BookmarkDelete, RemovesOnlyTheSelectedRowAndLeavesNoSelection) {
    Form1Harness h;
    SelectionKeepingList list;
    Form1 form{
        Form1Controls{h.window, h.Label1, h.Text1, h.Text2, h.Text3, h.Text4, list, h.Timer1},
        Form1Services{h.settings, h.fileDialog, h.messages, h.input, h.launcher, h.program,
                      h.options}};
    list.rows = {"a", "b", "c", "d"};

    form.remove();
    EXPECT_EQ(list.rows, (std::vector<std::string>{"a", "b", "c", "d"}));

    list.selection = 1;
    form.remove();
    EXPECT_EQ(list.rows, (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(list.selection, std::nullopt);

    // A second DELETE right after finds nothing selected.
    form.remove();
    EXPECT_EQ(list.rows, (std::vector<std::string>{"a", "c", "d"}));

    list.selection = 2;
    form.remove();
    EXPECT_EQ(list.rows, (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(h.messages.shown.empty());
}

TEST(BookmarkEntry, MeasuresAndCutsMalformedTextWithoutSplittingCharacters) {
    struct Case {
        std::string text;
        std::size_t length;
    };
    const std::vector<Case> cases = {
        {"", 0},
        {"\xE2\x82\xAC", 1},      // €
        {"\xF0\x9F\x98\x80", 1},  // four bytes
        {"\xC3", 1},              // cut off at the end
        {"\xE2\x82\x41", 3},      // cut off: each byte stands alone
        {"\xC0\xAF", 2},          // overlong
        {"\xED\xA0\x80", 3},      // a surrogate
        {"\xF4\x90\x80\x80", 4},  // beyond U+10FFFF
        {"\x80\xBF\xFF", 3},      // stray bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(utf8::length(c.text), c.length);
        for (std::size_t n = 0; n <= c.length + 1; ++n) {
            const std::string head = utf8::first(c.text, n);
            const std::string tail = utf8::last(c.text, c.length > n ? c.length - n : 0);
            EXPECT_EQ(head + tail, c.text);
            EXPECT_EQ(utf8::length(head), std::min(n, c.length));
        }
    }

    // A name with malformed bytes still gives a row that reads back.
    const std::string row = makeBookmarkEntry("bad \xC3 name \xFF", "10.0.0.1", "80");
    EXPECT_EQ(utf8::length(row), 35u + 12u);
    const BookmarkAddress back = readBookmarkEntry(row);
    EXPECT_EQ(back.ip, "10.0.0.1");
    EXPECT_EQ(back.port, "80");
}

}  // namespace
}  // namespace zerlin::test
