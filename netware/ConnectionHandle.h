#pragma once

#include "netware/Client.h"

#include <utility>

namespace nw {

// An open connection handle that is closed when it goes out of scope, so
// every way out of a listing or a volume scan gives its handles back. The
// client's connection table is finite; handles left open would pile up with
// every listing.
class ConnectionHandle {
public:
    ConnectionHandle() = default;
    ConnectionHandle(Client& client, NWCONN_HANDLE handle) : client_(&client), handle_(handle) {}
    ~ConnectionHandle() { reset(); }

    ConnectionHandle(ConnectionHandle&& other) noexcept
        : client_(std::exchange(other.client_, nullptr)), handle_(other.handle_) {}
    ConnectionHandle& operator=(ConnectionHandle&& other) noexcept {
        if (this != &other) {
            reset();
            client_ = std::exchange(other.client_, nullptr);
            handle_ = other.handle_;
        }
        return *this;
    }
    ConnectionHandle(const ConnectionHandle&) = delete;
    ConnectionHandle& operator=(const ConnectionHandle&) = delete;

    NWCONN_HANDLE get() const { return handle_; }
    bool isOpen() const { return client_ != nullptr; }

    // Closing is best effort: a handle the client no longer knows is gone
    // already, and nothing the user asked for depends on it.
    void reset() {
        if (client_ != nullptr)
            std::exchange(client_, nullptr)->NWCCCloseConn(handle_);
    }

private:
    Client* client_ = nullptr;
    NWCONN_HANDLE handle_ = 0;
};

} // namespace nw
