#include "app/main/form1_wiring.h"

#include <QListWidget>
#include <QTimer>

#include "platform/qt/click_label.h"

namespace zerlin::app {

Form1WindowControls::Form1WindowControls(Form1Window& w)
    : window(w),
      Label1(*w.Label1),
      Text1(*w.Text1),
      Text2(*w.Text2),
      Text3(*w.Text3),
      List1(*w.List1),
      Timer1(*w.Timer1) {}

Form1Controls Form1WindowControls::controls() {
    return Form1Controls{window, Label1, Text1, Text2, Text3, Text4, List1, Timer1};
}

void wireForm1(Form1Window& w, Form1& form, CommandRunner run) {
    if (!run) {
        run = [](const std::function<void()>& command) { command(); };
    }
    auto command = [&form, run](void (Form1::*handler)()) {
        return [&form, run, handler] { run([&form, handler] { (form.*handler)(); }); };
    };
    struct Wiring {
        qt::ClickLabel* image;
        qt::ClickLabel* label;  // the caption lying on it, or none
        void (Form1::*handler)();
    };
    const Wiring wiring[] = {
        {w.Image1, w.Label3, &Form1::browse}, {w.Image2, w.Label4, &Form1::join},
        {w.Image4, w.Label5, &Form1::add},    {w.Image5, w.Label6, &Form1::save},
        {w.Image6, w.Label7, &Form1::open},   {w.Image7, w.Label8, &Form1::options},
        {w.Image8, w.Label9, &Form1::remove},
    };
    for (const Wiring& item : wiring) {
        QObject::connect(item.image, &qt::ClickLabel::clicked, &w, command(item.handler));
        // The caption's click is the picture's click: one command, run once.
        QObject::connect(item.label, &qt::ClickLabel::clicked, item.image,
                         &qt::ClickLabel::clicked);
    }
    const auto quit = [&form, run] { run([&form] { form.quit(); }); };
    QObject::connect(w.Image3, &qt::ClickLabel::clicked, &w, quit);
    QObject::connect(&w, &Form1Window::closeRequested, &w, quit);
    QObject::connect(&w, &Form1Window::listDoubleClicked, &w, command(&Form1::pick));
    QObject::connect(w.Timer1, &QTimer::timeout, &w, command(&Form1::tick));
}

}  // namespace zerlin::app
