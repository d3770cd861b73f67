#include "app/servers_opener.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QShortcut>

#include "app/servers_window.h"
#include "app/status_pings.h"
#include "bookmarks/bookmark_entry.h"
#include "mainwindow/command_line.h"
#include "platform/qt/click_label.h"
#include "platform/qt/strings.h"
#include "servers/kept_list.h"
#include "status/status_client.h"
#include "waiting/slot_watch.h"

namespace zerlin::app {

// The window's pings: one client of the program's status service.
struct ServersOpener::Pings {
    explicit Pings(status::StatusService& service) : client(service) {
        client.setChangeHandler([this](const status::ServerKey& key) { pings.changed(key); });
    }
    status::StatusClient client;
    StatusPings pings{
        {[this](const std::vector<status::Request>& requests) { client.refresh(requests); },
         [this](const status::ServerKey& key) -> const status::ServerState& {
             return client.state(key);
         }}};
};

ServersOpener::ServersOpener(qt::Form1Window& window, Form1& form, SettingsBackend& settings,
                             SlotWaiting& waiting, Clipboard& clipboard,
                             status::StatusService& status, CommandRunner run)
    : window_(window),
      form_(form),
      settings_(settings),
      waiting_(waiting),
      clipboard_(clipboard),
      status_(status),
      run_(run ? std::move(run) : [](const std::function<void()>& command) { command(); }) {
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
    servers_.reset();
    pings_.reset();
}

void ServersOpener::open() {
    if (!servers_) {
        pings_ = std::make_unique<Pings>(status_);
        ServersWindow::Actions actions;
        actions.join = [this](const std::string& ip, const std::string& port) {
            run_([this, entry = makeBookmarkEntry("", ip, port)] {
                form_.pickRow(entry);
                form_.join();
            });
        };
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
        servers_ = std::make_unique<ServersWindow>(
            settings_, pings_->pings,
            servers::keptListPath(qt::toStdString(QCoreApplication::applicationName())),
            std::move(actions));
    }
    servers_->open();
}

}  // namespace zerlin::app
