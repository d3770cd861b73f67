#pragma once

#include <string>

// Where the user's own files go. Paths are UTF-8.
namespace zerlin::folders {

// The user's home folder: HOME when it is an absolute path, else the home the password
// database gives the user; the empty text when neither is known.
std::string home();

// The folder of the user's configuration files: XDG_CONFIG_HOME when it is an absolute path,
// else the home's `.config`; the empty text when no home is known.
std::string config();

// The folder of the user's cached files: XDG_CACHE_HOME when it is an absolute path, else the
// home's `.cache` (on Windows, LOCALAPPDATA); the empty text when no home is known.
std::string cache();

// The folder of the user's state kept between runs: XDG_STATE_HOME when it is an absolute path,
// else the home's `.local/state` (on Windows, LOCALAPPDATA); the empty text when no home is known.
std::string state();

}  // namespace zerlin::folders
