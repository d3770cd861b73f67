#include "platform/qt/qt_launcher.h"

#include <QProcess>
#include <QProcessEnvironment>

#include "platform/qt/script_watcher.h"
#include "platform/qt/strings.h"

namespace zerlin::qt {

QtLauncher::QtLauncher() : watcher_(std::make_unique<ScriptWatcher>()) {}
QtLauncher::~QtLauncher() = default;

Status QtLauncher::run(const LaunchScript& script) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (Status prepared = prepare(process, environment, script); !prepared) {
        return prepared;
    }
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(toQString(script.workingDir));

    watcher_->watch(script.script);
    if (!process.startDetached()) {
        watcher_->forget(script.script);
        QString why = process.errorString();
        return Failure{toStdString("\"" + process.program() + "\" couldn't be started" +
                                   (why.isEmpty() ? QString(".") : ": " + why))};
    }
    return {};
}

void QtLauncher::discard(const std::string& script) {
    watcher_->discard(script);
}

}  // namespace zerlin::qt
