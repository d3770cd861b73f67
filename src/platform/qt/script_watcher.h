#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace zerlin {
class Timer;
}  // namespace zerlin
namespace zerlin::net {
class Clock;
}  // namespace zerlin::net

namespace zerlin::qt {

// Deletes launch scripts once their interpreter has read them. On Linux it watches each
// script through inotify from before its interpreter starts, and deletes it, once asked to,
// when it has been read and closed again, or at the latest longestWait after the start. Where
// reading cannot be watched, a script is deleted as soon as that is asked. A script is deleted
// through remove, which deletes only what its launcher wrote.
class ScriptWatcher : public QObject {
    Q_OBJECT
  public:
    static constexpr std::chrono::seconds longestWait{60};

    using Remove = std::function<void(const std::string& path)>;

    // The deadlines run on the clock and timer, which outlive the watcher.
    ScriptWatcher(Remove remove, const net::Clock& clock, Timer& timer,
                  QObject* parent = nullptr);
    ~ScriptWatcher() override;

    // Call right before the script's interpreter is started: a later read counts.
    void watch(const std::string& path);
    // The interpreter did not start: nothing will read the script.
    void forget(const std::string& path);
    // Deletes the script now if it was read (or nothing watches it), else once it is read.
    void discard(const std::string& path);

  private:
    // What the platform's way of watching needs (script_watcher_linux.cpp, _other.cpp).
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zerlin::qt
