// The friends' marks in the Servers window, for bench/friends: the real window with 60 servers
// of 256 players each, and a friends list of 1,000 lines (300 of them with `*` or `?`). No
// network: the rows come from a kept list and their answers from a stand-in ping source, each
// answer in a turn of its own. Measures, each as the longest turn of the event loop (ms):
//   open_ms     the window opened on the kept list (every row's friends matched)
//   answers_ms  the 60 answers coming, one a turn (one row's friends matched each)
//   burst_ms    the 60 answers coming in one turn
//   sort_ms     a click on each column's header, the table drawn again
//   scroll_ms   a page down and a scroll of the table, drawn again
//   select_ms   a click on a row (its details shown), drawn again
//   friends_ms  the friends list edited (every row's friends matched again)
//   arrivals_ms the notifications' refresh of the 60 servers
//   match_ms    the matching alone: the 15,360 players once (found: the friends among them)
// and tries, the names matched in all (15,360 for the rows, 960 players an answer; never more
// for a sort, a scroll or a click). Prints them as one line of "name=value" words. With
// --no-friends, the same with no friend set: the turns' cost without matching.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "app/servers/list_network.h"
#include "app/servers/servers_window.h"
#include "friends/friend_arrivals.h"
#include "friends/friend_patterns.h"
#include "friends/server_snapshot.h"
#include "map_settings.h"
#include "platform/qt/qt_http.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_timer.h"
#include "servers/kept_list.h"
#include "servers/list_walk.h"
#include "status/host.h"
#include "status/status_service.h"

namespace {

constexpr int kServers = 60;
constexpr int kPlayers = 256;

using zerlin::bench::MapSettings;

// Answers as the status service would, when told to.
// The game servers' side of the status service, in memory: a server answers the query the
// service sent it when the benchmark says, with all of its players in one datagram.
class StandInSocket : public zerlin::net::DatagramSocket {
  public:
    void setReceiveHandler(ReceiveHandler handler) override { receive_ = std::move(handler); }
    bool send(const zerlin::net::Endpoint& to, std::string_view /*bytes*/) override {
        sent_.insert(to);
        return true;
    }
    void answer(const std::string& ip, const zerlin::status::ServerStatus& status) {
        const zerlin::net::Endpoint from{*zerlin::status::parseIpAddress(ip), 23000};
        // The service paces its queries: this one may not have left yet.
        for (int i = 0; i < 1000 && !sent_.contains(from); ++i) {
            QEventLoop loop;
            QTimer::singleShot(1, &loop, &QEventLoop::quit);
            loop.exec();
        }
        std::string reply = "\\hostname\\" + status.hostName + "\\mapname\\" + status.mapName +
                            "\\numplayers\\" + std::to_string(status.numPlayers) +
                            "\\maxplayers\\" + std::to_string(status.maxPlayers.value_or(0)) +
                            "\\hostport\\14567";
        for (std::size_t p = 0; p < status.players.size(); ++p) {
            reply += "\\playername_" + std::to_string(p) + "\\" + status.players[p].name;
        }
        reply += "\\final\\\\queryid\\1.1";
        if (receive_) {
            receive_(from, reply);
        }
    }

  private:
    ReceiveHandler receive_;
    std::set<zerlin::net::Endpoint> sent_;
};

// Names as servers have them: clan tags, numbers, a few friends among them.
std::string playerName(int server, int player) {
    static const char* const kTags[] = {"[ABC]", "=XYZ=", "", "{WW2}", "", "-=K=-"};
    std::string name = kTags[(server + player) % 6];
    name += (player % 3 == 0 ? "Soldier" : player % 3 == 1 ? "Tanker" : "Pilot");
    name += std::to_string(server * 1000 + player);
    return name;
}

// 700 plain names and 300 patterns: clan tags, ends and middles, and `?`.
std::string friendsText() {
    std::string text = "# friends\n\n";
    for (int i = 0; i < 700; ++i) {
        text += "Friend" + std::to_string(i * 37) + "\n";
    }
    for (int i = 0; i < 300; ++i) {
        switch (i % 4) {
            case 0:
                text += "[T" + std::to_string(i) + "]*\n";
                break;
            case 1:
                text += "*_" + std::to_string(i) + "\n";
                break;
            case 2:
                text += "*mate" + std::to_string(i) + "*\n";
                break;
            default:
                text += "Pilot" + std::to_string(i) + "?\n";
                break;
        }
    }
    return text;
}

zerlin::status::ServerStatus serverStatus(int server) {
    zerlin::status::ServerStatus status;
    status.hostName = "Server " + std::to_string(server);
    status.mapName = "Wake Island";
    status.numPlayers = kPlayers;
    status.maxPlayers = kPlayers;
    for (int p = 0; p < kPlayers; ++p) {
        status.players.push_back(zerlin::status::PlayerStatus{playerName(server, p)});
    }
    return status;
}

std::string ipOf(int server) {
    return "127.0.50." + std::to_string(server + 1);
}

// The longest turn of the event loop while `work` runs and what it posted is done.
double longestTurnMs(const std::function<void()>& work) {
    QApplication::processEvents();
    QElapsedTimer turn;
    turn.start();
    work();
    qint64 longest = turn.nsecsElapsed();
    for (int i = 0; i < 20; ++i) {
        turn.restart();
        QApplication::processEvents();
        longest = std::max(longest, turn.nsecsElapsed());
    }
    return static_cast<double>(longest) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const std::string keptPath = QDir::tempPath().toStdString() + "/zerlin-bench-friends-" +
                                 std::to_string(QCoreApplication::applicationPid()) + ".json";
    std::vector<zerlin::servers::ListedServer> listed;
    for (int s = 0; s < kServers; ++s) {
        zerlin::servers::ListedServer& server = listed.emplace_back();
        server.ip = ipOf(s);
        server.port = 14567;
        server.queryPort = 23000;
        server.info = serverStatus(s);
    }
    std::vector<const zerlin::servers::ListedServer*> kept;
    for (const zerlin::servers::ListedServer& server : listed) {
        kept.push_back(&server);
    }
    if (!zerlin::servers::saveKeptList(keptPath, zerlin::servers::encodeKeptList(0, true, kept))) {
        std::fprintf(stderr, "bench/friends: the kept list was not written\n");
        return 1;
    }
    // --no-friends: the same without friends, for what the rest of the work costs.
    const std::string text =
        argc > 1 && std::string(argv[1]) == "--no-friends" ? "" : friendsText();
    zerlin::friends::FriendPatterns friends = zerlin::friends::FriendPatterns::fromText(text);
    StandInSocket socket;
    zerlin::qt::QtHostResolver resolver;
    zerlin::qt::QtClock clock;
    zerlin::qt::QtTimer timer;
    zerlin::status::StatusService service(socket, resolver, clock, timer);
    // The list itself is never asked: the window shows the kept one.
    zerlin::app::ListNetwork network(service, true);
    MapSettings settings;
    settings.write("Servers", "ListUrl", "");
    settings.write("Servers", "Masters", "");
    zerlin::app::ServersWindow::Actions actions;
    actions.friends = [&friends] { return &friends; };
    zerlin::app::ServersWindow window(settings, service, network.sources(), keptPath, actions);
    auto* table = window.findChild<QTableView*>("ServerTable");

    const double openMs = longestTurnMs([&] { window.open(); });
    if (window.browser().rows().size() != static_cast<std::size_t>(kServers)) {
        std::fprintf(stderr, "bench/friends: %zu rows\n", window.browser().rows().size());
        return 1;
    }
    double answersMs = 0;
    for (int s = 0; s < kServers; ++s) {
        answersMs =
            std::max(answersMs, longestTurnMs([&] { socket.answer(ipOf(s), serverStatus(s)); }));
    }
    const double burstMs = longestTurnMs([&] {
        for (int s = 0; s < kServers; ++s) {
            socket.answer(ipOf(s), serverStatus(s));
        }
    });
    const std::size_t triesBefore = friends.tries();
    double sortMs = 0;
    for (int column = 0; column < table->model()->columnCount(); ++column) {
        sortMs = std::max(sortMs, longestTurnMs([&] {
                              table->sortByColumn(column, Qt::DescendingOrder);
                              table->viewport()->repaint();
                          }));
    }
    table->setFocus();
    const double scrollMs = longestTurnMs([&] {
        QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(table, &pageDown);
        table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum() / 2);
        table->viewport()->repaint();
    });
    const double selectMs = longestTurnMs([&] {
        table->setCurrentIndex(table->model()->index(3, 0));
        table->viewport()->repaint();
    });
    const std::size_t paintTries = friends.tries() - triesBefore;
    const double friendsMs = longestTurnMs([&] {
        friends = zerlin::friends::FriendPatterns::fromText(text + "Tanker1001\n");
        window.friendsChanged();
    });
    std::vector<zerlin::friends::ServerSnapshot> snapshots;
    for (const zerlin::servers::ListedServer& server : listed) {
        zerlin::friends::ServerSnapshot& snapshot = snapshots.emplace_back();
        snapshot.key = server.address();
        snapshot.numPlayers = server.info.numPlayers;
        for (const zerlin::status::PlayerStatus& player : server.info.players) {
            snapshot.players.push_back(player.name);
        }
    }
    // The matching alone: every player of the 60 servers once.
    QElapsedTimer matching;
    matching.start();
    std::size_t found = 0;
    for (const zerlin::friends::ServerSnapshot& snapshot : snapshots) {
        found += zerlin::friends::friendsOn(snapshot, friends).size();
    }
    const double matchMs = static_cast<double>(matching.nsecsElapsed()) / 1e6;
    zerlin::friends::FriendArrivals arrivals;
    const double arrivalsMs = longestTurnMs([&] {
        (void)arrivals.refresh(snapshots, friends, zerlin::friends::FriendArrivals::Time{});
    });
    QFile::remove(QString::fromStdString(keptPath));
    std::printf(
        "open_ms=%.2f answers_ms=%.2f burst_ms=%.2f sort_ms=%.2f scroll_ms=%.2f select_ms=%.2f "
        "friends_ms=%.2f arrivals_ms=%.2f match_ms=%.2f found=%zu paint_tries=%zu\n",
        openMs, answersMs, burstMs, sortMs, scrollMs, selectMs, friendsMs, arrivalsMs, matchMs,
        found, paintTries);
    return paintTries == 0 ? 0 : 1;
}
