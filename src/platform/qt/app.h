#pragma once

#include <functional>
#include <string>
#include <vector>

#include "mainwindow/form1.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/form2_window.h"
#include "platform/qt/qt_launcher.h"
#include "platform/qt/qt_program.h"
#include "platform/qt/qt_settings_backend.h"
#include "platform/qt/widgets.h"

namespace zerlin::qt {

// The main window's widgets seen as the core's controls.
struct Form1WindowControls {
    explicit Form1WindowControls(Form1Window& window);
    Form1Controls controls();

    QtWindowCaption window;
    QtLabelBox Label1;
    QtLineEditBox Text1;
    QtLineEditBox Text2;
    QtLineEditBox Text3;
    MemoryTextBox Text4{"No bookmark selected"};
    QtListBox List1;
    QtTimer Timer1;
};

// Runs one command of the window. The default calls it; a test may wrap it, to catch the end
// of the program that a test double throws.
using CommandRunner = std::function<void(const std::function<void()>&)>;

// Connects every click, the list's double-click and the timer's tick of the window to the
// command that handles it in the core.
void wireForm1(Form1Window& window, Form1& form, CommandRunner run = {});

// The running application: the real platform, the main window and its core, wired.
class App {
  public:
    App();

    // The window's load with the command-line arguments (start-up may end the program), then
    // the window, shown in the centre of the screen.
    void run(const std::vector<std::string>& arguments);

    Form1Window& window() { return window_; }
    Form1& form() { return form_; }

  private:
    QtSettingsBackend settings_;
    Form1Window window_;
    Form1WindowControls controls_;
    QtMessageBox messages_;
    QtTextInput input_;
    QtFileDialog fileDialog_;
    QtLauncher launcher_;
    QtProgram program_;
    OptionsWindowOpener options_;
    Form1 form_;
};

}  // namespace zerlin::qt
