#include "platform/qt/script_watcher.h"

// Without a way to see the script being read, it is deleted when that is asked: on Windows the
// interpreter has read it well within the second before the clean-up tick.
namespace zerlin::qt {

struct ScriptWatcher::State {
    Remove remove;
};

ScriptWatcher::ScriptWatcher(Remove remove, const net::Clock& /*clock*/, Timer& /*timer*/,
                             QObject* parent)
    : QObject(parent), state_(std::make_unique<State>(State{std::move(remove)})) {}
ScriptWatcher::~ScriptWatcher() = default;

void ScriptWatcher::watch(const std::string& /*path*/) {}
void ScriptWatcher::forget(const std::string& /*path*/) {}

void ScriptWatcher::discard(const std::string& path) {
    state_->remove(path);
}

}  // namespace zerlin::qt
