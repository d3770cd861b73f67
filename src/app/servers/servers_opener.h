#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>

#include "app/main/form1_window.h"
#include "app/main/form1_wiring.h"
#include "app/servers/played_joins.h"
#include "app/status/slot_waiting.h"
#include "friends/friend_watch.h"
#include "mainwindow/form1.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/qt/qt_http.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_worker.h"
#include "platform/settings_backend.h"
#include "servers/list_walk.h"
#include "servers/played_servers.h"
#include "status/status_service.h"

namespace zerlin::app {

class ServersWindow;

// The Servers window, made the first time SERVERS or Ctrl+F asks for it, with its rows' joins
// and bookmarks going through the main window's own commands; and the list walk it shares with
// the friends' watch, which asks the list in the background while a friend is set.
class ServersOpener {
  public:
    ServersOpener(Form1Window& window, Form1& form, SettingsBackend& settings, SlotWaiting& waiting,
                  Clipboard& clipboard, status::StatusService& status, Notifier& notifier,
                  MessageBox& messages, std::string friendsPath, CommandRunner run = {});
    ~ServersOpener();
    ServersOpener(const ServersOpener&) = delete;
    ServersOpener& operator=(const ServersOpener&) = delete;

    void open();
    // The window, once it was opened.
    ServersWindow* window() { return servers_.get(); }
    friends::FriendWatch& friends() { return friends_; }
    // Reads the friends file again (after the editor wrote it, or before each ask); whether
    // it changed.
    bool reloadFriends();

  private:
    void join(const std::string& ip, const std::string& port);
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
    std::string friendsText_;
    qt::QtHttpClient http_;
    qt::QtTimer deadline_;
    qt::QtWorker pageReader_;
    servers::ListWalk walk_{http_, deadline_, &pageReader_};
    friends::FriendWatch friends_;
    servers::PlayedServers played_;
    PlayedJoins playedJoins_;
    QTimer friendsTimer_;
    QTimer firstAsk_;
    std::unique_ptr<ServersWindow> servers_;
    QObject context_;
};

}  // namespace zerlin::app
