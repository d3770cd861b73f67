// The friends editor on a real friends file: what it shows, what OK and Cancel leave on disk,
// and a file that cannot be read.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/friends/friends_dialog.h"
#include "app/friends/friends_editor.h"
#include "doubles/doubles.h"
#include "gui_helpers.h"

namespace {

using namespace zerlin;
using app::FriendsDialog;

class FriendsEditorTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void okWritesTheTextWholeAndCancelNothing() {
        const QString path = dir_.filePath("ok/friends.txt");
        QDir().mkpath(dir_.filePath("ok"));
        write(path, "# my clan\r\n\r\nBob\r\n");
        QString shown;
        whenShown([&](FriendsDialog& dialog) {
            shown = dialog.Text1->toPlainText();
            dialog.Text1->moveCursor(QTextCursor::End);
            QTest::keyClicks(dialog.Text1, "*j");
            dialog.Text1->insertPlainText("ürgen");  // typed keys are ASCII only
            dialog.Text1->insertPlainText("\r\n  ??x  ");
            dialog.accept();
        });
        test::FakeMessageBox messages;
        QVERIFY(app::editFriendsFile(nullptr, path.toStdString(), messages));
        QCOMPARE(shown, QString("# my clan\n\nBob\n"));
        QCOMPARE(read(path), QByteArray("# my clan\n\nBob\n*jürgen\n  ??x  \n"));
        QVERIFY(messages.shown.empty());

        whenShown([](FriendsDialog& dialog) {
            dialog.Text1->clear();
            dialog.reject();
        });
        QVERIFY(!app::editFriendsFile(nullptr, path.toStdString(), messages));
        QCOMPARE(read(path), QByteArray("# my clan\n\nBob\n*jürgen\n  ??x  \n"));
    }

    // Past 1,000 names the editor tells that the rest are not used, and still writes them all.
    // Notes and blank lines do not count.
    void namesPastTheLimitAreToldAndKept() {
        const QString path = dir_.filePath("many/friends.txt");
        QDir().mkpath(dir_.filePath("many"));
        QByteArray text = "# notes\n\n";
        for (int i = 0; i < 1000; ++i) {
            text += "Player" + QByteArray::number(i) + (i % 100 == 0 ? "\n\n# more\n" : "\n");
        }
        write(path, text);
        QStringList notes;
        whenShown([&](FriendsDialog& dialog) {
            notes << (dialog.Label2->isVisibleTo(&dialog) ? dialog.Label2->text() : "");
            dialog.Text1->moveCursor(QTextCursor::End);
            dialog.Text1->insertPlainText("  #not a name\n");
            notes << (dialog.Label2->isVisibleTo(&dialog) ? dialog.Label2->text() : "");
            dialog.Text1->insertPlainText("Last*\n");
            notes << (dialog.Label2->isVisibleTo(&dialog) ? dialog.Label2->text() : "");
            dialog.accept();
        });
        test::FakeMessageBox messages;
        QVERIFY(app::editFriendsFile(nullptr, path.toStdString(), messages));
        const QString told = "Only the first 1,000 names are used.";
        QCOMPARE(notes, QStringList({"", "", told}));
        QCOMPARE(read(path), text + "  #not a name\nLast*\n");
        whenShown([&](FriendsDialog& dialog) {
            notes << (dialog.Label2->isVisibleTo(&dialog) ? dialog.Label2->text() : "");
            dialog.reject();
        });
        QVERIFY(!app::editFriendsFile(nullptr, path.toStdString(), messages));
        QCOMPARE(notes.last(), told);
    }

    void anUnreadableFileIsNotOffered() {
        const QString path = dir_.filePath("folder.txt");
        QVERIFY(QDir().mkpath(path));
        test::FakeMessageBox messages;
        QVERIFY(!app::editFriendsFile(nullptr, path.toStdString(), messages));
        QCOMPARE(messages.shown.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(messages.shown[0])
                    .startsWith("The friends list couldn't be read!\n"));
        QVERIFY(QFileInfo(path).isDir());
    }

  private:
    // Runs the step against the editor once it is up; the step closes it.
    static void whenShown(const std::function<void(FriendsDialog&)>& step) {
        QTimer::singleShot(0, [step] {
            FriendsDialog* dialog = nullptr;
            test::gui::waitFor([&] {
                dialog = qobject_cast<FriendsDialog*>(QApplication::activeModalWidget());
                return dialog != nullptr;
            });
            if (dialog == nullptr) {
                qFatal("the friends editor did not show");
            }
            step(*dialog);
        });
    }

    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }

    QTemporaryDir dir_;
};

}  // namespace

QTEST_MAIN(FriendsEditorTest)
#include "friends_editor_test.moc"
