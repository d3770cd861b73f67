#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <map>

#include "platform/http.h"

class QNetworkReply;

namespace zerlin::qt {

// How long one request may take, from asking to the last byte.
inline constexpr std::chrono::milliseconds kHttpRequestTime = std::chrono::seconds(8);

// GET through Qt Network: the system's TLS with its certificates checked, no cookies, no cache,
// nothing sent but a User-Agent naming Zerlin and its version. Redirects are followed only to
// the same scheme or to HTTPS.
class QtHttpClient : public QObject, public net::HttpClient {
    Q_OBJECT

  public:
    QtHttpClient();
    ~QtHttpClient() override;
    void get(const std::string& url, std::size_t maxBytes, Handler handler) override;
    void cancel() override;

    static QByteArray userAgent();
    // For measuring: when answers arrive.
    QNetworkAccessManager& manager() { return manager_; }

  private:
    struct Request {
        Handler handler;
        std::size_t maxBytes = 0;
        QTimer* timer = nullptr;
    };
    void finished(QNetworkReply* reply);
    void drop(QNetworkReply* reply, const std::string& error);
    void dropAll();
    // Answers reach their handlers later, from the event loop, one a turn: a handler may start
    // the next request, cancel, or drop this client.
    void deliver(Handler handler, net::HttpResponse response);
    void deliverNext();

    QNetworkAccessManager manager_;
    std::map<QNetworkReply*, Request> requests_;
    std::deque<std::pair<Handler, net::HttpResponse>> due_;
    QTimer delivery_;
};

}  // namespace zerlin::qt
