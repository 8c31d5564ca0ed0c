#pragma once

#include "report/ListingObserver.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vorlane {

// The listing's side of its observer. The listing keeps the figures in
// `progress` and asks stopping() after every client call it makes.
//
// Asking must be nearly free, since a listing without latency makes a few
// million calls a second. A clock read per call would cost more than the
// rest of the tool's own work per call, so a small thread of its own raises
// a flag once per update interval and the listing only reads that flag: one
// load of a word no other core writes in between. An update thus comes at
// most one interval plus one client call after the one before, however long
// the calls take, and the observer runs on the listing's own thread.
class ListingMonitor {
public:
    // Without an observer nothing is ever due and the listing never stops.
    explicit ListingMonitor(ListingObserver* observer = nullptr);
    ~ListingMonitor();
    ListingMonitor(const ListingMonitor&) = delete;
    ListingMonitor& operator=(const ListingMonitor&) = delete;

    // Whether the listing must stop now; updates the observer when an
    // update is due. Once it has said yes it keeps saying so.
    bool stopping() { return due_.load(std::memory_order_relaxed) && update(); }

    ListingProgress progress;

private:
    bool update();
    void tick(std::chrono::milliseconds interval);

    ListingObserver* observer_;
    bool everyCall_ = false;
    bool stopped_ = false;
    std::atomic<bool> due_{false};

    std::mutex mutex_;
    std::condition_variable wake_;
    bool ending_ = false;
    std::thread ticker_;
};

} // namespace vorlane
