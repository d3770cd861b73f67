#include "mods/server_mods.h"

#include <algorithm>

#include "text/ascii.h"

namespace zerlin::mods {

ServerMods::Key ServerMods::keyOf(const std::string& ip, const std::string& port) {
    return {text::toLowerAscii(text::trimmed(ip)), std::string(text::trimmed(port))};
}

void ServerMods::heard(const std::string& ip, const std::string& port, const std::string& mod) {
    if (mod.empty()) {
        return;
    }
    known_[keyOf(ip, port)] = Known{mod, nextSerial_++};
    if (known_.size() > kMaxServersKnown) {
        const auto oldest = std::min_element(
            known_.begin(), known_.end(),
            [](const auto& a, const auto& b) { return a.second.serial < b.second.serial; });
        known_.erase(oldest);
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
