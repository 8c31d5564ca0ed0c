#pragma once

#include <chrono>
#include <cstdint>

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
};

// Someone who watches a listing and may stop it: the window, which keeps
// itself alive and shows the figures. The listing never waits for it; it
// consults it between client calls, never during one, and only when an
// update is due, so that watching costs next to nothing.
class ListingObserver {
public:
    virtual ~ListingObserver() = default;

    // How often an update is due. Zero: after every client call.
    virtual std::chrono::milliseconds updateInterval() const = 0;

    // Called between two client calls once an update is due. Returning
    // false stops the listing at once: it gives back everything it holds
    // and ends as a listing that stops with a message does, without one.
    virtual bool update(const ListingProgress& progress) = 0;
};

} // namespace vorlane
