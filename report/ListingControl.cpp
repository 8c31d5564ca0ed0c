#include "report/ListingControl.h"

namespace vorlane {

ListingProgress ListingControl::progress() const {
    ListingProgress out;
    out.step = step_.load(std::memory_order_relaxed);
    out.containers = containers_.load(std::memory_order_relaxed);
    out.container = container_.load(std::memory_order_relaxed);
    out.measured = measured_.load(std::memory_order_relaxed);
    out.kept = kept_.load(std::memory_order_relaxed);
    const std::lock_guard<std::mutex> lock(doingLock_);
    out.doing = doing_;
    return out;
}

void ListingControl::doing(const std::string& what) {
    const std::lock_guard<std::mutex> lock(doingLock_);
    doing_ = what;
    if (what.empty())
        flags_.fetch_and(~kDoingSaid, std::memory_order_relaxed);
    else
        flags_.fetch_or(kDoingSaid, std::memory_order_relaxed);
}

} // namespace vorlane
