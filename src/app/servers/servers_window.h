#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "friends/friend_patterns.h"
#include "mods/installed_mods.h"
#include "platform/qt/qt_timer.h"
#include "platform/settings_backend.h"
#include "servers/server_sources.h"
#include "servers/servers_browser.h"
#include "status/status_service.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableView;

namespace zerlin::app {

class ServersModel;
class ServersProxy;

// The browser behind the Servers window and its timers: a base of the window, so that they
// outlive the window's table, proxy and model, which read the browser's rows.
struct ServersWindowCore {
    qt::QtTimer refreshTimer_;
    qt::QtTimer keepTimer_;
    qt::QtTimer batchTimer_;
    qt::QtTimer lineTimer_;
    qt::QtTimer settleTimer_;
    qt::QtTimer askTimer_;
    std::unique_ptr<servers::ServersBrowser> browser_;
};

// The Servers window: every online server of the game from the community's list, with the
// status service's pings; filters, details, and a join or bookmark from a row.
class ServersWindow : private ServersWindowCore, public QWidget {
  public:
    // What a row's commands do in the main window: the server given by its IP and game port
    // texts, and its name.
    struct Actions {
        std::function<void(const std::string& ip, const std::string& port)> join;
        std::function<void(const std::string& ip, const std::string& port, const std::string& name)>
            addBookmark;
        std::function<void(const std::string& ip, const std::string& port, const std::string& name)>
            waitForSlot;
        std::function<void(const std::string& ip, const std::string& port)> copyLink;
        // The bookmarks' servers, IP and port texts.
        std::function<std::vector<std::pair<std::string, std::string>>()> bookmarks;
        // The friends to mark, and the editor of the friends file (whether it was written).
        std::function<const friends::FriendPatterns*()> friends;
        std::function<bool(QWidget* parent)> editFriends;
        // The servers played recently, newest first, and forgetting one of them.
        std::function<std::vector<servers::PlayedServer>()> played;
        std::function<void(const std::string& ip, std::uint16_t port)> forget;
        // Tells the user something went wrong (a message box).
        std::function<void(const std::string& text)> tell;
        // The mods installed beside the game (read again where they changed).
        std::function<const mods::ModTable*()> installedMods;
    };

    // sources: the program's sources of servers, whose list walk the friends' refreshes share.
    ServersWindow(SettingsBackend& settings, status::StatusService& status,
                  servers::ServerSources& sources, std::string keptPath, Actions actions,
                  QWidget* parent = nullptr);

    // Shows the window, or raises it when shown.
    void open();
    // The bookmarks changed: their marks are drawn again.
    void bookmarksChanged();
    // The friends changed: their marks and the Friends only filter are drawn again.
    void friendsChanged();
    // A join was remembered: the played servers, when shown, are read again.
    void playedChanged();

    servers::ServersBrowser& browser() { return *browser_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    void connectControls();
    void restoreSettings();
    void saveLayout();
    void filtersEdited();
    servers::Filter currentFilter() const;
    void modsChanged(bool refilter = true);
    void showLine();
    void showDetails();
    void rowsReplaced();
    void joinRow(const QModelIndex& index);
    void showPlayed(bool on);
    void refreshNow();
    void showMenu(const QPoint& at);
    const servers::ServerRow* rowAt(const QModelIndex& proxyIndex) const;

    SettingsBackend& settings_;
    Actions actions_;
    ServersModel* model_ = nullptr;
    ServersProxy* proxy_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QCheckBox* hideEmpty_ = nullptr;
    QCheckBox* hideFull_ = nullptr;
    QCheckBox* hidePassword_ = nullptr;
    QCheckBox* friendsOnly_ = nullptr;
    QCheckBox* played_ = nullptr;
    // The list's sort column and order, kept while the played servers are sorted by time.
    int listSortColumn_ = -1;
    Qt::SortOrder listSortOrder_ = Qt::AscendingOrder;
    QCheckBox* installedModsOnly_ = nullptr;
    const mods::ModTable* mods_ = nullptr;
    QPushButton* friendsButton_ = nullptr;
    QSpinBox* maxPing_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QTableView* table_ = nullptr;
    QPlainTextEdit* details_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* kept_ = nullptr;
    bool restored_ = false;
    // The server of the row last chosen (IP and game port), chosen again when the rows are
    // replaced.
    std::optional<std::pair<std::string, std::uint16_t>> chosen_;
};

}  // namespace zerlin::app
