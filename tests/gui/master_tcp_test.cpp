// The masters asked through the real Qt TCP client, against stand-in masters on 127.0.28.x
// (ports the system gives): the whole exchange, each way a master fails, and several masters
// side by side.

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <memory>
#include <optional>

#include "gui_helpers.h"
#include "masters/master_list.h"
#include "platform/loopback_only.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_tcp.h"
#include "platform/qt/qt_timer.h"
#include "servers/address_rules.h"

namespace {

using zerlin::masters::MasterOutcome;
using zerlin::masters::Record;
using zerlin::test::gui::waitFor;

// A stand-in master on its own address; its lines (what it saw) kept.
class Master {
  public:
    explicit Master(const QString& address, const QStringList& arguments) {
        process_.start(ZERLIN_MASTER_STANDIN,
                       QStringList{address + ":0", "--seconds", "60"} + arguments);
        while (process_.waitForReadyRead(5000) || process_.canReadLine()) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line.startsWith("listening ")) {
                at_ = line.mid(10);
                break;
            }
        }
    }
    ~Master() {
        process_.kill();
        process_.waitForFinished();
    }
    Master(const Master&) = delete;
    Master& operator=(const Master&) = delete;

    QString at() const { return at_; }
    QStringList lines() {
        while (process_.canReadLine()) {
            lines_ << QString::fromUtf8(process_.readLine()).trimmed();
        }
        return lines_;
    }

  private:
    QProcess process_;
    QString at_;
    QStringList lines_;
};

// The real network's TCP, look-ups and timers, kept on loopback as the tests keep them.
struct Network {
    zerlin::qt::QtTcpNetwork tcp;
    zerlin::net::LoopbackOnlyTcp guardedTcp{tcp};
    zerlin::qt::QtHostResolver resolver;
    zerlin::qt::QtTimer refusals;
    zerlin::net::LoopbackOnlyResolver guardedResolver{resolver, refusals};
    zerlin::masters::MasterList list{guardedTcp, guardedResolver,
                                     [] { return std::make_unique<zerlin::qt::QtTimer>(); },
                                     zerlin::servers::allowed};
    std::optional<std::vector<MasterOutcome>> outcomes;

    bool ask(const QString& setting) {
        outcomes.reset();
        return list.start(setting.toStdString(),
                          [this](std::vector<MasterOutcome> o) { outcomes = std::move(o); });
    }
};

QString closedPort(const QString& address) {
    QTcpServer server;
    server.listen(QHostAddress(address), 0);
    return address + ":" + QString::number(server.serverPort());
}

const QStringList kRecords = {"81.169.145.97:23000", "10.0.0.1:23000", "127.0.22.5:23001",
                              "0.0.0.0:23000",       "8.8.4.4:0",      "8.8.4.4:23005"};
const std::vector<Record> kKept = {
    {"81.169.145.97", 23000}, {"127.0.22.5", 23001}, {"8.8.4.4", 23005}};

}  // namespace

class MasterTcpTest : public QObject {
    Q_OBJECT

  private slots:
    // The sockets of the connections ended are deleted through the event loop.
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void eachWayAMasterAnswers() {
        const struct {
            const char* name;
            QStringList arguments;
            bool ok;
            std::vector<Record> records;
            QString error;
        } cases[] = {
            {"whole", kRecords, true, kKept, {}},
            {"slowly, a few bytes at a time", kRecords + QStringList{"--slow"}, true, kKept, {}},
            {"hello ended by final", kRecords + QStringList{"--hello-final"}, true, kKept, {}},
            {"refusing", {"--error"}, false, {}, "the master refused: Service closed for the test"},
            {"cut short",
             kRecords + QStringList{"--cut"},
             false,
             {},
             "the master's answer is cut short"},
            {"over 1 MiB", {"--huge"}, false, {}, "the master's answer is larger than 1 MiB"},
        };
        for (const auto& c : cases) {
            Master master("127.0.28.1", c.arguments);
            QVERIFY2(!master.at().isEmpty(), c.name);
            Network network;
            QVERIFY(network.ask(master.at()));
            QVERIFY2(waitFor([&] { return network.outcomes.has_value(); }, 15000), c.name);
            const MasterOutcome& outcome = network.outcomes->front();
            // Named by its host alone.
            QCOMPARE(outcome.master, master.at().section(':', 0, 0).toStdString());
            QVERIFY2(outcome.ok == c.ok,
                     (QString(c.name) + ": " + outcome.failure.c_str()).toUtf8().constData());
            QVERIFY2(outcome.records == c.records, c.name);
            QCOMPARE(QString::fromStdString(outcome.failure), c.error);
            // The stand-in checked the validation the program sent against its own.
            QVERIFY2(waitFor([&] { return master.lines().contains("validate ok"); }), c.name);
            QVERIFY(master.lines().contains("enctype 0"));
        }
    }

    void mastersSideBySide() {
        Master one("127.0.28.2", {"81.169.145.97:23000", "81.169.145.98:23000"});
        Master two("127.0.28.3", {"81.169.145.98:23000", "--slow"});
        Network network;
        QElapsedTimer took;
        took.start();
        const QString closed = closedPort("127.0.28.4");
        QVERIFY(
            network.ask(one.at() + " " + two.at() + "  " + closed + " master.example.org:28900"));
        QVERIFY(waitFor([&] { return network.outcomes.has_value(); }, 15000));
        QVERIFY(took.elapsed() < 5000);
        const std::vector<MasterOutcome>& o = *network.outcomes;
        QCOMPARE(o.size(), std::size_t{4});
        QVERIFY(o[0].ok && o[0].records.size() == 2);
        QVERIFY(o[1].ok && (o[1].records == std::vector<Record>{{"81.169.145.98", 23000}}));
        QVERIFY(!o[2].ok && !o[2].failure.empty());
        QCOMPARE(o[2].master, closed.section(':', 0, 0).toStdString());
        // The guard keeps the look-up of a name off the network.
        QCOMPARE(o[3].failure, std::string("the master's name is not known"));
        QVERIFY(!network.ask("   "));
    }
};

QTEST_GUILESS_MAIN(MasterTcpTest)
#include "master_tcp_test.moc"
