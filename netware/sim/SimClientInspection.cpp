#include "netware/sim/SimClientState.h"

namespace nwsim {

const Network& SimClient::network() const {
    return state_->net;
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

std::size_t SimClient::callCount(std::string_view call) const {
    const auto named = nw::callNamed(call);
    return named ? state_->calls[nw::callIndex(*named)] : 0;
}

void SimClient::setCallLogging(bool on) {
    state_->logging = on;
}

std::vector<std::string> SimClient::callLog() const {
    std::vector<std::string> out;
    for (nw::Call c : state_->log)
        out.emplace_back(nw::callName(c));
    return out;
}

} // namespace nwsim
