#pragma once

#include <condition_variable>
#include <mutex>

namespace testing_support {

// Holds a listing's thread at a client call until the test lets it on, so
// that a test can look at the window while a listing is surely running.
class Gate {
public:
    // The listing's thread: arrives, and waits until the gate is open.
    void pass() {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    // The test's thread.
    void waitForArrival() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return arrived_; });
    }
    void open() {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool arrived_ = false;
    bool open_ = false;
};

} // namespace testing_support
