#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/form1.h"
#include "platform/controls.h"
#include "servers/listed_server.h"
#include "servers/played_servers.h"
#include "servers/server_rows.h"
#include "status/status_service.h"

namespace zerlin::app {

// Remembers each join that started the game in the played servers, with what the program
// knows of the server at that moment: the list's name and query port, its status answer, the
// bookmark's name.
class PlayedJoins : public JoinRecorder {
  public:
    using FindRow =
        std::function<const servers::ServerRow*(const std::string& ip, std::uint16_t port)>;
    using ModOf = std::function<std::string(const std::string& ip, const std::string& port)>;

    PlayedJoins(servers::PlayedServers& store, status::StatusService& status,
                const ListBox& bookmarks);

    void joined(const std::string& ip, const std::string& port) override;

    // The list's servers as last got, for the joins of its servers from anywhere.
    void listed(const std::vector<const servers::ListedServer*>& servers);
    // The Servers window's rows, once it is made.
    void setFindRow(FindRow find) { findRow_ = std::move(find); }
    // The mod known for the server at its join, where one is known.
    void setModOf(ModOf modOf) { modOf_ = std::move(modOf); }
    // Told after each join was written.
    void setRecorded(std::function<void()> recorded) { recorded_ = std::move(recorded); }

  private:
    servers::JoinFacts facts(const std::string& ip, const std::string& port) const;

    servers::PlayedServers& store_;
    status::StatusService& status_;
    const ListBox& bookmarks_;
    FindRow findRow_;
    ModOf modOf_;
    std::function<void()> recorded_;
    // By played key: the name and query port the list gave.
    std::map<std::string, std::pair<std::string, std::uint16_t>> listed_;
};

}  // namespace zerlin::app
