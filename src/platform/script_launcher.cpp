#include "platform/script_launcher.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/path.h"

namespace zerlin {

Status ScriptLauncher::start(const LaunchRequest& request) {
    const Result<files::WrittenFile> written = files::writeNewOrReplace(
        request.gameFolder, scriptName, files::temporaryFolder(), request.scriptBytes);
    if (!written) {
        return Failure{written.error()};
    }
    const std::string& script = written.value().path;
    const bool inUse = std::find(started_.begin(), started_.end(), script) != started_.end();
    Status started =
        run(LaunchScript{script, request.gameFolder, request.gamePath, written.value().inFolder});
    if (!started) {
        // A script that an earlier start ran stays for the discard: its interpreter may not
        // have read it yet.
        if (!inUse) {
            std::error_code ignored;
            std::filesystem::remove(toPath(script), ignored);
        }
        return started;
    }
    if (!inUse) {
        started_.push_back(script);
    }
    return {};
}

void ScriptLauncher::discardStarted() {
    std::vector<std::string> scripts;
    scripts.swap(started_);
    for (const std::string& script : scripts) {
        discard(script);
    }
}

}  // namespace zerlin
