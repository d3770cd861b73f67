#pragma once

#include <memory>
#include <string>

#include "platform/controls.h"

class QCheckBox;
class QPlainTextEdit;
class QWidget;

namespace zerlin::app {

// The options window's widgets: four switches and the credits. Closing the window by its close
// box only hides it. Its controls are children named like the core's controls.
class Form2Window : public ToolWindow {
  public:
    explicit Form2Window(const std::string& caption);
    ~Form2Window() override;
    Form2Window(const Form2Window&) = delete;
    Form2Window& operator=(const Form2Window&) = delete;

    bool isOpen() const override;
    // Shows the window with the focus on the credits area.
    void show() override;
    void raise() override;

    QWidget& widget();

    QCheckBox* Check1;
    QCheckBox* Check3;
    QCheckBox* Check4;
    QCheckBox* Check5;
    QPlainTextEdit* Text1;

  private:
    std::unique_ptr<QWidget> window_;
};

}  // namespace zerlin::app
