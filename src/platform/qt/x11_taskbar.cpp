#include "platform/qt/x11_taskbar.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>

#if defined(ZERLIN_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define ZERLIN_X11_TASKBAR 1
#endif

namespace zerlin::qt {

#ifdef ZERLIN_X11_TASKBAR
namespace {

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply) {
        return XCB_ATOM_NONE;
    }
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

}  // namespace
#endif

void skipTaskbar(QWidget& window) {
#ifdef ZERLIN_X11_TASKBAR
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t state = atomNamed(connection, "_NET_WM_STATE");
    const xcb_atom_t skip = atomNamed(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE) {
        return;
    }
    // Qt keeps the states it does not set itself when it maps the window.
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, static_cast<xcb_window_t>(window.winId()),
                        state, XCB_ATOM_ATOM, 32, 1, &skip);
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}

}  // namespace zerlin::qt
