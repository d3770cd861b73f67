#pragma once

#include <memory>
#include <utility>

#include "platform/qt/qt_network.h"
#include "platform/qt/qt_timer.h"
#include "platform/script_launcher.h"

class QProcess;
class QProcessEnvironment;

namespace zerlin::qt {

class ScriptWatcher;

// Runs launch scripts through the platform's command interpreter: %ComSpec% (cmd.exe) on
// Windows (qt_launcher_windows.cpp), elsewhere the command set by setCommand, such as "wine
// cmd" (qt_launcher_unix.cpp). The
// interpreter is started detached and never watched; only the script's reading is, so that it
// is not deleted before the interpreter got it.
class QtLauncher : public ScriptLauncher {
  public:
    QtLauncher();
    ~QtLauncher() override;
    QtLauncher(const QtLauncher&) = delete;
    QtLauncher& operator=(const QtLauncher&) = delete;

    // Where the game runs under Wine: the command chosen for each script.
    void setCommand(ScriptCommandFor command) { command_ = std::move(command); }

  protected:
    Status run(const LaunchScript& script) override;
    void discard(const std::string& script) override;

  private:
    // Sets the interpreter, its arguments and its environment for the script.
    Status prepare(QProcess& process, QProcessEnvironment& environment,
                   const LaunchScript& script) const;

    // The scripts' deadlines run on these.
    QtClock clock_;
    QtTimer cleanupTimer_;
    std::unique_ptr<ScriptWatcher> watcher_;
    ScriptCommandFor command_;
};

}  // namespace zerlin::qt
