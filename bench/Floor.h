#pragma once

// The floor of a listing: the very client calls the tool makes for it, in
// the same order and with the same arguments, in a bare loop that keeps
// nothing but a count and a sum. No name is kept, no row stored, nothing
// sorted or shown. Whatever the tool spends above this is its own overhead.

#include "netware/Client.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct FloorRequest {
    std::string server;  // 8-bit, as the client takes it
    std::string context; // 8-bit
    bool recurse = false;
    std::vector<nw::nuint8> volumes;
};

struct FloorResult {
    nw::NWRCODE failure = nw::kSuccess; // the first call that did not succeed
    std::uint64_t objects = 0;          // objects measured
    std::uint64_t rows = 0;             // objects that use space
    std::int64_t kilobytes = 0;         // their usage, summed
};

// Stops at the first failing call (after releasing what it holds); the
// stand-in of a benchmark never fails.
FloorResult floorListing(nw::Client& client, nw::NWCONN_HANDLE defConnH, const FloorRequest& request);

} // namespace bench
