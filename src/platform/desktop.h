#pragma once

#include <functional>
#include <string>

// What the program asks of the desktop around its windows. Texts are UTF-8.
namespace zerlin {

// A desktop notification: a short message that the desktop shows outside the program's window.
class Notifier {
  public:
    virtual ~Notifier() = default;
    // Shows the message and returns once the desktop has taken it (or after a short wait),
    // so that a notification sent just before the program ends is not lost. The texts are
    // plain text.
    virtual void notify(const std::string& title, const std::string& body) = 0;
    // Shows the message with one action the user can choose on it (a button labelled
    // `action`) and calls onAction, on the program's event loop, when they do; at most once.
    // Where the desktop's notifications take no actions, the message comes without one and
    // onAction is never called. Does not wait for the desktop.
    // The action is taken by value as the notifiers that show it keep it.
    // NOLINTBEGIN(performance-unnecessary-value-param)
    virtual void notifyWithAction(const std::string& title, const std::string& body,
                                  const std::string& /*action*/,
                                  std::function<void()> /*onAction*/) {
        notify(title, body);
    }
    // NOLINTEND(performance-unnecessary-value-param)
};

// The desktop's clipboard.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual void setText(const std::string& text) = 0;
};

// Whether the user is busy with a modal dialog (a message, a file dialog, the name prompt) or
// an open menu of the program.
class ModalState {
  public:
    virtual ~ModalState() = default;
    virtual bool modalDialogOpen() const = 0;
};

}  // namespace zerlin
