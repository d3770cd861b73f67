#include "platform/qt/qt_worker.h"

#include <utility>

namespace zerlin::qt {

QtWorker::QtWorker() {
    pool_.setMaxThreadCount(1);
    pool_.setObjectName("Zerlin worker");
    connect(this, &QtWorker::jobDone, this, &QtWorker::deliver, Qt::QueuedConnection);
}

QtWorker::~QtWorker() {
    pool_.clear();
    pool_.waitForDone();
}

void QtWorker::run(std::function<void()> job, std::function<void()> done) {
    pool_.start([this, job = std::move(job), done = std::move(done)] {
        job();
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            due_.push_back(done);
        }
        // Queued: dropped with the worker if it ends first.
        emit jobDone();
    });
}

void QtWorker::deliver() {
    std::function<void()> done;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (due_.empty()) {
            return;
        }
        done = std::move(due_.front());
        due_.pop_front();
    }
    // Last: the done may end the worker's user.
    done();
}

}  // namespace zerlin::qt
