// What the benchmarks measure of the program around them: its memory, and how long its event
// loop is held up while the work measured goes on.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <functional>
#include <string>

namespace zerlin::bench {

// A figure of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
inline long procStatusKb(const char* name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return -1;
}

// Lets the window on screen settle: its first paints, its first layouts.
inline void settle(int ms = 300) {
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// A timer due every millisecond, which comes round late only when the loop is held up: the
// longest such hold while `counting` holds is the stall. The application quits once `finished`
// holds, or after `limitMs`; it exits with 1 when the loop is held past 5 s more.
class LoopMeter {
  public:
    LoopMeter(std::function<bool()> counting, std::function<bool()> finished, qint64 limitMs)
        : counting_(std::move(counting)), finished_(std::move(finished)), limitMs_(limitMs) {
        meter_.setTimerType(Qt::PreciseTimer);
        meter_.setInterval(1);
        QObject::connect(&meter_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (counting_()) {
                stallNs_ = std::max(stallNs_, now - last_ - 1000000);
            }
            last_ = now;
            if (finished_() || clock_.elapsed() > limitMs_) {
                QApplication::quit();
            }
        });
        QTimer::singleShot(limitMs + 5000, qApp, [] { QApplication::exit(1); });
    }

    // Starts the clock; the work measured starts right after.
    void start() {
        meter_.start();
        clock_.start();
    }
    // The work's own start held the loop until now.
    void heldUntilNow() {
        last_ = clock_.nsecsElapsed();
        stallNs_ = std::max(stallNs_, last_);
    }
    // The work's start does not count (it is measured otherwise).
    void restartFromNow() { last_ = clock_.nsecsElapsed(); }

    // Starts a new longest stall, for the next piece of work.
    void resetStall() { stallNs_ = 0; }

    qint64 nowNs() const { return clock_.nsecsElapsed(); }
    qint64 elapsedMs() const { return clock_.elapsed(); }
    double stallMs() const { return static_cast<double>(stallNs_) / 1e6; }

  private:
    std::function<bool()> counting_;
    std::function<bool()> finished_;
    qint64 limitMs_;
    QTimer meter_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 stallNs_ = 0;
};

}  // namespace zerlin::bench
