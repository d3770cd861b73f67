#include "platform/qt/qt_launcher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "mainwindow/launch_rules.h"
#include "platform/qt/script_watcher.h"

namespace zerlin::qt {

#ifdef _WIN32
// Lets the interpreter's window open minimised without taking the focus (Windows only).
void startMinimisedWithoutFocus(QProcess& process);
#endif

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The script as the interpreter is told it: by bare name from the game's folder, by full
// path from anywhere else.
QString scriptArgument(const LaunchRequest& request) {
    const QFileInfo script(fromUtf8(request.script));
    if (QDir(script.absolutePath()) == QDir(fromUtf8(request.workingDir))) {
        return script.fileName();
    }
#ifdef _WIN32
    return QDir::toNativeSeparators(script.absoluteFilePath());
#else
    // Wine's drive Z: is the root of the file system.
    return "Z:" + QDir::toNativeSeparators(script.absoluteFilePath()).replace('/', '\\');
#endif
}

}  // namespace

QtLauncher::QtLauncher() : watcher_(std::make_unique<ScriptWatcher>()) {}
QtLauncher::~QtLauncher() = default;

std::string QtLauncher::start(const LaunchRequest& request) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#ifdef _WIN32
    QString interpreter = environment.value("ComSpec");
    if (interpreter.isEmpty()) {
        interpreter = QStandardPaths::findExecutable("cmd.exe");
    }
    if (interpreter.isEmpty()) {
        return "The command interpreter cmd.exe wasn't found.";
    }
    process.setProgram(interpreter);
    process.setArguments({"/c", scriptArgument(request)});
    startMinimisedWithoutFocus(process);
#else
    const QString wine = QStandardPaths::findExecutable("wine");
    if (wine.isEmpty()) {
        return "The program \"wine\" wasn't found on PATH.";
    }
    process.setProgram(wine);
    process.setArguments({"cmd", "/c", scriptArgument(request)});
    if (const std::string prefix = launch::findWinePrefix(request.gamePath); !prefix.empty()) {
        environment.insert("WINEPREFIX", fromUtf8(prefix));
    }
#endif
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(fromUtf8(request.workingDir));

    watcher_->watch(request.script);
    if (!process.startDetached()) {
        watcher_->forget(request.script);
        QString why = process.errorString();
        return ("\"" + process.program() + "\" couldn't be started" +
                (why.isEmpty() ? QString(".") : ": " + why))
            .toStdString();
    }
    return {};
}

void QtLauncher::discard(const std::string& script) {
    watcher_->discard(script);
}

}  // namespace zerlin::qt
