#include "mods/installed_mods.h"

#include <algorithm>
#include <array>
#include <set>
#include <utility>

#include "mods/init_con.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace zerlin::mods {

namespace {

// More entries than any game folder holds; a folder with more is read this far.
constexpr std::size_t kMaxEntries = 65536;

constexpr std::string_view kPlainGame = "bf1942";

// The names the game gives its own folders when their init.con names none.
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kGameNames = {{
    {"bf1942", "Battlefield 1942"},
    {"xpack1", "The Road to Rome"},
    {"xpack2", "Secret Weapons of WWII"},
}};

std::string_view separators() {
#ifdef _WIN32
    return "\\/";
#else
    return "/";
#endif
}

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || separators().find(folder.back()) != std::string_view::npos) {
        return folder + name;
    }
    return folder + "/" + name;
}

// The entries of a folder of that kind whose name is `lowerName` in any case, in sorted order.
std::vector<std::string> entriesNamed(const std::string& folder, std::string_view lowerName,
                                      bool folders) {
    std::vector<std::string> names;
    const auto entries = files::listFolder(folder, kMaxEntries);
    for (const files::FolderEntry& entry : entries.value()) {
        if (entry.folder == folders && text::toLowerAscii(entry.name) == lowerName) {
            names.push_back(entry.name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string gameName(std::string_view folder) {
    const std::string lower = text::toLowerAscii(folder);
    for (const auto& [id, name] : kGameNames) {
        if (lower == id) {
            return std::string(name);
        }
    }
    return std::string(folder);
}

}  // namespace

std::string shownId(std::string_view id) {
    std::string shown = utf8::first(id, kMaxModIdLength);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return shown;
}

bool isModId(std::string_view id) {
    return !id.empty() && id.size() <= kMaxModIdLength &&
           std::all_of(id.begin(), id.end(), [](char c) {
               return text::isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
                      c == '-';
           });
}

bool isPlainGame(std::string_view id) {
    return id.empty() || text::toLowerAscii(id) == kPlainGame;
}

ModTable::ModTable(std::vector<InstalledMod> mods) : mods_(std::move(mods)) {}

const InstalledMod* ModTable::find(std::string_view id) const {
    if (!isModId(id)) {
        return nullptr;
    }
    const std::string lower = text::toLowerAscii(id);
    const auto found = std::find_if(mods_.begin(), mods_.end(), [&lower](const InstalledMod& mod) {
        return text::toLowerAscii(mod.folder) == lower;
    });
    return found == mods_.end() ? nullptr : &*found;
}

bool ModTable::installed(std::string_view id) const {
    return isPlainGame(id) || find(id) != nullptr;
}

std::string ModTable::displayName(std::string_view id) const {
    if (const InstalledMod* mod = find(id)) {
        return mod->name;
    }
    if (isPlainGame(id) && !id.empty()) {
        return gameName(id);
    }
    return shownId(id);
}

std::string ModTable::modLine(std::string_view id) const {
    if (id.empty()) {
        return {};
    }
    if (!installed(id)) {
        return "Mod: " + shownId(id) + " (not installed)";
    }
    const InstalledMod* mod = find(id);
    std::string line = "Mod: " + displayName(id);
    if (mod != nullptr && !mod->version.empty()) {
        line += " " + mod->version;
    }
    return line + " (" + shownId(id) + ")";
}

std::optional<std::string> modsFolder(const std::string& gameFolder) {
    const std::vector<std::string> names = entriesNamed(gameFolder, "mods", true);
    if (names.empty()) {
        return std::nullopt;
    }
    return joined(gameFolder, names.front());
}

ModTable scanMods(const std::string& gameFolder) {
    const std::optional<std::string> mods = modsFolder(gameFolder);
    if (!mods) {
        return {};
    }
    std::vector<std::string> folders;
    const auto entries = files::listFolder(*mods, kMaxEntries);
    for (const files::FolderEntry& entry : entries.value()) {
        if (entry.folder) {
            folders.push_back(entry.name);
        }
    }
    std::sort(folders.begin(), folders.end());
    folders.resize(std::min(folders.size(), kMaxModFolders));

    std::vector<InstalledMod> found;
    std::set<std::string> seen;  // in lower case
    for (const std::string& folder : folders) {
        const std::string path = joined(*mods, folder);
        const std::vector<std::string> scripts = entriesNamed(path, "init.con", false);
        if (scripts.empty() || !seen.insert(text::toLowerAscii(folder)).second) {
            continue;
        }
        const InitCon script = readInitCon(
            files::readFileStart(joined(path, scripts.front()), kMaxInitConBytes).value());
        found.push_back(InstalledMod{folder, script.name.empty() ? gameName(folder) : script.name,
                                     script.version});
    }
    return ModTable(std::move(found));
}

const ModTable& InstalledMods::forGamePath(const std::string& gamePath) {
    const std::size_t slash = gamePath.find_last_of(separators());
    const std::string gameFolder =
        slash == std::string::npos ? std::string() : gamePath.substr(0, slash + 1);
    // Where a mod added or removed shows: the Mods folder's time, or while there is none the
    // game folder's, which changes when one is made.
    const auto timeOf = [](const std::optional<std::string>& folder, const std::string& game) {
        const auto time = files::modificationTime(folder ? *folder : game);
        return time ? std::optional<std::int64_t>(time.value()) : std::nullopt;
    };
    if (read_ && gamePath == gamePath_ && timeOf(folder_, gameFolder) == time_) {
        return table_;
    }
    read_ = true;
    gamePath_ = gamePath;
    table_ = {};
    folder_.reset();
    if (!gameFolder.empty()) {
        folder_ = modsFolder(gameFolder);
        // Taken before the scan, so that a change during it is seen next time.
        time_ = timeOf(folder_, gameFolder);
        table_ = scanMods(gameFolder);
    } else {
        time_.reset();
    }
    return table_;
}

}  // namespace zerlin::mods
