#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "bookmarks/bookmark_entry.h"
#include "doubles/doubles.h"
#include "mainwindow/command_line.h"
#include "waiting/slot_watch.h"

namespace zerlin {
namespace {

using std::chrono::microseconds;
using std::chrono::seconds;
using waiting::SlotWatch;

struct FakeNotifier : Notifier {
    void notify(const std::string& title, const std::string& body) override {
        sent.push_back(title + ": " + body);
    }
    std::vector<std::string> sent;
};

struct FakeModal : ModalState {
    bool modalDialogOpen() const override { return open; }
    bool open = false;
};

// An answer: players (-1: no answer).
status::ServerState stateOf(int players) {
    status::ServerState state;
    state.ended = true;
    if (players >= 0) {
        state.answer = status::Answer{};
        state.answer->status.numPlayers = players;
        state.answer->status.maxPlayers = 32;
    }
    return state;
}

// The watch over a list of three bookmarks, with a server whose answers follow a script (one
// answer a question; the last one repeats).
struct Harness {
    test::FakeListBox list;
    test::FakeClock clock;
    test::FakeTimer alarm{clock};
    FakeNotifier notifier;
    FakeModal modal;
    std::vector<int> script;
    std::size_t answered = 0;
    std::deque<status::ServerKey> questions;
    std::vector<std::string> joins;
    std::vector<microseconds> joinTimes;
    SlotWatch watch{
        list, alarm, notifier, modal,
        SlotWatch::Hooks{[this](const status::ServerKey& key) { questions.push_back(key); },
                         [this](const std::string& row) {
                             joins.push_back(row);
                             joinTimes.push_back(clock.now());
                         },
                         {}}};

    Harness() {
        list.rows = {makeBookmarkEntry("Alpha", "127.0.0.2", "14567"),
                     makeBookmarkEntry("Wake <b>& co", "127.0.0.3", "14568"),
                     makeBookmarkEntry("Gamma", "127.0.0.4", "14569")};
    }
    void answer() {
        while (!questions.empty()) {
            const int players = script[std::min(answered, script.size() - 1)];
            ++answered;
            watch.serverChanged(questions.front(), stateOf(players));
            questions.pop_front();
        }
    }
    void runFor(microseconds time) {
        answer();
        alarm.runUntil(clock.now() + time, [this] { answer(); });
    }
};

TEST(SlotWatch, JoinsOnceWhenASlotFreesAndNeverWhileFullOrAfterTheWaitEnded) {
    // What happens to the list or the wait 7 s in, while the server is still full.
    enum class Event { None, Stop, DeleteRow, DeleteRowBefore, InsertBefore, ReplaceList, Modal };
    struct Case {
        const char* name;
        std::vector<int> script;  // players of each answer, -1 no answer; the last repeats
        Event event;
        int joins;
        int notifications;
        microseconds joinAt;
    };
    const Case cases[] = {
        {"full, full, then a free slot", {32, 32, 31}, Event::None, 1, 1, seconds(10)},
        {"full all the time", {32}, Event::None, 0, 0, {}},
        {"not full when chosen", {5}, Event::None, 1, 1, seconds(0)},
        {"down, then up with room", {-1, -1, 0}, Event::None, 1, 1, seconds(10)},
        {"over full (reserved slots)", {34, 33, 32, 31}, Event::None, 1, 1, seconds(15)},
        {"stopped", {32, 32, 31}, Event::Stop, 0, 0, {}},
        {"row deleted", {32, 32, 31}, Event::DeleteRow, 0, 0, {}},
        {"list replaced", {32, 32, 31}, Event::ReplaceList, 0, 0, {}},
        {"a row before deleted", {32, 32, 31}, Event::DeleteRowBefore, 1, 1, seconds(10)},
        {"a row inserted before", {32, 32, 31}, Event::InsertBefore, 1, 1, seconds(10)},
        // The join waits for the dialog, closed at 12 s; the notification does not.
        {"modal dialog open", {32, 32, 31}, Event::Modal, 1, 1, microseconds(12250000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.script = c.script;
        const std::string waited = h.list.rows[1];
        h.watch.waitForSlot(1);
        h.runFor(seconds(7));
        switch (c.event) {
            case Event::None:
                break;
            case Event::Stop:
                h.watch.stop();
                break;
            case Event::DeleteRow:
                h.list.rows.erase(h.list.rows.begin() + 1);
                h.watch.rowsRemoved(1, 1);
                break;
            case Event::DeleteRowBefore:
                h.list.rows.erase(h.list.rows.begin());
                h.watch.rowsRemoved(0, 1);
                break;
            case Event::InsertBefore:
                h.list.rows.insert(h.list.rows.begin(), "new");
                h.watch.rowsInserted(0, 1);
                break;
            case Event::ReplaceList:
                h.list.rows = {waited};  // the same text after Open is another wait's business
                h.watch.listReplaced();
                break;
            case Event::Modal:
                h.modal.open = true;
                h.runFor(seconds(5));
                EXPECT_TRUE(h.joins.empty());
                EXPECT_EQ(h.notifier.sent.size(), 1U);
                h.modal.open = false;
                break;
        }
        const std::size_t asked = h.answered;
        h.runFor(seconds(60));
        EXPECT_EQ(h.joins.size(), static_cast<std::size_t>(c.joins));
        EXPECT_EQ(h.notifier.sent.size(), static_cast<std::size_t>(c.notifications));
        if (c.joins == 1) {
            EXPECT_EQ(h.joins[0], waited);
            EXPECT_EQ(h.joinTimes[0], c.joinAt);
            EXPECT_EQ(h.notifier.sent[0], "Zerlin: A slot is free on Wake <b>& co: joining.");
        }
        if (c.joins == 0 && c.event != Event::None) {
            EXPECT_EQ(h.answered, asked) << "a wait that ended asks no more";
        }
        if (c.event == Event::None && c.joins == 0) {
            EXPECT_EQ(h.answered, 14U) << "asked every 5 s";
            EXPECT_EQ(h.watch.row(), 1);
            EXPECT_EQ(h.watch.describeRow(1), "waiting for a slot");
        } else {
            EXPECT_EQ(h.watch.row(), std::nullopt);
        }
    }
}

TEST(SlotWatch, TellsOnceWhenTheServerIsUpAndDoesNotJoin) {
    Harness h;
    h.script = {-1, -1, -1, 32};
    h.watch.tellWhenUp(2);
    EXPECT_EQ(h.watch.describeRow(2), "waiting for it to come up");
    h.runFor(seconds(60));
    EXPECT_TRUE(h.joins.empty());
    EXPECT_EQ(h.notifier.sent, std::vector<std::string>{"Zerlin: Gamma is up."});
    EXPECT_EQ(h.answered, 4U);
    EXPECT_EQ(h.watch.row(), std::nullopt);

    // Another row moves the wait there.
    Harness moved;
    moved.script = {32};
    moved.watch.waitForSlot(0);
    moved.watch.waitForSlot(2);
    moved.runFor(seconds(1));
    EXPECT_EQ(moved.watch.row(), 2);
    EXPECT_EQ(moved.watch.describeRow(0), "");
}

TEST(SlotWatch, NamesAndLinksRowsAsADoubleClickReadsThem) {
    struct Case {
        std::string row;
        std::string name;
        std::optional<std::string> link;
    };
    const Case cases[] = {
        {makeBookmarkEntry("Wake: 24/7", "10.0.0.1", "14567"), "Wake: 24/7",
         "zerlin:10.0.0.1:14567"},
        {makeBookmarkEntry("Jürgen's", "host.example", "567"), "Jürgen's",
         "zerlin:host.example:567"},
        {"hand written:192.168.0.9:14567", "hand written", "zerlin:192.168.0.9:14567"},
        {"no address at all", "no address at all", std::nullopt},
        {makeBookmarkEntry("empty ip", "", "14567"), "empty ip", std::nullopt},
        {makeBookmarkEntry("v6", "::1", "14567"), "v6", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(bookmarkName(c.row), c.name);
        EXPECT_EQ(command_line::linkOfRow(c.row), c.link);
    }
}

}  // namespace
}  // namespace zerlin
