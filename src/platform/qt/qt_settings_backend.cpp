#include "platform/qt/qt_settings_backend.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>
#include <QThread>
#include <QVariant>
#include <atomic>
#include <chrono>
#include <optional>

#include "platform/qt/strings.h"

namespace zerlin::qt {

namespace {

using namespace std::chrono_literals;

const QString kFallbackName = QStringLiteral("zerlin");

// How long an operation waits for another running copy that holds a lock. A copy that hangs
// while holding one must not hang this one too.
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

// Replaces the entry that the name found, under its existing spelling; other spellings of it
// that a hand-edited file may hold go, so that one entry remains.
void replaceEntry(QSettings& settings, const Lookup& found, const QString& section,
                  const QString& key, const QString& value) {
    Entry target{found.groups.isEmpty() ? section : found.groups.first(), key};
    if (!found.entries.isEmpty())
        target = found.entries.first();
    for (qsizetype i = 1; i < found.entries.size(); ++i) {
        settings.remove(settingsKey(found.entries[i]));
    }
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

#ifndef Q_OS_WIN
// Waits a little for a lock another running copy holds, and gives up rather than hang; a lock
// that cannot be made at all (no folder, no permission) gives up at once.
bool acquire(QLockFile& lock) {
    const QDeadlineTimer deadline(kLockPatience);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
}

QDateTime modificationTime(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.lastModified() : QDateTime();
}

// Moves the file's modification time past `floor`; coarse file systems need the longer steps.
QDateTime advanceModificationTime(const QString& path, const QDateTime& floor) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const int step : {1, 1000, 2000}) {
        file.setFileTime(floor.addMSecs(step), QFileDevice::FileModificationTime);
        QDateTime now = modificationTime(path);  // not const: it is moved out
        if (now > floor)
            return now;
    }
    return {};
}

// Replaces the file with `bytes` at once, or leaves it as it was. QSaveFile::commit reports
// success after a full disk refused the buffered bytes, leaving an empty file: the bytes are
// flushed, and checked, first.
bool replaceFile(const QString& path, const QByteArray& bytes, const QDateTime& stamp = {}) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    if (stamp.isValid())
        file.setFileTime(stamp, QFileDevice::FileModificationTime);
    return file.commit();
}

// Keeps the bytes of a file that could not be parsed beside it before it is replaced by what
// did parse. An earlier copy with other contents is never overwritten.
bool keepCopyOfGarbledFile(const QString& path, const QByteArray& bytes) {
    for (int n = 0; n < 100; ++n) {
        QString copyPath = path + QStringLiteral(".corrupt");
        if (n > 0)
            copyPath += QLatin1Char('.') + QString::number(n);
        QFile existing(copyPath);
        if (existing.exists()) {
            if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
                return true;
            continue;
        }
        return replaceFile(copyPath, bytes);
    }
    return false;
}

// A private copy of the store that QSettings edits. QSettings keeps a file's unsaved changes in
// a cache shared by the whole process and retries them at every later access of that file, so
// a write that failed (a full disk) would be read back as if it had been stored, and stored
// later after all. Its name is never used twice in a process, so a failure stays with it.
class ScratchFile {
  public:
    explicit ScratchFile(const QString& path) {
        static std::atomic<unsigned> counter{0};
        // cppcheck-suppress useInitializationList ; its number comes from the counter above
        path_ = QStringLiteral("%1.%2-%3.tmp")
                    .arg(path)
                    .arg(QCoreApplication::applicationPid())
                    .arg(++counter);
    }
    ~ScratchFile() {
        if (created_)
            QFile::remove(path_);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const QString& path() const { return path_; }

    bool create(const QByteArray& bytes) {
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return false;
        created_ = true;
        return file.write(bytes) == bytes.size() && file.flush();
    }

    // Every entry of the file with its value, as QSettings reads it; nothing when it cannot be
    // read. What QSettings writes from a garbled file may read as garbled again, and still
    // holds every entry it could keep.
    std::optional<QVariantMap> entries() const {
        QSettings settings(path_, QSettings::IniFormat);
        QVariantMap result;
        for (const QString& name : settings.allKeys())
            result.insert(name, settings.value(name));
        if (settings.status() == QSettings::AccessError)
            return std::nullopt;
        return result;
    }

    std::optional<QByteArray> contents() const {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }

  private:
    QString path_;
    bool created_ = false;
};

// Whether an entry, written alone into a file beside the store, reads back as the same text.
bool writableAlone(const QString& path, const QString& name, const QVariant& value) {
    ScratchFile alone(path);
    if (!alone.create({}))
        return true;
    {
        QSettings settings(alone.path(), QSettings::IniFormat);
        settings.setValue(name, value);
    }
    const std::optional<QVariantMap> entries = alone.entries();
    return entries && entries->size() == 1 && entries->firstKey() == name &&
           plainText(entries->first()) == plainText(value);
}

// Whether a file that a write left holds every entry intended, each with its text. A garbled
// file can hold a name or value that QSettings reads in a way it cannot write back, which no
// write could keep (the copy of the garbled file keeps it): such an entry does not count, or
// one bad line would refuse every write for good.
bool holdsAll(const QVariantMap& stored, const QVariantMap& intended, const QString& path) {
    for (auto it = intended.cbegin(); it != intended.cend(); ++it) {
        const auto found = stored.constFind(it.key());
        if (found != stored.cend() && plainText(*found) == plainText(*it))
            continue;
        if (writableAlone(path, it.key(), *it))
            return false;
    }
    return true;
}

// Anything but a regular file under the store's name (a folder, a pipe) is not opened at all:
// reading a pipe would block.
bool unusable(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}
#endif

}  // namespace

QString applicationName() {
    if (QCoreApplication::instance() == nullptr)
        return kFallbackName;
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? kFallbackName : name;
}

QString QtSettingsBackend::iniFilePath(const QString& applicationName) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(base + QLatin1Char('/') + applicationName +
                           QStringLiteral("/settings.ini"));
}

QtSettingsBackend::QtSettingsBackend(const QString& applicationName) {
    // An empty name would put the file straight into the shared configuration folder.
    const QString name = applicationName.isEmpty() ? kFallbackName : applicationName;
#ifdef Q_OS_WIN
    location_ = QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + name;
#else
    location_ = iniFilePath(name);
#endif
}

std::string QtSettingsBackend::read(const std::string& section, const std::string& key) {
    if (key.empty())
        return {};
#ifdef Q_OS_WIN
    QSettings settings(location_, QSettings::NativeFormat);
#else
    if (unusable(location_))
        return {};
    QSettings settings(location_, QSettings::IniFormat);
#endif
    const Lookup found = lookUp(settings, toQString(section), toQString(key));
    if (found.entries.isEmpty())
        return {};
    return text(settings.value(settingsKey(found.entries.first())));
}

void QtSettingsBackend::write(const std::string& section, const std::string& key,
                              const std::string& value) {
    if (key.empty())
        return;
    const QString sectionName = toQString(section);
    const QString keyName = toQString(key);
    const QString stored = toQString(value);
#ifdef Q_OS_WIN
    // The registry applies each change at once and has no file to lose.
    QSettings settings(location_, QSettings::NativeFormat);
    replaceEntry(settings, lookUp(settings, sectionName, keyName), sectionName, keyName, stored);
    settings.sync();
#else
    writeIniFile(sectionName, keyName, stored);
#endif
}

#ifndef Q_OS_WIN
void QtSettingsBackend::writeIniFile(const QString& section, const QString& key,
                                     const QString& value) {
    const QString& path = location_;
    if (unusable(path) || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return;

    // Held for the whole reading, editing and replacing, so that two running copies never work
    // from an old reading and a name written in two letter cases still ends as one entry.
    // Without it (no permission, a hung copy) the write still goes ahead.
    QLockFile writeLock(path + QStringLiteral(".writelock"));
    acquire(writeLock);

    QByteArray before;
    QDateTime floor;
    const bool existed = QFileInfo::exists(path);
    if (existed) {
        QFile current(path);
        // A file that exists but cannot be read would be replaced by this one value.
        if (!current.open(QIODevice::ReadOnly))
            return;
        before = current.readAll();
        floor = modificationTime(path);
    }

    ScratchFile scratch(path);
    if (!scratch.create(before))
        return;
    QVariantMap intended;
    {
        QSettings settings(scratch.path(), QSettings::IniFormat);
        const Lookup found = lookUp(settings, section, key);
        if (settings.status() == QSettings::AccessError)
            return;
        // Bytes that are not UTF-8 (a hand edit in another code page) read as replacement
        // characters, so the rewrite would lose them: such a file is kept aside as well.
        const bool garbled = settings.status() == QSettings::FormatError ||
                             QString::fromUtf8(before).toUtf8() != before;
        if (garbled && !keepCopyOfGarbledFile(path, before)) {
            return;
        }
        replaceEntry(settings, found, section, key, value);
        for (const QString& name : settings.allKeys())
            intended.insert(name, settings.value(name));
        settings.sync();
    }
    // QSettings writes through QSaveFile and so may report success for a file that a full disk
    // left empty or cut short; what it wrote counts only when it reads back as intended.
    const std::optional<QByteArray> after = scratch.contents();
    if (!after || (existed && *after == before))
        return;
    ScratchFile check(path);
    if (!check.create(*after))
        return;
    const std::optional<QVariantMap> stored = check.entries();
    if (!stored || !holdsAll(*stored, intended, path))
        return;

    // QSettings takes a file whose size and modification time it has seen before as unchanged
    // and uses what it read then; two writes in one clock tick could leave both the same. So
    // every write moves the time strictly past the one it replaced.
    QDateTime stamp = QDateTime::currentDateTime();
    if (floor.isValid() && stamp <= floor)
        stamp = floor.addMSecs(1);
    if (!replaceFile(path, *after, stamp))
        return;
    if (floor.isValid() && modificationTime(path) <= floor)
        advanceModificationTime(path, floor);
}

#endif

}  // namespace zerlin::qt
