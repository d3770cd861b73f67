#pragma once

class QWidget;

namespace zerlin::qt {

// Keeps a top-level window out of the task bar. On X11 Qt::Tool alone does not do it with
// every window manager, so the window also carries _NET_WM_STATE_SKIP_TASKBAR; the window must
// be created and not yet mapped. Does nothing on other platforms.
void skipTaskbar(QWidget& window);

}  // namespace zerlin::qt
