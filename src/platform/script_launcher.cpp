#include "platform/script_launcher.h"

#include <algorithm>
#include <string_view>

#include "platform/files.h"

namespace zerlin {

bool ScriptLauncher::isPlainPath(const std::string& path) {
    return std::ranges::all_of(path, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               byte >= 0x80 || std::string_view(" \\/:.-_~'+").find(c) != std::string_view::npos;
    });
}

Status ScriptLauncher::start(const LaunchRequest& request) {
    // The temporary folder's path goes into the interpreter's command line.
    const std::string temporary = files::temporaryFolder();
    const bool plain = isPlainPath(temporary);
    const Result<files::WrittenScript> written = scripts_.write(
        request.gameFolder, scriptName, plain ? temporary : std::string(), request.scriptBytes);
    if (!written) {
        if (!plain) {
            return Failure{written.error() + " The temporary folder " + temporary +
                           " can't be used: its path holds characters that the command "
                           "interpreter treats as its own."};
        }
        return Failure{written.error()};
    }
    const files::WrittenScript& script = written.value();
    const bool listed = std::find(started_.begin(), started_.end(), script.path) != started_.end();
    Status started = run(LaunchScript{script.path, request.gameFolder, request.gamePath,
                                      script.inFolder, script.inheritable});
    if (!started) {
        // A script that an earlier start ran stays until it is discarded: its interpreter may
        // not have read it yet.
        if (!script.pending) {
            removeScript(script.path);
        }
        return started;
    }
    if (!listed) {
        started_.push_back(script.path);
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
