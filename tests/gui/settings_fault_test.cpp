// The settings store when its file or folder is damaged: nothing that could be read is lost,
// a file that could not be parsed is kept before it is rewritten, and the store goes on
// working without making the program wait.

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QtTest>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/config_folder.h"
#include "gui/file_helpers.h"
#include "settings/ini_file_settings.h"

using zerlin::IniFileSettings;
using zerlin::test::gui::contents;
using zerlin::test::gui::putFile;

namespace {

using Values = std::map<std::pair<std::string, std::string>, std::string>;

// Every entry the program uses, spelled as its callers read them.
const std::vector<std::pair<std::string, std::string>> kKeys = {
    {"sti", "sti"},          {"Options", "SaveIP"}, {"Options", "IP"},   {"Options", "Port"},
    {"Options", "AutoJoin"}, {"Options", "Close"},  {"Options", "Book"},
};

Values readAll(IniFileSettings& store) {
    Values values;
    for (const auto& key : kKeys)
        values[key] = store.read(key.first, key.second);
    return values;
}

// The same bytes at every run, so that a failure can be repeated.
QByteArray junk(int size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random.bounded(256));
    return bytes;
}

const QByteArray kFile =
    "[Options]\n"
    "AutoJoin=yes\n"
    "Book=/home/me/servers.sbk\n"
    "Close=no\n"
    "IP=10.0.0.1\n"
    "SaveIP=yes\n"
    "port=14567\n"
    "\n"
    "[Sti]\n"
    "Sti=/games/BF1942/BF1942.exe\n";

}  // namespace

class SettingsFaultTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        config_ = std::make_unique<zerlin::test::gui::ConfigFolder>();
        QVERIFY(config_->isValid());
        store_ = std::make_unique<IniFileSettings>(IniFileSettings::filePath("zerlin"));
        file_ = QString::fromStdString(store_->path());
        folder_ = QFileInfo(file_).absolutePath();
        QVERIFY(QDir().mkpath(folder_));
    }

    void cleanup() {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {folder_});
        mounted_ = false;
        ::chmod(QFile::encodeName(folder_).constData(), 0755);
        store_.reset();
        config_.reset();
    }

    // A folder that takes no file: every write fails at once, every value stays readable, and
    // once the folder can be written again the store works as before.
    void unwritableFolderLosesNothing() {
        const bool root = ::geteuid() == 0;
        if (root) {
            // Root writes anywhere: only a read-only file system refuses it.
            if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", folder_}) !=
                0)
                QSKIP("cannot mount a file system here");
            mounted_ = true;
        }
        QVERIFY(putFile(file_, kFile));
        const Values before = readAll(*store_);
        QCOMPARE(before.at({"Options", "Port"}), "14567");
        const QStringList names = QDir(folder_).entryList(QDir::AllEntries | QDir::Hidden);
        if (root)
            QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", folder_}), 0);
        else
            QCOMPARE(::chmod(QFile::encodeName(folder_).constData(), 0555), 0);
        QVERIFY2(!QFile(folder_ + "/probe").open(QIODevice::WriteOnly), "the folder is writable");

        QElapsedTimer clock;
        clock.start();
        for (const auto& key : kKeys)
            store_->write(key.first, key.second, "changed");
        store_->write("Options", "New", "value");
        QVERIFY2(clock.elapsed() < 3000, "an unwritable folder must not make the program wait");
        QCOMPARE(readAll(*store_), before);
        QCOMPARE(store_->read("Options", "New"), std::string());
        QCOMPARE(QDir(folder_).entryList(QDir::AllEntries | QDir::Hidden), names);
        QCOMPARE(contents(file_), kFile);

        if (root)
            QCOMPARE(QProcess::execute("mount", {"-o", "remount,rw", folder_}), 0);
        else
            QCOMPARE(::chmod(QFile::encodeName(folder_).constData(), 0755), 0);
        store_->write("Options", "New", "value");
        QCOMPARE(store_->read("Options", "New"), "value");
        QCOMPARE(readAll(*store_), before);
    }

    void damagedFileKeepsWhatParses_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("garbled");  // holds text that is no entry: must be kept aside
        // Cut short at every byte, as by a crash or a full disk while another program wrote it.
        for (qsizetype size = 0; size < kFile.size(); ++size) {
            const QByteArray cut = kFile.left(size);
            const QByteArray last = cut.mid(cut.lastIndexOf('\n') + 1);
            const bool header = last.startsWith('[') && last.endsWith(']');
            QTest::addRow("cut at %d", int(size))
                << cut << (!last.isEmpty() && !last.contains('=') && !header);
        }
        const qsizetype middle = kFile.indexOf("IP=");
        QTest::newRow("NUL bytes in a value")
            << QByteArray("[Options]\nIP=10.0\0.0.1\nport=14567\n", 34) << false;
        QTest::newRow("a line of NUL bytes")
            << kFile.left(middle) + QByteArray(8, '\0') + "\n" + kFile.mid(middle) << true;
        QTest::newRow("binary junk at the end") << kFile + junk(512, 1) << true;
        QTest::newRow("binary junk at the start") << junk(512, 2) + "\n" + kFile << true;
        QTest::newRow("binary junk in the middle")
            << kFile.left(middle) + junk(512, 3) + "\n" + kFile.mid(middle) << true;
        QTest::newRow("nothing but junk") << junk(4096, 4) << true;
        QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        QTest::newRow("saved as UTF-16") << QByteArray(utf16(QString::fromUtf8(kFile))) << true;
        QTest::newRow("a value in another code page")
            << QByteArray("[Options]\nBook=/home/M\xfcller/servers.sbk\nIP=10.0.0.1\n") << true;
    }

    // What parses before a write still reads the same after it; a garbled file is copied
    // beside itself first, byte for byte; and the write itself is kept.
    void damagedFileKeepsWhatParses() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, garbled);
        QVERIFY(putFile(file_, bytes));
        QElapsedTimer clock;
        clock.start();
        const Values before = readAll(*store_);
        QCOMPARE(contents(file_), bytes);  // reading changes nothing
        store_->write("Options", "Extra", "written");
        store_->write("Options", "Extra2", "also written");
        QVERIFY(clock.elapsed() < 3000);

        QCOMPARE(readAll(*store_), before);
        QCOMPARE(store_->read("Options", "Extra"), "written");
        QCOMPARE(store_->read("Options", "Extra2"), "also written");
        const QStringList copies =
            QDir(folder_).entryList({"settings.ini.corrupt*"}, QDir::Files | QDir::Hidden);
        bool kept = false;
        for (const QString& copy : copies)
            kept = kept || contents(folder_ + "/" + copy) == bytes;
        if (garbled)
            QVERIFY2(kept, "the garbled file was rewritten without a copy");
        for (const QString& copy : copies)
            QCOMPARE(contents(folder_ + "/" + copy), bytes);  // only ever the file as it was
        // Nothing else is left beside the file.
        QStringList others =
            QDir(folder_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString& copy : copies)
            others.removeAll(copy);
        QCOMPARE(others, QStringList{"settings.ini"});
    }

  private:
    std::unique_ptr<zerlin::test::gui::ConfigFolder> config_;
    std::unique_ptr<IniFileSettings> store_;
    QString file_, folder_;
    bool mounted_ = false;
};

QTEST_GUILESS_MAIN(SettingsFaultTest)

#include "settings_fault_test.moc"
