#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include "platform/qt/qt_launcher.h"
#include "platform/qt/strings.h"
#include "wine/wine_choice.h"

namespace zerlin::qt {

namespace {

std::string variable(const QProcessEnvironment& environment, const char* name) {
    return toStdString(environment.value(name));
}

}  // namespace

Status QtLauncher::prepare(QProcess& process, QProcessEnvironment& environment,
                           const LaunchScript& script) const {
    // The Wine, prefix and variables the game was installed with (see wine_choice.h).
    wine::WineLookup lookup;
    lookup.gamePath = script.gamePath;
    lookup.settingsWine = wineSetting_.read ? wineSetting_.read() : std::string{};
    lookup.home = environment.contains("HOME") ? variable(environment, "HOME")
                                               : toStdString(QDir::homePath());
    lookup.dataHome = variable(environment, "XDG_DATA_HOME");
    lookup.configHome = variable(environment, "XDG_CONFIG_HOME");
    lookup.environmentPrefix = variable(environment, "WINEPREFIX");
    lookup.settingsFile = wineSetting_.place;
    const std::string path = variable(environment, "PATH");
    lookup.findOnPath = [&path](const std::string& name) {
        return wine::findProgramOnPath(name, path);
    };
    const wine::WineChoice wine = wine::chooseWine(lookup);
    if (wine.program.empty()) {
        return Failure{wine.failure};
    }

    const QFileInfo file(toQString(script.script));
    // By bare name from the game's folder, by full path from anywhere else: Wine's drive Z: is
    // the root of the file system.
    process.setProgram(toQString(wine.program));
    process.setArguments(
        {"cmd", "/c",
         script.inWorkingDir
             ? file.fileName()
             : "Z:" + QDir::toNativeSeparators(file.absoluteFilePath()).replace('/', '\\')});
    for (const auto& [name, value] : wine.environment) {
        environment.insert(toQString(name), toQString(value));
    }
    if (!wine.prefix.empty()) {
        environment.insert("WINEPREFIX", toQString(wine.prefix));
    }
    return {};
}

}  // namespace zerlin::qt
