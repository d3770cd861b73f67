// The server status over real UDP sockets on the loopback network, against stand-in servers
// that this test starts, each on a loopback address it finds free at the game's query port.

#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QUdpSocket>
#include <algorithm>
#include <map>
#include <optional>

#include "gui_helpers.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_timer.h"
#include "standin_process.h"
#include "status/host.h"
#include "status/status_client.h"
#include "status/status_text.h"

using zerlin::status::ServerKey;

class StatusUdpTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QStringList servers = {"--seconds", "60"};
        for (const auto& [name, script] : kServers) {
            servers << script;
        }
        const QStringList bound = standIn_.start(servers);
        QCOMPARE(bound.size(), static_cast<qsizetype>(kServers.size()));
        for (std::size_t i = 0; i < kServers.size(); ++i) {
            hosts_[kServers[i].first] = zerlin::test::gui::hostOf(bound[static_cast<qsizetype>(i)]);
        }
    }

    void answersLikeTheServers() {
        zerlin::qt::QtDatagramSocket socket;
        zerlin::qt::QtHostResolver resolver;
        zerlin::qt::QtClock clock;
        zerlin::qt::QtTimer timer;
        zerlin::status::StatusService service(socket, resolver, clock, timer);
        zerlin::status::StatusClient client(service);
        std::vector<ServerKey> keys;
        for (const auto& [name, expected] : kExpected) {
            keys.push_back({hosts_.at(name), "14567"});
        }
        const std::string one = hosts_.at("one");
        keys.push_back({"//" + one, "14567"});
        keys.push_back({"[::ffff:" + one + "]", "14567"});
        client.refresh({keys.begin(), keys.end()});
        QVERIFY(zerlin::test::gui::waitFor([&] { return !service.busy(); }, 8000));
        for (const auto& [name, expected] : kExpected) {
            const auto& state = service.state({hosts_.at(name), "14567"});
            QString players;
            if (state.answer) {
                for (const auto& player : state.answer->status.players) {
                    players += QString::fromStdString(player.name) + ";";
                }
            }
            const QString got = name + ": " +
                                QString::fromStdString(zerlin::status::describe(state))
                                    .replace(QRegularExpression(", \\d+ ms"), "") +
                                " | " + players;
            QCOMPARE(got, name + ": " + expected);
        }
        QCOMPARE(zerlin::status::describe(service.state({"//" + one, "14567"})),
                 std::string("no answer"));
        // An IPv4-mapped address: its reply comes from the IPv4 form.
        QVERIFY(service.state({"[::ffff:" + one + "]", "14567"}).answer);
        const auto& markup = service.state({hosts_.at("markup"), "14567"});
        QVERIFY(markup.answer);
        QCOMPARE(markup.answer->status.hostName, std::string("<b>Bold</b> <img src=\"x\"> &amp;"));
        // The server of this game port, at 23001, rather than the other one at 23000.
        const auto& twoPorts = service.state({hosts_.at("two ports"), "14567"});
        QVERIFY(twoPorts.answer);
        QCOMPARE(twoPorts.answer->status.hostPort, 14567);
    }

    // Datagrams go out and come back with their sender, over IPv4 and IPv6 (where the system
    // has it); a host name is looked up.
    void sendsReceivesAndLooksUp() {
        zerlin::qt::QtDatagramSocket socket;
        std::vector<std::pair<zerlin::net::Endpoint, std::string>> received;
        socket.setReceiveHandler([&](const zerlin::net::Endpoint& from, std::string_view bytes) {
            received.emplace_back(from, std::string(bytes));
        });
        for (const char* address : {"127.0.0.1", "::1"}) {
            QUdpSocket peer;
            if (!peer.bind(QHostAddress(address), 0)) {
                QVERIFY2(QByteArray(address) == "::1", "cannot bind the IPv4 peer");
                qInfo("no IPv6 loopback here");
                continue;
            }
            const auto peerAddress = zerlin::status::parseIpAddress(address);
            QVERIFY(peerAddress);
            received.clear();
            QVERIFY(socket.send({*peerAddress, peer.localPort()}, "\\status\\"));
            QVERIFY(zerlin::test::gui::waitFor([&] { return peer.hasPendingDatagrams(); }));
            const QNetworkDatagram request = peer.receiveDatagram();
            QCOMPARE(request.data(), QByteArray("\\status\\"));
            peer.writeDatagram(QByteArray("\\x\\1"), request.senderAddress(),
                               static_cast<quint16>(request.senderPort()));
            QVERIFY(zerlin::test::gui::waitFor([&] { return !received.empty(); }));
            QCOMPARE(received[0].first.address, *peerAddress);
            QCOMPARE(received[0].first.port, peer.localPort());
            QCOMPARE(received[0].second, std::string("\\x\\1"));
        }

        zerlin::qt::QtHostResolver resolver;
        std::optional<std::vector<zerlin::net::IpAddress>> found;
        resolver.lookUp("localhost", [&](std::vector<zerlin::net::IpAddress> addresses) {
            found = std::move(addresses);
        });
        QVERIFY(zerlin::test::gui::waitFor([&] { return found.has_value(); }));
        const auto loopback = *zerlin::status::parseIpAddress("127.0.0.1");
        QVERIFY(std::find(found->begin(), found->end(), loopback) != found->end());
    }

    // A flood at the socket is read a bounded number of datagrams per turn of the event loop,
    // so that the window goes on between them; none is lost on the way.
    void readsAFloodInTurns() {
        zerlin::qt::QtDatagramSocket socket;
        int received = 0;
        socket.setReceiveHandler(
            [&](const zerlin::net::Endpoint&, std::string_view) { ++received; });
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress("127.0.0.1"), 0));
        QVERIFY(socket.send({*zerlin::status::parseIpAddress("127.0.0.1"), peer.localPort()},
                            "\\status\\"));
        QVERIFY(zerlin::test::gui::waitFor([&] { return peer.hasPendingDatagrams(); }));
        const QNetworkDatagram request = peer.receiveDatagram();
        const int flood = 150;
        for (int i = 0; i < flood; ++i) {
            peer.writeDatagram(QByteArray("\\x\\1"), request.senderAddress(),
                               static_cast<quint16>(request.senderPort()));
        }
        QThread::msleep(100);  // all of it waits at the socket
        QCoreApplication::processEvents();
        QVERIFY2(received > 0 && received <= zerlin::qt::kMaxDatagramsPerTurn,
                 qPrintable(QString::number(received)));
        QVERIFY(zerlin::test::gui::waitFor([&] { return received == flood; }));
    }

  private:
    // Each stand-in's name, and what it does, on an address it finds free at the query port.
    inline static const std::vector<std::pair<QString, QString>> kServers = {
        {"one", "127.*.*.*:23000:one"},
        {"reverse", "127.*.*.*:23000:reverse"},
        {"twice", "127.*.*.*:23000:twice"},
        {"lose-once", "127.*.*.*:23000:lose-once"},
        {"no-final", "127.*.*.*:23000:no-final"},
        {"stale", "127.*.*.*:23000:stale,players=2"},
        {"cp1252", "127.*.*.*:23000:cp1252,players=1,password=1"},
        // Another game port's server at 23000, this one's at 23001 on the same address.
        {"two ports", "127.*.*.*:23000:one,hostport=14568"},
        {"two ports", "=:23001:one,hostport=14567,map=Berlin"},
        {"silent", "127.*.*.*:23000:silent"},
        {"junk", "127.*.*.*:23000:junk"},
        {"too-many", "127.*.*.*:23000:too-many,players=40"},
        {"markup", "127.*.*.*:23000:markup,players=0"},
        {"backslash", "127.*.*.*:23000:backslash"},
        {"full", "127.*.*.*:23000:one,players=64,max=64"},
    };
    // Name → the description without its ping, and the players.
    inline static const std::vector<std::pair<QString, QString>> kExpected = {
        {"one", "3/64 players, Wake | Player0;Player1;Player2;"},
        {"reverse", "3/64 players, Wake | Player0;Player1;Player2;"},
        {"twice", "3/64 players, Wake | Player0;Player1;Player2;"},
        {"lose-once", "3/64 players, Wake | Player0;Player1;Player2;"},
        {"no-final", "no answer | "},
        {"stale", "2/64 players, Wake | Player0;Player1;"},
        {"cp1252", QString::fromUtf8("1/64 players, Wake, password | Jürgen;")},
        {"two ports", "3/64 players, Berlin | Player0;Player1;Player2;"},
        {"silent", "no answer | "},
        {"junk", "no answer | "},
        {"too-many", "no answer | "},
        {"markup", "0/64 players, Wake | "},
        {"backslash", "3/64 players, Wake | Player0;Foo;Player2;"},
        {"full", "64/64 players, Wake | " +
                     [] {
                         QString names;
                         for (int i = 0; i < 64; ++i) {
                             names += QString("Player%1;").arg(i);
                         }
                         return names;
                     }()},
    };
    zerlin::test::gui::StandinProcess standIn_{ZERLIN_STATUS_STANDIN};
    std::map<QString, std::string> hosts_;  // name → the address its stand-in took
};

QTEST_MAIN(StatusUdpTest)
#include "status_udp_test.moc"
