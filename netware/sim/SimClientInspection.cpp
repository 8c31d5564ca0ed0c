#include "netware/sim/SimClientState.h"

#include <algorithm>

namespace nwsim {

const Network& SimClient::network() const {
    return state_->net;
}

std::vector<nw::NWCONN_HANDLE> SimClient::openConnections() const {
    std::vector<nw::NWCONN_HANDLE> out;
    for (const auto& [handle, server] : state_->connections)
        out.push_back(handle);
    std::sort(out.begin(), out.end());
    return out;
}

std::size_t SimClient::openContextCount() const {
    return state_->contexts.size();
}

std::size_t SimClient::allocatedBufferCount() const {
    return state_->buffers.size();
}

std::size_t SimClient::peakAllocatedBufferCount() const {
    return state_->peakBuffers;
}

void SimClient::addFault(Fault fault) {
    state_->arm(std::move(fault));
}

void SimClient::setChunkLimit(std::uint32_t maxNamesPerChunk) {
    state_->net.chunkLimit = maxNamesPerChunk;
}

void SimClient::setServerBatchLimit(std::uint32_t maxServersPerBatch) {
    state_->net.serverBatchLimit = maxServersPerBatch;
}

std::size_t SimClient::openIterationCount() const {
    return state_->iterations.size();
}

std::size_t SimClient::callCount(std::string_view call) const {
    const auto named = callNamed(call);
    return named ? state_->calls[callIndex(*named)] : 0;
}

void SimClient::setCallLogging(bool on) {
    state_->logging = on;
}

std::vector<std::string> SimClient::callLog() const {
    std::vector<std::string> out;
    for (Call c : state_->log)
        out.emplace_back(callName(c));
    return out;
}

} // namespace nwsim
