#include "app/settings_store.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "friends/friends_file.h"
#include "platform/qt/strings.h"
#include "settings/ini_file_settings.h"

#ifdef Q_OS_WIN
#include "platform/qt/qt_settings_backend.h"
#endif

namespace zerlin::app {

namespace {
const QString kFallbackName = QStringLiteral("zerlin");
}  // namespace

QString applicationName() {
    if (QCoreApplication::instance() == nullptr)
        return kFallbackName;
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? kFallbackName : name;
}

std::unique_ptr<SettingsBackend> openSettings(const QString& applicationName) {
#ifdef Q_OS_WIN
    return std::make_unique<qt::QtSettingsBackend>(applicationName);
#else
    return std::make_unique<IniFileSettings>(
        IniFileSettings::filePath(qt::toStdString(applicationName)));
#endif
}

std::string friendsFile(const QString& applicationName) {
    return friends::friendsFilePath(IniFileSettings::filePath(qt::toStdString(applicationName)));
}

}  // namespace zerlin::app
