#include <algorithm>
#include <filesystem>
#include <system_error>

#include "mainwindow/form1.h"
#include "mainwindow/launch_rules.h"
#include "settings/settings.h"

namespace zerlin {

namespace {

const char* const startFailed = "The game couldn't be started!\n";

}  // namespace

void Form1::browse() {
    CommonDialog1.filter = "BF1942.exe |bf1942.exe|Applications (*.exe)|*.exe|";
    CommonDialog1.title = "BF1942.exe path";
    if (!fileDialog_.show(CommonDialog1, FileDialogMode::Open)) {
        return;
    }
    Text1.setText(CommonDialog1.fileName);
    // What the box holds, which is what the next join checks.
    settings_.write("Sti", "Sti", Text1.text());
}

void Form1::join() {
    const std::string ip = Text2.text();
    const std::string port = Text3.text();
    if (ip.empty()) {
        messages_.show("You have to write an IP!");
        return;
    }
    if (port.empty()) {
        messages_.show("No valid port entered");
        return;
    }
    if (!launch::isAllowedServerText(ip) || !launch::isAllowedServerText(port)) {
        const bool tooLong =
            ip.size() > launch::maxServerTextLength || port.size() > launch::maxServerTextLength;
        messages_.show(tooLong ? "The IP or port is too long!"
                               : "The IP or port holds a character that isn't allowed!");
        return;
    }

    const std::string gamePath = Text1.text();
    if (!launch::gamePathLooksRight(gamePath, launch::nativePathStyle())) {
        messages_.show("The path isn't correct!");
    } else {
        if (flag(settings_, "OPtions", "SaveIP")) {
            settings_.write("Options", "IP", ip);
            settings_.write("Options", "port", port);
        }
        const std::string folder = launch::gameFolder(gamePath, launch::nativePathStyle());
        const launch::WrittenScript script =
            launch::writeScript(folder, launch::temporaryFolder(), launch::scriptBytes(ip, port));
        if (!script.error.empty()) {
            messages_.show(startFailed + script.error);
        } else if (const std::string failure =
                       launcher_.start(LaunchRequest{script.path, folder, gamePath});
                   !failure.empty()) {
            // A script that an earlier join started stays for the tick: its interpreter may
            // not have read it yet.
            if (std::find(pendingScripts_.begin(), pendingScripts_.end(), script.path) ==
                pendingScripts_.end()) {
                std::error_code ignored;
                std::filesystem::remove(
                    std::filesystem::path(std::u8string(script.path.begin(), script.path.end())),
                    ignored);
            }
            messages_.show(startFailed + failure);
        } else {
            if (std::find(pendingScripts_.begin(), pendingScripts_.end(), script.path) ==
                pendingScripts_.end()) {
                pendingScripts_.push_back(script.path);
            }
            Timer1.start();
        }
    }

    if (flag(settings_, "Options", "Close")) {
        program_.end();
    }
}

// Removes the scripts that the joins since the last tick wrote, whatever the game's file is
// called.
void Form1::tick() {
    std::vector<std::string> scripts;
    scripts.swap(pendingScripts_);
    for (const std::string& script : scripts) {
        launcher_.discard(script);
    }
    Timer1.stop();
}

}  // namespace zerlin
