#pragma once

#include <memory>

#include "mainwindow/form1.h"
#include "options/form2.h"
#include "platform/controls.h"
#include "platform/settings_backend.h"

class QCheckBox;
class QPlainTextEdit;
class QWidget;

namespace zerlin::qt {

// The widgets of the options window and its behaviour, built together at the first open.
// Closing the window by its close box only hides it; the object lives until the program ends.
class Form2Window : public Form2Surface {
  public:
    Form2Window(SettingsBackend& settings, const TextBox& form1Text4);
    ~Form2Window() override;

    bool isOpen() const override;
    void show() override;
    void raise() override;

    QWidget& widget();
    Form2& form();

  private:
    struct Widgets;
    std::unique_ptr<Widgets> widgets_;
};

// The main window's options button: one options window for the life of the program, made on
// the first click.
class OptionsWindowOpener : public OptionsOpener {
  public:
    OptionsWindowOpener(SettingsBackend& settings, const TextBox& form1Text4);
    ~OptionsWindowOpener() override;

    void open() override;

    // The window, or nullptr before the first open.
    Form2Window* window() const { return window_.get(); }

  private:
    SettingsBackend& settings_;
    const TextBox& form1Text4_;
    std::unique_ptr<Form2Window> window_;
};

}  // namespace zerlin::qt
