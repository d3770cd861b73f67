#pragma once

#include <memory>
#include <string>

#include "masters/master_list.h"
#include "platform/loopback_only.h"
#include "platform/qt/qt_http.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_tcp.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_worker.h"
#include "platform/settings_backend.h"
#include "servers/list_walk.h"
#include "servers/server_sources.h"
#include "status/status_service.h"

namespace zerlin::app {

// The program's one HTTP client and its one walk of the server list, with the walk's deadline
// and the thread its pages are read on; and, for the Servers window alone, the masters' network
// and the sources that ask both. Made when first needed (the friends' first ask, the Servers
// window's first opening), never at start-up: the network's start costs time and memory a
// launcher started only to join does not need.
class ListNetwork {
  public:
    // status: the program's one service, which asks the servers only masters list. When
    // loopbackOnly, the masters are looked up and reached on loopback only (the tests).
    ListNetwork(status::StatusService& status, bool loopbackOnly)
        : status_(status), loopbackOnly_(loopbackOnly) {}
    ~ListNetwork();
    ListNetwork(const ListNetwork&) = delete;
    ListNetwork& operator=(const ListNetwork&) = delete;

    servers::ListWalk& walk() { return walk_; }
    qt::QtHttpClient& http() { return http_; }
    // The list and the masters side by side; the masters' network is made on the first call.
    servers::ServerSources& sources();
    bool sourcesRunning() const { return masters_ && masters_->sources.running(); }

  private:
    struct Masters {
        Masters(ListNetwork& network, bool loopbackOnly);

        qt::QtTcpNetwork tcp;
        net::LoopbackOnlyTcp guardedTcp{tcp};
        qt::QtHostResolver resolver;
        qt::QtTimer refusals;
        net::LoopbackOnlyResolver guardedResolver{resolver, refusals};
        masters::MasterList list;
        qt::QtTimer wait;
        servers::ServerSources sources;
    };

    status::StatusService& status_;
    bool loopbackOnly_;
    qt::QtHttpClient http_;
    qt::QtTimer deadline_;
    qt::QtWorker pageReader_;
    servers::ListWalk walk_{http_, deadline_, &pageReader_};
    std::unique_ptr<Masters> masters_;
};

}  // namespace zerlin::app
