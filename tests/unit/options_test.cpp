#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doubles/doubles.h"
#include "options/form2.h"
#include "settings/reporting_settings.h"

namespace zerlin::test {
namespace {

class FakeSurface : public ToolWindow {
  public:
    bool isOpen() const override { return open; }
    void show() override {
        open = true;
        ++shows;
    }
    void raise() override { ++raises; }

    bool open = false;
    int shows = 0;
    int raises = 0;
};

// An options window wired to doubles, as the options button makes it.
struct Form2Harness {
    FakeCheckBox Check1, Check3, Check4, Check5;
    FakeTextBox Text1;
    FakeSurface surface;
    MemorySettings settings;
    FakeTextBox form1Text4{"No bookmark selected"};
    Form2 form{Form2Controls{Check1, Check3, Check4, Check5, Text1}, surface, settings, form1Text4};

    // The user clicks a switch: its state flips, then its click action runs.
    void click(CheckBox& box, void (Form2::*action)()) {
        box.setChecked(!box.checked());
        (form.*action)();
    }
};

std::vector<std::string> describe(const std::vector<MemorySettings::Write>& writes) {
    std::vector<std::string> out;
    for (const auto& w : writes) {
        out.push_back(w.section + "/" + w.key + "=" + w.value);
    }
    return out;
}

TEST(Form2, StartsInItsStateAtCreation) {
    Form2Harness h;
    EXPECT_EQ(h.Check1.caption(), "Lauch BF1942 directly after a click on a IE link");
    EXPECT_EQ(h.Check3.caption(), "Save IP && port from server last visited");
    EXPECT_EQ(h.Check4.caption(), "Close Zerlin after a join click");
    EXPECT_EQ(h.Check5.caption(), "Auto open bookmarks");
    for (CheckBox* box : {&h.Check1, &h.Check3, &h.Check4, &h.Check5}) {
        EXPECT_FALSE(box->checked());
    }
    EXPECT_EQ(h.surface.shows, 0);
}

struct LoadCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> stored;  // key in "Options", value
    bool check1, check3, check4, check5;
    std::string check5Caption;
};

TEST(Form2, LoadShowsTheStoredFlagsAndWritesNothing) {
    const std::vector<LoadCase> cases = {
        {"empty store", {}, false, false, false, false, "Auto open bookmarks ()"},
        {"all on",
         {{"AutoJoin", "yes"}, {"SaveIP", "yes"}, {"Close", "yes"}, {"Book", "/srv/a.sbk"}},
         true,
         true,
         true,
         true,
         "Auto open bookmarks (/srv/a.sbk)"},
        {"only exactly yes counts",
         {{"AutoJoin", "Yes"}, {"SaveIP", "YES"}, {"Close", "yes "}},
         false,
         false,
         false,
         false,
         "Auto open bookmarks ()"},
        {"each flag on its own switch",
         {{"Close", "yes"}, {"SaveIP", "no"}},
         false,
         false,
         true,
         false,
         "Auto open bookmarks ()"},
        {"autojoin alone",
         {{"AutoJoin", "yes"}},
         true,
         false,
         false,
         false,
         "Auto open bookmarks ()"},
        {"saveip alone", {{"SaveIP", "yes"}}, false, true, false, false, "Auto open bookmarks ()"},
        {"no bookmark selected",
         {{"Book", "No bookmark selected"}},
         false,
         false,
         false,
         false,
         "Auto open bookmarks (No bookmark selected)"},
        {"path with brackets and blanks",
         {{"Book", "C:\\My Servers (old)\\list.sbk"}},
         false,
         false,
         false,
         true,
         "Auto open bookmarks (C:\\My Servers (old)\\list.sbk)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Form2Harness h;
        for (const auto& [key, value] : c.stored) {
            h.settings.preset("Options", key, value);
        }
        h.form.load();
        EXPECT_EQ(h.Check1.checked(), c.check1);
        EXPECT_EQ(h.Check3.checked(), c.check3);
        EXPECT_EQ(h.Check4.checked(), c.check4);
        EXPECT_EQ(h.Check5.checked(), c.check5);
        EXPECT_EQ(h.Check5.caption(), c.check5Caption);
        EXPECT_TRUE(h.settings.writes.empty())
            << ::testing::PrintToString(describe(h.settings.writes));
        for (const auto& [key, value] : c.stored) {
            EXPECT_EQ(h.settings.read("Options", key), value);
        }
    }
}

TEST(Form2, CreditsAreTwoLinesJoinedByOneCarriageReturnLineFeed) {
    Form2Harness h;
    h.form.load();
    const std::string credits = h.Text1.text();
    const auto breakAt = credits.find("\r\n");
    ASSERT_NE(breakAt, std::string::npos);
    const std::string first = credits.substr(0, breakAt);
    const std::string second = credits.substr(breakAt + 2);
    EXPECT_FALSE(first.empty());
    EXPECT_FALSE(second.empty());
    for (const std::string& line : {first, second}) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    }
    EXPECT_NE(first.find("the Zerlin developers"), std::string::npos);
    EXPECT_NE(first.find("@example.org"), std::string::npos);
    EXPECT_NE(second.find("team"), std::string::npos);
}

TEST(Form2, EachFlagSwitchWritesYesOrNoToItsOwnKey) {
    struct Case {
        const char* key;
        FakeCheckBox Form2Harness::*box;
        void (Form2::*action)();
    };
    const std::vector<Case> cases = {
        {"AutoJoin", &Form2Harness::Check1, &Form2::check1Click},
        {"SaveIP", &Form2Harness::Check3, &Form2::check3Click},
        {"Close", &Form2Harness::Check4, &Form2::check4Click},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        Form2Harness h;
        h.settings.preset("Options", c.key, "yes");
        h.form.load();
        CheckBox& box = h.*c.box;
        ASSERT_TRUE(box.checked());
        h.click(box, c.action);
        h.click(box, c.action);
        const std::string options = "Options/";
        EXPECT_EQ(describe(h.settings.writes),
                  (std::vector<std::string>{options + c.key + "=no", options + c.key + "=yes"}));
    }
}

TEST(Form2, BookSwitchWritesTheCurrentBookmarkFileOrNothing) {
    Form2Harness h;
    h.form.load();

    // Before any Open the main window still holds its initial text, and that is what is stored.
    h.click(h.Check5, &Form2::check5Click);
    EXPECT_EQ(h.settings.read("Options", "Book"), "No bookmark selected");

    h.click(h.Check5, &Form2::check5Click);
    EXPECT_EQ(h.settings.read("Options", "Book"), "");

    h.form1Text4.setText("/home/player/clan.sbk");
    h.click(h.Check5, &Form2::check5Click);
    EXPECT_EQ(h.settings.read("Options", "Book"), "/home/player/clan.sbk");

    EXPECT_EQ(describe(h.settings.writes),
              (std::vector<std::string>{"Options/Book=No bookmark selected",
                                        "Options/Book=", "Options/Book=/home/player/clan.sbk"}));
    // The path in brackets is the one read at load.
    EXPECT_EQ(h.Check5.caption(), "Auto open bookmarks ()");
}

TEST(Form2, ShowWhileOpenOnlyRaisesAndReopeningLoadsAfresh) {
    Form2Harness h;
    h.settings.preset("Options", "Book", "/a.sbk");
    h.form.show();
    EXPECT_EQ(h.surface.shows, 1);
    EXPECT_TRUE(h.Check5.checked());
    EXPECT_EQ(h.Check5.caption(), "Auto open bookmarks (/a.sbk)");

    // The user switches AutoJoin on; something else changes "Close" meanwhile.
    h.click(h.Check1, &Form2::check1Click);
    h.settings.preset("Options", "Close", "yes");
    h.Text1.setText("typed over the credits");

    h.form.show();
    EXPECT_EQ(h.surface.shows, 1);
    EXPECT_EQ(h.surface.raises, 1);
    EXPECT_EQ(h.Check5.caption(), "Auto open bookmarks (/a.sbk)");
    EXPECT_FALSE(h.Check4.checked()) << "a raise must not reload";
    EXPECT_EQ(h.Text1.text(), "typed over the credits");
    EXPECT_EQ(h.settings.writes.size(), 1u);

    // Closed by its close box, then opened again: every control starts over and the stored
    // values are read afresh.
    h.surface.open = false;
    h.settings.preset("Options", "Book", "/b.sbk");
    h.settings.preset("Options", "AutoJoin", "no");
    h.form.show();
    EXPECT_EQ(h.surface.shows, 2);
    EXPECT_EQ(h.Check5.caption(), "Auto open bookmarks (/b.sbk)");
    EXPECT_TRUE(h.Check4.checked());
    EXPECT_FALSE(h.Check1.checked());
    EXPECT_EQ(h.Text1.text(), Form2::credits);
    EXPECT_EQ(h.settings.writes.size(), 1u);
}

// A switch whose value cannot be stored says so once, and the window goes on working; a store
// that works again is used at once.
TEST(Form2, AFailedWriteIsSaidOnce) {
    FakeCheckBox Check1, Check3, Check4, Check5;
    FakeTextBox Text1;
    FakeSurface surface;
    MemorySettings store;
    FakeMessageBox messages;
    ReportingSettings settings(store, messages);
    FakeTextBox form1Text4{"/lists/mine.sbk"};
    Form2 form(Form2Controls{Check1, Check3, Check4, Check5, Text1}, surface, settings, form1Text4);
    form.show();

    store.failure = "/home/u/.config/zerlin/settings.ini: Permission denied";
    Check1.setChecked(true);
    form.check1Click();
    Check4.setChecked(true);
    form.check4Click();
    Check5.setChecked(true);
    form.check5Click();
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{"Zerlin couldn't save its settings: "
                                       "/home/u/.config/zerlin/settings.ini: Permission denied"});
    EXPECT_EQ(store.calls, 3);
    EXPECT_EQ(settings.read("Options", "AutoJoin"), "");

    store.failure.clear();
    Check3.setChecked(true);
    form.check3Click();
    EXPECT_EQ(settings.read("Options", "SaveIP"), "yes");
    EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
}  // namespace zerlin::test
