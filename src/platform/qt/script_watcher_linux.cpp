#ifdef __linux__

#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <filesystem>
#include <system_error>

#include "platform/qt/script_watcher.h"

namespace zerlin::qt {

ScriptWatcher::ScriptWatcher(QObject* parent) : QObject(parent) {}

ScriptWatcher::~ScriptWatcher() {
    delete notifier_;
    if (inotify_ >= 0) {
        ::close(inotify_);
    }
}

void ScriptWatcher::watch(const std::string& path) {
    if (inotify_ < 0) {
        inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotify_ >= 0) {
            notifier_ = new QSocketNotifier(inotify_, QSocketNotifier::Read, this);
            connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
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
    entry.descriptor = inotify_ >= 0 ? ::inotify_add_watch(inotify_, path.c_str(),
                                                           IN_CLOSE | IN_DELETE_SELF | IN_MOVE_SELF)
                                     : -1;
    if (old >= 0 && old != entry.descriptor) {
        ::inotify_rm_watch(inotify_, old);
    }
    entry.read = false;
    entry.timedOut = false;
    entry.discardAsked = false;
    if (!entry.deadline) {
        entry.deadline = new QTimer(this);
        entry.deadline->setSingleShot(true);
        connect(entry.deadline, &QTimer::timeout, this, [this, path] {
            auto it = entries_.find(path);
            if (it == entries_.end()) {
                return;
            }
            if (it->second.discardAsked) {
                remove(path);
            } else {
                it->second.timedOut = true;
            }
        });
    }
    // Without a watch a read cannot be seen: the script then waits the whole time.
    entry.deadline->start(longestWaitMs);
}

void ScriptWatcher::forget(const std::string& path) {
    drop(path);
}

void ScriptWatcher::discard(const std::string& path) {
    readEvents();
    auto it = entries_.find(path);
    if (it == entries_.end() || it->second.read || it->second.timedOut) {
        remove(path);
        return;
    }
    it->second.discardAsked = true;
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one pass over the event records
void ScriptWatcher::readEvents() {
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
                } else if (event->mask & IN_CLOSE) {
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

void ScriptWatcher::remove(const std::string& path) {
    drop(path);
    std::error_code ignored;  // a missing file is fine
    std::filesystem::remove(path, ignored);
}

void ScriptWatcher::drop(const std::string& path) {
    auto it = entries_.find(path);
    if (it == entries_.end()) {
        return;
    }
    if (it->second.descriptor >= 0) {
        ::inotify_rm_watch(inotify_, it->second.descriptor);
    }
    if (it->second.deadline) {
        it->second.deadline->stop();
        it->second.deadline->deleteLater();
    }
    entries_.erase(it);
}

}  // namespace zerlin::qt

#endif
