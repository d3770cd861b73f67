#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>

#include "app/main/form1_window.h"
#include "app/main/form1_wiring.h"
#include "app/servers/list_network.h"
#include "app/servers/played_joins.h"
#include "app/status/slot_waiting.h"
#include "friends/friends_service.h"
#include "mainwindow/form1.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_timer.h"
#include "platform/settings_backend.h"
#include "servers/played_servers.h"
#include "status/status_service.h"

namespace zerlin::app {

class ServersWindow;

// The Servers window, made the first time SERVERS or Ctrl+F asks for it, with its rows' joins
// and bookmarks going through the main window's own commands; the friends' service, which asks
// the list in the background while a friend is set; and the list's network both share, made
// when the first of them needs it.
class ServersOpener {
  public:
    ServersOpener(Form1Window& window, Form1& form, SettingsBackend& settings, SlotWaiting& waiting,
                  Clipboard& clipboard, status::StatusService& status, Notifier& notifier,
                  MessageBox& messages, std::string friendsPath, CommandRunner run = {});
    ~ServersOpener();
    ServersOpener(const ServersOpener&) = delete;
    ServersOpener& operator=(const ServersOpener&) = delete;

    void open();
    friends::FriendsService& friends() { return friends_; }
    // The list's network, once something needed it.
    const ListNetwork* network() const { return network_.get(); }

  private:
    void join(const std::string& ip, const std::string& port);
    // The one walk of the list, made with its network on the first call.
    servers::ListWalk& walk();
    // The window's sources, the list's and the masters', made with the masters' network.
    servers::ServerSources& sources();
    void listed(const std::vector<const servers::ListedServer*>& servers);
    void askForFriends();

    Form1Window& window_;
    Form1& form_;
    SettingsBackend& settings_;
    SlotWaiting& waiting_;
    Clipboard& clipboard_;
    status::StatusService& status_;
    CommandRunner run_;
    MessageBox& messages_;
    std::string friendsPath_;
    qt::QtTimer friendsTimer_;
    qt::QtClock clock_;
    friends::FriendsService friends_;
    servers::PlayedServers played_;
    PlayedJoins playedJoins_;
    std::unique_ptr<ListNetwork> network_;
    std::unique_ptr<ServersWindow> servers_;
    QObject context_;
};

}  // namespace zerlin::app
