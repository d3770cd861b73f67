#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "platform/qt/qt_launcher.h"
#include "platform/qt/strings.h"
#include "platform/qt/wine_prefix.h"

namespace zerlin::qt {

Status QtLauncher::prepare(QProcess& process, QProcessEnvironment& environment,
                           const LaunchScript& script) {
    const QString wine = QStandardPaths::findExecutable("wine");
    if (wine.isEmpty()) {
        return Failure{"The program \"wine\" wasn't found on PATH."};
    }
    const QFileInfo file(toQString(script.script));
    // By bare name from the game's folder, by full path from anywhere else: Wine's drive Z: is
    // the root of the file system.
    process.setProgram(wine);
    process.setArguments(
        {"cmd", "/c",
         script.inWorkingDir
             ? file.fileName()
             : "Z:" + QDir::toNativeSeparators(file.absoluteFilePath()).replace('/', '\\')});
    if (const std::string prefix = findWinePrefix(script.gamePath); !prefix.empty()) {
        environment.insert("WINEPREFIX", toQString(prefix));
    }
    return {};
}

}  // namespace zerlin::qt
