#pragma once

#include <memory>

#include "mainwindow/form1.h"
#include "platform/controls.h"
#include "platform/settings_backend.h"

namespace zerlin::app {

class Form2Window;

// The main window's options button: one options window for the life of the program, its
// widgets and its behaviour made together on the first click.
class OptionsWindowOpener : public OptionsOpener {
  public:
    OptionsWindowOpener(SettingsBackend& settings, const TextBox& form1Text4);
    ~OptionsWindowOpener() override;

    void open() override;

    // The window, or nullptr before the first open.
    Form2Window* window() const;

  private:
    struct Options;
    SettingsBackend& settings_;
    const TextBox& form1Text4_;
    std::unique_ptr<Options> options_;
};

}  // namespace zerlin::app
