#pragma once

#include "netware/Client.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace vorlane {

// How far one listing has come, in the terms the user is shown.
struct ListingProgress {
    enum class Step : std::uint8_t {
        Starting, // opening the server and setting up the directory context
        Walking,  // finding the containers below the context
        Listing,  // measuring the objects of one container after another
    };
    Step step = Step::Starting;
    // Walking: the containers found below the context so far. Listing: the
    // number of containers listed in all, the context itself included.
    std::uint64_t containers = 0;
    // Listing: the container whose objects are being measured, from 1.
    std::uint64_t container = 0;
    std::uint64_t measured = 0; // objects measured so far
    std::uint64_t kept = 0;     // of those, the ones that use space
    // What a long client call says it is busy with; empty between calls.
    std::string doing;
};

// What a listing's thread and the window's thread share while the listing
// runs: the one cancel flag, the figures, and what a long client call says
// it is doing. The listing writes, the window reads whenever it likes, and
// neither ever waits for the other: the figures are single words, and only
// a long call's text, said a few times a second at most, takes a lock.
class ListingControl final : public nw::CallWatcher {
public:
    // `freshFigures`: the user asked for the figures afresh (Recalc).
    explicit ListingControl(bool freshFigures = false) : fresh_(freshFigures) {}

    // Any thread. The listing stops after the client call under way, or
    // within that call when it is a long one that asks.
    void cancel() { flags_.fetch_or(kCancelled, std::memory_order_relaxed); }
    bool cancelled() const override { return (flags_.load(std::memory_order_relaxed) & kCancelled) != 0; }
    bool freshFigures() const override { return fresh_; }

    // Any thread: the figures as they stand.
    ListingProgress progress() const;

    // The listing's own thread, and the client's long calls on it.
    void doing(const std::string& what) override;
    // After every client call: a long call's words go with it. Also says
    // whether the listing has been cancelled, in the same single load: this
    // runs after every one of a listing's millions of calls.
    bool callReturned() {
        const unsigned flags = flags_.load(std::memory_order_relaxed);
        if ((flags & kDoingSaid) != 0)
            doing(std::string());
        return (flags & kCancelled) != 0;
    }
    void setStep(ListingProgress::Step step) { step_.store(step, std::memory_order_relaxed); }
    void setContainers(std::uint64_t count) { containers_.store(count, std::memory_order_relaxed); }
    void nextContainer() { bump(container_); }
    void measuredOne(bool kept) {
        bump(measured_);
        if (kept)
            bump(kept_);
    }

private:
    // One writer: a plain load and store, no locked instruction per object.
    static void bump(std::atomic<std::uint64_t>& figure) {
        figure.store(figure.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }

    static constexpr unsigned kCancelled = 1;
    static constexpr unsigned kDoingSaid = 2;

    const bool fresh_;
    std::atomic<unsigned> flags_{0};
    std::atomic<ListingProgress::Step> step_{ListingProgress::Step::Starting};
    std::atomic<std::uint64_t> containers_{0};
    std::atomic<std::uint64_t> container_{0};
    std::atomic<std::uint64_t> measured_{0};
    std::atomic<std::uint64_t> kept_{0};
    mutable std::mutex doingLock_;
    std::string doing_;
};

} // namespace vorlane
