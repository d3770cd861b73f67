#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "app/form1_wiring.h"
#include "doubles/doubles.h"
#include "gui_helpers.h"
#include "platform/qt/form1_window.h"

namespace zerlin::test::gui {

// The real main window and its wiring, with doubles for every service. The end of the program
// that the double throws is caught and noted.
struct WindowHarness {
    qt::Form1Window window;
    app::Form1WindowControls controls{window};
    MemorySettings settings;
    FakeFileDialog fileDialog;
    FakeMessageBox messages;
    FakeTextInput input;
    FakeLauncher launcher;
    FakeProgram program;
    FakeOptionsOpener options;
    Form1 form{controls.controls(),
               Form1Services{settings, fileDialog, messages, input, launcher, program, options}};
    bool ended = false;

    WindowHarness() {
        app::wireForm1(window, form, [this](const std::function<void()>& command) {
            try {
                command();
            } catch (const ProgramEnded&) {
                ended = true;
            }
        });
    }

    QWidget& widget(const char* name) {
        QWidget* found = find(window, QString::fromLatin1(name));
        if (!found) {
            qFatal("no widget named %s", name);
        }
        return *found;
    }
};

}  // namespace zerlin::test::gui
