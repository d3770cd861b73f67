// What the program does on the way to its first paint: only what the window shows. No file
// dialog, options window or HTTP client is built before it is asked for, the artwork is read
// without loading Qt's image format plugins, and the bundled list font is loaded only where the
// system lacks the face.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QImage>
#include <QSet>
#include <QTest>

#include "app/app.h"
#include "app/settings_store.h"
#include "gui/config_folder.h"
#include "gui_helpers.h"
#include "platform/qt/click_label.h"
#include "platform/qt/strings.h"
#include "settings/ini_file_settings.h"

using namespace zerlin;
namespace gui = zerlin::test::gui;

class FirstPaintTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(config_.filePath("cache")));
        // The Servers window opened below asks no list.
        IniFileSettings settings(
            IniFileSettings::filePath(qt::toStdString(app::applicationName())));
        QVERIFY(settings.write("Servers", "ListUrl", "").ok());
        // Asked before anything of the program could add the bundled copy.
        systemHasListFace_ = QFontDatabase::hasFamily("DejaVu Sans Mono");
        app_ = std::make_unique<app::App>();
        app_->run({});
        QVERIFY(QTest::qWaitForWindowExposed(&app_->window()));
    }

    void nothingIsBuiltBeforeItIsAskedFor() {
        for (QWidget* widget : QApplication::allWidgets()) {
            QVERIFY2(!qobject_cast<QFileDialog*>(widget), "a file dialog was built at start");
            QVERIFY2(widget->objectName() != "Form2", "the options window was built at start");
        }
    }

    void artworkIsReadWithoutImagePlugins() {
        app::Form1Window& window = app_->window();
        for (const char* name :
             {"Image1", "Image2", "Image3", "Image4", "Image5", "Image6", "Image7", "Image8"}) {
            auto* picture = gui::find<qt::ClickLabel>(window, name);
            QVERIFY2(picture && !picture->pixmap().isNull(), name);
        }
        QVERIFY(!window.windowIcon().isNull());
        // The skin is painted: a plain background would have a handful of colours at most.
        const QImage shot = window.grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 4) {
            for (int x = 0; x < shot.width(); x += 4) {
                colours.insert(shot.pixel(x, y));
            }
        }
        QVERIFY2(colours.size() > 100, qPrintable(QString::number(colours.size())));

#ifdef Q_OS_LINUX
        QFile maps("/proc/self/maps");
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY2(!mapped.contains("/imageformats/"), "an image format plugin was loaded");
#endif
    }

    void bundledListFontOnlyWhereTheSystemLacksIt() {
        // The list font is resolved when the window is built; application fonts count from 0.
        const bool bundledLoaded = !QFontDatabase::applicationFontFamilies(0).isEmpty();
        QCOMPARE(bundledLoaded, !systemHasListFace_);
        QVERIFY(QFontDatabase::hasFamily("DejaVu Sans Mono"));
    }

    // The server list's HTTP client and walk: made when the Servers window first opens (or the
    // friends' first ask), not at start, where a join needs neither.
    void listNetworkIsMadeWhenFirstNeeded() {
        // The friends' first ask comes once the event loop comes round; with no friend, none.
        QTest::qWait(100);
        QVERIFY2(!app_->listNetwork(), "the list's network was made at start");
        gui::click(*app_->window().Label10);
        QVERIFY(gui::waitFor([] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == "Servers" && widget->isVisible()) {
                    return true;
                }
            }
            return false;
        }));
        QVERIFY(app_->listNetwork());
    }

    void cleanupTestCase() {
        app_.reset();
    }

  private:
    gui::ConfigFolder config_;
    bool systemHasListFace_ = false;
    std::unique_ptr<app::App> app_;
};

QTEST_MAIN(FirstPaintTest)
#include "first_paint_test.moc"
