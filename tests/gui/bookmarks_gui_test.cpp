#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "platform/qt/click_label.h"
#include "platform/qt/dialogs.h"
#include "window_harness.h"

using namespace zerlin;
using namespace zerlin::qt;

namespace {

// Types text as key presses, letters beyond ASCII too (which QTest::keyClicks refuses).
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// What the name dialog showed when it was answered.
struct SeenDialog {
    bool seen = false;
    QString title, label, startText;
};

// Answers the next modal text-input dialog, once it is up, by typing text into it and pressing
// OK, or by pressing Cancel when text is null.
void answerNameDialog(SeenDialog& seen, const QString& text) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen, text] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        seen.title = dialog->windowTitle();
        seen.label = dialog->labelText();
        auto* edit = dialog->findChild<QLineEdit*>();
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QPushButton* button = buttons ? buttons->button(text.isNull() ? QDialogButtonBox::Cancel
                                                                      : QDialogButtonBox::Ok)
                                      : nullptr;
        if (!edit || !button) {
            // Not the dialog expected: close it, so that the test fails instead of hanging.
            dialog->reject();
            return;
        }
        seen.seen = true;
        seen.startText = edit->text();
        if (!text.isNull()) {
            typeText(edit, text);
        }
        QTest::mouseClick(button, Qt::LeftButton);
    });
    poll->start(20);
}

// A real double-click: an item view acts on the press before it, as with a real mouse.
void doubleClick(QWidget* viewport, QPoint at) {
    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
}

}  // namespace

class BookmarksGuiTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        w_ = std::make_unique<test::gui::BasicWindowHarness<QtTextInput>>();
        w_->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w_->window));
    }

    void cleanup() { w_.reset(); }

    void addsThroughTheNameDialogAndPicksByDoubleClick() {
        app::Form1Window& w = w_->window;
        QTest::keyClicks(w.Text2, "10.0.0.1");
        QTest::keyClicks(w.Text3, "80");

        SeenDialog seen;
        const QString name = QString::fromUtf8("a:b \xD0\x96");
        answerNameDialog(seen, name);
        QTest::mouseClick(w.Label5, Qt::LeftButton);  // the caption "ADD"
        QVERIFY(seen.seen);
        QCOMPARE(seen.title, applicationTitle());
        QCOMPARE(seen.label, QStringLiteral("The name of the server?"));
        QCOMPARE(seen.startText, QString());

        QCOMPARE(w.List1->count(), 1);
        QCOMPARE(w.List1->item(0)->text(), name + QString(30, u' ') + ":10.0.0.1:80");
        QVERIFY(w.List1->selectedItems().isEmpty());
        QCOMPARE(w.Text2->text(), QStringLiteral("10.0.0.1"));
        QCOMPARE(w.Text3->text(), QStringLiteral("80"));

        // Cancel adds nothing; the picture takes the click as its caption does.
        SeenDialog cancelled;
        answerNameDialog(cancelled, QString());
        QTest::mouseClick(w.Image4, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(cancelled.seen);
        QCOMPARE(w.List1->count(), 1);
        QVERIFY(w_->messages.shown.empty());

        w.Text2->clear();
        w.Text3->clear();
        const QRect row = w.List1->visualItemRect(w.List1->item(0));
        doubleClick(w.List1->viewport(), row.center());
        QCOMPARE(w.Text2->text(), QStringLiteral("10.0.0.1"));
        QCOMPARE(w.Text3->text(), QStringLiteral("80"));
    }

    void deleteLeavesNoSelectionAndPickWorksOnEmptySpace() {
        app::Form1Window& w = w_->window;
        for (const char* row : {"first:1.1.1.1:11111", "second:2.2.2.2:22222"}) {
            w.List1->addItem(QString::fromLatin1(row));
        }
        const QRect first = w.List1->visualItemRect(w.List1->item(0));
        QTest::mouseClick(w.List1->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(w_->controls.List1.selected(), std::optional<int>(0));

        QTest::mouseClick(w.Label9, Qt::LeftButton);  // the caption "DELETE"
        QCOMPARE(w.List1->count(), 1);
        QCOMPARE(w.List1->item(0)->text(), QStringLiteral("second:2.2.2.2:22222"));
        QVERIFY(w.List1->selectedItems().isEmpty());

        // A second DELETE finds nothing selected and keeps the row.
        QTest::mouseClick(w.Label9, Qt::LeftButton);
        QCOMPARE(w.List1->count(), 1);

        // Below the last row nothing is selected: the port box takes the empty text and the
        // IP box keeps its own.
        w.Text2->setText("kept");
        w.Text3->setText("12345");
        const QPoint empty(20, w.List1->viewport()->height() - 5);
        QVERIFY(!w.List1->itemAt(empty));
        doubleClick(w.List1->viewport(), empty);
        QCOMPARE(w.Text2->text(), QStringLiteral("kept"));
        QCOMPARE(w.Text3->text(), QString());
        QVERIFY(w_->messages.shown.empty());
    }

  private:
    std::unique_ptr<test::gui::BasicWindowHarness<QtTextInput>> w_;
};

QTEST_MAIN(BookmarksGuiTest)
#include "bookmarks_gui_test.moc"
