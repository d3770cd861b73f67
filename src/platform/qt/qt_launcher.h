#pragma once

#include <memory>
#include <string>

#include <QObject>

#include "platform/system.h"

namespace zerlin::qt {

class ScriptWatcher;

// Runs launch scripts through the platform's command interpreter: cmd.exe on Windows,
// "wine cmd" elsewhere. The game is started detached and never watched.
class QtLauncher : public QObject, public zerlin::Launcher {
    Q_OBJECT
  public:
    QtLauncher();
    ~QtLauncher() override;

    std::string start(const LaunchRequest& request) override;
    void discard(const std::string& script) override;

  private:
    std::unique_ptr<ScriptWatcher> watcher_;
};

}  // namespace zerlin::qt
