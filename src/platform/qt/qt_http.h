#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <chrono>
#include <map>

#include "platform/http.h"

class QNetworkReply;
class QTimer;

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

    QNetworkAccessManager manager_;
    std::map<QNetworkReply*, Request> requests_;
    unsigned generation_ = 0;
};

}  // namespace zerlin::qt
