// Settings files the fuzz target in fuzz/ found faults with, kept as plain cases.

#include <QCoreApplication>
#include <QFile>
#include <QtTest>
#include <memory>
#include <string>

#include "gui/config_folder.h"
#include "settings/ini_file_settings.h"

using zerlin::IniFileSettings;

namespace {

// The bytes of a literal, NUL bytes in it included.
template <std::size_t N>
QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

}  // namespace

class SettingsFuzzFoundTest : public QObject {
    Q_OBJECT

  private slots:
    // A hand-edited file with a line that QSettings reads in a way it cannot write back made
    // the store refuse every later write, silently: the game path or last server was never
    // kept again.
    void oddLinesDoNotRefuseLaterWrites_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("keptKey");
        QTest::addColumn<QString>("keptText");
        QTest::newRow("list with a control character")
            << bytes(
                   "[ip,ions]\n\xf7\xf7"
                   "a=\x1ct\x00p,2,3\n[Options]\nClose=yes\n")
            << QStringLiteral("Close") << QStringLiteral("yes");
        QTest::newRow("garbled key that moves to another section")
            << bytes(
                   " \\yes\"=[\xa0 >\xc3\xa9 ;\xff#\"=[\xa0 T\x01P O\x00IONS]\x8c\n"
                   "[Options]\nClose=yes\n")
            << QStringLiteral("Close") << QStringLiteral("yes");
        QTest::newRow("key ending in a slash")
            << QByteArray("[Options]\nClose=yes\n[Sti]\nSKi/=/games/bf/BF1942.exe\n")
            << QStringLiteral("Close") << QStringLiteral("yes");
    }

    void oddLinesDoNotRefuseLaterWrites() {
        QFETCH(QByteArray, file);
        QFETCH(QString, keptKey);
        QFETCH(QString, keptText);
        zerlin::test::gui::ConfigFolder config;
        QVERIFY(config.isValid());
        IniFileSettings store(IniFileSettings::filePath("zerlin"));
        QVERIFY(QDir().mkpath(config.filePath(QStringLiteral("zerlin"))));
        {
            QFile out(QString::fromStdString(store.path()));
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(out.write(file), file.size());
        }
        const std::string kept = keptText.toStdString();
        QCOMPARE(store.read("Options", keptKey.toStdString()), kept);

        store.write("Sti", "Sti", "/games/bf1942/BF1942.exe");
        store.write("Options", "IP", "10.0.0.1");
        QCOMPARE(store.read("sti", "sti"), std::string("/games/bf1942/BF1942.exe"));
        QCOMPARE(store.read("Options", "IP"), std::string("10.0.0.1"));
        QCOMPARE(store.read("Options", keptKey.toStdString()), kept);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SettingsFuzzFoundTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "settings_fuzz_found_test.moc"
