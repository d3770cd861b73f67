#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The mods installed in the game's folder: the folders under "Mods" beside BF1942.exe that hold
// an "init.con", both names matched without regard to the case of ASCII letters, as the game
// finds them on Windows.
namespace zerlin::mods {

// The first this many folders of "Mods", in sorted order, are read.
inline constexpr std::size_t kMaxModFolders = 256;
// A mod id longer than this never names an installed folder.
inline constexpr std::size_t kMaxModIdLength = 64;

struct InstalledMod {
    std::string folder;   // its own spelling on disk
    std::string name;     // from init.con, else the game's own name for it, else the folder's
    std::string version;  // from init.con; may be empty
};

// Whether a mod id can name a folder: ASCII letters, digits, "_", "." and "-", at most
// kMaxModIdLength of them.
bool isModId(std::string_view id);

// Whether the id is the plain game's ("bf1942", any case) or empty: both need no mod.
bool isPlainGame(std::string_view id);

// A mod id as a message or line shows it: its first kMaxModIdLength characters, a control
// character as a space.
std::string shownId(std::string_view id);

// The mods found, by their folders' names.
class ModTable {
  public:
    ModTable() = default;
    // mods in sorted order of their folders; of two that differ only in case, the first wins.
    explicit ModTable(std::vector<InstalledMod> mods);

    // The installed mod of that id, matched without regard to ASCII case; none for an id that
    // isModId refuses.
    const InstalledMod* find(std::string_view id) const;
    // Whether a server of that mod can be joined: the plain game, no mod and an installed one.
    bool installed(std::string_view id) const;
    // What a table cell shows: the installed mod's name, the plain game's name, or the id.
    std::string displayName(std::string_view id) const;
    // The details' line: "Mod: Desert Combat 0.7 (DC_Final)", "Mod: fh (not installed)"; the
    // empty text for no mod.
    std::string modLine(std::string_view id) const;

    const std::vector<InstalledMod>& mods() const { return mods_; }

  private:
    std::vector<InstalledMod> mods_;
};

// The mods in the folder that holds the game (with or without its final separator), read from
// the disk now. A game folder without "Mods" has none.
ModTable scanMods(const std::string& gameFolder);

// The "Mods" folder of a game folder as it is spelt on disk, if there is one.
std::optional<std::string> modsFolder(const std::string& gameFolder);

// The table of the game path in use, read again only when the game path changes or the "Mods"
// folder's modification time does (a mod added or removed).
class InstalledMods {
  public:
    // The game path is the full path of BF1942.exe, as the game path box holds it.
    const ModTable& forGamePath(const std::string& gamePath);

  private:
    bool read_ = false;
    std::string gamePath_;
    std::optional<std::string> folder_;
    std::optional<std::int64_t> time_;
    ModTable table_;
};

}  // namespace zerlin::mods
