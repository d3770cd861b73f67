#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QtTest>
#include <memory>

#include "app/app.h"
#include "app/options/form2_window.h"
#include "app/settings_store.h"
#include "doubles/doubles.h"
#include "gui/config_folder.h"
#include "gui/gui_helpers.h"
#include "platform/qt/click_label.h"
#include "settings/ini_file_settings.h"

using zerlin::IniFileSettings;
using zerlin::app::OptionsWindowOpener;
using zerlin::test::FakeTextBox;

namespace {

// A check box takes a click on its indicator, at its left end, whatever its caption's width.
QPoint indicator(const QCheckBox* box) {
    return QPoint(6, box->height() / 2);
}

}  // namespace

class OptionsGuiTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init() {
        // A fresh store for each test: a new application name is a new settings file.
        name_ = QStringLiteral("zerlin-options-%1").arg(++run_);
        settings_ =
            std::make_unique<IniFileSettings>(IniFileSettings::filePath(name_.toStdString()));
        opener_ = std::make_unique<OptionsWindowOpener>(*settings_, text4_);
    }

    void cleanup() {
        opener_.reset();
        settings_.reset();
    }

    void nothingIsBuiltBeforeTheFirstOpen() {
        QVERIFY(opener_->window() == nullptr);
        QVERIFY(optionsWindow() == nullptr);
        opener_->open();
        QVERIFY(opener_->window() != nullptr);
        QVERIFY(window().isVisible());
    }

    void windowIsAFixedToolWindowAsDesigned() {
        opener_->open();
        QWidget& w = window();
        QCOMPARE(w.windowTitle(), QStringLiteral("Options"));
        QVERIFY(w.parentWidget() == nullptr);
        QVERIFY(!w.isModal());
        const Qt::WindowFlags flags = w.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.minimumSize(), QSize(312, 213));
        QCOMPARE(w.maximumSize(), QSize(312, 213));
        QCOMPARE(w.palette().color(QPalette::Window), QColor(42, 43, 37));

        const struct {
            const char* name;
            QString caption;
            QRect geometry;
        } switches[] = {
            {"Check1", "Lauch BF1942 directly after a click on a IE link", {8, 8, 297, 17}},
            {"Check3", "Save IP && port from server last visited", {8, 24, 297, 17}},
            {"Check4", "Close Zerlin after a join click", {8, 40, 297, 17}},
            {"Check5", "Auto open bookmarks ()", {8, 56, 297, 17}},
        };
        for (const auto& s : switches) {
            QCheckBox* box = check(s.name);
            QCOMPARE(box->text(), s.caption);
            QCOMPARE(box->geometry(), s.geometry);
            QCOMPARE(box->palette().color(QPalette::WindowText), QColor(Qt::white));
            QVERIFY(!box->isChecked());
        }
        QVERIFY(w.findChild<QCheckBox*>(QStringLiteral("Check2")) == nullptr);

        QPlainTextEdit* credits = text1();
        QCOMPARE(credits->geometry(), QRect(0, 136, 313, 81));
        QCOMPARE(credits->palette().color(QPalette::Text), QColor(192, 192, 192));
        QCOMPARE(credits->palette().color(QPalette::Base), QColor(42, 43, 37));
        QCOMPARE(credits->document()->blockCount(), 2);
    }

    void focusStartsOnTheCreditsAndTabsThroughTheSwitches() {
        opener_->open();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(text1()));
        for (const char* name : {"Check1", "Check3", "Check4", "Check5"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(check(name)));
        }
        // The text typed into the credits stays there and never moves the focus.
        QCOMPARE(text1()->toPlainText().count(QLatin1Char('\t')), 0);
    }

    void clicksAndTheSpaceBarWriteTheSettingsAtOnce() {
        text4_.setText("No bookmark selected");
        opener_->open();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));

        QTest::mouseClick(check("Check1"), Qt::LeftButton, {}, indicator(check("Check1")));
        QVERIFY(check("Check1")->isChecked());
        QCOMPARE(stored("AutoJoin"), QStringLiteral("yes"));

        check("Check3")->setFocus();
        QTest::keyClick(check("Check3"), Qt::Key_Space);
        QVERIFY(check("Check3")->isChecked());
        QCOMPARE(stored("SaveIP"), QStringLiteral("yes"));

        QTest::mouseClick(check("Check4"), Qt::LeftButton, {}, indicator(check("Check4")));
        QTest::mouseClick(check("Check4"), Qt::LeftButton, {}, indicator(check("Check4")));
        QCOMPARE(stored("Close"), QStringLiteral("no"));

        // Before any Open the main window's current bookmark file is its initial text.
        QTest::mouseClick(check("Check5"), Qt::LeftButton, {}, indicator(check("Check5")));
        QCOMPARE(stored("Book"), QStringLiteral("No bookmark selected"));
        text4_.setText("/home/player/clan.sbk");
        check("Check5")->setFocus();
        QTest::keyClick(check("Check5"), Qt::Key_Space);
        QCOMPARE(stored("Book"), QString());
        QTest::keyClick(check("Check5"), Qt::Key_Space);
        QCOMPARE(stored("Book"), QStringLiteral("/home/player/clan.sbk"));
        QCOMPARE(check("Check5")->text(), QStringLiteral("Auto open bookmarks ()"));
    }

    void loadShowsTheStoredStateWithoutWriting() {
        settings_->write("Options", "Close", "yes");
        settings_->write("Options", "SaveIP", "Yes");
        settings_->write("Options", "Book", "/srv/list.sbk");
        opener_->open();
        QVERIFY(check("Check4")->isChecked());
        QVERIFY(!check("Check3")->isChecked());
        QVERIFY(!check("Check1")->isChecked());
        QVERIFY(check("Check5")->isChecked());
        QCOMPARE(check("Check5")->text(), QStringLiteral("Auto open bookmarks (/srv/list.sbk)"));
        // The load's own changes to the switches must not have run their writes.
        QCOMPARE(stored("SaveIP"), QStringLiteral("Yes"));
        QCOMPARE(stored("AutoJoin"), QString());
        QCOMPARE(stored("Book"), QStringLiteral("/srv/list.sbk"));
    }

    void openWhileOpenOnlyRaisesAndClosingOnlyHides() {
        opener_->open();
        QPointer<QWidget> first = &window();
        settings_->write("Options", "Close", "yes");
        opener_->open();
        QCOMPARE(&window(), first.data());
        QVERIFY(!check("Check4")->isChecked());

        first->close();
        QVERIFY(!first.isNull());
        QVERIFY(!first->isVisible());

        settings_->write("Options", "Book", "/b.sbk");
        opener_->open();
        QCOMPARE(&window(), first.data());
        QVERIFY(first->isVisible());
        QVERIFY(check("Check4")->isChecked());
        QCOMPARE(check("Check5")->text(), QStringLiteral("Auto open bookmarks (/b.sbk)"));
        QVERIFY(QTest::qWaitForWindowActive(first));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(text1()));
    }

    void optionsButtonOfTheRunningAppShowsOneWindow() {
        zerlin::app::App app;
        app.run({});
        QWidget* before = optionsWindow();
        QVERIFY(before == nullptr);

        zerlin::test::gui::click(*app.window().Label8);
        QWidget* options = optionsWindow();
        QVERIFY(options != nullptr);
        QVERIFY(options->isVisible());
        zerlin::test::gui::click(*app.window().Image7);
        QCOMPARE(optionsWindow(), options);

        // The switch stores the main window's own current bookmark file.
        app.form().Text4.setText("/home/player/clan.sbk");
        auto* check5 = options->findChild<QCheckBox*>(QStringLiteral("Check5"));
        QTest::mouseClick(check5, Qt::LeftButton, {}, indicator(check5));
        IniFileSettings reader(
            IniFileSettings::filePath(zerlin::app::applicationName().toStdString()));
        QCOMPARE(reader.read("Options", "Book"), std::string("/home/player/clan.sbk"));
    }

  private:
    // The one options window among the top-level widgets, or nullptr when there is none.
    static QWidget* optionsWindow() {
        QWidget* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("Form2")) {
                if (found) {
                    qWarning("more than one options window");
                    return nullptr;
                }
                found = w;
            }
        }
        return found;
    }

    QWidget& window() { return opener_->window()->widget(); }
    QCheckBox* check(const char* name) {
        auto* box = window().findChild<QCheckBox*>(QString::fromLatin1(name));
        Q_ASSERT(box);
        return box;
    }
    QPlainTextEdit* text1() { return window().findChild<QPlainTextEdit*>(QStringLiteral("Text1")); }
    // What a second reader of the settings file finds.
    QString stored(const char* key) {
        IniFileSettings reader(IniFileSettings::filePath(name_.toStdString()));
        return QString::fromStdString(reader.read("options", key));
    }

    zerlin::test::gui::ConfigFolder config_;
    int run_ = 0;
    QString name_;
    FakeTextBox text4_{"No bookmark selected"};
    std::unique_ptr<IniFileSettings> settings_;
    std::unique_ptr<OptionsWindowOpener> opener_;
};

QTEST_MAIN(OptionsGuiTest)
#include "options_gui_test.moc"
