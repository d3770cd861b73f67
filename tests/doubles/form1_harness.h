#pragma once

#include "doubles.h"
#include "mainwindow/form1.h"

namespace zerlin::test {

// A main window wired to doubles, its controls in their state at creation. The launcher may be
// the real one.
template <typename LauncherType = FakeLauncher>
struct BasicForm1Harness {
    FakeWindow window;
    FakeTextBox Label1{"Zerlin"};
    FakeTextBox Text1, Text2, Text3;
    FakeTextBox Text4{"No bookmark selected"};
    FakeListBox List1;
    FakeTimer Timer1;
    MemorySettings settings;
    FakeFileDialog fileDialog;
    FakeMessageBox messages;
    FakeTextInput input;
    LauncherType launcher;
    FakeProgram program;
    FakeOptionsOpener options;

    Form1 form{Form1Controls{window, Label1, Text1, Text2, Text3, Text4, List1, Timer1},
               Form1Services{settings, fileDialog, messages, input, launcher, program, options}};
};

using Form1Harness = BasicForm1Harness<>;

}  // namespace zerlin::test
