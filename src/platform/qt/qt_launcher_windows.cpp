#include <windows.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "platform/qt/qt_launcher.h"
#include "platform/qt/strings.h"

namespace zerlin::qt {

Status QtLauncher::prepare(QProcess& process, QProcessEnvironment& environment,
                           const LaunchScript& script) const {
    QString interpreter = environment.value("ComSpec");
    if (interpreter.isEmpty()) {
        interpreter = QStandardPaths::findExecutable("cmd.exe");
    }
    if (interpreter.isEmpty()) {
        return Failure{"The command interpreter cmd.exe wasn't found."};
    }
    const QFileInfo file(toQString(script.script));
    // By bare name from the game's folder, by full path from anywhere else.
    process.setProgram(interpreter);
    process.setArguments({"/c", script.inWorkingDir
                                    ? file.fileName()
                                    : QDir::toNativeSeparators(file.absoluteFilePath())});
    // The interpreter's window opens minimised without taking the focus.
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* arguments) {
        arguments->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        arguments->startupInfo->wShowWindow = SW_SHOWMINNOACTIVE;
        // A console of its own, or cmd.exe would have no window to show minimised.
        arguments->flags |= CREATE_NEW_CONSOLE;
    });
    return {};
}

}  // namespace zerlin::qt
