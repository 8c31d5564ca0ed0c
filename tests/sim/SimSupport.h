#pragma once

// What the stand-in's tests and fuzz targets share: networks from their JSON
// text, and a session that drives the stand-in the way the tool does. No
// test framework here, so that the fuzz targets can use it too.

#include "netware/DottedName.h"
#include "netware/sim/NetworkLoader.h"
#include "netware/sim/SimClient.h"
#include "support/ClientSession.h"

#include <stdexcept>
#include <string>

namespace nwsim::test {

// The network the text describes; throws with the loader's message when it
// describes none.
inline Network networkFrom(std::string_view json) {
    nw::Opened<Network> loaded = loadNetworkJson(json, "test network");
    if (!loaded)
        throw std::runtime_error(loaded.error());
    return std::move(*loaded);
}

// Everything of a network the stand-in reads but the tree's links, as one
// text: servers, then each entry with its class, ID and usage.
inline std::string networkText(const Network& net) {
    std::string out;
    for (const auto& s : net.servers)
        out += s.name + ":" + std::to_string(s.volumes.size()) + s.volumes.back().name + " ";
    for (const auto& e : net.entries) {
        out += "\n" + e.name + " " + className(e.cls) + " " + std::to_string(e.objectId) + " ";
        for (auto u = e.usageBegin; u < e.usageBegin + e.usageCount; ++u)
            out += std::to_string(net.usages[u].server) + "/" + std::to_string(net.usages[u].volume) + "=" +
                   std::to_string(net.usages[u].inUse) + " ";
    }
    return out;
}

// The stand-in, first, so that the session's context and buffer can be
// taken from it.
struct StandIn {
    explicit StandIn(Network net) : client(std::move(net)) {}
    SimClient client;
};

// A stand-in with one context and one result buffer, driven as the tool
// drives it.
class Session : public StandIn, public testing_support::ClientSession {
public:
    explicit Session(Network net) : StandIn(std::move(net)), ClientSession(client) {}

    // Walks the whole tree by full names from [Root] (the empty name in the
    // context [Root]), each container's objects and then its containers, and
    // counts that it reaches every entry. Each name is the member's own,
    // written the way the directory writes one (typeless or typed, as asked),
    // and joined to its container as the tool joins them fits a name and
    // resolves to that very member. The first breach, or empty.
    std::string walkProblem(bool typeless = false) {
        setContext("[Root]", typeless);
        const auto& entries = client.network().entries;
        std::vector<std::pair<std::string, std::uint32_t>> pending{{"", 0}};
        std::size_t reached = 1;
        while (!pending.empty()) {
            const auto [container, at] = pending.back();
            pending.pop_back();
            for (const bool containersOnly : {false, true}) {
                const auto listing = list(container, containersOnly);
                const auto& members = containersOnly ? entries[at].containers : entries[at].children;
                if (listing.rc != nw::kSuccess || listing.names.size() != members.size())
                    return container + ": the listing";
                for (std::size_t i = 0; i < members.size(); ++i) {
                    const Entry& member = entries[members[i]];
                    const std::string& name = listing.names[i];
                    const std::string full = container.empty() ? name : name + "." + container;
                    const std::string own = typeless ? "" : namingAttribute(member.cls);
                    if (name != nw::componentText({own, member.name}) || resolve(full).id != member.objectId)
                        return full;
                    containersOnly ? void(pending.emplace_back(full, members[i])) : void(++reached);
                }
            }
        }
        return reached == entries.size() ? "" : "entries out of the tree";
    }
};

} // namespace nwsim::test
