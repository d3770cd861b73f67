#include "mods/server_mods.h"

#include "text/ascii.h"

namespace zerlin::mods {

ServerMods::Key ServerMods::keyOf(const std::string& ip, const std::string& port) {
    return {text::toLowerAscii(text::trimmed(ip)), std::string(text::trimmed(port))};
}

void ServerMods::heard(const std::string& ip, const std::string& port, const std::string& mod) {
    if (mod.empty()) {
        return;
    }
    const auto [entry, added] = known_.try_emplace(keyOf(ip, port));
    if (!added) {
        bySerial_.erase(entry->second.serial);
    }
    entry->second = Known{mod, nextSerial_};
    bySerial_.emplace(nextSerial_++, entry->first);
    // The oldest goes: a look-up, not a search, so that a list of thousands costs no more.
    if (known_.size() > kMaxServersKnown) {
        known_.erase(bySerial_.begin()->second);
        bySerial_.erase(bySerial_.begin());
    }
}

std::optional<std::string> ServerMods::modOf(const std::string& ip, const std::string& port) const {
    const auto found = known_.find(keyOf(ip, port));
    if (found == known_.end()) {
        return std::nullopt;
    }
    return found->second.mod;
}

std::string notInstalledMessage(std::string_view id) {
    return "This server runs the mod " + shownId(id) + ", which isn't installed.";
}

Result<std::string> gameFolderForJoin(const ModTable& installed,
                                      const std::optional<std::string>& mod) {
    if (!mod || isPlainGame(*mod)) {
        return std::string();
    }
    if (const InstalledMod* found = installed.find(*mod)) {
        return found->folder;
    }
    return Failure{notInstalledMessage(*mod)};
}

}  // namespace zerlin::mods
