#include "platform/qt/qt_launcher.h"

namespace zerlin::qt {

class ScriptWatcher {};

QtLauncher::QtLauncher() = default;
QtLauncher::~QtLauncher() = default;

std::string QtLauncher::start(const LaunchRequest&) {
    return "not built yet";
}

void QtLauncher::discard(const std::string&) {}

}  // namespace zerlin::qt
