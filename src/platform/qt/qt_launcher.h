#pragma once

#include <memory>
#include <string>

#include "platform/system.h"

namespace zerlin::qt {

class ScriptWatcher;

// Runs launch scripts through the platform's command interpreter: %ComSpec% (cmd.exe) on
// Windows, "wine cmd" elsewhere. The interpreter is started detached and never watched; only
// the script's reading is, so that it is not deleted before the interpreter got it.
class QtLauncher : public zerlin::Launcher {
  public:
    QtLauncher();
    ~QtLauncher() override;

    std::string start(const LaunchRequest& request) override;
    void discard(const std::string& script) override;

  private:
    std::unique_ptr<ScriptWatcher> watcher_;
};

}  // namespace zerlin::qt
