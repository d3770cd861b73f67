#pragma once

#include <QTcpSocket>
#include <memory>

#include "platform/tcp.h"

// TCP with Qt: a QTcpSocket on the event loop's thread, straight to the address (no proxy).
namespace zerlin::qt {

class QtTcpConnection : public net::TcpConnection {
  public:
    QtTcpConnection(const net::Endpoint& to, Handlers handlers);
    ~QtTcpConnection() override;
    QtTcpConnection(const QtTcpConnection&) = delete;
    QtTcpConnection& operator=(const QtTcpConnection&) = delete;

    bool write(std::string_view bytes) override;

  private:
    void readAll();
    void ended(QAbstractSocket::SocketError error);

    // Deleted later, through the event loop: the connection may end inside one of its signals.
    QTcpSocket* socket_;
    Handlers handlers_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool over_ = false;
};

class QtTcpNetwork : public net::TcpNetwork {
  public:
    std::unique_ptr<net::TcpConnection> connect(const net::Endpoint& to,
                                                net::TcpConnection::Handlers handlers) override;
};

}  // namespace zerlin::qt
