#include "platform/qt/qt_http.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "platform/qt/strings.h"
#include "version.h"

namespace zerlin::qt {

namespace {

// Errors of the connection or the protocol, as against those Qt reports for an HTTP status.
bool failedOnTheWay(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
}

}  // namespace

QtHttpClient::QtHttpClient() {
    manager_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    manager_.setCookieJar(nullptr);
    delivery_.setSingleShot(true);
    delivery_.setInterval(0);
    connect(&delivery_, &QTimer::timeout, this, &QtHttpClient::deliverNext);
}

QtHttpClient::~QtHttpClient() {
    dropAll();
}

QByteArray QtHttpClient::userAgent() {
    return QByteArray("Zerlin/") + QByteArray::number(version::major) + '.' +
           QByteArray::number(version::minor) + '.' + QByteArray::number(version::revision);
}

void QtHttpClient::get(const std::string& url, std::size_t maxBytes, Handler handler) {
    QNetworkRequest request(QUrl(toQString(url), QUrl::StrictMode));
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    QNetworkReply* reply = manager_.get(request);
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, reply] { drop(reply, "timed out"); });
    timer->start(kHttpRequestTime);
    requests_[reply] = Request{std::move(handler), maxBytes, timer};
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64) {
        const auto found = requests_.find(reply);
        if (found != requests_.end() && received > 0 &&
            static_cast<std::size_t>(received) > found->second.maxBytes) {
            drop(reply, "the answer is too large");
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
}

void QtHttpClient::finished(QNetworkReply* reply) {
    const auto found = requests_.find(reply);
    if (found == requests_.end()) {
        return;
    }
    Request request = std::move(found->second);
    requests_.erase(found);
    net::HttpResponse response;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // An HTTP error status is an answer all the same; a failure on the way (refused, reset,
    // closed before the whole body came, timed out) is none, whatever status came first.
    if (failedOnTheWay(reply->error()) || !status.isValid()) {
        response.error = toStdString(reply->errorString());
    } else {
        response.answered = true;
        response.status = status.toInt();
        const qint64 size = reply->bytesAvailable();
        if (size < 0 || static_cast<std::size_t>(size) > request.maxBytes) {
            response = {false, 0, {}, "the answer is too large"};
        } else {
            // Read straight into the text handed on: no second copy of a large page.
            response.body.resize(static_cast<std::size_t>(size));
            const qint64 read = reply->read(response.body.data(), size);
            response.body.resize(static_cast<std::size_t>(std::max<qint64>(read, 0)));
        }
    }
    reply->deleteLater();
    deliver(std::move(request.handler), std::move(response));
}

void QtHttpClient::drop(QNetworkReply* reply, const std::string& error) {
    const auto found = requests_.find(reply);
    if (found == requests_.end()) {
        return;
    }
    Request request = std::move(found->second);
    requests_.erase(found);
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    deliver(std::move(request.handler), {false, 0, {}, error});
}

void QtHttpClient::deliver(Handler handler, net::HttpResponse response) {
    due_.emplace_back(std::move(handler), std::move(response));
    delivery_.start();
}

void QtHttpClient::deliverNext() {
    if (due_.empty()) {
        return;
    }
    auto [handler, response] = std::move(due_.front());
    due_.pop_front();
    if (!due_.empty()) {
        delivery_.start();
    }
    // Last: nothing of this client is touched once the handler has run.
    handler(std::move(response));
}

void QtHttpClient::cancel() {
    dropAll();
}

void QtHttpClient::dropAll() {
    // Answers already waiting for the event loop are dropped too.
    due_.clear();
    delivery_.stop();
    auto requests = std::exchange(requests_, {});
    for (auto& [reply, request] : requests) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

}  // namespace zerlin::qt
