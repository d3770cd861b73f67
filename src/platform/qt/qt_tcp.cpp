#include "platform/qt/qt_tcp.h"

#include <QHostAddress>
#include <QNetworkProxy>

namespace zerlin::qt {

namespace {

QHostAddress toQt(const net::IpAddress& address) {
    const net::IpAddress plain = net::unmapped(address);
    if (!plain.v6) {
        const auto& b = plain.bytes;
        return QHostAddress((quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) |
                            quint32(b[3]));
    }
    Q_IPV6ADDR bytes;
    std::copy(plain.bytes.begin(), plain.bytes.end(), bytes.c);
    return QHostAddress(bytes);
}

}  // namespace

QtTcpConnection::QtTcpConnection(const net::Endpoint& to, Handlers handlers)
    : socket_(new QTcpSocket), handlers_(std::move(handlers)) {
    socket_->setProxy(QNetworkProxy::NoProxy);
    // A handler may end the connection: nothing of it is touched after one returns but through
    // alive_, which its end clears.
    const std::weak_ptr<bool> alive = alive_;
    QObject::connect(socket_, &QTcpSocket::connected, [this, alive] {
        if (!alive.expired() && handlers_.connected) {
            handlers_.connected();
        }
    });
    QObject::connect(socket_, &QTcpSocket::readyRead, [this, alive] {
        if (!alive.expired()) {
            readAll();
        }
    });
    QObject::connect(socket_, &QTcpSocket::errorOccurred,
                     [this, alive](QAbstractSocket::SocketError error) {
                         if (!alive.expired()) {
                             ended(error);
                         }
                     });
    QObject::connect(socket_, &QTcpSocket::disconnected, [this, alive] {
        if (!alive.expired()) {
            ended(QAbstractSocket::RemoteHostClosedError);
        }
    });
    socket_->connectToHost(toQt(to.address), to.port);
}

QtTcpConnection::~QtTcpConnection() {
    alive_.reset();
    QObject::disconnect(socket_, nullptr, nullptr, nullptr);
    socket_->abort();
    socket_->deleteLater();
}

bool QtTcpConnection::write(std::string_view bytes) {
    if (over_ || socket_->state() != QAbstractSocket::ConnectedState) {
        return false;
    }
    return socket_->write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

void QtTcpConnection::readAll() {
    const QByteArray data = socket_->readAll();
    if (!data.isEmpty() && handlers_.received) {
        handlers_.received(
            std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
    }
}

void QtTcpConnection::ended(QAbstractSocket::SocketError error) {
    if (over_) {
        return;
    }
    // The bytes that came before the end are handed over first.
    const std::weak_ptr<bool> alive = alive_;
    readAll();
    if (alive.expired()) {
        return;
    }
    over_ = true;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        if (handlers_.closed) {
            handlers_.closed();
        }
    } else if (handlers_.failed) {
        handlers_.failed(socket_->errorString().toStdString());
    }
}

std::unique_ptr<net::TcpConnection> QtTcpNetwork::connect(const net::Endpoint& to,
                                                          net::TcpConnection::Handlers handlers) {
    return std::make_unique<QtTcpConnection>(to, std::move(handlers));
}

}  // namespace zerlin::qt
