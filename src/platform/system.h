#pragma once

#include <string>

#include "platform/result.h"

namespace zerlin {

struct LaunchRequest {
    std::string scriptBytes;  // the launch script's contents
    std::string gameFolder;   // the game's folder, with its final separator
    std::string gamePath;     // the game executable, as the game path box holds it
};

// Writes launch scripts and runs them through the platform's command interpreter. It owns each
// script from its writing to its deletion.
class Launcher {
  public:
    virtual ~Launcher() = default;
    // Writes the script into the game's folder (into the temporary folder where that takes no
    // file) and starts it detached, minimised and without focus; returns at once. A failed
    // start says what failed and leaves no script behind that no start uses.
    virtual Status start(const LaunchRequest& request) = 0;
    // Deletes the scripts started since the last call, each once its interpreter has read it
    // (or at once where that cannot be told).
    virtual void discardStarted() = 0;
};

// Ends the program at once, with exit status 0: no further handler runs.
class Program {
  public:
    virtual ~Program() = default;
    [[noreturn]] virtual void end() = 0;
};

}  // namespace zerlin
