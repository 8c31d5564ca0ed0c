#include "report/ListingMonitor.h"

namespace vorlane {

ListingMonitor::ListingMonitor(ListingObserver* observer) : observer_(observer) {
    if (observer_ == nullptr)
        return;
    const std::chrono::milliseconds interval = observer_->updateInterval();
    everyCall_ = interval.count() <= 0;
    if (everyCall_)
        due_.store(true, std::memory_order_relaxed);
    else
        ticker_ = std::thread([this, interval] { tick(interval); });
}

ListingMonitor::~ListingMonitor() {
    if (!ticker_.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    ticker_.join();
}

void ListingMonitor::tick(std::chrono::milliseconds interval) {
    // Due one interval after the last tick, however long the update took;
    // after a stall of the whole process, one tick for all that were missed.
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, interval, [this] { return ending_; }))
        due_.store(true, std::memory_order_relaxed);
}

bool ListingMonitor::update() {
    if (stopped_)
        return true;
    if (!everyCall_)
        due_.store(false, std::memory_order_relaxed);
    if (!observer_->update(progress)) {
        stopped_ = true;
        // From now on every question comes here and gets its answer at once.
        due_.store(true, std::memory_order_relaxed);
    }
    return stopped_;
}

} // namespace vorlane
