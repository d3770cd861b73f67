#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui_helpers.h"
#include "platform/qt/dialogs.h"

using namespace zerlin;
namespace gui = zerlin::test::gui;

namespace {

// Runs the check against the modal dialog once it is up; the check closes it.
template <typename Dialog>
void whenShown(const std::function<void(Dialog&)>& check) {
    QTimer::singleShot(0, [check] {
        Dialog* dialog = nullptr;
        gui::waitFor([&] {
            dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            return dialog != nullptr;
        });
        if (!dialog) {
            qFatal("the dialog did not show");
        }
        check(*dialog);
    });
}

void touch(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qFatal("cannot create %s", qPrintable(path));
    }
}

}  // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void messageBoxHasTheTitleAndOneOkButton() {
        QStringList seen;
        whenShown<QMessageBox>([&](QMessageBox& box) {
            seen << box.windowTitle() << box.text() << QString::number(box.buttons().size());
            box.button(QMessageBox::Ok)->click();
        });
        qt::QtMessageBox().show("No valid port entered");
        QCOMPARE(seen, QStringList({"Zerlin", "No valid port entered", "1"}));
    }

    void textInputGivesTheTypedTextOrNothing_data() {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");
        QTest::newRow("OK") << true << "Wake Island & co";
        QTest::newRow("Cancel") << false << "";
    }

    void textInputGivesTheTypedTextOrNothing() {
        QFETCH(bool, ok);
        QFETCH(QString, expected);
        QString title, fieldAtStart;
        whenShown<QInputDialog>([&](QInputDialog& dialog) {
            title = dialog.windowTitle();
            auto* field = dialog.findChild<QLineEdit*>();
            fieldAtStart = field->text();
            QTest::keyClicks(field, "Wake Island & co");
            ok ? dialog.accept() : dialog.reject();
        });
        const std::string answer = qt::QtTextInput().ask("Name of the server?");
        QCOMPARE(title, QString("Zerlin"));
        QCOMPARE(fieldAtStart, QString());
        QCOMPARE(QString::fromStdString(answer), expected);
    }

    void fileDialogShowsTheStateAndFiltersWhateverTheLetterCase() {
        QTemporaryDir folder;
        for (const char* name : {"BF1942.EXE", "bf1942.exe", "Other.Exe", "readme.txt"}) {
            touch(folder.filePath(name));
        }
        FileDialogState state{"BF1942.exe |bf1942.exe|Applications (*.exe)|*.exe|",
                              "BF1942.exe path", folder.filePath("BF1942.EXE").toStdString()};
        QStringList filterNames;
        QStringList shownPerFilter;
        QString title;
        bool opening = false;
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            title = dialog.windowTitle();
            opening = dialog.acceptMode() == QFileDialog::AcceptOpen;
            auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
            auto* view = dialog.findChild<QListView*>("listView");
            for (int i = 0; i < types->count(); ++i) {
                filterNames << types->itemText(i);
                dialog.selectNameFilter(dialog.nameFilters().at(i));
                QStringList names;
                gui::waitFor([&] {
                    names.clear();
                    const QModelIndex root = view->rootIndex();
                    for (int row = 0; row < view->model()->rowCount(root); ++row) {
                        names << view->model()->index(row, 0, root).data().toString();
                    }
                    // The model filters as it goes: wait for the files this filter lets through.
                    return names.size() == 2 + i;
                });
                names.sort();
                shownPerFilter << names.join(',');
            }
            QMetaObject::invokeMethod(&dialog, "accept");
        });
        QVERIFY(qt::QtFileDialog().show(state, FileDialogMode::Open));
        QCOMPARE(title, QString("BF1942.exe path"));
        QVERIFY(opening);
        // The user sees the descriptions as given; the patterns ignore letter case.
        QCOMPARE(filterNames, QStringList({"BF1942.exe", "Applications (*.exe)"}));
        QCOMPARE(shownPerFilter,
                 QStringList({"BF1942.EXE,bf1942.exe", "BF1942.EXE,Other.Exe,bf1942.exe"}));
        // The preselected file is the answer when the user accepts it as it is.
        QCOMPARE(QString::fromStdString(state.fileName), folder.filePath("BF1942.EXE"));
    }

    void fileDialogForSavingAndCancelling() {
        QTemporaryDir folder;
        FileDialogState state{"Bookmark file (*.sbk) |*.sbk|", "",
                              folder.filePath("servers.sbk").toStdString()};
        bool saving = false;
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            saving = dialog.acceptMode() == QFileDialog::AcceptSave &&
                     !dialog.testOption(QFileDialog::DontConfirmOverwrite);
            dialog.reject();
        });
        QVERIFY(!qt::QtFileDialog().show(state, FileDialogMode::Save));
        QVERIFY(saving);
        QCOMPARE(QString::fromStdString(state.fileName), folder.filePath("servers.sbk"));
    }
};

QTEST_MAIN(QtDialogsTest)
#include "qt_dialogs_test.moc"
