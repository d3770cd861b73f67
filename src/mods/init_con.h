#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A mod's init.con: the console script the game runs when it starts the mod. Zerlin reads only
// the mod's name and version from it.
namespace zerlin::mods {

// The most of an init.con that is read; the lines that name a mod come first.
inline constexpr std::size_t kMaxInitConBytes = 64 * 1024;
// Longer names and versions are cut: they are for a table's cell and a details line.
inline constexpr std::size_t kMaxModTextLength = 100;

struct InitCon {
    std::string name;     // empty when the file names none
    std::string version;  // empty when the file gives none
};

// Reads the name ("game.setCustomGameName", or "game.CustomGameName" in older mods) and
// version ("game.setCustomGameVersion") from the file's bytes: UTF-8 where they are valid UTF-8,
// Windows-1252 otherwise. The commands match in any case of their letters; a value is the rest
// of its line with its blanks trimmed, the text between its quotes where it starts with one. The
// last line that gives a value counts, as the game runs them all.
InitCon readInitCon(std::string_view bytes);

}  // namespace zerlin::mods
