#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>
#include <cstdio>
#include <memory>
#include <string>

#include "gui/config_folder.h"
#include "gui/file_helpers.h"
#include "settings/ini_file_settings.h"

using zerlin::IniFileSettings;
using zerlin::test::gui::contents;
using zerlin::test::gui::putFile;

namespace {

const char* const kWriterMode = "--settings-writer";
const char* const kEchoMode = "--settings-echo";

std::string counterText(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d", n);
    return buffer;
}

// One of two running copies: writes keys of its own and one counter whose section and key
// spelling change from write to write, reading the counter back each time.
int runWriter(const QString& name, int count) {
    IniFileSettings store(IniFileSettings::filePath("zerlin"));
    const std::string own = name.toStdString();
    const std::string sections[] = {"Options", "OPTIONS", "options"};
    const std::string counters[] = {own + "_count",
                                    QString::fromStdString(own).toUpper().toStdString() + "_COUNT",
                                    own + "_Count"};
    for (int i = 0; i < count; ++i) {
        store.write("Options", own + "Key" + std::to_string(i), std::to_string(i));
        store.write(sections[i % 3], counters[i % 3], counterText(i));
        if (store.read(sections[(i + 1) % 3], counters[(i + 2) % 3]) != counterText(i)) {
            std::fprintf(stderr, "%s read back a stale counter at %d\n", own.c_str(), i);
            return 1;
        }
    }
    return 0;
}

// Writes "Options"/"Port" with each line it is given and answers "ok" once it is stored.
int runEcho() {
    IniFileSettings store(IniFileSettings::filePath("zerlin"));
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        std::string value(line);
        while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
            value.pop_back();
        store.write("Options", "Port", value);
        std::fputs("ok\n", stdout);
        std::fflush(stdout);
    }
    return 0;
}

// How many lines of an INI text name `name` as a key (or, in brackets, as a section), whatever
// the letter case.
int linesNaming(const QByteArray& ini, const QString& name, bool section = false) {
    const QString pattern = section ? QStringLiteral("^\\[%1\\]\\s*$") : QStringLiteral("^%1\\s*=");
    const QRegularExpression expression(
        pattern.arg(QRegularExpression::escape(name)),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    int count = 0;
    for (auto it = expression.globalMatch(QString::fromUtf8(ini)); it.hasNext(); it.next())
        ++count;
    return count;
}

}  // namespace

class SettingsBackendTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        config_ = std::make_unique<zerlin::test::gui::ConfigFolder>();
        QVERIFY(config_->isValid());
        store_ = std::make_unique<IniFileSettings>(IniFileSettings::filePath("zerlin"));
        file_ = config_->filePath(QStringLiteral("zerlin/settings.ini"));
        QCOMPARE(QString::fromStdString(store_->path()), file_);
    }

    void cleanup() {
        if (!mounted_.isEmpty())
            QProcess::execute(QStringLiteral("umount"), {mounted_});
        mounted_.clear();
    }

    void freshStoreReadsEmpty() {
        QCOMPARE(store_->read("Options", "SaveIP"), std::string());
        QCOMPARE(store_->read("Sti", "Sti"), std::string());
        QCOMPARE(store_->read("", ""), std::string());
        QVERIFY(!QFile::exists(file_));
    }

    void namesMatchWithoutCase_data() {
        QTest::addColumn<QString>("writtenSection");
        QTest::addColumn<QString>("writtenKey");
        QTest::addColumn<QString>("readSection");
        QTest::addColumn<QString>("readKey");
        QTest::newRow("game path") << "Sti"
                                   << "Sti"
                                   << "sti"
                                   << "sti";
        QTest::newRow("port") << "Options"
                              << "port"
                              << "Options"
                              << "Port";
        QTest::newRow("join's flag") << "Options"
                                     << "SaveIP"
                                     << "OPtions"
                                     << "SaveIP";
        QTest::newRow("all other case") << "options"
                                        << "close"
                                        << "OPTIONS"
                                        << "CLOSE";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Ämter") << QString::fromUtf8("Größe")
                                   << QString::fromUtf8("ÄMTER") << QString::fromUtf8("GRößE");
    }

    void namesMatchWithoutCase() {
        QFETCH(QString, writtenSection);
        QFETCH(QString, writtenKey);
        QFETCH(QString, readSection);
        QFETCH(QString, readKey);
        store_->write(writtenSection.toStdString(), writtenKey.toStdString(), "first");
        QCOMPARE(store_->read(readSection.toStdString(), readKey.toStdString()), "first");
        // A write under the other spelling replaces the entry instead of adding a second one,
        // and the file keeps the caller's first spelling.
        store_->write(readSection.toStdString(), readKey.toStdString(), "second");
        QCOMPARE(store_->read(writtenSection.toStdString(), writtenKey.toStdString()), "second");
        QSettings file(file_, QSettings::IniFormat);
        QCOMPARE(file.childGroups(), QStringList{writtenSection});
        QCOMPARE(file.value(writtenSection + '/' + writtenKey).toString(),
                 QStringLiteral("second"));
        file.beginGroup(writtenSection);
        QCOMPARE(file.childKeys(), QStringList{writtenKey});
    }

    void handEditedFileMatchesWithoutCase() {
        QVERIFY(putFile(file_,
                        "[OPTIONS]\nSAVEIP=yes\nport=14567\n\n[sti]\nsti=/games/BF1942.exe\n"
                        "[options]\nPort=16567\n"));
        QCOMPARE(store_->read("Options", "SaveIP"), "yes");
        QCOMPARE(store_->read("Sti", "Sti"), "/games/BF1942.exe");
        // Two spellings of one entry written by hand: the store picks one and keeps to it.
        const std::string port = store_->read("Options", "Port");
        QVERIFY(port == "14567" || port == "16567");
        QCOMPARE(store_->read("options", "PORT"), port);

        store_->write("Options", "saveip", "no");
        store_->write("Options", "Port", "1");
        store_->write("Options", "Close", "yes");
        const QByteArray ini = contents(file_);
        QCOMPARE(linesNaming(ini, "SaveIP"), 1);
        QCOMPARE(linesNaming(ini, "Port"), 2);  // the one read changes, the other stays
        QCOMPARE(linesNaming(ini, "Close"), 1);
        QVERIFY2(ini.contains("SAVEIP=no"), ini.constData());
        QCOMPARE(store_->read("OPtions", "SaveIP"), "no");
        QCOMPARE(store_->read("Options", "port"), "1");
        QCOMPARE(store_->read("options", "close"), "yes");
        QCOMPARE(store_->read("STI", "STI"), "/games/BF1942.exe");
    }

    void valuesComeBackExactly() {
        const std::string values[] = {
            "",
            "  leading and trailing  ",
            " ",
            "a=b",
            "x;comment",
            ";starts",
            "a,b",
            "a, b ,c",
            "\"quoted\"",
            "'single'",
            "back\\slash\\",
            "C:\\Games\\EA GAMES\\Battlefield 1942\\BF1942.exe",
            "/home/user/my bookmarks #1.sbk",
            "Zoë Ærøskøbing 日本語",
            "@leading at",
            "@Invalid()",
            "@ByteArray(x)",
            "[not a section]",
            "tab\there",
            "two\nlines",
            "%41%20",
            "No bookmark selected",
        };
        int n = 0;
        for (const std::string& value : values)
            store_->write("Options", "v" + std::to_string(n++), value);
        // Every value survives the rewrites of the file that the later writes caused.
        n = 0;
        for (const std::string& value : values) {
            QCOMPARE(store_->read("Options", "v" + std::to_string(n++)), value);
        }
        IniFileSettings another(IniFileSettings::filePath("zerlin"));
        QCOMPARE(another.read("options", "V13"), "Zoë Ærøskøbing 日本語");
    }

    void handWrittenValueWithCommasIsOneText() {
        QVERIFY(putFile(file_, "[Options]\nBook=/home/me/a,b.sbk\n"));
        QCOMPARE(store_->read("Options", "Book"), "/home/me/a,b.sbk");
    }

    void filePathFollowsXdgRules_data() {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unset") << false << QString() << "HOME/.config/zerlin/settings.ini";
        QTest::newRow("empty") << true << QString() << "HOME/.config/zerlin/settings.ini";
        QTest::newRow("relative") << true << "cfg"
                                  << "HOME/.config/zerlin/settings.ini";
        QTest::newRow("absolute") << true << "HOME/cfg"
                                  << "HOME/cfg/zerlin/settings.ini";
        QTest::newRow("trailing slash") << true << "HOME/cfg/"
                                        << "HOME/cfg/zerlin/settings.ini";
    }

    void filePathFollowsXdgRules() {
        QFETCH(bool, set);
        QFETCH(QString, xdg);
        QFETCH(QString, expected);
        const QByteArray oldHome = qgetenv("HOME");
        const QString home = config_->path();
        qputenv("HOME", home.toLocal8Bit());
        if (set) {
            qputenv("XDG_CONFIG_HOME", xdg.replace("HOME", home).toLocal8Bit());
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
        IniFileSettings store(IniFileSettings::filePath("zerlin"));
        store.write("Sti", "Sti", "/games/BF1942.exe");
        qputenv("HOME", oldHome);
        expected.replace("HOME", home);
        QCOMPARE(QString::fromStdString(store.path()), expected);
        QVERIFY(contents(expected).contains("/games/BF1942.exe"));
        // Another application name is another store.
        QCOMPARE(QString::fromStdString(IniFileSettings::filePath("zerlin2")).section('/', -2),
                 "zerlin2/settings.ini");
    }

    void unusableStoreNeitherFailsNorBlocks_data() {
        QTest::addColumn<QString>("setUp");
        QTest::newRow("folder is a file") << "folder-file";
        QTest::newRow("config home below a file") << "home-below-file";
        QTest::newRow("file is a folder") << "file-folder";
        QTest::newRow("file is a pipe") << "file-pipe";
    }

    void unusableStoreNeitherFailsNorBlocks() {
        QFETCH(QString, setUp);
        const QString folder = QFileInfo(file_).absolutePath();
        if (setUp == "folder-file") {
            QVERIFY(putFile(folder, "not a folder"));
        } else if (setUp == "home-below-file") {
            QVERIFY(putFile(config_->filePath("plain"), "x"));
            qputenv("XDG_CONFIG_HOME", config_->filePath("plain/config").toLocal8Bit());
            store_ = std::make_unique<IniFileSettings>(IniFileSettings::filePath("zerlin"));
        } else if (setUp == "file-folder") {
            QVERIFY(QDir().mkpath(file_));
        } else {
            QVERIFY(QDir().mkpath(folder));
            QCOMPARE(::mkfifo(QFile::encodeName(file_).constData(), 0600), 0);
        }
        QElapsedTimer clock;
        clock.start();
        store_->write("Options", "SaveIP", "yes");
        QCOMPARE(store_->read("Options", "SaveIP"), std::string());
        QVERIFY2(clock.elapsed() < 2000, "an unusable store must not make the program wait");
        QVERIFY(!QFileInfo(file_).isFile());
    }

    void fullDiskKeepsEarlierValues() {
        const QString folder = QFileInfo(file_).absolutePath();
        QVERIFY(QDir().mkpath(folder));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}) != 0) {
            QSKIP("cannot mount a small file system here");
        }
        mounted_ = folder;
        store_->write("Options", "IP", "10.0.0.1");
        QCOMPARE(store_->read("Options", "IP"), "10.0.0.1");
        putFile(folder + "/filler", QByteArray(1024 * 1024, 'x'));  // as much as fits
        QElapsedTimer clock;
        clock.start();
        store_->write("Options", "Book", std::string(8 * 1024, 'b'));
        store_->write("Options", "IP", "10.0.0.2" + std::string(8 * 1024, ' '));
        QVERIFY(clock.elapsed() < 2000);
        // The failed writes are lost, and nothing else.
        QCOMPARE(store_->read("Options", "IP"), "10.0.0.1");
        QCOMPARE(store_->read("Options", "Book"), std::string());
        QFile::remove(folder + "/filler");
        store_->write("Options", "Port", "14567");
        QCOMPARE(store_->read("Options", "port"), "14567");
        QCOMPARE(store_->read("Options", "IP"), "10.0.0.1");
    }

    void garbledFileIsKeptBeforeReplaced() {
        const QByteArray garbled = "[Options]\nSaveIP=yes\nthis line is not an entry\nClose=yes\n";
        QVERIFY(putFile(file_, garbled));
        // What parsed is read, and reading alone leaves the file as it is.
        QCOMPARE(store_->read("Options", "Close"), "yes");
        QCOMPARE(contents(file_), garbled);

        store_->write("Options", "IP", "10.0.0.1");
        QCOMPARE(contents(file_ + ".corrupt"), garbled);
        QCOMPARE(store_->read("Options", "SaveIP"), "yes");
        QCOMPARE(store_->read("Options", "Close"), "yes");
        QCOMPARE(store_->read("Options", "IP"), "10.0.0.1");

        // A second garbled file does not overwrite the first copy; the same bytes again are not
        // copied twice.
        const QByteArray second = "[Options\nIP=10.0.0.9\n";
        for (int round = 0; round < 2; ++round) {
            QVERIFY(putFile(file_, second));
            store_->write("Options", "Port", "14567");
        }
        QCOMPARE(contents(file_ + ".corrupt"), garbled);
        QCOMPARE(contents(file_ + ".corrupt.1"), second);
        QVERIFY(!QFile::exists(file_ + ".corrupt.2"));
        QCOMPARE(store_->read("Options", "IP"), "10.0.0.9");
        QCOMPARE(store_->read("Options", "Port"), "14567");

        // A clean file is not copied.
        store_->write("Options", "Port", "16567");
        QVERIFY(!QFile::exists(file_ + ".corrupt.2"));
    }

    // What another running copy writes is seen at once, even a value of the same length written
    // within the same clock tick (a small file system in memory shows that best).
    void readSeesOtherCopysWrite() {
        useFastFolder();
        QProcess echo;
        echo.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        echo.start(QCoreApplication::applicationFilePath(), {kEchoMode});
        QVERIFY(echo.waitForStarted());
        for (int i = 0; i < 200; ++i) {
            store_->write("Options", "port", counterText(2 * i));
            QCOMPARE(store_->read("Options", "port"), counterText(2 * i));
            echo.write((counterText(2 * i + 1) + "\n").c_str());
            while (!echo.canReadLine())
                QVERIFY(echo.waitForReadyRead(5000));
            QCOMPARE(echo.readLine(), QByteArray("ok\n"));
            QCOMPARE(store_->read("Options", "PORT"), counterText(2 * i + 1));
        }
        echo.closeWriteChannel();
        QVERIFY(echo.waitForFinished(5000));
        QCOMPARE(linesNaming(contents(file_), "port"), 1);
    }

    void twoRunningCopiesLoseNothing() {
        useFastFolder();
        const int count = 300;
        QProcess first;
        QProcess second;
        for (auto [process, name] : {std::pair{&first, "alpha"}, std::pair{&second, "beta"}}) {
            process->setProcessEnvironment(QProcessEnvironment::systemEnvironment());
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->start(QCoreApplication::applicationFilePath(),
                           {kWriterMode, name, QString::number(count)});
        }
        for (QProcess* process : {&first, &second}) {
            QVERIFY(process->waitForFinished(90000));
            QCOMPARE(process->exitStatus(), QProcess::NormalExit);
            QCOMPARE(process->exitCode(), 0);
        }
        const QByteArray ini = contents(file_);
        QCOMPARE(linesNaming(ini, "Options", true), 1);
        for (const std::string name : {"alpha", "beta"}) {
            for (int i = 0; i < count; ++i) {
                QCOMPARE(store_->read("Options", name + "Key" + std::to_string(i)),
                         std::to_string(i));
            }
            QCOMPARE(store_->read("Options", name + "_count"), counterText(count - 1));
            QCOMPARE(linesNaming(ini, QString::fromStdString(name) + "_count"), 1);
        }
    }

  private:
    // Prefers a file system in memory, where writes are fast enough to share a clock tick.
    void useFastFolder() {
        if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
            config_ = std::make_unique<zerlin::test::gui::ConfigFolder>(
                QStringLiteral("/dev/shm/zerlin-XXXXXX"));
            QVERIFY(config_->isValid());
            store_ = std::make_unique<IniFileSettings>(IniFileSettings::filePath("zerlin"));
            file_ = QString::fromStdString(store_->path());
        }
    }

    std::unique_ptr<zerlin::test::gui::ConfigFolder> config_;
    std::unique_ptr<IniFileSettings> store_;
    QString file_;
    QString mounted_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc >= 4 && qstrcmp(argv[1], kWriterMode) == 0) {
        return runWriter(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    if (argc >= 2 && qstrcmp(argv[1], kEchoMode) == 0)
        return runEcho();
    SettingsBackendTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "settings_backend_test.moc"
