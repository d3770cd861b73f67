#pragma once

#include <chrono>
#include <functional>

namespace zerlin {

// A one-shot timer whose tick arrives through the event loop: the launch script's clean-up,
// the status service's pace and the slot wait each use one.
class Timer {
  public:
    virtual ~Timer() = default;
    // Called at each tick, from the event loop, never from inside a call made to the timer.
    virtual void setHandler(std::function<void()> handler) = 0;
    // Arms the timer to tick once the delay has passed (rounded up to the timer's resolution),
    // replacing any earlier arming.
    virtual void start(std::chrono::microseconds delay) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

}  // namespace zerlin
