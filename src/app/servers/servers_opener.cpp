#include "app/servers/servers_opener.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QShortcut>

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "app/friends/friends_editor.h"
#include "app/servers/servers_window.h"
#include "bookmarks/bookmark_entry.h"
#include "friends/friends_file.h"
#include "mainwindow/command_line.h"
#include "platform/qt/click_label.h"
#include "platform/qt/strings.h"
#include "servers/kept_list.h"
#include "settings/settings.h"
#include "waiting/slot_watch.h"

namespace zerlin::app {

namespace {

// The list is asked this often for the friends, unless the settings say otherwise.
constexpr int kFriendsRefreshSeconds = 120;

std::vector<friends::ServerSnapshot> friendSnapshots(
    const std::vector<servers::ListedServer>& servers) {
    std::vector<friends::ServerSnapshot> snapshots;
    snapshots.reserve(servers.size());
    for (const servers::ListedServer& server : servers) {
        friends::ServerSnapshot& snapshot = snapshots.emplace_back();
        snapshot.key = server.address();
        snapshot.name = server.info.hostName;
        snapshot.map = server.info.mapName;
        snapshot.numPlayers = server.info.numPlayers;
        snapshot.maxPlayers = server.info.maxPlayers.value_or(0);
        for (const status::PlayerStatus& player : server.info.players) {
            snapshot.players.push_back(player.name);
        }
    }
    return snapshots;
}

}  // namespace

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
      friends_(notifier,
               [this](const friends::ServerSnapshot& server) {
                   const std::size_t colon = server.key.rfind(':');
                   join(server.key.substr(0, colon), server.key.substr(colon + 1));
               }),
      played_(servers::playedPath(qt::toStdString(QCoreApplication::applicationName())),
              [this](const std::string& text) { messages_.show(text); }),
      playedJoins_(played_, status, form.List1) {
    reloadFriends();
    form_.setJoinRecorder(&playedJoins_);
    playedJoins_.setModOf([this](const std::string& ip, const std::string& port) {
        return form_.serverMods().modOf(ip, port).value_or(std::string());
    });
    walk_.setCompleteHandler([this](const servers::WalkOutcome& outcome) {
        if (outcome.ok) {
            playedJoins_.listed(outcome.servers);
        }
        // The mod each server runs, as the list says, for a join of one of them.
        for (const servers::ListedServer& server : outcome.servers) {
            form_.serverMods().heard(server.ip, std::to_string(server.port), server.info.mod());
        }
        friends_.refreshed(friendSnapshots(outcome.servers),
                           std::chrono::duration_cast<friends::FriendArrivals::Time>(
                               std::chrono::steady_clock::now().time_since_epoch()));
    });
    int seconds = kFriendsRefreshSeconds;
    if (const auto text =
            settings.find(keys::friendsRefreshSeconds.section, keys::friendsRefreshSeconds.key)) {
        seconds = std::clamp(std::atoi(text->c_str()), 1, 24 * 3600);
    }
    friendsTimer_.setInterval(std::chrono::seconds(seconds));
    QObject::connect(&friendsTimer_, &QTimer::timeout, &context_, [this] { askForFriends(); });
    friendsTimer_.start();
    // Once after start, from the event loop, once the main window is up.
    firstAsk_.setSingleShot(true);
    QObject::connect(&firstAsk_, &QTimer::timeout, &context_, [this] { askForFriends(); });
    firstAsk_.start(0);
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
            reloadFriends();
            return true;
        };
        actions.played = [this] { return played_.load(); };
        actions.forget = [this](const std::string& ip, std::uint16_t port) {
            (void)played_.forget(ip, port);
        };
        actions.tell = [this](const std::string& text) { messages_.show(text); };
        servers_ = std::make_unique<ServersWindow>(
            settings_, status_, walk_,
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

bool ServersOpener::reloadFriends() {
    // A file that cannot be read counts as no friend: nothing is asked for them.
    std::string text = friends::readFriendsFile(friendsPath_).value();
    if (text == friendsText_) {
        return false;
    }
    friends_.setFriends(friends::FriendPatterns::fromText(text));
    friendsText_ = std::move(text);
    return true;
}

void ServersOpener::askForFriends() {
    // The file may have been edited by hand since.
    if (reloadFriends() && servers_) {
        servers_->friendsChanged();
    }
    // While the window is shown, its own refreshes reach the watch through the shared walk.
    if (friends_.friends().empty() || walk_.running() || (servers_ && servers_->isVisible())) {
        return;
    }
    const std::optional<std::string> url =
        settings_.find(keys::serversListUrl.section, keys::serversListUrl.key);
    const std::string base = url ? *url : std::string(keys::kDefaultServersListUrl);
    if (!base.empty()) {
        walk_.start(base, [](const servers::WalkOutcome&) {});
    }
}

}  // namespace zerlin::app
