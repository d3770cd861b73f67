// The Servers window against a stand-in server list (HTTP, 127.0.23.x) and stand-in game
// servers (127.0.23.101 to .107, .103 and .106 silent), each on a port the system gives (the
// list names the game servers' query ports), through the real HTTP client and a real
// status service: what each way the list can answer or fail shows, the kept list, the filters
// and sorting, the details, and the settings kept.

#include <QAccessible>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTcpServer>
#include <QTest>
#include <memory>

#include "app/servers/list_network.h"
#include "app/servers/servers_window.h"
#include "doubles/doubles.h"
#include "doubles/temp_folder.h"
#include "gui_helpers.h"
#include "platform/loopback_only.h"
#include "platform/qt/qt_http.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_worker.h"
#include "servers/address_rules.h"
#include "servers/played_servers.h"
#include "status/status_client.h"
#include "status/status_service.h"

namespace {

using zerlin::test::gui::waitFor;

const QString kGetting = QString::fromUtf8("Getting the server list\u2026");
const QString kFailed = "The server list can't be reached.";

// A status service on the real network, sending to loopback only.
struct Pings {
    zerlin::qt::QtDatagramSocket socket;
    zerlin::net::LoopbackOnlySocket guard{socket};
    zerlin::qt::QtHostResolver resolver;
    zerlin::qt::QtClock clock;
    zerlin::qt::QtTimer timer;
    zerlin::status::StatusService service{guard, resolver, clock, timer};
};

// The stand-in game servers' query ports, as the list names them: "P,Q,...".
QString queryPorts;

// "ADDRESS:PORT" where nothing listens: a port the system gave, closed again.
QString closedPort(const QString& address) {
    QTcpServer server;
    server.listen(QHostAddress(address), 0);
    return address + ":" + QString::number(server.serverPort());
}

struct Rig {
    zerlin::test::TempFolder folder;
    zerlin::test::MemorySettings settings;
    Pings pings;
    // The program's own client and walk, as the Servers window is handed them.
    zerlin::app::ListNetwork network{pings.service, true};
    std::vector<std::pair<std::string, std::string>> joined;
    zerlin::friends::FriendPatterns friends;
    std::unique_ptr<zerlin::app::ServersWindow> window;
    QProcess list;

    // A list stand-in at listAt, "ADDRESS:0" (a port the system gives), or no list at all
    // where listAt names a port.
    explicit Rig(QString listAt, const QStringList& listArguments = {}) {
        if (listAt.endsWith(":0")) {
            list.start(ZERLIN_LIST_STANDIN,
                       QStringList{listAt, "--seconds", "60", "--first", "127.0.23.101",
                                   "--query-ports", queryPorts} +
                           listArguments);
            while (list.waitForReadyRead(5000) || list.canReadLine()) {
                const QString line = QString::fromUtf8(list.readLine()).trimmed();
                if (line.startsWith("listening ")) {
                    listAt = line.mid(10);
                    break;
                }
            }
        }
        settings.preset("Servers", "ListUrl", "http://" + listAt.toStdString() + "/v2/bf1942");
        settings.preset("Servers", "Masters", "");
        zerlin::app::ServersWindow::Actions actions;
        actions.join = [this](const std::string& ip, const std::string& port) {
            joined.emplace_back(ip, port);
        };
        actions.friends = [this] { return &friends; };
        window = std::make_unique<zerlin::app::ServersWindow>(
            settings, pings.service, network.sources(), folder / "servers.json", actions);
    }
    ~Rig() {
        window.reset();
        list.kill();
        list.waitForFinished();
    }
    QString line() const { return window->findChild<QLabel*>("ServersStatus")->text(); }
    QTableView* table() const { return window->findChild<QTableView*>("ServerTable"); }
    QStringList column(int c) const {
        QStringList cells;
        const QAbstractItemModel* m = table()->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            cells << m->index(r, c).data().toString();
        }
        return cells;
    }
};

// What assistive technology is given for a widget: its name and description.
QString readOut(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) + ": " +
                            accessible->text(QAccessible::Description)
                      : QString();
}

}  // namespace

class ServersWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        games_.start(ZERLIN_STATUS_STANDIN,
                     {"--seconds", "120", "127.0.23.101:0:one,players=5,max=32",
                      "127.0.23.102:0:one", "127.0.23.103:0:silent", "127.0.23.104:0:one",
                      "127.0.23.105:0:one", "127.0.23.106:0:silent", "127.0.23.107:0:one"});
        QStringList ports;
        while (games_.canReadLine() || games_.waitForReadyRead(5000)) {
            const QString line = QString::fromUtf8(games_.readLine()).trimmed();
            if (line == "ready") {
                break;
            }
            if (line.startsWith("bound ")) {
                ports << line.section(':', -1);
            }
        }
        QCOMPARE(ports.size(), 7);
        queryPorts = ports.join(',');
    }
    void cleanupTestCase() {
        games_.kill();
        games_.waitForFinished();
    }

    // Each way the list answers, and what the window then shows.
    void listAnswers() {
        const struct {
            const char* name;
            QString at;
            QStringList arguments;
            QString line;  // once done; %1 stands for the players
            int rows;
            int withinMs;  // a limit only a fault reaches, not a speed
        } cases[] = {
            {"three pages", "127.0.23.1:0", {"--per-page", "3"}, "7 servers", 7, 20000},
            {"gone once",
             "127.0.23.2:0",
             {"--per-page", "3", "--gone-once"},
             "7 servers",
             7,
             20000},
            {"no JSON", "127.0.23.3:0", {"--per-page", "3", "--junk-page", "2"}, kFailed, 0, 20000},
            {"server error", "127.0.23.4:0", {"--status-page", "1:500"}, kFailed, 0, 20000},
            {"a page that hangs",
             "127.0.23.5:0",
             {"--per-page", "3", "--hang-page", "3"},
             kFailed,
             0,
             30000},
            {"nobody listening", closedPort("127.0.23.6"), {}, kFailed, 0, 20000},
            // Private, multicast and bad ports left out; the public one listed.
            {"mixed", "127.0.23.7:0", {"--mixed", "--per-page", "4"}, "8 servers", 8, 20000},
            // The first page ends at the second server; the next pages are read all the same.
            {"a number out of range",
             "127.0.23.41:0",
             {"--per-page", "3", "--out-of-range", "2"},
             "5 servers",
             5,
             20000},
            {"a page cut short",
             "127.0.23.42:0",
             {"--per-page", "3", "--short-page", "2"},
             kFailed,
             0,
             20000},
        };
        for (const auto& c : cases) {
            Rig rig(c.at, c.arguments);
            QElapsedTimer timer;
            timer.start();
            rig.window->open();
            QCOMPARE(rig.line(), kGetting);
            QVERIFY2(waitFor([&] { return rig.line() != kGetting; }, c.withinMs), c.name);
            QVERIFY2(rig.line().startsWith(c.line), qPrintable(rig.line()));
            QCOMPARE(rig.table()->model()->rowCount(), c.rows);
            if (c.rows == 0) {
                continue;
            }
            // The pings: a time for those that answer, "no answer" for the silent ones.
            QVERIFY2(waitFor(
                         [&] {
                             const QStringList pings = rig.column(5);
                             return !pings.contains(QString());
                         },
                         20000),
                     c.name);
            const QStringList addresses = rig.column(6);
            const QStringList pings = rig.column(5);
            for (int r = 0; r < addresses.size(); ++r) {
                const bool silent = addresses[r].startsWith("127.0.23.103:") ||
                                    addresses[r].startsWith("127.0.23.106:") ||
                                    !addresses[r].startsWith("127.");
                QVERIFY2(silent ? pings[r] == "no answer" : pings[r].endsWith(" ms"),
                         qPrintable(addresses[r] + " " + pings[r]));
            }
            QVERIFY(rig.line().endsWith(" players"));
        }
    }

    // A markup name is shown as text; the details tell the rest, as plain text.
    // Where a friend plays: the mark, the accessible description, Friends only, the details.
    // The list's servers have no stand-in behind them, so that their players stay the list's.
    void friendsMarked() {
        Rig rig("127.0.23.8:0", {"--first", "127.0.23.201", "--count", "4"});
        rig.friends = zerlin::friends::FriendPatterns::fromText("nobody\nSOLDIER1x?\n");
        rig.window->friendsChanged();
        rig.window->open();
        QVERIFY(waitFor([&] { return rig.line().startsWith("4 servers"); }, 20000));
        const QAbstractItemModel* m = rig.table()->model();
        QStringList marked;
        for (int r = 0; r < m->rowCount(); ++r) {
            const QString description =
                m->index(r, 0).data(Qt::AccessibleDescriptionRole).toString();
            QCOMPARE(m->index(r, 0).data().toString().startsWith(QString::fromUtf8("\u2605 ")),
                     description.contains("friends: "));
            if (description.contains("friends: ")) {
                marked << m->index(r, 6).data().toString() + " " + description;
            }
        }
        QCOMPARE(marked, QStringList{"127.0.23.202:14567 friends: Soldier1x0, Soldier1x1, "
                                     "Soldier1x2, Soldier1x3, Soldier1x4, Soldier1x5, "
                                     "Soldier1x6, Soldier1x7"});
        // Matched when the list came, not again to draw, sort, filter or detail the rows.
        const std::size_t tries = rig.friends.tries();
        QVERIFY(tries > 0);
        rig.table()->sortByColumn(0, Qt::AscendingOrder);
        rig.table()->grab();
        for (int r = 0; r < m->rowCount(); ++r) {
            for (int c = 0; c < m->columnCount(); ++c) {
                for (const int role : {Qt::DisplayRole, Qt::AccessibleTextRole,
                                       Qt::AccessibleDescriptionRole, Qt::DecorationRole}) {
                    (void)m->index(r, c).data(role);
                }
            }
        }
        rig.window->findChild<QCheckBox*>("FriendsOnly")->setChecked(true);
        QCOMPARE(m->rowCount(), 1);
        rig.table()->setCurrentIndex(m->index(0, 0));
        QVERIFY(rig.window->findChild<QPlainTextEdit*>("Details")->toPlainText().contains(
            "Friends: Soldier1x0, Soldier1x1"));
        rig.table()->grab();
        QCOMPARE(rig.friends.tries(), tries);
        rig.friends = zerlin::friends::FriendPatterns::fromText("# none\n");
        rig.window->friendsChanged();
        QCOMPARE(m->rowCount(), 0);
        // Kept for the next window, as the other filters are.
        zerlin::app::ServersWindow next(rig.settings, rig.pings.service, rig.network.sources(),
                                        rig.folder / "servers.json", {});
        next.open();
        QVERIFY(next.findChild<QCheckBox*>("FriendsOnly")->isChecked());
    }

    // A server's answer replaces the list's players: its row's friends are matched again.
    void friendsFollowTheAnswer() {
        Rig rig("127.0.23.12:0", {"--count", "1"});  // .101 answers with Player0 to Player4
        rig.friends = zerlin::friends::FriendPatterns::fromText("soldier0x0\nPLAYER3\n");
        rig.window->friendsChanged();
        rig.window->open();
        const QAbstractItemModel* m = rig.table()->model();
        const auto description = [&] {
            return m->rowCount() == 1
                       ? m->index(0, 0).data(Qt::AccessibleDescriptionRole).toString()
                       : QString();
        };
        QVERIFY(waitFor([&] { return description() == "friends: Player3"; }, 4000));
        rig.table()->setCurrentIndex(m->index(0, 0));
        QVERIFY(rig.window->findChild<QPlainTextEdit*>("Details")->toPlainText().endsWith(
            "\nFriends: Player3"));
    }

    void markupAndDetails() {
        // The server with markup in its list name is the silent .103: its name stays the list's.
        Rig rig("127.0.23.8:0", {"--mixed", "--count", "1", "--first", "127.0.23.103"});
        rig.window->open();
        QVERIFY(waitFor([&] { return rig.table()->model()->rowCount() == 2; }, 20000));
        const QString markup = "<b>Bold</b> & <a href='x'>Co</a>";
        const QStringList names = rig.column(0);
        QVERIFY2(names.contains(markup), qPrintable(names.join("|")));
        rig.table()->setCurrentIndex(rig.table()->model()->index(names.indexOf(markup), 0));
        auto* details = rig.window->findChild<QPlainTextEdit*>("Details");
        QVERIFY(details->toPlainText().startsWith(markup + "\nMap: Wake Island (conquest)"));
        QVERIFY(details->toPlainText().contains("Players: 1/32 (2 reserved)"));
        QVERIFY(details->toPlainText().contains("Address: 127.0.23.103:14567"));
        const int other = names.indexOf("Far Away Public");
        rig.table()->setCurrentIndex(rig.table()->model()->index(other, 0));
        QVERIFY2(details->toPlainText().startsWith("Far Away Public\nMap: Kursk"),
                 qPrintable(details->toPlainText()));
        QVERIFY(details->toPlainText().contains("Players: 12/64"));

        // A refresh keeps the server chosen.
        QSignalSpy replaced(rig.table()->model(), &QAbstractItemModel::modelReset);
        rig.window->browser().refresh();
        QVERIFY(waitFor([&] { return replaced.count() > 0; }, 20000));
        QCOMPARE(rig.table()->currentIndex().siblingAtColumn(0).data().toString(),
                 QString("Far Away Public"));
        QVERIFY(details->toPlainText().startsWith("Far Away Public\nMap: Kursk"));
    }

    // The filters and the sort, through the widgets; kept in the settings.
    void filtersAndSorting() {
        Rig rig("127.0.23.9:0", {"--count", "7"});
        rig.window->open();
        QVERIFY(waitFor(
            [&] {
                return !rig.column(5).contains(QString()) && rig.table()->model()->rowCount() == 7;
            },
            20000));
        auto* filter = rig.window->findChild<QLineEdit*>("Filter");
        QCOMPARE(filter->accessibleName(), QString("Filter"));
        filter->setText("LISTED SERVER 3");  // the silent .103 keeps the list's name
        QCOMPARE(rig.column(6), QStringList{"127.0.23.103:14567"});
        QCOMPARE(rig.line(), QString("1 server, 15 players"));
        // Read out as shown, and again as the line changes.
        auto* line = rig.window->findChild<QLabel*>("ServersStatus");
        QCOMPARE(readOut(line), QString("Servers status: 1 server, 15 players"));
        filter->clear();
        QCOMPARE(readOut(line), "Servers status: " + rig.line());
        QVERIFY(rig.line().startsWith("7 servers"));
        rig.window->findChild<QSpinBox*>("MaxPing")->setValue(500);
        QCOMPARE(rig.table()->model()->rowCount(), 5);  // the two silent ones go
        rig.window->findChild<QSpinBox*>("MaxPing")->setValue(0);
        rig.window->findChild<QCheckBox*>("HideFull")->setChecked(true);
        QCOMPARE(rig.settings.read("Servers", "HideFull"), std::string("yes"));
        QCOMPARE(rig.settings.read("Servers", "MaxPing"), std::string("0"));
        rig.window->findChild<QCheckBox*>("HideFull")->setChecked(false);

        // By address, then by players, a click on the header each.
        rig.table()->sortByColumn(6, Qt::AscendingOrder);
        QCOMPARE(rig.column(6).first(), QString("127.0.23.101:14567"));
        QCOMPARE(rig.column(6).last(), QString("127.0.23.107:14567"));
        rig.table()->sortByColumn(1, Qt::DescendingOrder);
        QStringList players = rig.column(1);
        for (int r = 1; r < players.size(); ++r) {
            QVERIFY2(
                players[r - 1].section('/', 0, 0).toInt() >= players[r].section('/', 0, 0).toInt(),
                qPrintable(players.join(" ")));
        }
        rig.window->close();
        QVERIFY(rig.settings.read("Servers", "Columns").ends_with(",1,d"));

        // Enter on a row joins it.
        rig.window->open();
        rig.table()->setFocus();
        rig.table()->setCurrentIndex(rig.table()->model()->index(0, 0));
        const QString address = rig.column(6).first();
        QTest::keyClick(rig.table(), Qt::Key_Return);
        QCOMPARE(rig.joined.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(rig.joined[0].first + ":" + rig.joined[0].second), address);
    }

    // The kept list: shown dimmed at once in a later run, with the failure line and its time
    // when the list is gone.
    void keptList() {
        zerlin::test::TempFolder shared;
        {
            Rig rig("127.0.23.10:0", {"--count", "4"});
            rig.window.reset();
            zerlin::app::ServersWindow window(rig.settings, rig.pings.service,
                                              rig.network.sources(), shared / "servers.json", {});
            window.open();
            QVERIFY(waitFor([&] { return window.browser().rows().size() == 4; }, 20000));
        }
        Rig rig(closedPort("127.0.23.11"));  // nothing listens there
        rig.window.reset();
        zerlin::app::ServersWindow window(rig.settings, rig.pings.service, rig.network.sources(),
                                          shared / "servers.json", {});
        window.open();
        QCOMPARE(window.browser().rows().size(), std::size_t{4});
        QVERIFY(window.browser().showingKept());
        auto* line = window.findChild<QLabel*>("ServersStatus");
        QVERIFY(waitFor([&] { return line->text() != kGetting; }, 20000));
        QVERIFY2(line->text().startsWith(kFailed + " Showing the list of "),
                 qPrintable(line->text()));
        QVERIFY(line->text().contains(QRegularExpression(" of \\d\\d:\\d\\d\\.$")));
        // A screen reader reads the line as shown: the failure, then the kept list's time.
        const QString kept = window.findChild<QLabel*>("KeptTime")->text();
        QVERIFY(kept.startsWith("List of "));
        QCOMPARE(readOut(line), "Servers status: " + line->text() + " " + kept);
    }

    // The servers played recently, from their file: listed newest first with the list down,
    // each asked directly, and Forget taking one away at once and on disk.
    void playedRecently() {
        zerlin::test::TempFolder state;
        zerlin::servers::PlayedServers played(state / "played.json", {});
        const std::time_t now = std::time(nullptr);
        // The game stand-ins' query ports, as the system gave them (.101, .102, .103).
        const QStringList ports = queryPorts.split(',');
        const auto port = [&](int i) { return static_cast<std::uint16_t>(ports[i].toUInt()); };
        QVERIFY(played.record({"127.0.23.101", 14567, port(0), "First", "", now - 300}));
        QVERIFY(played.record({"127.0.23.103", 14567, port(2), "Silent", "", now - 200}));
        QVERIFY(played.record({"127.0.23.102", 14567, port(1), "", "", now - 100}));

        Rig rig(closedPort("127.0.23.13"));  // nothing listens there
        zerlin::app::ServersWindow::Actions actions;
        actions.played = [&] { return played.load(); };
        actions.forget = [&](const std::string& ip, std::uint16_t port) {
            (void)played.forget(ip, port);
        };
        rig.window.reset();
        rig.window = std::make_unique<zerlin::app::ServersWindow>(
            rig.settings, rig.pings.service, rig.network.sources(), rig.folder / "servers.json",
            actions);
        auto* box = rig.window->findChild<QCheckBox*>("PlayedRecently");
        QVERIFY(box);
        box->setChecked(true);
        rig.window->open();
        const int lastPlayed = static_cast<int>(zerlin::servers::Column::LastPlayed);
        QVERIFY(!rig.table()->isColumnHidden(lastPlayed));
        QCOMPARE(rig.column(6),
                 (QStringList{"127.0.23.102:14567", "127.0.23.103:14567", "127.0.23.101:14567"}));
        QVERIFY(waitFor([&] { return !rig.column(5).contains(QString()); }, 5000));
        const QStringList pings = rig.column(5);
        QVERIFY2(pings[0].endsWith(" ms") && pings[1] == "no answer" && pings[2].endsWith(" ms"),
                 qPrintable(pings.join(",")));
        QVERIFY(rig.column(lastPlayed)[0].contains(QRegularExpression("^\\d\\d[:-]\\d\\d")));
        QVERIFY(waitFor([&] { return rig.line().startsWith("3 servers, "); }, 3000));

        // Forget, from the row's menu.
        const QRect second = rig.table()->visualRect(rig.table()->model()->index(1, 0));
        emit rig.table()->customContextMenuRequested(second.center());
        auto* menu = rig.window->findChild<QMenu*>("ServerMenu");
        QVERIFY(menu);
        QAction* forget = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == "Forget") {
                forget = action;
            }
        }
        QVERIFY(forget);
        forget->trigger();
        menu->close();
        QCOMPARE(rig.column(6), (QStringList{"127.0.23.102:14567", "127.0.23.101:14567"}));
        QCOMPARE(played.load().size(), std::size_t{2});
        QCOMPARE(played.load().back().name, std::string("First"));

        // Off: the list's view again, without the column or a Forget.
        box->setChecked(false);
        QVERIFY(rig.table()->isColumnHidden(lastPlayed));
        QCOMPARE(rig.table()->model()->rowCount(), 0);
    }

  private:
    QProcess games_;
};

QTEST_MAIN(ServersWindowTest)
#include "servers_window_test.moc"
