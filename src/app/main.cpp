#include <QApplication>
#include <QStringList>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/desktop_check.h"
#include "platform/qt/strings.h"

int main(int argc, char* argv[]) {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    // Centring, moving a frameless window and keeping out of the task bar need X11 (XWayland
    // under a Wayland desktop); the user's own choice of platform still wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
#endif
    zerlin::app::DesktopCheck desktopCheck;
    QApplication app(argc, argv);
    desktopCheck.desktopFound();
    QApplication::setApplicationName("zerlin");
    // The main window is a tool window: closing a message box or the options window must not
    // end the program, which ends only through its own commands.
    QApplication::setQuitOnLastWindowClosed(false);

    std::vector<std::string> arguments;
#ifdef Q_OS_WIN
    // Windows hands the command line over in UTF-16; argv would lose what the code page lacks.
    const QStringList words = QCoreApplication::arguments();
    for (qsizetype i = 1; i < words.size(); ++i) {
        arguments.push_back(zerlin::qt::toStdString(words[i]));
    }
#else
    // File names are bytes here: handed on unchanged, a name that is not valid UTF-8 still opens.
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
#endif

    zerlin::app::App zerlinApp;
    zerlinApp.run(arguments);
    return QApplication::exec();
}
