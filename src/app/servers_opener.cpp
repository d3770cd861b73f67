#include "app/servers_opener.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QShortcut>

#include "app/servers_window.h"
#include "app/status_pings.h"
#include "bookmarks/bookmark_entry.h"
#include "platform/qt/click_label.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/strings.h"
#include "servers/address_rules.h"
#include "servers/kept_list.h"
#include "status/status_service.h"
#include "waiting/slot_watch.h"

namespace zerlin::app {

namespace {

// Refuses to send anywhere but the loopback addresses (ZERLIN_STATUS_LOOPBACK_ONLY).
class LoopbackGuard : public net::DatagramSocket {
  public:
    LoopbackGuard(net::DatagramSocket& socket, bool on) : socket_(socket), on_(on) {}
    void setReceiveHandler(ReceiveHandler handler) override {
        socket_.setReceiveHandler(std::move(handler));
    }
    bool send(const net::Endpoint& to, std::string_view bytes) override {
        return (!on_ || servers::isLoopback(to.address)) && socket_.send(to, bytes);
    }

  private:
    net::DatagramSocket& socket_;
    bool on_;
};

}  // namespace

// The status service the window's pings come from.
struct ServersOpener::Pings {
    explicit Pings(bool loopbackOnly) : guard(socket, loopbackOnly) {
        service.setChangeHandler([this](const status::ServerKey& key) { pings.changed(key); });
    }
    qt::QtDatagramSocket socket;
    LoopbackGuard guard;
    qt::QtHostResolver resolver;
    qt::QtClock clock;
    qt::QtAlarm alarm;
    status::StatusService service{guard, resolver, clock, alarm};
    StatusPings pings{{[this](const status::ServerKey& key) { service.ask(key); },
                       [this](const status::ServerKey& key) -> const status::ServerState& {
                           return service.state(key);
                       }}};
};

ServersOpener::ServersOpener(qt::Form1Window& window, Form1& form, SettingsBackend& settings,
                             SlotWaiting& waiting, Clipboard& clipboard, bool loopbackOnly,
                             CommandRunner run)
    : window_(window),
      form_(form),
      settings_(settings),
      waiting_(waiting),
      clipboard_(clipboard),
      loopbackOnly_(loopbackOnly),
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
        pings_ = std::make_unique<Pings>(loopbackOnly_);
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
            if (const auto link = waiting::linkOfRow(makeBookmarkEntry("", ip, port))) {
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
