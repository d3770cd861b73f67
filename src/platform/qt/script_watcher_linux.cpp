#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/network.h"
#include "platform/timer.h"
#include "platform/qt/script_watcher.h"

namespace zerlin::qt {

struct ScriptWatcher::State {
    struct Entry {
        int descriptor = -1;
        bool accessed = false;  // bytes were read: a mere look (open, close) is no read
        bool read = false;
        bool discardAsked = false;
        bool timedOut = false;
        std::chrono::microseconds deadline{};
    };

    State(QObject& owner, Remove removeFile, const net::Clock& clock, Timer& timer)
        : owner(owner), removeFile(std::move(removeFile)), clock(clock), timer(timer) {
        timer.setHandler([this] { expire(); });
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        timer.setHandler({});
        timer.stop();
        delete notifier_;
        if (inotify_ >= 0) {
            ::close(inotify_);
        }
    }

    void watch(const std::string& path);
    void discard(const std::string& path);
    void readEvents();
    void remove(const std::string& path);
    void drop(const std::string& path);
    void expire();
    void armTimer();

    QObject& owner;
    Remove removeFile;
    const net::Clock& clock;
    Timer& timer;
    int inotify_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::map<std::string, Entry> entries_;
};

ScriptWatcher::ScriptWatcher(Remove remove, const net::Clock& clock, Timer& timer,
                             QObject* parent)
    : QObject(parent), state_(std::make_unique<State>(*this, std::move(remove), clock, timer)) {}

ScriptWatcher::~ScriptWatcher() = default;

void ScriptWatcher::watch(const std::string& path) {
    state_->watch(path);
}

void ScriptWatcher::forget(const std::string& path) {
    state_->drop(path);
}

void ScriptWatcher::discard(const std::string& path) {
    state_->discard(path);
}

void ScriptWatcher::State::watch(const std::string& path) {
    if (inotify_ < 0) {
        inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotify_ >= 0) {
            notifier_ = new QSocketNotifier(inotify_, QSocketNotifier::Read, &owner);
            QObject::connect(notifier_, &QSocketNotifier::activated, &owner,
                             [this] { readEvents(); });
        }
    }
    // An earlier start's pending discard waits for this start's read instead; and the events
    // of the join's own writing, still queued, are no read of this start's script.
    if (auto earlier = entries_.find(path); earlier != entries_.end()) {
        earlier->second.discardAsked = false;
    }
    readEvents();

    Entry& entry = entries_[path];
    const int old = entry.descriptor;
    entry.descriptor =
        inotify_ >= 0 ? ::inotify_add_watch(inotify_, path.c_str(),
                                            IN_ACCESS | IN_CLOSE | IN_DELETE_SELF | IN_MOVE_SELF)
                      : -1;
    if (old >= 0 && old != entry.descriptor) {
        ::inotify_rm_watch(inotify_, old);
    }
    entry.accessed = false;
    entry.read = false;
    entry.timedOut = false;
    entry.discardAsked = false;
    // Without a watch a read cannot be seen: the script then waits the whole time.
    entry.deadline = clock.now() + longestWait;
    armTimer();
}

// Deletes each script past its deadline that was asked to go, and marks the others timed out.
void ScriptWatcher::State::expire() {
    const std::chrono::microseconds now = clock.now();
    for (auto it = entries_.begin(); it != entries_.end();) {
        Entry& entry = it->second;
        if (entry.timedOut || entry.deadline > now || !entry.discardAsked) {
            // Past the deadline, a script not yet asked to go goes as soon as it is.
            entry.timedOut = entry.deadline <= now;
            ++it;
            continue;
        }
        const std::string path = (it++)->first;
        remove(path);  // erases only its own entry
    }
    armTimer();
}

// The timer ticks at the earliest deadline still ahead; a tick before it only sets it again.
void ScriptWatcher::State::armTimer() {
    std::optional<std::chrono::microseconds> next;
    for (const auto& [path, entry] : entries_) {
        if (!entry.timedOut && (!next || entry.deadline < *next)) {
            next = entry.deadline;
        }
    }
    if (next) {
        timer.start(std::max(*next - clock.now(), std::chrono::microseconds{0}));
    } else {
        timer.stop();
    }
}

void ScriptWatcher::State::discard(const std::string& path) {
    readEvents();
    auto it = entries_.find(path);
    if (it == entries_.end() || it->second.read || it->second.timedOut) {
        remove(path);
        return;
    }
    it->second.discardAsked = true;
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one pass over the event records
void ScriptWatcher::State::readEvents() {
    if (inotify_ < 0) {
        return;
    }
    alignas(inotify_event) std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t length = ::read(inotify_, buffer.data(), buffer.size());
        if (length <= 0) {
            return;  // EAGAIN: nothing more queued
        }
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            // NOLINTNEXTLINE(modernize-loop-convert): drop() and remove() erase the entry it is on
            for (auto it = entries_.begin(); it != entries_.end(); ++it) {
                if (it->second.descriptor != event->wd) {
                    continue;
                }
                if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                    // The file is gone from its place: there is nothing left to delete.
                    it->second.descriptor = -1;
                    if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
                        const std::string path = it->first;
                        drop(path);
                    }
                } else if (event->mask & IN_ACCESS) {
                    it->second.accessed = true;
                } else if ((event->mask & IN_CLOSE) && it->second.accessed) {
                    it->second.read = true;
                    if (it->second.discardAsked) {
                        const std::string path = it->first;
                        remove(path);
                    }
                }
                break;
            }
        }
    }
}

void ScriptWatcher::State::remove(const std::string& path) {
    drop(path);
    removeFile(path);
}

void ScriptWatcher::State::drop(const std::string& path) {
    auto it = entries_.find(path);
    if (it == entries_.end()) {
        return;
    }
    if (it->second.descriptor >= 0) {
        ::inotify_rm_watch(inotify_, it->second.descriptor);
    }
    entries_.erase(it);
}

}  // namespace zerlin::qt
