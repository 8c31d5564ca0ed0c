#include "netware/sim/SimClientState.h"

#include "netware/Charset.h"

#include <algorithm>
#include <cstring>
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

std::optional<std::string_view> boundedText(const char* text) {
    if (text == nullptr)
        return std::nullopt;
    return std::string_view(text, strnlen(text, nw::kMaxDnChars + 1));
}

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
        if (const auto call = callNamed(name))
            latency[callIndex(*call)] = micros;
    }
    anyLatency = std::accumulate(latency.begin(), latency.end(), std::uint64_t{net.latencyMicros}) != 0;
    std::vector<Fault> initial = std::move(net.faults);
    net.faults.clear();
    for (auto& f : initial)
        arm(std::move(f));
}

SimClient::SimClient(Network network) : state_(std::make_unique<State>(std::move(network))) {}

SimClient::~SimClient() = default;

nw::NWCONN_REF SimClient::referenceOf(std::uint32_t server) {
    return kFirstReference + server;
}

} // namespace nwsim
