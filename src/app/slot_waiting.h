#pragma once

#include "app/form1_wiring.h"
#include "app/status_wiring.h"
#include "mainwindow/form1.h"
#include "platform/desktop.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/qt_network.h"
#include "status/status_service.h"
#include "waiting/slot_watch.h"

namespace zerlin::app {

// The bookmark rows' context menu and the one wait on a server behind it, with a status
// service of its own: joining when a slot frees, telling when a server is up, copying a row's
// link.
class SlotWaiting {
  public:
    SlotWaiting(qt::Form1Window& window, Form1& form, Notifier& notifier, Clipboard& clipboard,
                const ModalState& modal, CommandRunner run = {});
    SlotWaiting(const SlotWaiting&) = delete;
    SlotWaiting& operator=(const SlotWaiting&) = delete;

    waiting::SlotWatch& watch() { return watch_; }
    // The list's status, so that the menu offers "Tell me when it is up" only for a server
    // that has not answered.
    void setListStatus(const StatusWiring& status) { listStatus_ = &status; }

  private:
    void showMenu(int row, const QPoint& globalPos);
    void showMarks();

    qt::Form1Window& window_;
    Form1& form_;
    Clipboard& clipboard_;
    CommandRunner run_;
    qt::QtDatagramSocket socket_;
    qt::QtHostResolver resolver_;
    qt::QtClock clock_;
    qt::QtAlarm serviceAlarm_;
    qt::QtAlarm watchAlarm_;
    status::StatusService service_;
    waiting::SlotWatch watch_;
    const StatusWiring* listStatus_ = nullptr;
};

}  // namespace zerlin::app
