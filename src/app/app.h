#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/main/form1_window.h"
#include "app/main/form1_wiring.h"
#include "app/options/options_opener.h"
#include "app/servers/servers_opener.h"
#include "app/status/slot_waiting.h"
#include "app/status/status_wiring.h"
#include "app/status_network.h"
#include "mainwindow/form1.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_launcher.h"
#include "platform/qt/qt_program.h"
#include "platform/settings_backend.h"
#include "settings/reporting_settings.h"

namespace zerlin::app {

// The running application: the real platform, the main window and its core, wired.
class App {
  public:
    App();

    // The window's load with the command-line arguments (start-up may end the program), then
    // the window, shown in the centre of the screen.
    void run(const std::vector<std::string>& arguments);

    Form1Window& window() { return window_; }
    Form1& form() { return form_; }
    // The server list's HTTP client and walk, once the friends or the Servers window needed them.
    const ListNetwork* listNetwork() const { return servers_.network(); }

  private:
    std::unique_ptr<SettingsBackend> settings_;
    Form1Window window_;
    Form1WindowControls controls_;
    qt::QtMessageBox messages_;
    // What the windows write through: a failed write is said once.
    ReportingSettings reportedSettings_;
    qt::QtTextInput input_;
    qt::QtFileDialog fileDialog_;
    qt::QtLauncher launcher_;
    qt::QtProgram program_;
    OptionsWindowOpener options_;
    Form1 form_;
    StatusNetwork statusNetwork_;
    StatusWiring status_;
    qt::QtNotifier notifier_;
    qt::QtClipboard clipboard_;
    qt::QtModalState modal_;
    SlotWaiting waiting_;
    ServersOpener servers_;
};

}  // namespace zerlin::app
