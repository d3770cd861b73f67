#include "app/desktop_check.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace zerlin::app {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

std::mutex heldMutex;
std::vector<HeldMessage> held;
QtMessageHandler passOn = nullptr;

void replay(const std::vector<HeldMessage>& messages) {
    for (const HeldMessage& m : messages) {
        const QMessageLogContext context(m.file.isEmpty() ? nullptr : m.file.constData(), m.line,
                                         m.function.isEmpty() ? nullptr : m.function.constData(),
                                         m.category.isEmpty() ? nullptr : m.category.constData());
        passOn(m.type, context, m.text);
    }
}

void holdBack(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        const char* why = platform.isEmpty() || platform.startsWith("xcb")
                              ? " (DISPLAY is not set or cannot be opened)"
                              : "";
        std::fprintf(stderr, "zerlin: no graphical desktop was found%s; Zerlin needs one to run.\n",
                     why);
        std::fflush(stderr);
        // Qt is half made and aborts once this returns: nothing is left to clean up.
        std::_Exit(1);
    }
    std::vector<HeldMessage> earlier;
    {
        const std::lock_guard<std::mutex> lock(heldMutex);
        if (type != QtFatalMsg) {
            held.push_back(
                {type, context.file, context.line, context.function, context.category, text});
            return;
        }
        earlier.swap(held);
    }
    // Any other fatal message is Qt's own business, after what led up to it.
    replay(earlier);
    passOn(type, context, text);
}

}  // namespace

// Qt hands back its default handler where none was installed.
DesktopCheck::DesktopCheck() : previous_(qInstallMessageHandler(holdBack)) {
    passOn = previous_;
}

DesktopCheck::~DesktopCheck() {
    desktopFound();
}

void DesktopCheck::desktopFound() {
    if (!active_) {
        return;
    }
    active_ = false;
    qInstallMessageHandler(previous_);
    std::vector<HeldMessage> messages;
    {
        const std::lock_guard<std::mutex> lock(heldMutex);
        messages.swap(held);
    }
    replay(messages);
}

}  // namespace zerlin::app
