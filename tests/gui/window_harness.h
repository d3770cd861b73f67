#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <type_traits>

#include "app/main/form1_window.h"
#include "app/main/form1_wiring.h"
#include "doubles/doubles.h"
#include "gui_helpers.h"

namespace zerlin::test::gui {

// The text input: a double, or a real one that the window owns.
template <typename InputType>
InputType inputOf(QWidget& window) {
    if constexpr (std::is_constructible_v<InputType, QWidget*>) {
        return InputType(&window);
    } else {
        return InputType();
    }
}

// The real main window and its wiring, with doubles for every service (the text input may be
// the real one). The end of the program that the double throws is caught and noted.
template <typename InputType = FakeTextInput>
struct BasicWindowHarness {
    app::Form1Window window;
    app::Form1WindowControls controls{window};
    MemorySettings settings;
    FakeFileDialog fileDialog;
    FakeMessageBox messages;
    InputType input = inputOf<InputType>(window);
    FakeLauncher launcher;
    FakeProgram program;
    FakeOptionsOpener options;
    Form1 form{controls.controls(),
               Form1Services{settings, fileDialog, messages, input, launcher, program, options}};
    bool ended = false;

    BasicWindowHarness() {
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

using WindowHarness = BasicWindowHarness<>;

}  // namespace zerlin::test::gui
