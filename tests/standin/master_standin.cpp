// A stand-in for the game's master servers, for the tests: TCP on its own loopback address (never
// on all of them). Each connection gets a challenge, must answer it with the validation of the
// game's key and enctype 0 and ask for the list; then it gets the records and is closed. A wrong
// answer or another enctype is refused with "\error\...", and closed.
//
//   master_standin ADDRESS:PORT [options] [IP:QUERYPORT ...]
//
//   IP:QUERYPORT     a server listed, in the order given
//   --count N        N servers more, on consecutive addresses from --first, query port 23000
//   --first IP       the first generated server's address (default 127.0.22.1)
//   --seconds N      ends after N seconds (60 unless told)
//   --error          answers the list request with "\error\..." instead of the records
//   --cut            leaves the last bytes of the answer's "\final\" out
//   --huge           sends more than 1 MiB of records
//   --hello-final    ends the challenge with "\final\"
//   --slow           sends the answer a few bytes at a time
//   --hold FILE      sends the answer only once FILE exists
//
// PORT 0 takes a port the system gives. Once listening it prints "listening ADDRESS:PORT"; then
// for each exchange "validate ok", "validate wrong <response>" or "enctype <value>" and "served N".

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

namespace {

// Challenges and their validations with the game's key, written down once from a transcription
// of the transform made apart from the program's own.
const struct {
    const char* challenge;
    const char* validation;
} kPairs[] = {{"ABCDEF", "vXrDWjx4"}, {"QzKpLm", "x0+79vW4"}, {"xY7w2a", "XULME0L9"}};

struct Options {
    QList<QPair<quint32, quint16>> records;
    bool error = false;
    bool cut = false;
    bool huge = false;
    bool helloFinal = false;
    bool slow = false;
    QString hold;
};

// The value after "\key\" in a request, up to the next backslash; null when absent.
QByteArray value(const QByteArray& request, const QByteArray& key) {
    const qsizetype at = request.indexOf("\\" + key + "\\");
    if (at < 0) {
        return {};
    }
    const qsizetype start = at + key.size() + 2;
    const qsizetype end = request.indexOf('\\', start);
    return request.mid(start, end < 0 ? -1 : end - start);
}

class Standin : public QObject {
  public:
    explicit Standin(const Options& options) : options_(options) {}

    bool listen(const QHostAddress& address, quint16 port) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                const auto& pair = kPairs[next_++ % std::size(kPairs)];
                challenges_[socket] = pair.validation;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                socket->write(QByteArray("\\basic\\\\secure\\") + pair.challenge +
                              (options_.helloFinal ? "\\final\\" : ""));
            }
        });
        return server_.listen(address, port);
    }
    unsigned port() const { return server_.serverPort(); }

  private:
    static void say(const QByteArray& line) {
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
    }

    void refuse(QTcpSocket* socket, const QByteArray& why) {
        socket->write("\\error\\" + why + "\\final\\");
        socket->disconnectFromHost();
    }

    void read(QTcpSocket* socket) {
        QByteArray& buffer = buffers_[socket];
        buffer += socket->readAll();
        // The answer to the challenge and the list request, each ended by "\final\".
        if (buffer.count("\\final\\") < 2) {
            return;
        }
        const QByteArray request = buffer;
        buffers_.remove(socket);
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        const QByteArray validation = value(request, "validate");
        if (validation != challenges_.take(socket)) {
            say("validate wrong " + validation);
            refuse(socket, "Invalid validation");
            return;
        }
        say("validate ok");
        const QByteArray enctype = value(request, "enctype");
        say("enctype " + enctype);
        if (enctype != "0" || value(request, "gamename") != "bfield1942" ||
            !request.contains("\\list\\cmp\\gamename\\bfield1942\\final\\")) {
            refuse(socket, "Only enctype 0 lists of bfield1942 here");
            return;
        }
        if (options_.error) {
            refuse(socket, "Service closed for the test");
            return;
        }
        QByteArray answer;
        int served = 0;
        const auto add = [&](quint32 ip, quint16 port) {
            const char bytes[] = {char(ip >> 24), char(ip >> 16),  char(ip >> 8),
                                  char(ip),       char(port >> 8), char(port)};
            answer.append(bytes, 6);
            ++served;
        };
        for (const auto& [ip, port] : options_.records) {
            add(ip, port);
        }
        if (options_.huge) {
            for (quint32 i = 0; answer.size() <= 1024 * 1024; ++i) {
                add(0x14000000 + i, 23000);  // 20.0.0.0 on
            }
        }
        answer += "\\final\\";
        if (options_.cut) {
            answer.chop(3);
        }
        if (!options_.hold.isEmpty() && !QFile::exists(options_.hold)) {
            auto* wait = new QTimer(socket);
            connect(wait, &QTimer::timeout, socket, [this, socket, wait, answer, served] {
                if (QFile::exists(options_.hold)) {
                    wait->stop();
                    send(socket, answer, served);
                }
            });
            wait->start(20);
            return;
        }
        send(socket, answer, served);
    }

    void send(QTcpSocket* socket, const QByteArray& answer, int served) {
        say("served " + QByteArray::number(served));
        if (!options_.slow) {
            socket->write(answer);
            socket->disconnectFromHost();
            return;
        }
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket, timer, answer, sent = 0]() mutable {
            socket->write(answer.mid(sent, 5));
            sent += 5;
            if (sent >= answer.size()) {
                timer->stop();
                socket->disconnectFromHost();
            }
        });
        timer->start(2);
    }

    Options options_;
    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QHash<QTcpSocket*, QByteArray> challenges_;
    unsigned next_ = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: master_standin ADDRESS:PORT [options] [IP:QUERYPORT ...]\n");
        return 2;
    }
    const QStringList where = args[1].split(':');
    const QHostAddress address(where.value(0));
    if (address.isNull() || !address.isLoopback() || where.size() != 2) {
        std::fprintf(stderr, "master_standin: a loopback ADDRESS:PORT, please\n");
        return 2;
    }
    Options options;
    int seconds = 60;
    int count = 0;
    quint32 first = QHostAddress("127.0.22.1").toIPv4Address();
    for (int i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = args.value(i + 1);
        if (a == "--error") {
            options.error = true;
        } else if (a == "--cut") {
            options.cut = true;
        } else if (a == "--huge") {
            options.huge = true;
        } else if (a == "--hello-final") {
            options.helloFinal = true;
        } else if (a == "--hold") {
            options.hold = next, ++i;
        } else if (a == "--slow") {
            options.slow = true;
        } else if (a == "--seconds") {
            seconds = next.toInt(), ++i;
        } else if (a == "--count") {
            count = next.toInt(), ++i;
        } else if (a == "--first") {
            first = QHostAddress(next).toIPv4Address(), ++i;
        } else if (const QStringList record = a.split(':'); record.size() == 2) {
            bool ok = false;
            const quint32 ip = QHostAddress(record[0]).toIPv4Address(&ok);
            if (!ok) {
                std::fprintf(stderr, "master_standin: not an IPv4 record %s\n", qPrintable(a));
                return 2;
            }
            options.records.append({ip, static_cast<quint16>(record[1].toUInt())});
        } else {
            std::fprintf(stderr, "master_standin: unknown option %s\n", qPrintable(a));
            return 2;
        }
    }
    for (int i = 0; i < count; ++i) {
        options.records.append({first + static_cast<quint32>(i), 23000});
    }
    Standin standin(options);
    if (!standin.listen(address, static_cast<quint16>(where[1].toUInt()))) {
        std::fprintf(stderr, "master_standin: cannot listen on %s\n", qPrintable(args[1]));
        return 1;
    }
    std::printf("listening %s:%u\n", qPrintable(address.toString()), standin.port());
    std::fflush(stdout);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
