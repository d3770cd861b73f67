#include "platform/qt/qt_settings_backend.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace zerlin::qt {

QString applicationName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QtSettingsBackend::QtSettingsBackend(const QString& applicationName) : location_(applicationName) {}

std::string QtSettingsBackend::read(const std::string&, const std::string&) {
    return {};
}

void QtSettingsBackend::write(const std::string&, const std::string&, const std::string&) {}

}  // namespace zerlin::qt
