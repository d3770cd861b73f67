#include "wine/programs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace zerlin::wine {
namespace fs = std::filesystem;

bool isProgram(const std::string& path) {
    struct stat status {};
    return !path.empty() && path.find('\0') == std::string::npos &&
           ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string findProgramOnPath(const std::string& program, const std::string& pathVariable) {
    std::size_t start = 0;
    while (start <= pathVariable.size()) {
        std::size_t end = pathVariable.find(':', start);
        if (end == std::string::npos) {
            end = pathVariable.size();
        }
        const fs::path folder(pathVariable.substr(start, end - start));
        if (folder.is_absolute()) {
            std::string candidate = (folder / program).string();
            if (isProgram(candidate)) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
}

}  // namespace zerlin::wine
