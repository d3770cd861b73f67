#pragma once

#include <QObject>
#include <QThreadPool>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/worker.h"

namespace zerlin::qt {

// One thread of its own, the jobs in turn; each done is handed to the thread the worker was
// made on through a queued signal. Its end drops the jobs not started and waits for the one
// under way.
class QtWorker : public QObject, public Worker {
    Q_OBJECT

  public:
    QtWorker();
    ~QtWorker() override;
    QtWorker(const QtWorker&) = delete;
    QtWorker& operator=(const QtWorker&) = delete;

    void run(std::function<void()> job, std::function<void()> done) override;

  signals:
    void jobDone();

  private:
    void deliver();

    QThreadPool pool_;
    std::mutex mutex_;
    std::deque<std::function<void()>> due_;  // dones of the jobs finished, in their order
};

}  // namespace zerlin::qt
