#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "app/servers/row_status.h"
#include "platform/qt/click_label.h"
#include "platform/qt/widgets.h"
#include "window_harness.h"

using namespace zerlin;
using namespace zerlin::test;
namespace gui = zerlin::test::gui;

using WindowUnderTest = gui::WindowHarness;

class Form1WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void titleOnLabelAndCaption() {
        WindowUnderTest w;
        w.form.load({});
        auto* title = qobject_cast<QLabel*>(&w.widget("Label1"));
        QCOMPARE(title->text(), QString("Zerlin 2.48"));
        QCOMPARE(w.window.windowTitle(), QString("Zerlin 2.48"));
    }

    void captionsShowDoubledAmpersandsAsOne() {
        WindowUnderTest w;
        auto* caption = qobject_cast<QLabel*>(&w.widget("Label2_1"));
        QCOMPARE(caption->text(), QString("Server IP & port"));
        QCOMPARE(qt::QtLabelBox(*caption).text(), std::string("Server IP && port"));
    }

    void joinRunsOnceForEachWayOfClickingIt_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("at");  // empty: the middle
        QTest::addColumn<bool>("twice");
        QTest::newRow("label click") << "Label4" << QPoint() << false;
        // The label covers the middle and lower part; the top edge of the picture is bare.
        QTest::newRow("picture rim click") << "Image2" << QPoint(34, 2) << false;
        QTest::newRow("picture side rim click") << "Image2" << QPoint(66, 20) << false;
        QTest::newRow("label double-click") << "Label4" << QPoint() << true;
        QTest::newRow("picture double-click") << "Image2" << QPoint(34, 2) << true;
    }

    void joinRunsOnceForEachWayOfClickingIt() {
        QFETCH(QString, name);
        QFETCH(QPoint, at);
        QFETCH(bool, twice);
        WindowUnderTest w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        // What lies at the point must be the widget itself, not one stacked over it.
        QWidget& target = w.widget(name.toLatin1().constData());
        const QPoint point = at.isNull() ? gui::middleOf(target) : at;
        QCOMPARE(w.window.childAt(target.mapTo(&w.window, point)), &target);
        if (twice) {
            gui::doubleClick(target, point);
        } else {
            gui::click(target, point);
        }
        QCOMPARE(w.messages.shown, std::vector<std::string>{"You have to write an IP!"});
    }

    void otherButtonsReachTheirCommands() {
        WindowUnderTest w;
        gui::click(w.widget("Label3"));
        QCOMPARE(w.fileDialog.shown.size(), std::size_t(1));
        QCOMPARE(w.fileDialog.shown[0].first.title, std::string("BF1942.exe path"));
        gui::click(w.widget("Image1"), QPoint(2, 2));
        QCOMPARE(w.fileDialog.shown.size(), std::size_t(2));

        gui::click(w.widget("Label8"));
        gui::click(w.widget("Image7"), QPoint(2, 2));
        QCOMPARE(w.options.opened, 2);

        // A right click is no click.
        gui::click(w.widget("Label8"), QPoint(5, 5), Qt::RightButton);
        QCOMPARE(w.options.opened, 2);
        QVERIFY(w.messages.shown.empty());
    }

    void picturesArePressableButtonsForAssistiveTechnology() {
        WindowUnderTest w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QAccessibleInterface* join = QAccessible::queryAccessibleInterface(&w.widget("Image2"));
        QVERIFY(join);
        QCOMPARE(join->role(), QAccessible::Button);
        QCOMPARE(join->text(QAccessible::Name), QString("JOIN"));
        QVERIFY(join->actionInterface());
        join->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(w.messages.shown, std::vector<std::string>{"You have to write an IP!"});
        // The caption labels stay labels that show their text.
        QAccessibleInterface* caption = QAccessible::queryAccessibleInterface(&w.widget("Label4"));
        QCOMPARE(caption->role(), QAccessible::StaticText);
        QCOMPARE(caption->text(QAccessible::Name), QString("JOIN"));
    }

    void doubleClickAnywhereInTheListPicks_data() {
        QTest::addColumn<bool>("onRow");
        QTest::newRow("on the row") << true;
        QTest::newRow("below the rows") << false;
    }

    void doubleClickAnywhereInTheListPicks() {
        QFETCH(bool, onRow);
        WindowUnderTest w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto* list = qobject_cast<QListWidget*>(&w.widget("List1"));
        w.controls.List1.append("First                              :10.0.0.1:14567");
        w.controls.List1.append("Second                             :10.0.0.2:14568");
        list->setCurrentRow(1);
        const QRect second = list->visualItemRect(list->item(1));
        const QPoint at = onRow ? second.center() : QPoint(20, second.bottom() + 20);
        QVERIFY(at.y() < list->viewport()->height());
        gui::doubleClick(*list->viewport(), at);
        QCOMPARE(w.controls.Text2.text(), std::string("10.0.0.2"));
        QCOMPARE(w.controls.Text3.text(), std::string("14568"));
    }

    void quitEndsTheProgram() {
        WindowUnderTest w;
        gui::click(w.widget("Image3"));
        QVERIFY(w.ended);
    }

    void closingTheWindowEndsTheProgram() {
        // Otherwise it would live on with no window to reach it by.
        WindowUnderTest w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.window.close();
        QVERIFY(w.ended);
    }

    void portBoxTakesFiveTypedCharacters() {
        WindowUnderTest w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto* port = qobject_cast<QLineEdit*>(&w.widget("Text3"));
        port->setFocus();

        QTest::keyClicks(port, "123456");
        QCOMPARE(port->text(), QString("12345"));

        // Typing over a selection replaces it, also at the limit.
        port->setSelection(1, 2);
        QTest::keyClicks(port, "9");
        QCOMPARE(port->text(), QString("1945"));

        // A paste is cut to what fits, keeping the text after the cursor.
        port->setCursorPosition(2);
        QApplication::clipboard()->setText("7777");
        port->paste();
        QCOMPARE(port->text(), QString("19745"));

        port->clear();
        QApplication::clipboard()->setText("1456799999");
        port->paste();
        QCOMPARE(port->text(), QString("14567"));
    }

    void portBoxKeepsALongerTextOfTheProgramEditable() {
        WindowUnderTest w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto* port = qobject_cast<QLineEdit*>(&w.widget("Text3"));
        w.controls.Text3.setText("14567:extra");
        QCOMPARE(w.controls.Text3.text(), std::string("14567:extra"));

        port->setFocus();
        port->end(false);
        QTest::keyClick(port, Qt::Key_Backspace);
        QCOMPARE(port->text(), QString("14567:extr"));
        // No growing again past what it held.
        QTest::keyClicks(port, "ab");
        QCOMPARE(port->text(), QString("14567:extr"));
        // Once down to five, the usual limit holds.
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(port, Qt::Key_Backspace);
        }
        QTest::keyClicks(port, "89");
        QCOMPARE(port->text(), QString("14567"));
    }

    void listCellsLineUpWithThePaintedDivider() {
        WindowUnderTest w;
        auto* list = qobject_cast<QListWidget*>(&w.widget("List1"));
        // Integer metrics would hide a fractional advance that drifts along the row.
        const QFontMetricsF metrics(list->font());
        QCOMPARE(metrics.horizontalAdvance(QString(35, u'M')), 245.0);
        QVERIFY(QFontInfo(list->font()).fixedPitch());

        // The 36th cell, a full block, must begin just right of the divider at x 252..254.
        w.controls.List1.append(std::string(35, ' ') + "\u2588");
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        const QImage shot = w.window.grab().toImage();
        const QRect row = list->visualItemRect(list->item(0))
                              .translated(list->viewport()->mapTo(&w.window, QPoint()));
        int firstLit = -1;
        for (int x = 200; x < 320 && firstLit < 0; ++x) {
            if (qGray(shot.pixel(x, row.center().y())) > 200) {
                firstLit = x;
            }
        }
        QCOMPARE(firstLit, 255);
    }

    // The marks drawn right of a row's text, the hourglass of a row that waits for a slot and
    // the server's status, never cover the text: where the text leaves too little room, less
    // is drawn. Measured as the pixels that change when the marks are set, against the pixels
    // the text lights.
    void marksKeepOffTheRowsText() {
        WindowUnderTest w;
        auto* list = qobject_cast<QListWidget*>(&w.widget("List1"));
        const struct {
            int hostLength;  // the row is 42 characters and the host
            bool waiting;
            bool status;
            bool drawn;
        } cases[] = {
            {8, true, true, true},    // room for the hourglass and the whole status
            {8, true, false, true},   // the hourglass alone
            {8, false, true, true},   // the status alone
            {22, true, true, true},   // room for the hourglass and the status's mark
            {28, true, true, false},  // the text reaches the row's end
            {60, true, true, false},  // and goes past it
        };
        for (const auto& c : cases) {
            std::string name = "Waiting";
            name.resize(35, ' ');
            w.controls.List1.append(name + ":" + std::string(c.hostLength, 'a') + ":14567");
        }
        w.window.setRowPainter(app::paintRowStatus);
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        const QImage plain = list->viewport()->grab().toImage();
        for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
            QListWidgetItem* item = list->item(i);
            if (cases[i].waiting) {
                item->setData(app::Form1Window::WaitingRole, "waiting for a slot");
            }
            if (cases[i].status) {
                item->setData(app::RowStatusKindRole, static_cast<int>(status::Indicator::Up));
                item->setData(app::RowStatusPlayersRole, "23/64");
                item->setData(app::RowStatusPingRole, "48 ms");
            }
        }
        const QImage marked = list->viewport()->grab().toImage();
        const QRgb background = plain.pixel(plain.width() - 1, plain.height() - 1);
        for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
            const QRect row = list->visualItemRect(list->item(i)) & plain.rect();
            int textRight = -1;
            QRect changed;
            for (int y = row.top(); y <= row.bottom(); ++y) {
                for (int x = row.left(); x <= row.right(); ++x) {
                    if (plain.pixel(x, y) != background) {
                        textRight = std::max(textRight, x);
                    }
                    if (plain.pixel(x, y) != marked.pixel(x, y)) {
                        changed |= QRect(x, y, 1, 1);
                    }
                }
            }
            const QString at = QString("row %1: text to x %2, marks at x %3 to %4")
                                   .arg(i)
                                   .arg(textRight)
                                   .arg(changed.left())
                                   .arg(changed.right());
            QVERIFY2(textRight > 0, qPrintable(at));
            QVERIFY2(changed.isEmpty() || changed.left() > textRight, qPrintable(at));
            QVERIFY2(changed.isEmpty() != cases[i].drawn, qPrintable(at));
        }
    }

    void anyButtonOnTheBackgroundMovesTheWindow_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        // The offscreen platform refuses the system move, so the left button moves by hand too.
        QTest::newRow("left") << Qt::LeftButton;
        QTest::newRow("right") << Qt::RightButton;
        QTest::newRow("middle") << Qt::MiddleButton;
    }

    void anyButtonOnTheBackgroundMovesTheWindow() {
        QFETCH(Qt::MouseButton, button);
        WindowUnderTest w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        const QPoint start = w.window.pos();
        // Bare background between the input panel and the list, and the painted headings.
        for (const QPoint at : {QPoint(300, 103), QPoint(40, 115)}) {
            QCOMPARE(w.window.childAt(at), nullptr);
            const QPoint before = w.window.pos();
            gui::press(w.window, button, at);
            gui::sendMouse(w.window, QEvent::MouseMove, Qt::NoButton, button, at + QPoint(40, 25));
            QCOMPARE(w.window.pos(), before + QPoint(40, 25));
            gui::release(w.window, button, at);
            gui::sendMouse(w.window, QEvent::MouseMove, Qt::NoButton, Qt::NoButton,
                           at + QPoint(90, 90));
            QCOMPARE(w.window.pos(), before + QPoint(40, 25));
        }
        QCOMPARE(w.window.pos(), start + QPoint(80, 50));
    }

    void pressesOnControlsNeverMoveTheWindow() {
        WindowUnderTest w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        const QPoint start = w.window.pos();
        for (const char* name :
             {"Label1", "Label2_0", "Label2_2", "Label4", "Image2", "Image3", "Text1", "List1"}) {
            QWidget& control = w.widget(name);
            QWidget& pressed = name == QString("List1")
                                   ? *qobject_cast<QListWidget*>(&control)->viewport()
                                   : control;
            for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
                gui::press(pressed, button, QPoint(3, 3));
                // Moves go to the window: a press that reached it would make it follow.
                gui::sendMouse(w.window, QEvent::MouseMove, Qt::NoButton, button, QPoint(200, 200));
                gui::release(pressed, button, QPoint(3, 3));
                QVERIFY2(w.window.pos() == start, name);
            }
        }
    }

    void gamePathBoxHasTheFocusWhenShown() {
        WindowUnderTest w;
        w.window.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QCOMPARE(w.window.focusWidget(), &w.widget("Text1"));
        // Tab goes on to the IP box, the port box, then the list.
        QWidget* next = w.window.focusWidget();
        for (const char* name : {"Text2", "Text3", "List1"}) {
            do {
                next = next->nextInFocusChain();
            } while (!(next->focusPolicy() & Qt::TabFocus));
            QCOMPARE(next, &w.widget(name));
        }
    }
};

QTEST_MAIN(Form1WindowTest)
#include "form1_window_test.moc"
