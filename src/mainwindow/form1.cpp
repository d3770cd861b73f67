#include "mainwindow/form1.h"

#include <cstdlib>

#include "version.h"

namespace zerlin {

Form1::Form1(const Form1Controls& controls, const Form1Services& services)
    : window(controls.window),
      Label1(controls.Label1),
      Text1(controls.Text1),
      Text2(controls.Text2),
      Text3(controls.Text3),
      Text4(controls.Text4),
      List1(controls.List1),
      Timer1(controls.Timer1),
      settings_(services.settings),
      fileDialog_(services.fileDialog),
      messages_(services.messages),
      input_(services.input),
      launcher_(services.launcher),
      program_(services.program),
      options_(services.options) {}

void Form1::load(const std::vector<std::string>& arguments) {
    // The minor version is not shown.
    Label1.setText(Label1.text() + " " + std::to_string(version::major) + "." +
                   std::to_string(version::revision));
    window.setCaption(Label1.text());
    startUp(arguments);
}

void Form1::options() {
    options_.open();
}

void Form1::quit() {
    program_.end();
    // end() never returns; the compiler cannot see that through the virtual call.
    std::abort();
}

}  // namespace zerlin
