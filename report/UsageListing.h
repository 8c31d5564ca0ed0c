#pragma once

#include "netware/Client.h"
#include "report/ListingControl.h"
#include "session/UserChannel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// What one listing asks: whose usage, where, and on which volumes.
struct ListingRequest {
    std::string server;  // as listed (UTF-8)
    std::string context; // the typed context (UTF-8), not empty
    bool recurse = false;
    // The volume numbers asked for each object: the chosen volume, or every
    // volume listed for the server. An object is kept once, with the sum.
    std::vector<nw::nuint8> volumes;
};

// One object that uses space: its name relative to the context (8-bit, as
// the directory gave it) and its usage in kilobytes.
struct UsageRow {
    std::string name;
    std::int64_t kilobytes = 0;
};

struct ListingResult {
    // False when the listing stopped with a message, or was cancelled; the
    // caller then keeps what it showed before.
    bool completed = false;
    std::vector<UsageRow> rows; // in the order found
};

// Runs one listing: opens the server, sets up a directory context for the
// typed context with typeless names, gathers the containers (all of them
// below the context with `recurse`), lists every object of each, resolves it
// and asks the server for its disk usage. Every object with a non-zero
// figure is kept, in kilobytes. Messages for an invalid or missing context;
// any other failure ends the program. Every handle the listing opened is
// released on every way out that does not end the program.
//
// `control` carries the figures out as they rise and the cancel in: once it
// is cancelled the listing makes no further call but the ones that give back
// what it holds, and ends as one that stops with a message does (not
// completed), without a message. The client watches the listing through it
// while the listing runs.
ListingResult doListing(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH,
                        const ListingRequest& request, ListingControl& control);

} // namespace vorlane
