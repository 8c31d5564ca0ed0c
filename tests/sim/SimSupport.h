#pragma once

// What the stand-in's tests and fuzz targets share: networks from their JSON
// text, the promises every network keeps, and a session that drives the
// stand-in the way the tool does. No test framework here, so that the fuzz
// targets can use it too.

#include "netware/sim/DsName.h"
#include "netware/sim/NetworkLoader.h"
#include "netware/sim/SimClient.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

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

// A client with one context and one result buffer, driven as the tool
// drives it.
class Session {
public:
    explicit Session(Network net) : client(std::move(net)) {
        client.NWDSCreateContextHandle(&context);
        client.NWDSAllocBuf(nw::kResultBufferSize, &buffer);
    }

    nw::NWRCODE setContext(const std::string& name, bool typeless = true) {
        nw::nuint32 flags = kDefaultContextFlags | (typeless ? nw::kContextFlagTypelessNames : 0);
        client.NWDSSetContext(context, nw::kContextKeyFlags, &flags);
        return client.NWDSSetContext(context, nw::kContextKeyNameContext, name.c_str());
    }

    // The object ID the name resolves to, or the code of the failure.
    struct Resolved {
        nw::NWRCODE rc;
        nw::nuint32 id;
    };
    Resolved resolve(const std::string& name) {
        nw::NWCONN_HANDLE conn = 0;
        nw::nuint32 id = 0;
        const auto rc = client.NWDSResolveName(context, name.c_str(), &conn, &id);
        if (rc == nw::kSuccess)
            client.NWCCCloseConn(conn);
        return {rc, id};
    }

    // A whole listing: every name and the size of every chunk, or the code
    // of the first failing call.
    struct Listing {
        nw::NWRCODE rc = nw::kSuccess;
        std::vector<std::string> names;
        std::vector<std::size_t> chunks;
    };
    Listing list(const std::string& container, bool containersOnly = false) {
        Listing out;
        nw::nint32 iteration = -1;
        do {
            out.rc = containersOnly ? client.NWDSListContainers(context, container.c_str(), &iteration, buffer)
                                    : client.NWDSList(context, container.c_str(), &iteration, buffer);
            nw::nuint32 count = 0;
            if (out.rc == nw::kSuccess)
                out.rc = client.NWDSGetObjectCount(context, buffer, &count);
            for (nw::nuint32 i = 0; i < count && out.rc == nw::kSuccess; ++i) {
                std::array<char, nw::kNameBufferSize> name{};
                out.rc = client.NWDSGetObjectName(context, buffer, name.data(), nullptr, nullptr);
                out.names.emplace_back(name.data());
            }
            out.chunks.push_back(count);
        } while (out.rc == nw::kSuccess && iteration != -1);
        return out;
    }

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
                    if (name != formatRdn(member.cls, member.name, typeless) || full.size() > nw::kMaxDnChars ||
                        resolve(full).id != member.objectId)
                        return full;
                    containersOnly ? void(pending.emplace_back(full, members[i])) : void(++reached);
                }
            }
        }
        return reached == entries.size() ? "" : "entries out of the tree";
    }

    SimClient client;
    nw::NWDSContextHandle context = 0;
    nw::pBuf_T buffer = nullptr;
};

} // namespace nwsim::test
