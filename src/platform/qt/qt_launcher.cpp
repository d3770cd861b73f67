#include "platform/qt/qt_launcher.h"

#ifndef _WIN32
#include <fcntl.h>
#endif

#include <QProcess>
#include <QProcessEnvironment>

#include "platform/qt/script_watcher.h"
#include "platform/qt/strings.h"

namespace zerlin::qt {

QtLauncher::QtLauncher()
    : watcher_(std::make_unique<ScriptWatcher>(
          [this](const std::string& script) { removeScript(script); }, clock_, cleanupTimer_)) {}
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
#ifndef _WIN32
    // The interpreter inherits the script's lock and keeps the script in use while it runs,
    // also once this program has ended: no other launcher takes its name before it was read.
    // Open to inheritance only for this start (the launcher starts nothing meanwhile).
    const bool inherit = script.lock >= 0 && ::fcntl(script.lock, F_SETFD, 0) == 0;
#endif
    const bool started = process.startDetached();
#ifndef _WIN32
    if (inherit) {
        ::fcntl(script.lock, F_SETFD, FD_CLOEXEC);
    }
#endif
    if (!started) {
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
