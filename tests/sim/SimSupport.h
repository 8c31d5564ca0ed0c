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
    LoadResult loaded = loadNetworkJson(json, "test network");
    if (!loaded.network)
        throw std::runtime_error(loaded.error);
    return std::move(*loaded.network);
}

// The entry with that object ID, or nullptr.
inline const Entry* entryWithId(const Network& net, nw::nuint32 id) {
    const auto it =
        std::find_if(net.entries.begin(), net.entries.end(), [&](const Entry& e) { return e.objectId == id; });
    return it == net.entries.end() ? nullptr : &*it;
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

    // What the tool relies on in a listing of `container` that succeeded:
    // each name is the member's own, written the way the directory writes
    // one (typeless or typed, as the context asks), and joined to the
    // container as the tool joins them (when that fits a name) resolves to
    // that very member. The first breach, or empty.
    std::string listingProblem(const std::string& container, const Listing& listing, bool containersOnly) {
        const Resolved at = resolve(container);
        const Entry* listed = entryWithId(client.network(), at.id);
        nw::nuint32 flags = 0;
        client.NWDSGetContext(context, nw::kContextKeyFlags, &flags);
        DsName name;
        if (listing.rc != nw::kSuccess || at.rc != nw::kSuccess || listed == nullptr ||
            parseDsName(container, name) != nw::kSuccess)
            return "the container";
        const auto& members = containersOnly ? listed->containers : listed->children;
        if (listing.names.size() != members.size())
            return "the number of names";
        for (std::size_t i = 0; i < members.size(); ++i) {
            const Entry& member = client.network().entries[members[i]];
            const std::string joined = container.empty() ? listing.names[i] : listing.names[i] + "." + container;
            if (listing.names[i] != formatRdn(member.cls, member.name, (flags & nw::kContextFlagTypelessNames) != 0) ||
                (!name.root && joined.size() <= nw::kMaxDnChars && resolve(joined).id != member.objectId))
                return listing.names[i];
        }
        return {};
    }

    // Walks the whole tree by full names from [Root] (the empty name in the
    // context [Root]), each listing checked as above, and counts that it
    // reaches every entry. The first breach, or empty.
    std::string walkProblem(bool typeless = false) {
        setContext("[Root]", typeless);
        std::vector<std::string> pending{""};
        std::size_t reached = 1;
        while (!pending.empty()) {
            const std::string container = pending.back();
            pending.pop_back();
            for (const bool containersOnly : {false, true}) {
                const auto listing = list(container, containersOnly);
                if (const auto problem = listingProblem(container, listing, containersOnly); !problem.empty())
                    return container + ": " + problem;
                for (const std::string& name : listing.names) {
                    const std::string full = container.empty() ? name : name + "." + container;
                    if (full.size() > nw::kMaxDnChars)
                        return full + ": too long";
                    containersOnly ? pending.push_back(full) : void(++reached);
                }
            }
        }
        return reached == client.network().entries.size() ? "" : "entries out of the tree";
    }

    SimClient client;
    nw::NWDSContextHandle context = 0;
    nw::pBuf_T buffer = nullptr;
};

} // namespace nwsim::test
