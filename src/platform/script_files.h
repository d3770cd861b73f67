#pragma once

#include <memory>
#include <string>

#include "platform/result.h"

// The launch scripts one launcher has written and not yet deleted (script_files_posix.cpp,
// script_files_windows.cpp). Paths are UTF-8.
namespace zerlin::files {

struct WrittenScript {
    std::string path;
    bool inFolder = false;  // written into the folder asked for, under the name or one of its own
    bool pending = false;   // the launcher's own script of an earlier start, not yet deleted
    int inheritable = -1;   // a descriptor that keeps the script locked while a child holds it
};

// Each script is a new file put into place by a rename, so that nothing that bears its name
// (a link, a pipe, a device) is followed, opened or written through. On POSIX systems a script
// stays locked (flock) from its writing to its deletion; a locked script of another launcher,
// in this or another process, is left alone and the script takes a name of its own
// ("run-2.bat" ...) instead. A script of this launcher's own is rewritten in place.
class ScriptFiles {
  public:
    ScriptFiles();
    ~ScriptFiles();  // lets the scripts go, deleting none
    ScriptFiles(const ScriptFiles&) = delete;
    ScriptFiles& operator=(const ScriptFiles&) = delete;

    // Writes bytes as name into folder (which ends with its separator), or, where that folder
    // takes no file, under a fresh name ending in the same extension into fallbackFolder
    // (unless that is empty). A file that cannot be written whole is removed again.
    Result<WrittenScript> write(const std::string& folder, const std::string& name,
                                const std::string& fallbackFolder, const std::string& bytes);

    // Deletes the script, only if its path still names the file this launcher wrote, and lets
    // it go. A path this launcher does not hold is left alone.
    void remove(const std::string& path);

  private:
    struct Held;
    std::unique_ptr<Held> held_;
};

}  // namespace zerlin::files
