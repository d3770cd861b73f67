#pragma once

#include <memory>

#include "platform/desktop.h"

class QSystemTrayIcon;

namespace zerlin::qt {

// On Linux and the other free desktops, the freedesktop notification service over D-Bus;
// elsewhere a message of a tray icon, the platform's own way.
class QtNotifier : public Notifier {
  public:
    QtNotifier();
    ~QtNotifier() override;
    QtNotifier(const QtNotifier&) = delete;
    QtNotifier& operator=(const QtNotifier&) = delete;

    void notify(const std::string& title, const std::string& body) override;

  private:
    QSystemTrayIcon* tray_ = nullptr;  // made at the first message, where one is used
    // The messages sent and not yet answered, where a service answers them.
    struct Pending;
    std::unique_ptr<Pending> pending_;
};

class QtClipboard : public Clipboard {
  public:
    void setText(const std::string& text) override;
};

// A modal dialog of the application, or an open menu, is active.
class QtModalState : public ModalState {
  public:
    bool modalDialogOpen() const override;
};

}  // namespace zerlin::qt
