#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/script_launcher.h"

class QProcess;
class QProcessEnvironment;

namespace zerlin::qt {

class ScriptWatcher;

// Runs launch scripts through the platform's command interpreter: %ComSpec% (cmd.exe) on
// Windows (qt_launcher_windows.cpp), "wine cmd" elsewhere (qt_launcher_unix.cpp). The
// interpreter is started detached and never watched; only the script's reading is, so that it
// is not deleted before the interpreter got it.
class QtLauncher : public ScriptLauncher {
  public:
    // The wine program the user named in the settings, read at each join, and where it is set,
    // for messages. Used where the game runs under Wine.
    struct WineSetting {
        std::function<std::string()> read;  // the empty text: not set
        std::string place;                  // the settings file
    };

    QtLauncher();
    ~QtLauncher() override;
    QtLauncher(const QtLauncher&) = delete;
    QtLauncher& operator=(const QtLauncher&) = delete;

    void setWineSetting(WineSetting setting) { wineSetting_ = std::move(setting); }

  protected:
    Status run(const LaunchScript& script) override;
    void discard(const std::string& script) override;

  private:
    // Sets the interpreter, its arguments and its environment for the script.
    Status prepare(QProcess& process, QProcessEnvironment& environment,
                   const LaunchScript& script) const;

    std::unique_ptr<ScriptWatcher> watcher_;
    WineSetting wineSetting_;
};

}  // namespace zerlin::qt
