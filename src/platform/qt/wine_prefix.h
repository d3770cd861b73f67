#pragma once

#include <string>

// Standard C++ (the unit tests use it without Qt), for the Linux launcher.
namespace zerlin::qt {

// The Wine prefix that holds the game: the nearest folder above the game path holding both
// "drive_c" and "system.reg"; the empty text when there is none.
std::string findWinePrefix(const std::string& gamePath);

}  // namespace zerlin::qt
