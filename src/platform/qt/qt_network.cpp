#include "platform/qt/qt_network.h"

#include <QNetworkDatagram>

namespace zerlin::qt {

namespace {

QHostAddress toQt(const net::IpAddress& address) {
    if (!address.v6) {
        const auto& b = address.bytes;
        return QHostAddress((quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) |
                            quint32(b[3]));
    }
    Q_IPV6ADDR bytes;
    std::copy(address.bytes.begin(), address.bytes.end(), bytes.c);
    return QHostAddress(bytes);
}

// An IPv4 sender stays IPv4 also when it reached the socket as an IPv4-mapped IPv6 address.
std::optional<net::IpAddress> fromQt(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    net::IpAddress out;
    if (isV4) {
        out.bytes[0] = static_cast<std::uint8_t>(v4 >> 24);
        out.bytes[1] = static_cast<std::uint8_t>(v4 >> 16);
        out.bytes[2] = static_cast<std::uint8_t>(v4 >> 8);
        out.bytes[3] = static_cast<std::uint8_t>(v4);
        return out;
    }
    if (address.protocol() != QAbstractSocket::IPv6Protocol) {
        return std::nullopt;
    }
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    out.v6 = true;
    std::copy(bytes.c, bytes.c + 16, out.bytes.begin());
    return out;
}

}  // namespace

QtDatagramSocket::QtDatagramSocket() {
    QObject::connect(&socket_, &QUdpSocket::readyRead, [this] { readSome(); });
}

void QtDatagramSocket::setReceiveHandler(ReceiveHandler handler) {
    handler_ = std::move(handler);
}

bool QtDatagramSocket::ensureBound() {
    if (socket_.state() == QAbstractSocket::BoundState) {
        return true;
    }
    // Both protocols on one socket; IPv4 alone where the system has no IPv6.
    return socket_.bind(QHostAddress::Any, 0) || socket_.bind(QHostAddress::AnyIPv4, 0);
}

bool QtDatagramSocket::send(const net::Endpoint& to, std::string_view bytes) {
    if (!ensureBound()) {
        return false;
    }
    const qint64 written = socket_.writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()),
                                                 toQt(to.address), to.port);
    return written == static_cast<qint64>(bytes.size());
}

// The socket's notifier fires again on the next turn while datagrams wait: the rest are read
// then, after whatever else the event loop has to do.
void QtDatagramSocket::readSome() {
    for (int read = 0; read < kMaxDatagramsPerTurn && socket_.hasPendingDatagrams(); ++read) {
        const QNetworkDatagram datagram = socket_.receiveDatagram();
        if (!datagram.isValid()) {
            break;
        }
        const std::optional<net::IpAddress> sender = fromQt(datagram.senderAddress());
        if (!sender || datagram.senderPort() <= 0 || !handler_) {
            continue;
        }
        const QByteArray data = datagram.data();
        handler_({*sender, static_cast<std::uint16_t>(datagram.senderPort())},
                 std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
    }
}

QtHostResolver::~QtHostResolver() {
    for (const auto& [id, handler] : pending_) {
        QHostInfo::abortHostLookup(id);
    }
}

void QtHostResolver::lookUp(const std::string& hostName, Handler handler) {
    // The look-up answers through the event loop, also when the system answers at once.
    const int id =
        QHostInfo::lookupHost(QString::fromStdString(hostName), this, SLOT(lookedUp(QHostInfo)));
    pending_[id] = std::move(handler);
}

void QtHostResolver::lookedUp(const QHostInfo& info) {
    const auto found = pending_.find(info.lookupId());
    if (found == pending_.end()) {
        return;
    }
    const Handler handler = std::move(found->second);
    pending_.erase(found);
    std::vector<net::IpAddress> addresses;
    for (const QHostAddress& address : info.addresses()) {
        if (const auto ip = fromQt(address)) {
            addresses.push_back(*ip);
        }
    }
    handler(std::move(addresses));
}

}  // namespace zerlin::qt
