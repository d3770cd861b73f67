#include "platform/qt/qt_timer.h"

#include <algorithm>

namespace zerlin::qt {

QtTimer::QtTimer() : own_(std::make_unique<QTimer>()), timer_(*own_) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (handler_) {
            handler_();
        }
    });
}

QtTimer::QtTimer(QTimer& timer) : timer_(timer) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (handler_) {
            handler_();
        }
    });
}

void QtTimer::setHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

void QtTimer::start(std::chrono::microseconds delay) {
    const auto ms = (std::max<long long>(delay.count(), 0) + 999) / 1000;
    timer_.start(static_cast<int>(std::min<long long>(ms, 24LL * 3600 * 1000)));
}

void QtTimer::stop() {
    timer_.stop();
}

bool QtTimer::isActive() const {
    return timer_.isActive();
}

}  // namespace zerlin::qt
