#pragma once

#include "netware/Client.h"

#include <utility>

namespace nw {

// A directory context handle, freed when it goes out of scope.
class DsContext {
public:
    DsContext(Client& client, NWDSContextHandle handle) : client_(&client), handle_(handle) {}
    ~DsContext() { reset(); }
    DsContext(DsContext&& other) noexcept : client_(std::exchange(other.client_, nullptr)), handle_(other.handle_) {}
    DsContext& operator=(DsContext&&) = delete;
    DsContext(const DsContext&) = delete;
    DsContext& operator=(const DsContext&) = delete;

    NWDSContextHandle get() const { return handle_; }
    // The release's code says nothing the caller could act on.
    void reset() {
        if (client_ != nullptr)
            std::exchange(client_, nullptr)->NWDSFreeContext(handle_);
    }

private:
    Client* client_;
    NWDSContextHandle handle_;
};

// A directory result buffer, freed when it goes out of scope.
class DsBuffer {
public:
    DsBuffer(Client& client, pBuf_T buffer) : client_(&client), buffer_(buffer) {}
    ~DsBuffer() { reset(); }
    DsBuffer(DsBuffer&& other) noexcept : client_(std::exchange(other.client_, nullptr)), buffer_(other.buffer_) {}
    DsBuffer& operator=(DsBuffer&&) = delete;
    DsBuffer(const DsBuffer&) = delete;
    DsBuffer& operator=(const DsBuffer&) = delete;

    pBuf_T get() const { return buffer_; }
    void reset() {
        if (client_ != nullptr)
            std::exchange(client_, nullptr)->NWDSFreeBuf(buffer_);
    }

private:
    Client* client_;
    pBuf_T buffer_;
};

} // namespace nw
