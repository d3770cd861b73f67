#pragma once

#include <string>

namespace zerlin {

struct LaunchRequest {
    std::string script;      // full path of the written launch script
    std::string workingDir;  // the game's folder
    std::string gamePath;    // the game executable, as the game path box holds it
};

// Runs launch scripts through the platform's command interpreter.
class Launcher {
  public:
    virtual ~Launcher() = default;
    // Starts the script detached, minimised and without focus, and returns at once. Returns
    // the empty text on success, else what failed (such as the program that was not found).
    virtual std::string start(const LaunchRequest& request) = 0;
    // Deletes a script that start() ran, once the interpreter has read it (or at once where
    // that cannot be told); a missing file is ignored.
    virtual void discard(const std::string& script) = 0;
};

// Ends the program at once, with exit status 0: no further handler runs.
class Program {
  public:
    virtual ~Program() = default;
    [[noreturn]] virtual void end() = 0;
};

}  // namespace zerlin
