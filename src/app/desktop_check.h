#pragma once

#include <QtGlobal>

namespace zerlin::app {

// Holds back Qt's messages while the application object is being made. Where no platform
// plugin starts (no display to connect to, say), Qt would abort with advice to reinstall;
// instead one plain line says that Zerlin needs a graphical desktop and the program ends with
// status 1. Made before the application object and ended by desktopFound() right after it, which
// passes the held-back messages on.
class DesktopCheck {
  public:
    DesktopCheck();
    DesktopCheck(const DesktopCheck&) = delete;
    DesktopCheck& operator=(const DesktopCheck&) = delete;
    ~DesktopCheck();
    void desktopFound();

  private:
    QtMessageHandler previous_;
    bool active_ = true;
};

}  // namespace zerlin::app
