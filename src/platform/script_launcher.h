#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/script_files.h"
#include "platform/system.h"

namespace zerlin {

// A launch script as written, for the interpreter to run.
struct LaunchScript {
    std::string script;         // the file written
    std::string workingDir;     // the game's folder, where the interpreter starts
    std::string gamePath;       // the game executable, as the game path box holds it
    bool inWorkingDir = false;  // the script lies in workingDir, under a name of its own
    int lock = -1;              // on POSIX systems, a descriptor holding the script's lock, for the
                                // interpreter to inherit: the script stays in use while it runs
};

// How a platform's interpreter is started on a script: the program, its arguments, and the
// variables to set on top of this process's environment.
struct ScriptCommand {
    std::string program;
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> environment;
};
using ScriptCommandFor = std::function<Result<ScriptCommand>(const LaunchScript&)>;

// The launcher's part that is the same everywhere: it writes each script, keeps the scripts
// started since the last discardStarted(), and deletes the script of a failed start unless an
// earlier start still uses it. A platform adds how the interpreter is started and when a
// script is deleted once read.
class ScriptLauncher : public Launcher {
  public:
    static constexpr const char* scriptName = "run.bat";

    Status start(const LaunchRequest& request) final;
    void discardStarted() final;

    // A path that the interpreter's command line may hold unquoted: ASCII letters and digits,
    // characters beyond ASCII, spaces and "\ / : . - _ ~ ' +". The command interpreter treats
    // the others (& | < > ^ % ! ( ) @ " , ; = ...) as its own, even inside quotes.
    static bool isPlainPath(const std::string& path);

  protected:
    // Starts the interpreter on the script, detached.
    virtual Status run(const LaunchScript& script) = 0;
    // Has a started script deleted (through removeScript) once its interpreter has read it.
    virtual void discard(const std::string& script) = 0;
    // Deletes a script this launcher wrote, if its path still names it; anything else is left.
    void removeScript(const std::string& script) { scripts_.remove(script); }

  private:
    files::ScriptFiles scripts_;
    std::vector<std::string> started_;
};

}  // namespace zerlin
