#pragma once

#include <QElapsedTimer>
#include <QHostInfo>
#include <QObject>
#include <QUdpSocket>
#include <map>

#include "platform/network.h"

// The network of the server status with Qt: one non-blocking UDP socket on the event loop's
// thread, QHostInfo for names and QElapsedTimer.
namespace zerlin::qt {

// At most this many datagrams are read in one turn of the event loop: the rest wait for the
// next, so that a flood cannot stall the window.
inline constexpr int kMaxDatagramsPerTurn = 64;

class QtDatagramSocket : public net::DatagramSocket {
  public:
    QtDatagramSocket();
    void setReceiveHandler(ReceiveHandler handler) override;
    bool send(const net::Endpoint& to, std::string_view bytes) override;

  private:
    bool ensureBound();
    void readSome();

    QUdpSocket socket_;
    ReceiveHandler handler_;
};

class QtHostResolver : public QObject, public net::HostResolver {
    Q_OBJECT

  public:
    ~QtHostResolver() override;
    void lookUp(const std::string& hostName, Handler handler) override;

  private:
    Q_SLOT void lookedUp(const QHostInfo& info);

    std::map<int, Handler> pending_;  // by look-up id
};

class QtClock : public net::Clock {
  public:
    QtClock() { timer_.start(); }
    std::chrono::microseconds now() const override {
        return std::chrono::microseconds(timer_.nsecsElapsed() / 1000);
    }

  private:
    QElapsedTimer timer_;
};

}  // namespace zerlin::qt
