#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace zerlin {

// A launch script as written, for the interpreter to run.
struct LaunchScript {
    std::string script;         // the file written
    std::string workingDir;     // the game's folder, where the interpreter starts
    std::string gamePath;       // the game executable, as the game path box holds it
    bool inWorkingDir = false;  // the script lies in workingDir, under its own name
};

// The launcher's part that is the same everywhere: it writes each script, keeps the scripts
// started since the last discardStarted(), and deletes the script of a failed start unless an
// earlier start still uses it. A platform adds how the interpreter is started and how a
// script is deleted once read.
class ScriptLauncher : public Launcher {
  public:
    static constexpr const char* scriptName = "run.bat";

    Status start(const LaunchRequest& request) final;
    void discardStarted() final;

  protected:
    // Starts the interpreter on the script, detached.
    virtual Status run(const LaunchScript& script) = 0;
    // Deletes a started script once its interpreter has read it; a missing file is ignored.
    virtual void discard(const std::string& script) = 0;

  private:
    std::vector<std::string> started_;
};

}  // namespace zerlin
