// A stand-in for the community's server list, for the Servers tests and benchmark: HTTP on its
// own loopback address (never on all of them), answering GET <base>/servers pages with a cursor
// and "after" as the real list does, in the ways a test asks for.
//
//   list_standin ADDRESS:PORT [options]
//
//   --seconds N      ends after N seconds (60 unless told)
//   --count N        servers generated, on consecutive addresses from --first (default 7)
//   --first IP       the first generated server's address (default 127.0.22.1)
//   --query-ports P,Q,...  the generated servers' query ports, in turn (23000 unless told)
//   --per-page N     entries a page (default 100)
//   --players N      at most N players listed a server (default 40)
//   --mixed          adds, at the front: a server with markup in its name, servers on private
//                    and public addresses, and entries with fields of the wrong types
//   --gone-once      the first request for a second page answers 410 Gone
//   --hang-page K    page K (from 1) is never answered
//   --junk-page K    page K answers a body that is no JSON
//   --status-page K:CODE   page K answers that HTTP status
//   --out-of-range N the Nth server's player count is 1e400, past what a double holds
//   --short-page K   page K announces 500 bytes more than it sends, then closes
//   --file PATH      the servers are the JSON array in PATH, read again at each first page, so
//                    that a test changes who plays between two refreshes
//
// PORT 0 takes a port the system gives. Once listening it prints "listening ADDRESS:PORT" and
// "ready"; then each request as "GET <target> UA=<user agent>".

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <cstdio>

namespace {

struct Options {
    int count = 7;
    quint32 first = QHostAddress("127.0.22.1").toIPv4Address();
    int perPage = 100;
    int maxPlayers = 40;
    bool mixed = false;
    bool goneOnce = false;
    int hangPage = 0;
    int junkPage = 0;
    int statusPage = 0;
    int statusCode = 200;
    int outOfRange = 0;
    int shortPage = 0;
    QString file;
    QList<int> queryPorts;
};

// Stands for a number no JSON writer here can write.
const QByteArray kOutOfRange = "number-out-of-range";

const char* const kMaps[] = {"Wake Island", "El Alamein", "Berlin", "Stalingrad", "Midway"};

QJsonArray listOf(const Options& o) {
    QJsonArray servers;
    if (o.mixed) {
        servers.append(QJsonObject{{"ip", "192.168.1.5"}, {"port", 14567}, {"name", "Home LAN"}});
        servers.append(QJsonObject{{"ip", 12}, {"port", "x"}, {"name", 5}});
        servers.append(QJsonObject{{"ip", "81.169.145.97"},
                                   {"port", 14567},
                                   {"queryPort", 23000},
                                   {"name", "Far Away Public"},
                                   {"numPlayers", 12},
                                   {"maxPlayers", 64},
                                   {"mapName", "Kursk"},
                                   {"gameId", "bf1942"}});
        servers.append(QJsonObject{{"ip", "10.0.0.1"}, {"port", 14567}, {"name", "Private Ten"}});
        servers.append(QJsonObject{{"ip", "172.16.0.9"}, {"port", 14567}, {"name", "Private 172"}});
        servers.append(QJsonObject{{"ip", "224.0.0.1"}, {"port", 14567}, {"name", "Multicast"}});
        servers.append(QJsonObject{{"ip", "127.0.22.250"}, {"port", 70000}, {"name", "Bad Port"}});
    }
    for (int i = 0; i < o.count; ++i) {
        const QString ip = QHostAddress(o.first + static_cast<quint32>(i)).toString();
        const int players = i % 5 == 4 ? 0 : (i * 7) % 30 + 1;
        QJsonArray playerList;
        for (int p = 0; p < players && p < o.maxPlayers; ++p) {
            playerList.append(QJsonObject{{"name", QString("Soldier%1x%2").arg(i).arg(p)},
                                          {"score", (p * 13) % 50},
                                          {"kills", p % 9},
                                          {"deaths", p % 4},
                                          {"ping", 40 + p},
                                          {"team", p % 2 + 1},
                                          {"teamLabel", p % 2 ? "Allies" : "Axis"}});
        }
        QJsonObject server{
            {"ip", ip},
            {"port", 14567},
            {"queryPort", o.queryPorts.isEmpty() ? 23000 : o.queryPorts[i % o.queryPorts.size()]},
            {"name", QString("Listed Server %1").arg(i + 1)},
            {"numPlayers", players},
            {"maxPlayers", i % 3 == 0 ? 32 : 64},
            {"mapName", kMaps[i % 5]},
            {"password", i % 7 == 3},
            {"gameType", "conquest"},
            {"gameVersion", "v1.612"},
            {"gameId", i % 3 == 1 ? "xpack1" : "bf1942"},
            {"reservedSlots", 2},
            {"roundTimeRemain", 900},
            {"tickets1", 150},
            {"tickets2", 120},
            {"teams", QJsonArray{QJsonObject{{"index", 1}, {"label", "Axis"}},
                                 QJsonObject{{"index", 2}, {"label", "Allies"}}}},
            {"players", playerList}};
        if (o.mixed && i == 0) {
            server["name"] = "<b>Bold</b> & <a href='x'>Co</a>";
        }
        if (o.mixed && i == 1) {
            // Fields of the wrong types: shown all the same, as far as they go.
            server["numPlayers"] = "many";
            server["maxPlayers"] = QJsonValue();
            server["players"] = "none";
            server["mapName"] = 42;
        }
        if (i + 1 == o.outOfRange) {
            server["numPlayers"] = QString(kOutOfRange);
        }
        servers.append(server);
    }
    return servers;
}

class Standin : public QObject {
  public:
    Standin(const Options& options) : options_(options), servers_(listOf(options)) {}

    unsigned port() const { return server_.serverPort(); }

    bool listen(const QHostAddress& address, quint16 port) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        return server_.listen(address, port);
    }

  private:
    void read(QTcpSocket* socket) {
        QByteArray& buffer = buffers_[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            return;
        }
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffers_.remove(socket);
        QByteArray userAgent;
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:")) {
                userAgent = line.mid(11).trimmed();
            }
        }
        const QList<QByteArray> request = lines.value(0).trimmed().split(' ');
        const QByteArray target = request.value(1);
        std::printf("GET %s UA=%s\n", target.constData(), userAgent.constData());
        std::fflush(stdout);
        answer(socket, target);
    }

    void reply(QTcpSocket* socket, int status, const QByteArray& body, int missing = 0) {
        const QByteArray reason = status == 200 ? "OK" : status == 410 ? "Gone" : "Error";
        socket->write("HTTP/1.1 " + QByteArray::number(status) + " " + reason +
                      "\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(body.size() + missing) + "\r\nConnection: close\r\n\r\n" +
                      body);
        socket->disconnectFromHost();
    }

    void answer(QTcpSocket* socket, const QByteArray& target) {
        const QUrl url(QString::fromLatin1(target));
        const QUrlQuery query(url);
        if (url.path().endsWith("/livestats")) {
            reply(socket, 200, R"({"servers":0,"players":0})");
            return;
        }
        if (!url.path().endsWith("/servers")) {
            reply(socket, 404, "{}");
            return;
        }
        // The cursor names the page it leads to; "after" must name the previous page's last
        // entry, as the real list wants it.
        int page = 1;
        if (!options_.file.isEmpty() && !query.hasQueryItem("cursor")) {
            QFile file(options_.file);
            if (file.open(QIODevice::ReadOnly)) {
                servers_ = QJsonDocument::fromJson(file.readAll()).array();
            }
        }
        if (query.hasQueryItem("cursor")) {
            const QString cursor = query.queryItemValue("cursor", QUrl::FullyDecoded);
            page = cursor.mid(5).toInt();
            const int last = (page - 1) * options_.perPage - 1;
            const QJsonObject lastEntry = servers_.at(last).toObject();
            const QString after = query.queryItemValue("after", QUrl::FullyDecoded);
            const QString expected = lastEntry["ip"].toVariant().toString() + ":" +
                                     lastEntry["port"].toVariant().toString();
            if (!cursor.startsWith("page-") || page < 2 || after != expected) {
                reply(socket, 400, R"({"error":"bad cursor or after"})");
                return;
            }
            if (options_.goneOnce && !gone_) {
                gone_ = true;
                reply(socket, 410, R"({"error":"cursor expired"})");
                return;
            }
        }
        if (page == options_.hangPage) {
            return;  // never answered; the socket stays open
        }
        if (page == options_.junkPage) {
            reply(socket, 200, "<html><body>Service unavailable</body></html>");
            return;
        }
        if (page == options_.statusPage) {
            reply(socket, options_.statusCode, "{}");
            return;
        }
        QJsonArray entries;
        const int start = (page - 1) * options_.perPage;
        for (int i = start; i < start + options_.perPage && i < servers_.size(); ++i) {
            entries.append(servers_.at(i));
        }
        const bool more = start + options_.perPage < servers_.size();
        QJsonObject body{{"servers", entries}, {"hasMore", more}};
        if (more) {
            body["cursor"] = QString("page-%1").arg(page + 1);
        }
        QByteArray text = QJsonDocument(body).toJson(QJsonDocument::Compact);
        text.replace("\"" + kOutOfRange + "\"", "1e400");
        reply(socket, 200, text, page == options_.shortPage ? 500 : 0);
    }

    Options options_;
    QJsonArray servers_;
    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    bool gone_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: list_standin ADDRESS:PORT [options]\n");
        return 2;
    }
    const QStringList where = args[1].split(':');
    const QHostAddress address(where.value(0));
    if (address.isNull() || !address.isLoopback() || where.size() != 2) {
        std::fprintf(stderr, "list_standin: a loopback ADDRESS:PORT, please\n");
        return 2;
    }
    Options options;
    int seconds = 60;
    for (int i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString value = args.value(i + 1);
        if (a == "--mixed") {
            options.mixed = true;
        } else if (a == "--gone-once") {
            options.goneOnce = true;
        } else if (a == "--seconds") {
            seconds = value.toInt(), ++i;
        } else if (a == "--count") {
            options.count = value.toInt(), ++i;
        } else if (a == "--first") {
            options.first = QHostAddress(value).toIPv4Address(), ++i;
        } else if (a == "--players") {
            options.maxPlayers = value.toInt(), ++i;
        } else if (a == "--per-page") {
            options.perPage = std::max(1, value.toInt()), ++i;
        } else if (a == "--hang-page") {
            options.hangPage = value.toInt(), ++i;
        } else if (a == "--junk-page") {
            options.junkPage = value.toInt(), ++i;
        } else if (a == "--query-ports") {
            for (const QString& port : value.split(',')) {
                options.queryPorts.append(port.toInt());
            }
            ++i;
        } else if (a == "--out-of-range") {
            options.outOfRange = value.toInt(), ++i;
        } else if (a == "--short-page") {
            options.shortPage = value.toInt(), ++i;
        } else if (a == "--file") {
            options.file = value, ++i;
        } else if (a == "--status-page") {
            options.statusPage = value.section(':', 0, 0).toInt();
            options.statusCode = value.section(':', 1, 1).toInt();
            ++i;
        } else {
            std::fprintf(stderr, "list_standin: unknown option %s\n", qPrintable(a));
            return 2;
        }
    }
    Standin standin(options);
    if (!standin.listen(address, static_cast<quint16>(where[1].toUInt()))) {
        std::fprintf(stderr, "list_standin: cannot listen on %s\n", qPrintable(args[1]));
        return 1;
    }
    std::printf("listening %s:%u\nready\n", qPrintable(address.toString()), standin.port());
    std::fflush(stdout);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
