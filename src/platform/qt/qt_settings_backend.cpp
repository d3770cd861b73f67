#include "platform/qt/qt_settings_backend.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QList>
#include <QLockFile>
#include <QSettings>
#include <QStringList>
#include <QThread>
#include <QVariant>
#include <chrono>

#include "platform/qt/strings.h"

namespace zerlin::qt {

namespace {

using namespace std::chrono_literals;

const QString kFallbackName = QStringLiteral("zerlin");

// How long a write waits for another running copy that holds the lock. A copy that hangs while
// holding it must not hang this one too.
constexpr auto kLockPatience = 3s;

struct Entry {
    QString group;
    QString key;
};

struct Lookup {
    // The file's sections that match the wanted one, whatever their letter case.
    QStringList groups;
    // The entries that match in those sections; the first is the one that counts.
    QList<Entry> entries;
};

// The names equal to `wanted` without regard to letter case, in the store's own order, so that
// every spelling of a name picks the same entry of a file that holds several.
QStringList matching(const QStringList& names, const QString& wanted) {
    QStringList result;
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            result.append(name);
    }
    return result;
}

// QSettings compares names exactly on most systems, so the lookup goes through the names the
// store really holds.
Lookup lookUp(QSettings& settings, const QString& section, const QString& key) {
    Lookup found;
    found.groups =
        section.isEmpty() ? QStringList{QString()} : matching(settings.childGroups(), section);
    for (const QString& group : found.groups) {
        settings.beginGroup(group);
        for (const QString& name : matching(settings.childKeys(), key)) {
            found.entries.append({group, name});
        }
        settings.endGroup();
    }
    return found;
}

QString settingsKey(const Entry& entry) {
    return entry.group.isEmpty() ? entry.key : entry.group + QLatin1Char('/') + entry.key;
}

// Replaces the entry that is read, under its existing spelling; other spellings of it that a
// hand-edited store may hold are the user's and stay.
void replaceEntry(QSettings& settings, const Lookup& found, const QString& section,
                  const QString& key, const QString& value) {
    Entry target{found.groups.isEmpty() ? section : found.groups.first(), key};
    if (!found.entries.isEmpty())
        target = found.entries.first();
    settings.setValue(settingsKey(target), value);
}

// A hand-written value with unquoted commas is parsed as a list; it was one text. Such a list
// with a control character in it is written back in a form that reads as a list of variants.
QString plainText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QVariantList) {
        return value.toStringList().join(QLatin1Char(','));
    }
    return value.toString();
}

std::string text(const QVariant& value) {
    return toStdString(plainText(value));
}

// Waits a little for the lock another running copy holds, and gives up rather than hang; a lock
// that cannot be made at all gives up at once. The writes go ahead either way.
bool acquire(QLockFile& lock) {
    const QDeadlineTimer deadline(kLockPatience);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
}

}  // namespace

QtSettingsBackend::QtSettingsBackend(const QString& applicationName)
    : location_(QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
                (applicationName.isEmpty() ? kFallbackName : applicationName)) {}

std::string QtSettingsBackend::read(const std::string& section, const std::string& key) {
    if (key.empty())
        return {};
    QSettings settings(location_, QSettings::NativeFormat);
    const Lookup found = lookUp(settings, toQString(section), toQString(key));
    if (found.entries.isEmpty())
        return {};
    return text(settings.value(settingsKey(found.entries.first())));
}

Status QtSettingsBackend::write(const std::string& section, const std::string& key,
                                const std::string& value) {
    return write(section, SettingsEntries{{key, value}});
}

Status QtSettingsBackend::write(const std::string& section, const SettingsEntries& entries) {
    // The registry applies each value at once and has no file to lose; the lock (in the user's
    // own temporary folder) keeps two copies' entries from mixing.
    const QString name = location_.section(QLatin1Char('\\'), -1);
    QLockFile lock(QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral("-settings.lock"));
    acquire(lock);
    QSettings settings(location_, QSettings::NativeFormat);
    const QString sectionName = toQString(section);
    for (const auto& [key, value] : entries) {
        if (key.empty())
            continue;
        const QString keyName = toQString(key);
        replaceEntry(settings, lookUp(settings, sectionName, keyName), sectionName, keyName,
                     toQString(value));
    }
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return Failure{"the registry refused the change"};
    return {};
}

}  // namespace zerlin::qt
