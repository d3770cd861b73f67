#pragma once

#include "app/main/form1_window.h"
#include "app/main/form1_wiring.h"
#include "mainwindow/form1.h"
#include "platform/desktop.h"
#include "platform/qt/qt_timer.h"
#include "status/status_client.h"
#include "waiting/slot_watch.h"

namespace zerlin::app {

// The bookmark rows' context menu and the one wait on a server behind it, a client of the
// program's status service: joining when a slot frees, telling when a server is up, copying a
// row's link.
class SlotWaiting {
  public:
    SlotWaiting(Form1Window& window, Form1& form, Notifier& notifier, Clipboard& clipboard,
                const ModalState& modal, status::StatusService& service, CommandRunner run = {});
    SlotWaiting(const SlotWaiting&) = delete;
    SlotWaiting& operator=(const SlotWaiting&) = delete;

    waiting::SlotWatch& watch() { return watch_; }

  private:
    void showMenu(int row, const QPoint& globalPos);
    void showMarks();

    Form1Window& window_;
    Form1& form_;
    Clipboard& clipboard_;
    CommandRunner run_;
    qt::QtTimer watchTimer_;
    status::StatusClient client_;
    waiting::SlotWatch watch_;
};

}  // namespace zerlin::app
