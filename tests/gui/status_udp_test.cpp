// The server status over real UDP sockets on the loopback network, against stand-in servers
// that this test starts on 127.0.13.x.

#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QUdpSocket>
#include <algorithm>
#include <optional>

#include "gui_helpers.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_timer.h"
#include "status/host.h"
#include "status/status_client.h"
#include "status/status_text.h"

using zerlin::status::ServerKey;

class StatusUdpTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QStringList servers = {"--seconds", "60"};
        for (const auto& [host, script] : kServers) {
            servers << script;
        }
        standIn_.start(ZERLIN_STATUS_STANDIN, servers);
        QVERIFY(standIn_.waitForReadyRead(5000));
        QCOMPARE(standIn_.readLine().trimmed(), QByteArray("ready"));
    }

    void cleanupTestCase() {
        standIn_.kill();
        standIn_.waitForFinished();
    }

    void answersLikeTheServers() {
        zerlin::qt::QtDatagramSocket socket;
        zerlin::qt::QtHostResolver resolver;
        zerlin::qt::QtClock clock;
        zerlin::qt::QtTimer timer;
        zerlin::status::StatusService service(socket, resolver, clock, timer);
        zerlin::status::StatusClient client(service);
        std::vector<ServerKey> keys;
        for (const auto& [host, expected] : kExpected) {
            keys.push_back({host.toStdString(), "14567"});
        }
        keys.push_back({"//127.0.13.2", "14567"});
        keys.push_back({"[::ffff:127.0.13.2]", "14567"});
        client.refresh({keys.begin(), keys.end()});
        QVERIFY(zerlin::test::gui::waitFor([&] { return !service.busy(); }, 8000));
        for (const auto& [host, expected] : kExpected) {
            const auto& state = service.state({host.toStdString(), "14567"});
            QString players;
            if (state.answer) {
                for (const auto& player : state.answer->status.players) {
                    players += QString::fromStdString(player.name) + ";";
                }
            }
            const QString got = QString::fromStdString(zerlin::status::describe(state))
                                    .replace(QRegularExpression(", \\d+ ms"), "") +
                                " | " + players;
            QCOMPARE(got, expected);
        }
        QCOMPARE(zerlin::status::describe(service.state({"//127.0.13.2", "14567"})),
                 std::string("no answer"));
        // An IPv4-mapped address: its reply comes from the IPv4 form.
        QVERIFY(service.state({"[::ffff:127.0.13.2]", "14567"}).answer);
        const auto& markup = service.state({"127.0.13.13", "14567"});
        QVERIFY(markup.answer);
        QCOMPARE(markup.answer->status.hostName, std::string("<b>Bold</b> <img src=\"x\"> &amp;"));
        // The server of this game port, at 23001, rather than the other one at 23000.
        QCOMPARE(service.state({"127.0.13.9", "14567"}).answer->status.hostPort, 14567);
    }

    // Datagrams go out and come back with their sender, over IPv4 and IPv6 (where the system
    // has it); a host name is looked up.
    void sendsReceivesAndLooksUp() {
        zerlin::qt::QtDatagramSocket socket;
        std::vector<std::pair<zerlin::net::Endpoint, std::string>> received;
        socket.setReceiveHandler([&](const zerlin::net::Endpoint& from, std::string_view bytes) {
            received.emplace_back(from, std::string(bytes));
        });
        for (const char* address : {"127.0.13.30", "::1"}) {
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
        QVERIFY(peer.bind(QHostAddress("127.0.13.31"), 0));
        QVERIFY(socket.send({*zerlin::status::parseIpAddress("127.0.13.31"), peer.localPort()},
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
    // Host → what the stand-in there does.
    inline static const std::vector<std::pair<QString, QString>> kServers = {
        {"127.0.13.2", "127.0.13.2:23000:one"},
        {"127.0.13.3", "127.0.13.3:23000:reverse"},
        {"127.0.13.4", "127.0.13.4:23000:twice"},
        {"127.0.13.5", "127.0.13.5:23000:lose-once"},
        {"127.0.13.6", "127.0.13.6:23000:no-final"},
        {"127.0.13.7", "127.0.13.7:23000:stale,players=2"},
        {"127.0.13.8", "127.0.13.8:23000:cp1252,players=1,password=1"},
        {"127.0.13.9", "127.0.13.9:23000:one,hostport=14568"},
        {"127.0.13.9", "127.0.13.9:23001:one,hostport=14567,map=Berlin"},
        {"127.0.13.10", "127.0.13.10:23000:silent"},
        {"127.0.13.11", "127.0.13.11:23000:junk"},
        {"127.0.13.12", "127.0.13.12:23000:too-many,players=40"},
        {"127.0.13.13", "127.0.13.13:23000:markup,players=0"},
        {"127.0.13.14", "127.0.13.14:23000:backslash"},
        {"127.0.13.15", "127.0.13.15:23000:one,players=64,max=64"},
    };
    // Host → the description without its ping, and the players.
    inline static const std::vector<std::pair<QString, QString>> kExpected = {
        {"127.0.13.2", "3/64 players, Wake | Player0;Player1;Player2;"},
        {"127.0.13.3", "3/64 players, Wake | Player0;Player1;Player2;"},
        {"127.0.13.4", "3/64 players, Wake | Player0;Player1;Player2;"},
        {"127.0.13.5", "3/64 players, Wake | Player0;Player1;Player2;"},
        {"127.0.13.6", "no answer | "},
        {"127.0.13.7", "2/64 players, Wake | Player0;Player1;"},
        {"127.0.13.8", QString::fromUtf8("1/64 players, Wake, password | Jürgen;")},
        {"127.0.13.9", "3/64 players, Berlin | Player0;Player1;Player2;"},
        {"127.0.13.10", "no answer | "},
        {"127.0.13.11", "no answer | "},
        {"127.0.13.12", "no answer | "},
        {"127.0.13.13", "0/64 players, Wake | "},
        {"127.0.13.14", "3/64 players, Wake | Player0;Foo;Player2;"},
        {"127.0.13.15", "64/64 players, Wake | " +
                            [] {
                                QString names;
                                for (int i = 0; i < 64; ++i) {
                                    names += QString("Player%1;").arg(i);
                                }
                                return names;
                            }()},
    };
    QProcess standIn_;
};

QTEST_MAIN(StatusUdpTest)
#include "status_udp_test.moc"
