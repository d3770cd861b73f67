#include "platform/qt/qt_worker.h"

#include <QMetaObject>
#include <utility>

namespace zerlin::qt {

QtWorker::QtWorker() {
    pool_.setMaxThreadCount(1);
    pool_.setObjectName("Zerlin worker");
}

QtWorker::~QtWorker() {
    pool_.clear();
    pool_.waitForDone();
}

void QtWorker::run(std::function<void()> job, std::function<void()> done) {
    pool_.start([this, job = std::move(job), done = std::move(done)] {
        job();
        // Queued to this object: dropped, never run, if the worker ends first.
        QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
    });
}

}  // namespace zerlin::qt
