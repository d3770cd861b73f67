#pragma once

#include <QObject>
#include <QThreadPool>
#include <functional>

#include "platform/worker.h"

namespace zerlin::qt {

// One thread of its own, the jobs in turn; each done is queued to the thread the worker was
// made on. Its end drops the jobs not started and waits for the one under way.
class QtWorker : public QObject, public Worker {
  public:
    QtWorker();
    ~QtWorker() override;
    QtWorker(const QtWorker&) = delete;
    QtWorker& operator=(const QtWorker&) = delete;

    void run(std::function<void()> job, std::function<void()> done) override;

  private:
    QThreadPool pool_;
};

}  // namespace zerlin::qt
