// The list's server status in the real main window, against stand-in servers that this test
// starts on loopback addresses it finds free: what each row carries for drawing, tooltips and
// assistive technology, F5, and the refresh when bookmarks are opened or added.

#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <fstream>
#include <map>

#include "app/servers/row_status.h"
#include "app/status/status_wiring.h"
#include "app/status_network.h"
#include "doubles/temp_folder.h"
#include "standin_process.h"
#include "window_harness.h"

using RowStatusKind = zerlin::status::Indicator;
using zerlin::app::RowStatusKindRole;

namespace {

// The stand-in servers' addresses by their number in the stand-in's arguments (from 2): each is
// a loopback address the stand-in found free at the game's query port.
std::map<int, std::string> hosts;

std::string at(int server) {
    return hosts[server];
}

std::string row(const std::string& name, const std::string& host) {
    std::string text = name;
    text.resize(35, ' ');
    return text + ":" + host + ":14567";
}

}  // namespace

class StatusListTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        const QStringList bound =
            standIn_.start({"--seconds", "90", "127.*.*.*:23000:one,players=23,max=64,map=wake",
                            "127.*.*.*:23000:one,players=64,max=64,map=berlin,password=1",
                            "127.*.*.*:23000:silent", "127.*.*.*:23000:markup,players=0",
                            "127.*.*.*:23000:full-then-free,after=2", "127.*.*.*:23000:one",
                            "127.*.*.*:23000:one,map=", "127.*.*.*:23000:one,players=5",
                            "127.*.*.*:23000:stale,players=2"});
        int server = 2;
        for (const QString& address : bound) {
            hosts[server++] = zerlin::test::gui::hostOf(address);
        }
        QCOMPARE(hosts.size(), std::size_t{9});
    }

    // F5 asks again and keeps the last result on show until the new one comes. First, while
    // the stand-in, 2 s after its start, has not yet freed a slot.
    void f5AsksAgain() {
        zerlin::test::gui::WindowHarness h;
        h.controls.List1.append(row("Turns free", at(6)));
        zerlin::app::StatusNetwork network(true);
        zerlin::app::StatusWiring wiring(h.window, h.controls.List1, network.service());
        wiring.start();
        QListWidgetItem* item = h.window.List1->item(0);
        QVERIFY(zerlin::test::gui::waitFor([&] { return wiring.idle(); }, 20000));
        QCOMPARE(item->data(RowStatusKindRole).toInt(), static_cast<int>(RowStatusKind::Full));
        QTest::qWait(2100);  // the stand-in frees a slot 2 s after it started answering
        h.window.show();
        h.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        h.window.List1->setFocus();
        QTest::keyClick(h.window.List1, Qt::Key_F5);
        QVERIFY(wiring.service()->busy());
        QCOMPARE(item->data(RowStatusKindRole).toInt(), static_cast<int>(RowStatusKind::Full));
        QVERIFY(zerlin::test::gui::waitFor(
            [&] { return item->data(RowStatusKindRole).toInt() == int(RowStatusKind::Up); },
            20000));
    }

    // Each row keeps its text; its status goes to the item's roles.
    void rowsCarryTheirStatus() {
        zerlin::test::gui::WindowHarness h;
        const struct {
            std::string row;
            RowStatusKind kind;
            QString description;  // ", \d+ ms" stands for the ping
            QString inTooltip;    // shown literally by the tooltip
            QString friends;      // the tooltip's second line names them
        } cases[] = {
            {row("Up", at(2)), RowStatusKind::Up, "23/64 players, wake, \\d+ ms", "wake",
             "Player1, Player22"},
            {row("Full", at(3)), RowStatusKind::Full, "64/64 players, berlin, \\d+ ms, password",
             "berlin", "Player1, Player22"},
            {row("Silent", at(4)), RowStatusKind::NoAnswer, "no answer", "no answer", ""},
            {row("Markup", at(5)), RowStatusKind::Up, "0/64 players, Wake, \\d+ ms",
             "<b>Bold</b> <img src=\"x\"> &amp;", ""},
            {row("No map", at(8)), RowStatusKind::Up, "3/64 players, \\d+ ms", "3/64", "Player1"},
            // Players listed past the count (Gone2 to Gone4) have left: no friends of theirs.
            {row("Stale", at(10)), RowStatusKind::Up, "2/64 players, Wake, \\d+ ms", "2/64",
             "Player1"},
            {"Junk                               ://" + at(2) + ":14567", RowStatusKind::NoAnswer,
             "no answer", "no answer", ""},
        };
        for (const auto& c : cases) {
            h.controls.List1.append(c.row);
        }
        zerlin::app::StatusNetwork network(true);
        zerlin::app::StatusWiring wiring(h.window, h.controls.List1, network.service());
        // Friends among the players on the server, never among those who left it.
        const auto friends =
            zerlin::friends::FriendPatterns::fromText("PLAYER1\n  player22\ngone*\n");
        wiring.setFriends([&] { return &friends; });
        QListWidget& list = *h.window.List1;
        QVERIFY(list.item(0)->data(RowStatusKindRole).isNull());  // nothing before start()
        wiring.start();
        QCOMPARE(list.item(0)->data(Qt::AccessibleDescriptionRole).toString(), "asking");
        QVERIFY(zerlin::test::gui::waitFor([&] { return wiring.idle(); }, 20000));
        h.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window));
        for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
            const auto& c = cases[i];
            QListWidgetItem* item = list.item(i);
            QCOMPARE(item->text().toStdString(), c.row);
            QCOMPARE(item->data(RowStatusKindRole).toInt(), static_cast<int>(c.kind));
            const QString description = item->data(Qt::AccessibleDescriptionRole).toString();
            QVERIFY2(QRegularExpression("^" + c.description + "$").match(description).hasMatch(),
                     qPrintable(description));
            QTextDocument shown;
            // Made when it is about to be shown, not kept with the row.
            QVERIFY(item->data(Qt::ToolTipRole).isNull());
            shown.setHtml(
                zerlin::test::gui::toolTipAt(*list.viewport(), list.visualItemRect(item).center()));
            QVERIFY2(shown.toPlainText().contains(c.inTooltip), qPrintable(shown.toPlainText()));
            const QStringList lines = shown.toPlainText().split('\n');
            QCOMPARE(lines.size() > 1 && lines[1].startsWith("Friends playing: ") ? lines[1].mid(17)
                                                                                  : QString(),
                     c.friends);
            // A server that does not answer names no friend.
            if (c.kind == RowStatusKind::NoAnswer) {
                QVERIFY(!shown.toPlainText().contains("Friends"));
            }
        }
        // Cut to fit the screen, however large the font, the tip keeps the friends: they come
        // right after the server's name.
        const QFont font = QToolTip::font();
        for (const int pixels : {12, 20, 30}) {
            QFont large = font;
            large.setPixelSize(pixels);
            QToolTip::setFont(large);
            QTextDocument tip;
            tip.setHtml(zerlin::test::gui::toolTipAt(*list.viewport(),
                                                     list.visualItemRect(list.item(0)).center()));
            const QStringList lines = tip.toPlainText().split('\n');
            QVERIFY2(lines.size() > 2 && lines[1] == "Friends playing: Player1, Player22",
                     qPrintable(tip.toPlainText()));
            if (pixels == 30) {
                QCOMPARE(lines.last(), QString::fromUtf8("\u2026"));  // it was cut
            }
        }
        QToolTip::setFont(font);
        QCOMPARE(list.item(1)->data(zerlin::app::RowStatusPlayersRole).toString(), "64/64");
        QVERIFY(list.item(1)->data(zerlin::app::RowStatusPasswordRole).toBool());

        // The server in the boxes, not a bookmark, is asked once the boxes settle.
        h.window.Text2->setText(QString::fromStdString(at(9)));
        h.window.Text3->setText("14567");
        QVERIFY(zerlin::test::gui::waitFor(
            [&] {
                return zerlin::test::gui::toolTipAt(*h.window.Text2, {5, 5}).contains("5/64");
            },
            20000));
    }

    // ADD and OPEN fill the list: the new rows are asked; a deleted row's server is forgotten.
    void addAndOpenAsk() {
        zerlin::test::gui::WindowHarness h;
        zerlin::app::StatusNetwork network(true);
        zerlin::app::StatusWiring wiring(h.window, h.controls.List1, network.service());
        wiring.start();
        QListWidget& list = *h.window.List1;
        h.window.Text2->setText(QString::fromStdString(at(7)));
        h.window.Text3->setText("14567");
        h.input.answers.push_back("Added");
        h.form.add();
        QCOMPARE(list.count(), 1);
        QVERIFY(zerlin::test::gui::waitFor(
            [&] { return list.item(0)->data(RowStatusKindRole).toInt() == int(RowStatusKind::Up); },
            20000));

        zerlin::test::TempFolder folder;
        const auto file = folder.path() / "list.sbk";
        std::ofstream(file, std::ios::binary) << row("Opened up", at(2)) << "\r\n"
                                              << row("Opened full", at(3)) << "\r\n";
        h.fileDialog.answers.push_back(file.string());
        h.form.open();
        QCOMPARE(list.count(), 2);
        QVERIFY(zerlin::test::gui::waitFor(
            [&] {
                return list.item(0)->data(RowStatusKindRole).toInt() == int(RowStatusKind::Up) &&
                       list.item(1)->data(RowStatusKindRole).toInt() == int(RowStatusKind::Full);
            },
            20000));
        // The boxes still name server 7, no longer a bookmark: it stays known, for their tooltip.
        QVERIFY(wiring.service()->state({at(7), "14567"}).ended);

        list.setCurrentRow(0);
        h.form.remove();
        QTest::qWait(50);
        QVERIFY(!wiring.service()->state({at(2), "14567"}).ended);
        QVERIFY(wiring.service()->state({at(3), "14567"}).ended);
    }

  private:
    zerlin::test::gui::StandinProcess standIn_{ZERLIN_STATUS_STANDIN};
};

QTEST_MAIN(StatusListTest)
#include "status_list_test.moc"
