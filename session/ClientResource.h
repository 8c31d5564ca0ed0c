#pragma once

#include "netware/Client.h"

#include <utility>

namespace vorlane {

// Something the client hands out and wants back: a connection handle, a
// directory context handle, a result buffer. It is given back when it goes
// out of scope, so every way out of a listing or a volume scan returns what
// it took; the client's tables are finite, and anything left open would pile
// up with every listing. Giving back is best effort: its code says nothing
// the caller could act on.
template <typename Handle, nw::NWRCODE (nw::Client::*Release)(Handle)> class ClientResource {
public:
    ClientResource() = default;
    ClientResource(nw::Client& client, Handle handle) : client_(&client), handle_(handle) {}
    ~ClientResource() { reset(); }

    ClientResource(ClientResource&& other) noexcept
        : client_(std::exchange(other.client_, nullptr)), handle_(other.handle_) {}
    ClientResource& operator=(ClientResource&& other) noexcept {
        if (this != &other) {
            reset();
            client_ = std::exchange(other.client_, nullptr);
            handle_ = other.handle_;
        }
        return *this;
    }
    ClientResource(const ClientResource&) = delete;
    ClientResource& operator=(const ClientResource&) = delete;

    Handle get() const { return handle_; }
    bool isOpen() const { return client_ != nullptr; }

    void reset() {
        if (client_ != nullptr)
            (std::exchange(client_, nullptr)->*Release)(handle_);
    }

private:
    nw::Client* client_ = nullptr;
    Handle handle_{};
};

using ConnectionHandle = ClientResource<nw::NWCONN_HANDLE, &nw::Client::NWCCCloseConn>;
using DsContext = ClientResource<nw::NWDSContextHandle, &nw::Client::NWDSFreeContext>;
using DsBuffer = ClientResource<nw::pBuf_T, &nw::Client::NWDSFreeBuf>;

} // namespace vorlane
