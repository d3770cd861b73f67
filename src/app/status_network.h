#pragma once

#include <memory>

#include "platform/loopback_only.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_timer.h"
#include "status/status_service.h"

namespace zerlin::app {

// The program's one status service and the network under it: the bookmark list, the IP box
// and the slot wait are its clients. The socket is opened by the first query, after the window
// is shown, so that start-up stays as fast as without.
class StatusNetwork {
  public:
    // When loopbackOnly, nothing is sent but to the loopback addresses and no name is looked up
    // but localhost's (the tests set ZERLIN_STATUS_LOOPBACK_ONLY, so that test data never
    // reaches the network).
    explicit StatusNetwork(bool loopbackOnly);
    StatusNetwork(const StatusNetwork&) = delete;
    StatusNetwork& operator=(const StatusNetwork&) = delete;

    status::StatusService& service() { return *service_; }

  private:
    qt::QtDatagramSocket socket_;
    net::LoopbackOnlySocket loopbackSocket_{socket_};
    qt::QtHostResolver resolver_;
    qt::QtTimer refusalTimer_;
    net::LoopbackOnlyResolver loopbackResolver_{resolver_, refusalTimer_};
    qt::QtClock clock_;
    qt::QtTimer timer_;
    std::unique_ptr<status::StatusService> service_;
};

}  // namespace zerlin::app
