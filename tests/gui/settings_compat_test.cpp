// Settings files written by earlier versions, through QSettings, read the same in the store that
// keeps hand edits: every value the program wrote comes back as it was written, but for the
// rare value with a backslash, quote or control character and nothing that made QSettings quote
// it, which now reads as the file shows it.

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <string>

#include "settings/ini_file_settings.h"

using namespace Qt::StringLiterals;

class SettingsCompatTest : public QObject {
    Q_OBJECT

  private slots:
    void valuesWrittenByQSettingsReadTheSame_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("read");  // what the store reads: the value, but where noted
        const auto same = [](const char* row, const QString& section, const QString& key,
                             const QString& value) {
            QTest::newRow(row) << section << key << value << value;
        };
        same("game path", "Sti", "Sti", "/games/Battlefield 1942/BF1942.exe");
        same("flag", "Options", "SaveIP", "yes");
        same("server", "Options", "IP", "10.0.0.1");
        same("empty", "Options", "Book", "");
        same("comma, quoted", "Options", "Book", "/home/me/a,b.sbk");
        same("semicolon, quoted", "Sti", "Sti", "/games/Battlefield 1942; GOTY/BF1942.exe");
        same("equals sign, quoted", "Options", "Book", "/home/a=b.sbk");
        same("blanks at the ends, quoted", "Options", "IP", "  10.0.0.1 ");
        same("quotes and backslash inside quotes", "Options", "Book", "a;\"b\"\\c");
        same("line break with a comma", "Options", "Book", "a,\nb\t\x01");
        same("at sign", "Options", "Book", "@home");
        same("NUL character", "Options", "Book",
             QString::fromUtf8("a\0"
                               "1",
                               3));
        same("non-ASCII", "Options", "Book", "/home/Zoë/日本語.sbk");
        same("non-ASCII names", "Ämter", "Größe", "1");
        same("a section named General", "General", "x", "1");
        QTest::newRow("backslash, unquoted") << "Sti"
                                             << "Sti"
                                             << "C:\\Games\\BF1942.exe"
                                             << "C:\\\\Games\\\\BF1942.exe";
        QTest::newRow("quote, unquoted") << "Options"
                                         << "Book"
                                         << "my \"list\".sbk"
                                         << "my \\\"list\\\".sbk";
        QTest::newRow("tab, unquoted") << "Options"
                                       << "Book"
                                       << "a\tb"
                                       << "a\\tb";
    }

    void valuesWrittenByQSettingsReadTheSame() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, read);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"settings.ini"_s);
        {
            QSettings earlier(path, QSettings::IniFormat);
            earlier.setValue(u"Options/Close"_s, u"yes"_s);
            earlier.setValue(section + u'/' + key, value);
            earlier.setValue(u"Sti/Other"_s, u"/x"_s);
        }
        zerlin::IniFileSettings store(path.toStdString());
        QCOMPARE(QString::fromStdString(store.read(section.toStdString(), key.toStdString())),
                 read);
        QCOMPARE(store.read("options", "close"), std::string("yes"));
        QCOMPARE(store.read("sti", "other"), std::string("/x"));
        // A write keeps it as read, and QSettings still reads the rest.
        store.write("Options", "Port", "14567");
        QCOMPARE(QString::fromStdString(store.read(section.toStdString(), key.toStdString())),
                 read);
        QSettings later(path, QSettings::IniFormat);
        QCOMPARE(later.value(u"Options/Port"_s).toString(), u"14567"_s);
        QCOMPARE(later.value(u"Sti/Other"_s).toString(), u"/x"_s);
    }
};

QTEST_GUILESS_MAIN(SettingsCompatTest)

#include "settings_compat_test.moc"
