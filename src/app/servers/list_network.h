#pragma once

#include <string>

#include "platform/qt/qt_http.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_worker.h"
#include "platform/settings_backend.h"
#include "servers/list_walk.h"

namespace zerlin::app {

// The program's one HTTP client and its one walk of the server list, with the walk's deadline
// and the thread its pages are read on. Made when first needed (the friends' first ask, the
// Servers window's first opening), never at start-up: the network's start costs time and memory
// a launcher started only to join does not need.
class ListNetwork {
  public:
    ListNetwork() = default;
    ListNetwork(const ListNetwork&) = delete;
    ListNetwork& operator=(const ListNetwork&) = delete;

    servers::ListWalk& walk() { return walk_; }
    qt::QtHttpClient& http() { return http_; }

  private:
    qt::QtHttpClient http_;
    qt::QtTimer deadline_;
    qt::QtWorker pageReader_;
    servers::ListWalk walk_{http_, deadline_, &pageReader_};
};

}  // namespace zerlin::app
