// The settings store reading a garbled settings.ini: any bytes as the file never crash, every
// read returns, and a write after it keeps a copy of a file that did not parse and then reads
// back what was written, leaving nothing else behind.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "platform/qt/qt_settings_backend.h"

namespace {

std::unique_ptr<QTemporaryDir> home;
int counter = 0;

struct Name {
    const char* section;
    const char* key;
};
// The names the program uses, in the letter cases its callers write them.
constexpr Name kNames[] = {{"sti", "sti"},        {"Sti", "Sti"},          {"Options", "IP"},
                           {"Options", "Port"},   {"Options", "port"},     {"Options", "SaveIP"},
                           {"OPtions", "SaveIP"}, {"Options", "AutoJoin"}, {"Options", "Close"},
                           {"Options", "Book"},   {"options", "book"}};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    home = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                           QStringLiteral("/zerlin-fuzz-settings-XXXXXX"));
    if (!home->isValid()) {
        std::abort();
    }
    qputenv("XDG_CONFIG_HOME", home->path().toLocal8Bit());
    return 0;
}

// Input: 0xFF, a byte choosing the name and the value written, 0xFF, the file's bytes; or just
// the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    std::string fileBytes(reinterpret_cast<const char*>(data), size);
    std::string value = "yes";
    std::size_t choice = 0;
    if (size >= 2 && data[0] == 0xFF) {
        const std::vector<std::string> input = fuzz::fields(data + 1, size - 1, '\xFF', 3);
        choice = input[0].empty() ? 0 : static_cast<unsigned char>(input[0][0]);
        value = input[1];
        fileBytes = input[2];
    }
    const Name& name = kNames[choice % kNameCount];

    // A fresh application name every time: QSettings caches what it read of a file by path.
    const QString application = QStringLiteral("z%1").arg(++counter);
    const QString folder = home->path() + QLatin1Char('/') + application;
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/settings.ini");
    {
        QFile file(path);
        ZERLIN_FUZZ_REQUIRE(file.open(QIODevice::WriteOnly));
        ZERLIN_FUZZ_REQUIRE(file.write(fileBytes.data(), static_cast<qint64>(fileBytes.size())) ==
                            static_cast<qint64>(fileBytes.size()));
    }
    bool parsed = false;
    {
        QSettings probe(path, QSettings::IniFormat);
        (void)probe.allKeys();
        parsed = probe.status() == QSettings::NoError;
    }

    qt::QtSettingsBackend store(application);
    ZERLIN_FUZZ_REQUIRE(store.location() == path);
    std::string before[kNameCount];
    for (std::size_t i = 0; i < kNameCount; ++i) {
        before[i] = store.read(kNames[i].section, kNames[i].key);
    }

    store.write(name.section, name.key, value);
    const std::string expected = QString::fromStdString(value).toStdString();
    const std::string stored = store.read(name.section, name.key);
    if (stored != expected) {
        std::fprintf(stderr, "wrote [%s] [%s] = %s, read %s\n", name.section, name.key,
                     QByteArray::fromStdString(expected).toPercentEncoding().constData(),
                     QByteArray::fromStdString(stored).toPercentEncoding().constData());
    }
    ZERLIN_FUZZ_REQUIRE(stored == expected);
    // What parsed of the other names is kept.
    for (std::size_t i = 0; i < kNameCount; ++i) {
        if (QString::fromLatin1(kNames[i].section)
                    .compare(QLatin1String(name.section), Qt::CaseInsensitive) != 0 ||
            QString::fromLatin1(kNames[i].key)
                    .compare(QLatin1String(name.key), Qt::CaseInsensitive) != 0) {
            ZERLIN_FUZZ_REQUIRE(store.read(kNames[i].section, kNames[i].key) == before[i]);
        }
    }

    // A file that did not parse is kept, byte for byte, before its first rewrite.
    const QDir dir(folder);
    QStringList left = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    // (QSettings may also call garbled a file that it read without complaint before.)
    QFile copy(path + QStringLiteral(".corrupt"));
    if (!parsed || copy.exists()) {
        ZERLIN_FUZZ_REQUIRE(copy.open(QIODevice::ReadOnly));
        ZERLIN_FUZZ_REQUIRE(copy.readAll() == QByteArray::fromStdString(fileBytes));
        left.removeAll(QStringLiteral("settings.ini.corrupt"));
    }
    left.removeAll(QStringLiteral("settings.ini"));
    if (!left.isEmpty()) {
        std::fprintf(stderr, "left behind: %s\n", qPrintable(left.join(QLatin1Char(' '))));
    }
    ZERLIN_FUZZ_REQUIRE(left.isEmpty());

    QDir(folder).removeRecursively();
    return 0;
}
