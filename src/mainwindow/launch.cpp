#include <chrono>

#include "mainwindow/form1.h"
#include "mainwindow/launch_rules.h"
#include "settings/settings.h"

namespace zerlin {

namespace {

const char* const startFailed = "The game couldn't be started!\n";
// The scripts of the joins are cleaned up this long after the last join.
constexpr std::chrono::seconds kCleanUpDelay{1};

}  // namespace

void Form1::browse() {
    CommonDialog1.filter = "BF1942.exe |bf1942.exe|Applications (*.exe)|*.exe|";
    CommonDialog1.title = "BF1942.exe path";
    if (!fileDialog_.show(CommonDialog1, FileDialogMode::Open)) {
        return;
    }
    Text1.setText(CommonDialog1.fileName);
    // What the box holds, which is what the next join checks.
    write(settings_, keys::gamePathWritten, Text1.text());
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
    const std::string folder = launch::gameFolder(gamePath, launch::nativePathStyle());
    if (!launch::gamePathLooksRight(gamePath, launch::nativePathStyle())) {
        messages_.show("The path isn't correct!");
    } else if (const Status named = launch::checkFolderName(folder, launch::nativePathStyle());
               !named) {
        // The interpreter could not start in it: said before anything is written or started.
        messages_.show(startFailed + named.error());
    } else if (const Result<std::string> mod = mods::gameFolderForJoin(
                   installedMods_.forGamePath(gamePath), serverMods_.modOf(ip, port));
               !mod) {
        // The server's mod is missing: nothing is remembered or started, and the program stays.
        messages_.show(mod.error());
        return;
    } else {
        if (flag(settings_, keys::saveIpAtJoin)) {
            // Together, so that two joins at once never leave one's IP with the other's port.
            settings_.write(keys::ip.section,
                            SettingsEntries{{keys::ip.key, ip}, {keys::portWritten.key, port}});
        }
        const Status started = launcher_.start(
            LaunchRequest{launch::scriptBytes(ip, port, mod.value()), folder, gamePath});
        if (!started) {
            messages_.show(startFailed + started.error());
        } else {
            Timer1.start(kCleanUpDelay);
            // Every join that starts the game passes here, whichever part of the program asked.
            if (joinRecorder_) {
                joinRecorder_->joined(ip, port);
            }
        }
    }

    if (flag(settings_, keys::close)) {
        program_.end();
    }
}

// Asks the launcher to remove the scripts that the joins since the last tick started.
void Form1::tick() {
    launcher_.discardStarted();
    Timer1.stop();
}

}  // namespace zerlin
