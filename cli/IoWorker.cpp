#include "cli/IoWorker.h"

namespace qmduck {

IoWorker::IoWorker() : thread([this] { run(); }) {}

IoWorker::~IoWorker() {
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return !busy; });
        stopping = true;
    }
    changed.notify_all();
    thread.join();
}

void IoWorker::start(std::function<void()> newJob) {
    {
        std::lock_guard<std::mutex> guard(lock);
        job = std::move(newJob);
        busy = true;
    }
    changed.notify_all();
}

void IoWorker::wait() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return !busy; });
}

void IoWorker::run() {
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        changed.wait(guard, [this] { return busy || stopping; });
        if (!busy) return;
        std::function<void()> current = std::move(job);
        guard.unlock();
        current();
        guard.lock();
        busy = false;
        changed.notify_all();
    }
}

}  // namespace qmduck
