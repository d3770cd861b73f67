#include <filesystem>
#include <system_error>

#include "platform/path.h"
#include "platform/qt/script_watcher.h"

// Without a way to see the script being read, it is deleted when that is asked: on Windows the
// interpreter has read it well within the second before the clean-up tick.
namespace zerlin::qt {

struct ScriptWatcher::State {};

ScriptWatcher::ScriptWatcher(QObject* parent) : QObject(parent) {}
ScriptWatcher::~ScriptWatcher() = default;

void ScriptWatcher::watch(const std::string& /*path*/) {}
void ScriptWatcher::forget(const std::string& /*path*/) {}

void ScriptWatcher::discard(const std::string& path) {
    std::error_code ignored;  // a missing file is fine
    std::filesystem::remove(toPath(path), ignored);
}

}  // namespace zerlin::qt
