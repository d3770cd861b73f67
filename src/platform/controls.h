#pragma once

#include <optional>
#include <string>

#include "platform/timer.h"

// The controls the windows' behaviour works with. Texts are UTF-8 throughout.
namespace zerlin {

// An edit box, a label or any other control that shows one text.
class TextBox {
  public:
    virtual ~TextBox() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
};

// The bookmark list: rows in the order appended, at most one selected.
class ListBox {
  public:
    virtual ~ListBox() = default;
    virtual int count() const = 0;
    // The text of the row at index (counted from 0); the empty text outside the rows.
    virtual std::string row(int index) const = 0;
    virtual void append(const std::string& text) = 0;
    virtual void removeAt(int index) = 0;
    virtual void clear() = 0;
    virtual std::optional<int> selected() const = 0;
    virtual void clearSelection() = 0;
};

class CheckBox {
  public:
    virtual ~CheckBox() = default;
    virtual bool checked() const = 0;
    // Shows a state; never runs the switch's click action.
    virtual void setChecked(bool checked) = 0;
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
};

// A top-level window as its behaviour sees it.
class Window {
  public:
    virtual ~Window() = default;
    virtual void setCaption(const std::string& caption) = 0;
};

// A window that is shown and hidden again, not modal and with no owner (the options window).
class ToolWindow {
  public:
    virtual ~ToolWindow() = default;
    // True while the window is on screen; closing it by its close box makes it false.
    virtual bool isOpen() const = 0;
    // Shows the window with the focus on its first control.
    virtual void show() = 0;
    // Brings the open window to the front.
    virtual void raise() = 0;
};

}  // namespace zerlin
