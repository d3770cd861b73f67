#pragma once

#include <functional>

namespace zerlin {

// Work done off the event loop's thread, so that a long job (reading a large page) never holds
// the window still.
class Worker {
  public:
    virtual ~Worker() = default;
    // Runs job on another thread, the jobs one after another in the order given, then done
    // from the event loop. job must touch nothing the event loop's thread uses meanwhile; done
    // is never called after the worker's end.
    virtual void run(std::function<void()> job, std::function<void()> done) = 0;
};

}  // namespace zerlin
