#include <QProcess>
#include <QProcessEnvironment>

#include "platform/qt/qt_launcher.h"
#include "platform/qt/strings.h"

namespace zerlin::qt {

Status QtLauncher::prepare(QProcess& process, QProcessEnvironment& environment,
                           const LaunchScript& script) const {
    if (!command_) {
        return Failure{"No interpreter was chosen to run the launch script."};
    }
    Result<ScriptCommand> command = command_(script);
    if (!command) {
        return Failure{command.error()};
    }
    process.setProgram(toQString(command.value().program));
    QStringList arguments;
    for (const std::string& argument : command.value().arguments) {
        arguments.append(toQString(argument));
    }
    process.setArguments(arguments);
    for (const auto& [name, value] : command.value().environment) {
        environment.insert(toQString(name), toQString(value));
    }
    return {};
}

}  // namespace zerlin::qt
