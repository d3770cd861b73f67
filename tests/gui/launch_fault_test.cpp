// The join through the real launcher, with a stand-in `wine` on PATH: what goes wrong around
// the interpreter is reported or survived, and no script is left behind.

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <string>

#include "doubles/form1_harness.h"
#include "gui/file_helpers.h"
#include "mainwindow/launch_rules.h"
#include "platform/qt/qt_launcher.h"
#include "wine/wine_choice.h"

using namespace zerlin;
using namespace zerlin::test;
using zerlin::test::gui::contents;
using zerlin::test::gui::putFile;

namespace {

// The main window's core with doubles for its controls and dialogs, and the real launcher.
struct RealLaunch : BasicForm1Harness<qt::QtLauncher> {
    RealLaunch() {
        launcher.setCommand(wine::wineCommand({}));
        Text2.setText("10.0.0.1");
        Text3.setText("14567");
    }
};

// Waits as long as the file "delay" beside it says, then copies the script it was given (a
// bare name in its working folder, or a path on Wine's drive Z:) to a file named after its
// own process, as the interpreter reads it; records its arguments and working folder.
const char* const kStandIn = R"sh(#!/bin/sh
dir=$(dirname "$0")/../record
sleep "$(cat "$dir/delay" 2>/dev/null || echo 0)"
printf '%s\n' "$@" >"$dir/args.$$"
pwd >"$dir/pwd.$$"
script=$3
case $script in Z:*) script=$(printf '%s' "${script#Z:}" | tr '\\' '/') ;; esac
cat "$script" >"$dir/read.$$" 2>/dev/null || rm -f "$dir/read.$$"
touch "$dir/done.$$"
)sh";

QStringList namesIn(const QString& folder, const QString& pattern = QStringLiteral("*")) {
    return QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray expectedScript(const std::string& ip, const std::string& port) {
    return QByteArray::fromStdString(launch::scriptBytes(ip, port));
}

}  // namespace

class LaunchFaultTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        root_ = std::make_unique<QTemporaryDir>();
        QVERIFY(root_->isValid());
        for (const char* folder : {"game", "bin", "record", "temp", "empty"})
            QVERIFY(QDir(root_->path()).mkpath(folder));
        game_ = root_->filePath("game");
        record_ = root_->filePath("record");
        temp_ = root_->filePath("temp");
        QVERIFY(putFile(game_ + "/BF1942.exe", "not the game"));
        QVERIFY(putFile(root_->filePath("bin/wine"), kStandIn, true));
        oldPath_ = qgetenv("PATH");
        oldTemp_ = qgetenv("TMPDIR");
        hadTemp_ = qEnvironmentVariableIsSet("TMPDIR");
        qputenv("PATH", (root_->filePath("bin") + ":").toLocal8Bit() + oldPath_);
        qputenv("TMPDIR", temp_.toLocal8Bit());
        launch_ = std::make_unique<RealLaunch>();
        launch_->Text1.setText((game_ + "/BF1942.exe").toStdString());
    }

    void cleanup() {
        launch_.reset();
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {game_});
        mounted_ = false;
        ::chmod(QFile::encodeName(game_).constData(), 0755);
        qputenv("PATH", oldPath_);
        if (hadTemp_)
            qputenv("TMPDIR", oldTemp_);
        else
            qunsetenv("TMPDIR");
        root_.reset();
    }

    // An interpreter that cannot be had is reported; the script goes at once, nothing waits
    // for a tick, and the next join, with the interpreter back, works.
    void interpreterThatCannotStartIsReported_data() {
        QTest::addColumn<QByteArray>("wine");  // what bin/wine becomes; empty: none on PATH
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QString>("setting");  // the settings' [Wine] Path=
        QTest::addColumn<QString>("message");
        const QString noWine = "Wine wasn't found. Install Wine with 32-bit support";
        QTest::newRow("no wine on PATH") << QByteArray() << false << QString() << noWine;
        QTest::newRow("wine not executable")
            << QByteArray(kStandIn) << false << QString() << noWine;
        QTest::newRow("wine that cannot be run") << QByteArray("#!/nonexistent/interpreter\n")
                                                 << true << QString() << "couldn't be started";
        // The user's choice is not replaced by the wine on PATH.
        QTest::newRow("settings name no wine")
            << QByteArray() << false << "/nonexistent/wine"
            << "The Wine chosen in the settings isn't a program: /nonexistent/wine\nWrite the "
               "full path of a wine program after Path= under [Wine] in /test/settings.ini";
    }

    void interpreterThatCannotStartIsReported() {
        QFETCH(QByteArray, wine);
        QFETCH(bool, executable);
        QFETCH(QString, setting);
        QFETCH(QString, message);
        const QByteArray path = qgetenv("PATH");
        const QString wineFile = root_->filePath("empty/wine");
        if (!wine.isEmpty())
            QVERIFY(putFile(wineFile, wine, executable));
        if (!executable && wine.size() > 0 && ::access(QFile::encodeName(wineFile), X_OK) == 0)
            QSKIP("root may run any file here");
        qputenv("PATH", root_->filePath("empty").toLocal8Bit());

        RealLaunch& l = *launch_;
        std::string chosenWine = setting.toStdString();
        l.launcher.setCommand(
            wine::wineCommand({[&chosenWine] { return chosenWine; }, "/test/settings.ini"}));
        if (!setting.isEmpty())  // the right wine on PATH is not taken instead
            qputenv("PATH", path);
        l.settings.preset("Options", "SaveIP", "yes");
        l.form.join();
        QCOMPARE(l.messages.shown.size(), std::size_t{1});
        const QString shown = QString::fromStdString(l.messages.shown[0]);
        QVERIFY2(shown.startsWith("The game couldn't be started!\n"), qPrintable(shown));
        QVERIFY2(shown.contains(message), qPrintable(shown));
        QCOMPARE(namesIn(game_), QStringList{"BF1942.exe"});
        QCOMPARE(namesIn(temp_), QStringList{});
        QVERIFY(!l.Timer1.isActive());
        QCOMPARE(l.settings.read("Options", "IP"), "10.0.0.1");  // what was saved stays saved

        qputenv("PATH", path);
        chosenWine.clear();
        l.messages.shown.clear();
        l.form.join();
        QVERIFY(l.messages.shown.empty());
        QVERIFY(l.Timer1.isActive());
        l.form.tick();
        QVERIFY(QTest::qWaitFor([&] { return namesIn(record_, "done.*").size() == 1; }, 10000));
        QCOMPARE(contents(record_ + "/" + namesIn(record_, "read.*").value(0)),
                 expectedScript("10.0.0.1", "14567"));
        QVERIFY(QTest::qWaitFor([&] { return namesIn(game_) == QStringList{"BF1942.exe"}; }));
    }

    // JOIN clicked many times in a row, with an interpreter that takes seconds to read: one
    // script in the game's folder, rewritten by each join; the tick does not take it from the
    // interpreters still starting; one of them reads the last join's script whole, and once it
    // did, the script is gone.
    void manyJoinsInARowLeaveOneScriptUntilItIsRead() {
        QVERIFY(putFile(record_ + "/delay", "2"));
        RealLaunch& l = *launch_;
        const int joins = 20;
        for (int i = 0; i < joins; ++i) {
            l.Text3.setText(std::to_string(14500 + i));
            l.form.join();
        }
        QVERIFY(l.messages.shown.empty());
        QCOMPARE(namesIn(game_), (QStringList{"BF1942.exe", "run.bat"}));
        QCOMPARE(namesIn(temp_), QStringList{});
        // Not opened here: any reading of it counts as the interpreter's.
        const QByteArray last = expectedScript("10.0.0.1", std::to_string(14500 + joins - 1));

        l.form.tick();
        QVERIFY(!l.Timer1.isActive());
        QVERIFY2(QFile::exists(game_ + "/run.bat"), "deleted before any interpreter read it");

        QVERIFY(QTest::qWaitFor([&] { return namesIn(record_, "done.*").size() == joins; }, 60000));
        QVERIFY(QTest::qWaitFor([&] { return !QFile::exists(game_ + "/run.bat"); }, 10000));
        bool lastRead = false;
        for (const QString& read : namesIn(record_, "read.*")) {
            // Whatever an interpreter read is one whole script.
            const QByteArray bytes = contents(record_ + "/" + read);
            lastRead = lastRead || bytes == last;
            QVERIFY2(bytes.startsWith("BF1942.exe +restart 1 +joinServer 10.0.0.1:145") &&
                         bytes.endsWith(" +isInternet 1\r\nexit\r\n"),
                     bytes.constData());
        }
        QVERIFY2(lastRead, "no interpreter read the last join's script");
        QCOMPARE(namesIn(game_), QStringList{"BF1942.exe"});
        QCOMPARE(namesIn(temp_), QStringList{});
    }

    // Two launchers (as two running copies) joining two servers through one game folder, the
    // first one's clean-up tick past before the second joins, with interpreters that take
    // seconds to read: each reads its own launcher's script, and each script goes once read.
    void twoLaunchersJoinTheirOwnServers() {
        QVERIFY(putFile(record_ + "/delay", "2"));
        RealLaunch& first = *launch_;
        RealLaunch second;
        second.Text1.setText(first.Text1.text());
        second.Text3.setText("16567");
        first.form.join();
        first.form.tick();
        second.form.join();
        second.form.tick();
        QVERIFY(first.messages.shown.empty() && second.messages.shown.empty());
        QCOMPARE(namesIn(game_), (QStringList{"BF1942.exe", "run-2.bat", "run.bat"}));

        QVERIFY(QTest::qWaitFor([&] { return namesIn(record_, "done.*").size() == 2; }, 20000));
        QList<QByteArray> read;  // the script named, then what the interpreter read
        for (const QString& name : namesIn(record_, "args.*")) {
            const QString pid = name.mid(5);
            read << contents(record_ + "/" + name).split('\n').value(2) + " " +
                        contents(record_ + "/read." + pid);
        }
        std::sort(read.begin(), read.end());
        QCOMPARE(read, (QList<QByteArray>{"run-2.bat " + expectedScript("10.0.0.1", "16567"),
                                          "run.bat " + expectedScript("10.0.0.1", "14567")}));
        QVERIFY(QTest::qWaitFor([&] { return namesIn(game_) == QStringList{"BF1942.exe"}; }));
    }

    // A game folder that takes no file: each join's script goes into the temporary folder
    // under a name of its own, the interpreter runs it from there in the game's folder, and
    // each is deleted once read.
    void unwritableGameFolderRunsScriptsFromTheTemporaryFolder() {
        if (::geteuid() == 0) {
            // Root writes anywhere: only a read-only file system refuses it.
            if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", game_}) != 0)
                QSKIP("cannot mount a file system here");
            mounted_ = true;
            QVERIFY(putFile(game_ + "/BF1942.exe", "not the game"));
            QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", game_}), 0);
        } else {
            QCOMPARE(::chmod(QFile::encodeName(game_).constData(), 0555), 0);
        }
        QVERIFY2(!QFile(game_ + "/probe").open(QIODevice::WriteOnly), "the folder is writable");

        QVERIFY(putFile(record_ + "/delay", "1"));
        RealLaunch& l = *launch_;
        l.form.join();
        l.Text3.setText("16567");
        l.form.join();
        QVERIFY(l.messages.shown.empty());
        const QStringList scripts = namesIn(temp_);
        QCOMPARE(scripts.size(), 2);
        for (const QString& script : scripts)
            QVERIFY2(script.startsWith("zerlin-run-") && script.endsWith(".bat"),
                     qPrintable(script));
        l.form.tick();
        QCOMPARE(namesIn(temp_), scripts);  // not read yet

        QVERIFY(QTest::qWaitFor([&] { return namesIn(record_, "done.*").size() == 2; }, 20000));
        QList<QByteArray> read;
        for (const QString& name : namesIn(record_, "read.*"))
            read << contents(record_ + "/" + name);
        std::sort(read.begin(), read.end());
        QCOMPARE(read, (QList<QByteArray>{expectedScript("10.0.0.1", "14567"),
                                          expectedScript("10.0.0.1", "16567")}));
        for (const QString& name : namesIn(record_, "pwd.*"))
            QCOMPARE(contents(record_ + "/" + name), (game_ + "\n").toLocal8Bit());
        for (const QString& name : namesIn(record_, "args.*")) {
            const QList<QByteArray> args = contents(record_ + "/" + name).split('\n');
            QVERIFY2(args.size() >= 3 && args[2].startsWith("Z:\\") && args[2].endsWith(".bat"),
                     contents(record_ + "/" + name).constData());
        }
        QVERIFY(QTest::qWaitFor([&] { return namesIn(temp_).isEmpty(); }, 10000));
        QCOMPARE(namesIn(game_), QStringList{"BF1942.exe"});
    }

  private:
    std::unique_ptr<QTemporaryDir> root_;
    std::unique_ptr<RealLaunch> launch_;
    QString game_, record_, temp_;
    QByteArray oldPath_, oldTemp_;
    bool hadTemp_ = false;
    bool mounted_ = false;
};

QTEST_GUILESS_MAIN(LaunchFaultTest)

#include "launch_fault_test.moc"
