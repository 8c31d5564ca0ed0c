// The stand-in's servers, their volumes and the disk figures on them.

#include "netware/sim/SimClientState.h"

#include "netware/Charset.h"

#include <algorithm>

namespace nwsim {

std::uint32_t SimClient::serverCount() const {
    return static_cast<std::uint32_t>(state_->net.servers.size());
}

std::string_view SimClient::serverName(std::uint32_t server) const {
    return state_->net.servers[server].name;
}

std::optional<std::uint32_t> SimClient::serverNamed(std::string_view name) const {
    const auto it = state_->serverByName.find(nw::foldedCp1252(name));
    if (it == state_->serverByName.end())
        return std::nullopt;
    return it->second;
}

std::uint32_t SimClient::defaultServer() const {
    return state_->net.defaultServer;
}

std::uint32_t SimClient::serverBatchLimit() const {
    return state_->net.serverBatchLimit;
}

std::optional<std::string_view> SimClient::nameOfVolume(std::uint32_t server, nw::nuint16 number) const {
    const auto slot = state_->volumeSlot[server][number];
    if (slot < 0)
        return std::nullopt;
    return state_->net.servers[server].volumes[static_cast<std::size_t>(slot)].name;
}

// An object ID the server does not know is answered like an object that
// uses nothing: that is what the server does.
nw::NWRCODE SimClient::diskUsage(std::uint32_t server, nw::nuint8 volume, nw::nuint32 objectId, nw::DiskFigure& out) {
    const Network& net = state_->net;
    const auto entry = state_->entryById.find(objectId);
    if (entry == kNoEntry)
        return nw::kSuccess;
    const auto first = net.usages.begin() + net.entries[entry].usageBegin;
    const auto last = first + net.entries[entry].usageCount;
    const auto it = std::find_if(first, last, [&](const Usage& u) { return u.server == server && u.volume == volume; });
    if (it != last)
        out = {it->restriction, it->inUse};
    return nw::kSuccess;
}

} // namespace nwsim
