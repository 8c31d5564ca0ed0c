// The network-description loader on arbitrary text. It never throws and
// answers with exactly one of a network or a message; the message names the
// source and is UTF-8 whatever bytes the text held. A network it accepts keeps
// every promise the stand-in client relies on (indexes in range, names within
// their limits, unique object IDs), and the client then delivers it whole: the
// server scan yields every server in order, and walking the tree by typed
// names from [Root] reaches every object under its own ID, every name within
// the limit the loader enforced.

#include "FuzzSupport.h"
#include "discovery/ServerScan.h"
#include "netware/Charset.h"
#include "netware/sim/DsName.h"
#include "netware/sim/NetworkLoader.h"
#include "netware/sim/SimClient.h"
#include "support/FakeUserChannel.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <unordered_set>

namespace {

using nwsim::Network;

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                   : (lead & 0xF8) == 0xF0 ? 4
                                                           : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

// Generated networks are as large as asked; past a few thousand objects a run
// would only measure the generator.
bool tooBigToTry(std::string_view text) {
    const auto doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object() || !doc.contains("generate") || !doc["generate"].is_object())
        return false;
    const auto& generate = doc["generate"];
    return !generate.contains("objects") || !generate["objects"].is_number() || generate["objects"] > 2000 ||
           generate["objects"] < 0;
}

void checkShape(const Network& net) {
    FUZZ_REQUIRE(!net.servers.empty() && net.defaultServer < net.servers.size());
    FUZZ_REQUIRE(net.defaultContext.size() <= nw::kMaxDnChars);
    for (const auto& server : net.servers) {
        FUZZ_REQUIRE(!server.name.empty() && server.name.size() <= 47);
        for (std::size_t v = 0; v < server.volumes.size(); ++v) {
            FUZZ_REQUIRE(server.volumes[v].number < nw::kMaxVolumes);
            FUZZ_REQUIRE(v == 0 || server.volumes[v - 1].number < server.volumes[v].number);
            FUZZ_REQUIRE(!server.volumes[v].name.empty() && server.volumes[v].name.size() < nw::kVolumeNameBufferSize);
        }
    }
    FUZZ_REQUIRE(!net.entries.empty() && net.entries[0].parent == nwsim::kNoEntry);
    std::unordered_set<nw::nuint32> ids;
    for (std::uint32_t e = 0; e < net.entries.size(); ++e) {
        const nwsim::Entry& entry = net.entries[e];
        FUZZ_REQUIRE(ids.insert(entry.objectId).second);
        FUZZ_REQUIRE(e == 0 || (entry.parent < net.entries.size() && !entry.name.empty()));
        FUZZ_REQUIRE(entry.children.empty() || e == 0 || nwsim::isContainerClass(entry.cls));
        for (const std::uint32_t c : entry.children)
            FUZZ_REQUIRE(c < net.entries.size() && net.entries[c].parent == e);
        for (const std::uint32_t c : entry.containers)
            FUZZ_REQUIRE(c < net.entries.size() && net.entries[c].parent == e &&
                         nwsim::isContainerClass(net.entries[c].cls));
        FUZZ_REQUIRE(std::uint64_t{entry.usageBegin} + entry.usageCount <= net.usages.size());
    }
    for (const auto& usage : net.usages) {
        FUZZ_REQUIRE(usage.server < net.servers.size() && usage.inUse >= 0);
        const auto& volumes = net.servers[usage.server].volumes;
        FUZZ_REQUIRE(std::any_of(volumes.begin(), volumes.end(), [&](auto& v) { return v.number == usage.volume; }));
    }
}

void checkServerScan(nwsim::SimClient& client, const Network& net) {
    nw::NWCONN_REF ref = 0;
    nw::NWCONN_HANDLE conn = 0;
    FUZZ_REQUIRE(client.NWGetDefaultConnRef(&ref) == nw::kSuccess);
    FUZZ_REQUIRE(client.NWCCOpenConnByRef(ref, nw::kOpenStateUnlicensed, 0, &conn) == nw::kSuccess);
    testing_support::FakeUserChannel user;
    std::vector<std::string> names;
    vorlane::scanKnownServers(client, user, conn, [&](const std::string& name) { names.push_back(name); });
    FUZZ_REQUIRE(names.size() == net.servers.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        FUZZ_REQUIRE(names[i] == nw::cp1252ToUtf8(net.servers[i].name));
    FUZZ_REQUIRE(client.NWCCCloseConn(conn) == nw::kSuccess);
}

void checkTreeWalk(nwsim::SimClient& client, const Network& net) {
    nw::NWDSContextHandle context = 0;
    nw::pBuf_T buffer = nullptr;
    FUZZ_REQUIRE(client.NWDSCreateContextHandle(&context) == nw::kSuccess);
    FUZZ_REQUIRE(client.NWDSSetContext(context, nw::kContextKeyNameContext, "[Root]") == nw::kSuccess);
    FUZZ_REQUIRE(client.NWDSAllocBuf(nw::kResultBufferSize, &buffer) == nw::kSuccess);

    // Full typed names of the containers still to list, with their entries.
    std::vector<std::pair<std::string, std::uint32_t>> pending{{"[Root]", 0}};
    std::size_t reached = 1;
    while (!pending.empty()) {
        const auto [container, entry] = pending.back();
        pending.pop_back();
        const auto& children = net.entries[entry].children;
        std::size_t at = 0;
        nw::nint32 iteration = -1;
        do {
            FUZZ_REQUIRE(client.NWDSList(context, container.c_str(), &iteration, buffer) == nw::kSuccess);
            nw::nuint32 count = 0;
            FUZZ_REQUIRE(client.NWDSGetObjectCount(context, buffer, &count) == nw::kSuccess);
            for (nw::nuint32 i = 0; i < count; ++i, ++at) {
                std::array<char, nw::kNameBufferSize> name{};
                FUZZ_REQUIRE(client.NWDSGetObjectName(context, buffer, name.data(), nullptr, nullptr) == nw::kSuccess);
                FUZZ_REQUIRE(at < children.size());
                const std::string full = entry == 0 ? std::string(name.data()) : name.data() + ("." + container);
                FUZZ_REQUIRE(full.size() <= nw::kMaxDnChars);
                nw::NWCONN_HANDLE conn = 0;
                nw::nuint32 id = 0;
                FUZZ_REQUIRE(client.NWDSResolveName(context, full.c_str(), &conn, &id) == nw::kSuccess);
                FUZZ_REQUIRE(client.NWCCCloseConn(conn) == nw::kSuccess);
                FUZZ_REQUIRE(id == net.entries[children[at]].objectId);
                ++reached;
                if (nwsim::isContainerClass(net.entries[children[at]].cls))
                    pending.emplace_back(full, children[at]);
            }
        } while (iteration != -1);
        FUZZ_REQUIRE(at == children.size());
    }
    FUZZ_REQUIRE(reached == net.entries.size());
    FUZZ_REQUIRE(client.NWDSFreeBuf(buffer) == nw::kSuccess && client.NWDSFreeContext(context) == nw::kSuccess);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (tooBigToTry(text))
        return -1;

    nwsim::LoadResult result;
    try {
        result = nwsim::loadNetworkJson(text, "fuzz");
    } catch (...) {
        const bool loaderThrew = true;
        FUZZ_REQUIRE(!loaderThrew);
    }
    FUZZ_REQUIRE(result.network.has_value() != !result.error.empty());
    if (!result.network) {
        FUZZ_REQUIRE(result.error.starts_with("fuzz: ") && isUtf8(result.error));
        return 0;
    }

    Network net = std::move(*result.network);
    checkShape(net);
    // What the description injects would only get in the way here.
    net.faults.clear();
    net.latencyMicros = 0;
    net.callLatencyMicros.clear();
    nwsim::SimClient client(net);
    checkServerScan(client, net);
    checkTreeWalk(client, net);
    return 0;
}
