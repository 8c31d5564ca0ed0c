// The stand-in's state, set up from a network, and its directory: entries
// by index into Network::entries, [Root] the first.

#include "netware/sim/SimClientState.h"

#include "netware/Charset.h"

#include <algorithm>
#include <numeric>

namespace nwsim {
namespace {

// Checks `Network` invariants that the rest relies on for memory safety,
// dropping references that point nowhere. A loaded network is validated
// already; a network built in code may not be.
void sanitize(Network& net) {
    const auto n = net.entries.size();
    for (auto& e : net.entries) {
        auto outside = [n](std::uint32_t c) { return c >= n || c == 0; };
        std::erase_if(e.children, outside);
        std::erase_if(e.containers, outside);
        const auto usages = static_cast<std::uint32_t>(net.usages.size());
        e.usageBegin = std::min(e.usageBegin, usages);
        e.usageCount = std::min(e.usageCount, usages - e.usageBegin);
    }
}

} // namespace

SimClient::State::State(Network network) : net(std::move(network)) {
    sanitize(net);
    children.build(net.entries);
    entryById.build(net.entries);
    volumeSlot.resize(net.servers.size());
    for (std::uint32_t s = 0; s < net.servers.size(); ++s) {
        serverByName.emplace(nw::foldedCp1252(net.servers[s].name), s);
        volumeSlot[s].fill(-1);
        const auto& volumes = net.servers[s].volumes;
        // Backwards, so that where two volumes share a number the first counts.
        for (std::size_t v = volumes.size(); v-- > 0;) {
            if (volumes[v].number < nw::kMaxVolumes)
                volumeSlot[s][volumes[v].number] = static_cast<std::int16_t>(v);
        }
    }
    for (const auto& [name, micros] : net.callLatencyMicros) {
        if (const auto call = nw::callNamed(name))
            latency[nw::callIndex(*call)] = micros;
    }
    anyLatency = std::accumulate(latency.begin(), latency.end(), std::uint64_t{net.latencyMicros}) != 0;
    std::vector<Fault> initial = std::move(net.faults);
    net.faults.clear();
    for (auto& f : initial)
        arm(std::move(f));
}

SimClient::SimClient(Network network) : ClientKit(isNamingType), state_(std::make_unique<State>(std::move(network))) {}

SimClient::~SimClient() = default;

std::string SimClient::defaultNameContext() const {
    return state_->net.defaultContext;
}

nw::EntryId SimClient::root(nw::ContextMemory*) {
    return state_->net.entries.empty() ? nw::kNoEntryId : 0;
}

// A typeless component names an object of any class, a typed one only an
// object whose class is named by that attribute.
nw::NWRCODE SimClient::child(nw::ContextMemory*, nw::EntryId parent, const nw::NameComponent& component,
                             nw::EntryId& out) {
    const auto& entries = state_->net.entries;
    const std::uint32_t found = state_->children.find(entries, parent, component.value, [&](std::uint32_t e) {
        return component.type.empty() || nw::sameType(component.type, namingAttribute(entries[e].cls));
    });
    if (found == kNoEntry)
        return nw::kNoSuchEntry;
    out = found;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::children(nw::ContextMemory*, nw::EntryId parent, bool containersOnly,
                                std::span<const nw::EntryId>& out) {
    const Entry& entry = state_->net.entries[parent];
    out = containersOnly ? entry.containers : entry.children;
    return nw::kSuccess;
}

nw::EntryFacts SimClient::facts(nw::ContextMemory*, nw::EntryId entry) const {
    const Entry& e = state_->net.entries[entry];
    return {namingAttribute(e.cls),
            e.name,
            className(e.cls),
            isContainerClass(e.cls),
            e.cls == ObjectClass::Alias,
            static_cast<nw::nuint32>(e.children.size())};
}

nw::nuint32 SimClient::objectIdOf(nw::ContextMemory*, nw::EntryId entry) const {
    return state_->net.entries[entry].objectId;
}

std::uint32_t SimClient::chunkLimit() const {
    return state_->net.chunkLimit;
}

} // namespace nwsim
