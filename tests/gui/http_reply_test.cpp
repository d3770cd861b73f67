// The HTTP client against a small server of the test's own on a loopback address, on a port the
// system gives: a reply cut short, reset or late is a failure whatever status it began with; a
// whole reply is an answer whatever its status.

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <optional>

#include "platform/qt/qt_http.h"

namespace {

class HttpReplyTest : public QObject {
    Q_OBJECT

  private slots:
    void replies_data();
    void replies();
};

void HttpReplyTest::replies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("reset");  // the connection reset after the reply is written
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
    const QByteArray page = R"({"servers":[{"ip":"127.0.22.1","port":14567}]})";
    QTest::newRow("whole") << head + "Content-Length: " + QByteArray::number(page.size()) +
                                  "\r\nConnection: close\r\n\r\n" + page
                           << false << true << 200 << page;
    QTest::newRow("shorter than its length")
        << head + "Content-Length: " + QByteArray::number(page.size() + 500) +
               "\r\nConnection: close\r\n\r\n" + page
        << false << false << 0 << QByteArray();
    QTest::newRow("reset in the body")
        << head + "Content-Length: " + QByteArray::number(page.size() + 500) + "\r\n\r\n" + page
        << true << false << 0 << QByteArray();
    QTest::newRow("chunks never ended")
        << head +
               "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n10\r\n0123456789abcdef\r\n"
        << false << false << 0 << QByteArray();
    QTest::newRow("an error status, whole")
        << QByteArray("HTTP/1.1 410 Gone\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}")
        << false << true << 410 << QByteArray("{}");
    QTest::newRow("until the close, no length")
        << head + "Connection: close\r\n\r\n" + page << false << true << 200 << page;
}

void HttpReplyTest::replies() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, reset);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress("127.0.26.1"), 0));
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, reply, reset] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, reply, reset] {
            if (!socket->readAll().contains("\r\n\r\n")) {
                return;  // the whole request fits one read here; nothing else is asked
            }
            socket->write(reply);
            socket->flush();
            if (reset) {
                socket->abort();
            } else {
                socket->disconnectFromHost();
            }
        });
    });
    zerlin::qt::QtHttpClient http;
    std::optional<zerlin::net::HttpResponse> response;
    http.get("http://127.0.26.1:" + std::to_string(server.serverPort()) + "/v2/servers", 1 << 20,
             [&response](zerlin::net::HttpResponse r) { response = std::move(r); });
    QTRY_VERIFY_WITH_TIMEOUT(response.has_value(), 30000);
    QTEST(response->answered, "answered");
    QTEST(response->status, "status");
    QTEST(QByteArray::fromStdString(response->body), "body");
    if (!response->answered) {
        QVERIFY(!response->error.empty());
    }
}

}  // namespace

QTEST_GUILESS_MAIN(HttpReplyTest)
#include "http_reply_test.moc"
