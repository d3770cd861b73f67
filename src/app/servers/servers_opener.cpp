#include "app/servers/servers_opener.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QShortcut>

#include "app/friends/friends_editor.h"
#include "app/servers/servers_window.h"
#include "bookmarks/bookmark_entry.h"
#include "friends/server_snapshot.h"
#include "mainwindow/command_line.h"
#include "platform/qt/click_label.h"
#include "platform/qt/strings.h"
#include "servers/kept_list.h"
#include "servers/servers_prefs.h"
#include "settings/settings.h"
#include "waiting/slot_watch.h"

namespace zerlin::app {

ServersOpener::ServersOpener(Form1Window& window, Form1& form, SettingsBackend& settings,
                             SlotWaiting& waiting, Clipboard& clipboard,
                             status::StatusService& status, Notifier& notifier,
                             MessageBox& messages, std::string friendsPath, CommandRunner run)
    : window_(window),
      form_(form),
      settings_(settings),
      waiting_(waiting),
      clipboard_(clipboard),
      status_(status),
      run_(run ? std::move(run) : [](const std::function<void()>& command) { command(); }),
      messages_(messages),
      friendsPath_(std::move(friendsPath)),
      friends_(
          friendsTimer_, clock_, notifier, friendsPath_, friends::askPeriod(settings),
          [this](const friends::ServerSnapshot& server) {
              const std::size_t colon = server.key.rfind(':');
              join(server.key.substr(0, colon), server.key.substr(colon + 1));
          },
          friends::FriendsService::Hooks{
              [this] { askForFriends(); },
              [this] {
                  // While the window is shown, its own refreshes reach
                  // the friends.
                  return (network_ && (network_->walk().running() || network_->sourcesRunning())) ||
                         (servers_ && servers_->isVisible());
              },
              [this] {
                  if (servers_) {
                      servers_->friendsChanged();
                  }
              }}),
      played_(servers::playedPath(qt::toStdString(QCoreApplication::applicationName())),
              [this](const std::string& text) { messages_.show(text); }),
      playedJoins_(played_, status, form.List1) {
    form_.setJoinRecorder(&playedJoins_);
    playedJoins_.setModOf([this](const std::string& ip, const std::string& port) {
        return form_.serverMods().modOf(ip, port).value_or(std::string());
    });
    // Once after start, from the event loop, once the main window is up.
    friends_.start();
    for (qt::ClickLabel* word : {window.Image9, window.Label10}) {
        QObject::connect(word, &qt::ClickLabel::clicked, &context_, [this] { open(); });
    }
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &window);
    QObject::connect(find, &QShortcut::activated, &context_, [this] { open(); });
    QAbstractItemModel* model = window.List1->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        QObject::connect(model, signal, &context_, [this] {
            if (servers_) {
                servers_->bookmarksChanged();
            }
        });
    }
    QObject::connect(model, &QAbstractItemModel::modelReset, &context_, [this] {
        if (servers_) {
            servers_->bookmarksChanged();
        }
    });
}

ServersOpener::~ServersOpener() {
    form_.setJoinRecorder(nullptr);
    servers_.reset();
}

void ServersOpener::open() {
    if (!servers_) {
        ServersWindow::Actions actions;
        actions.join = [this](const std::string& ip, const std::string& port) { join(ip, port); };
        actions.addBookmark = [this](const std::string& ip, const std::string& port,
                                     const std::string& name) {
            run_([this, ip, port, name] { form_.addServer(ip, port, name); });
        };
        actions.waitForSlot = [this](const std::string& ip, const std::string& port,
                                     const std::string& name) {
            waiting_.watch().waitForServer(makeBookmarkEntry(name, ip, port));
        };
        actions.copyLink = [this](const std::string& ip, const std::string& port) {
            if (const auto link = command_line::linkOfRow(makeBookmarkEntry("", ip, port))) {
                clipboard_.setText(*link);
            }
        };
        actions.bookmarks = [this] {
            std::vector<std::pair<std::string, std::string>> servers;
            for (int row = 0; row < form_.List1.count(); ++row) {
                const status::ServerKey key = status::serverOfRow(form_.List1.row(row));
                servers.emplace_back(key.host, key.port);
            }
            return servers;
        };
        actions.friends = [this] { return &friends_.friends(); };
        actions.installedMods = [this] {
            return &form_.installedMods().forGamePath(form_.Text1.text());
        };
        actions.editFriends = [this](QWidget* parent) {
            if (!editFriendsFile(parent, friendsPath_, messages_)) {
                return false;
            }
            friends_.reload();
            return true;
        };
        actions.played = [this] { return played_.load(); };
        actions.forget = [this](const std::string& ip, std::uint16_t port) {
            (void)played_.forget(ip, port);
        };
        actions.tell = [this](const std::string& text) { messages_.show(text); };
        servers_ = std::make_unique<ServersWindow>(
            settings_, status_, sources(),
            servers::keptListPath(qt::toStdString(QCoreApplication::applicationName())),
            std::move(actions));
        playedJoins_.setFindRow([this](const std::string& ip, std::uint16_t port) {
            return servers_ ? servers_->browser().findRow(ip, port) : nullptr;
        });
        playedJoins_.setRecorded([this] {
            if (servers_) {
                servers_->playedChanged();
            }
        });
    }
    servers_->open();
}

void ServersOpener::join(const std::string& ip, const std::string& port) {
    run_([this, entry = makeBookmarkEntry("", ip, port)] {
        form_.pickRow(entry);
        form_.join();
    });
}

servers::ListWalk& ServersOpener::walk() {
    if (!network_) {
        network_ = std::make_unique<ListNetwork>(
            status_, qEnvironmentVariableIsSet("ZERLIN_STATUS_LOOPBACK_ONLY"));
        network_->walk().setCompleteHandler(
            [this](const std::vector<servers::ListedServer>& servers) {
                // The Servers window's walks reach the friends with the masters' servers, once
                // every source is in.
                if (!network_->sourcesRunning()) {
                    std::vector<const servers::ListedServer*> all;
                    all.reserve(servers.size());
                    for (const servers::ListedServer& server : servers) {
                        all.push_back(&server);
                    }
                    listed(all);
                }
            });
    }
    return network_->walk();
}

servers::ServerSources& ServersOpener::sources() {
    walk();
    servers::ServerSources& sources = network_->sources();
    sources.setCompleteHandler(
        [this](const std::vector<const servers::ListedServer*>& servers) { listed(servers); });
    return sources;
}

void ServersOpener::listed(const std::vector<const servers::ListedServer*>& servers) {
    playedJoins_.listed(servers);
    std::vector<friends::ServerSnapshot> snapshots;
    snapshots.reserve(servers.size());
    for (const servers::ListedServer* listed : servers) {
        const servers::ListedServer& server = *listed;
        // The mod each server runs, as the list says, for a join of one of them.
        form_.serverMods().heard(server.ip, std::to_string(server.port), server.info.mod());
        snapshots.push_back(friends::snapshotOf(server.address(), server.info));
    }
    friends_.listed(snapshots);
}

void ServersOpener::askForFriends() {
    const std::string base = servers::listUrl(settings_);
    if (!base.empty()) {
        walk().start(base, [](const Result<std::vector<servers::ListedServer>>&) {});
    }
}

}  // namespace zerlin::app
