#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "app/form1_wiring.h"
#include "app/slot_waiting.h"
#include "mainwindow/form1.h"
#include "platform/desktop.h"
#include "platform/qt/form1_window.h"
#include "platform/settings_backend.h"
#include "status/status_service.h"

namespace zerlin::app {

class ServersWindow;

// The Servers window, made the first time SERVERS or Ctrl+F asks for it, with its rows' joins
// and bookmarks going through the main window's own commands.
class ServersOpener {
  public:
    ServersOpener(qt::Form1Window& window, Form1& form, SettingsBackend& settings,
                  SlotWaiting& waiting, Clipboard& clipboard, status::StatusService& status,
                  CommandRunner run = {});
    ~ServersOpener();
    ServersOpener(const ServersOpener&) = delete;
    ServersOpener& operator=(const ServersOpener&) = delete;

    void open();
    // The window, once it was opened.
    ServersWindow* window() { return servers_.get(); }

  private:
    struct Pings;

    qt::Form1Window& window_;
    Form1& form_;
    SettingsBackend& settings_;
    SlotWaiting& waiting_;
    Clipboard& clipboard_;
    status::StatusService& status_;
    CommandRunner run_;
    std::unique_ptr<Pings> pings_;
    std::unique_ptr<ServersWindow> servers_;
    QObject context_;
};

}  // namespace zerlin::app
