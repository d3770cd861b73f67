#pragma once

#include <QTimer>
#include <functional>
#include <memory>

#include "platform/timer.h"

namespace zerlin::qt {

class QtTimer : public Timer {
  public:
    // A precise timer of its own: the status sends one datagram a millisecond, which a coarse
    // timer would bunch up.
    QtTimer();
    // A window's timer, whose timeout the window's wiring may also be connected to.
    explicit QtTimer(QTimer& timer);
    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

    void setHandler(std::function<void()> handler) override;
    void start(std::chrono::microseconds delay) override;
    void stop() override;
    bool isActive() const override;

  private:
    std::unique_ptr<QTimer> own_;
    QTimer& timer_;
    std::function<void()> handler_;
};

}  // namespace zerlin::qt
