#pragma once

#include <string>

// Where the game's Wine prefix is when no Lutris game names it. Standard C++, as the rest of
// this folder.
namespace zerlin::wine {

// The Wine prefix that holds the game: the nearest folder above the game path holding both
// "drive_c" and "system.reg"; the empty text when there is none.
std::string findWinePrefix(const std::string& gamePath);

}  // namespace zerlin::wine
