#include "wine/wine_prefix.h"

#include <filesystem>
#include <system_error>

#include "platform/path.h"

namespace zerlin::wine {

std::string findWinePrefix(const std::string& gamePath) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path folder = toPath(gamePath).parent_path();
    while (!folder.empty()) {
        if (fs::is_directory(folder / "drive_c", error) &&
            fs::exists(folder / "system.reg", error)) {
            return fromPath(folder);
        }
        if (folder == folder.root_path() || folder.parent_path() == folder) {
            break;
        }
        folder = folder.parent_path();
    }
    return {};
}

}  // namespace zerlin::wine
