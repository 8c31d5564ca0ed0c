#pragma once

#include "netware/Client.h"
#include "report/ListingControl.h"
#include "session/UserChannel.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlane {

// A volume a listing asks about: its number, and its name as listed (UTF-8),
// for the message when its figures cannot be had.
struct RequestedVolume {
    nw::nuint8 number = 0;
    std::string name;
};

// What one listing asks: whose usage, where, and on which volumes.
struct ListingRequest {
    std::string server;  // as listed (UTF-8)
    std::string context; // the typed context (UTF-8), not empty
    bool recurse = false;
    // The volumes asked for each object: the chosen volume, or every volume
    // listed for the server. An object is kept once, with the sum.
    std::vector<RequestedVolume> volumes;
};

// The objects of a listing that use space, in the order found: each one's
// name relative to the context (8-bit, as the directory gave it) and its
// usage in kilobytes. The names stand one after the other in one block of
// text, so that keeping a row costs no allocation of its own: a listing
// keeps hundreds of thousands of them.
class UsageRows {
public:
    UsageRows() = default;
    UsageRows(std::initializer_list<std::pair<std::string_view, std::int64_t>> rows);

    void add(std::string_view name, std::int64_t kilobytes);
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    std::string_view name(std::size_t row) const { return {names_.data() + rows_[row].nameAt, rows_[row].nameSize}; }
    std::int64_t kilobytes(std::size_t row) const { return rows_[row].kilobytes; }

private:
    struct Row {
        std::size_t nameAt;
        std::size_t nameSize;
        std::int64_t kilobytes;
    };
    std::string names_;
    std::vector<Row> rows_;
};

struct ListingResult {
    // False when the listing stopped with a message, or was cancelled; the
    // caller then keeps what it showed before.
    bool completed = false;
    UsageRows rows;
};

// Runs one listing: opens the server, sets up a directory context for the
// typed context with typeless names, gathers the containers (all of them
// below the context with `recurse`), lists every object of each, resolves it
// and asks the server for its disk usage. Every object with a non-zero
// figure is kept, in kilobytes. Messages for an invalid or missing context,
// and for a disk query that fails: a figure the server could not give is no
// figure of 0, so the listing ends there, naming the volume. Any other
// failure ends the program. Every handle the listing opened is
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
