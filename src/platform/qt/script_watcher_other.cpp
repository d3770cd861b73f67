#ifndef __linux__

#include <filesystem>
#include <system_error>

#include "platform/qt/script_watcher.h"

// Without a way to see the script being read, it is deleted when that is asked: on Windows the
// interpreter has read it well within the second before the clean-up tick.
namespace zerlin::qt {

ScriptWatcher::ScriptWatcher(QObject* parent) : QObject(parent) {}
ScriptWatcher::~ScriptWatcher() = default;

void ScriptWatcher::watch(const std::string&) {}
void ScriptWatcher::forget(const std::string&) {}

void ScriptWatcher::discard(const std::string& path) {
    std::error_code ignored;  // a missing file is fine
    std::filesystem::remove(std::filesystem::path(std::u8string(path.begin(), path.end())),
                            ignored);
}

void ScriptWatcher::readEvents() {}
void ScriptWatcher::remove(const std::string&) {}
void ScriptWatcher::drop(const std::string&) {}

}  // namespace zerlin::qt

#endif
