#pragma once

#include <functional>

#include "app/main/form1_window.h"
#include "mainwindow/form1.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/widgets.h"

namespace zerlin::app {

// The main window's widgets seen as the core's controls.
struct Form1WindowControls {
    explicit Form1WindowControls(Form1Window& window);
    Form1Controls controls();

    qt::QtWindowCaption window;
    qt::QtLabelBox Label1;
    qt::QtLineEditBox Text1;
    qt::QtLineEditBox Text2;
    qt::QtLineEditBox Text3;
    qt::MemoryTextBox Text4{"No bookmark selected"};
    qt::QtListBox List1;
    qt::QtTimer Timer1;
};

// Runs one command of the window. The default calls it; a test may wrap it, to catch the end
// of the program that a test double throws.
using CommandRunner = std::function<void(const std::function<void()>&)>;

// Connects every click, the list's double-click and the timer's tick of the window to the
// command that handles it in the core.
void wireForm1(Form1Window& window, Form1& form, CommandRunner run = {});

}  // namespace zerlin::app
