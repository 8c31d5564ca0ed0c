#pragma once

// Helpers shared by the loader, generator and sample-network tests.

#include "netware/sim/Network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace loadertest {

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the stand-in client relies on in every network, however it was made:
// parent and child links agree, Entry::containers is exactly the container
// children in order, usage ranges tile Network::usages, every usage points at
// an existing volume, object IDs are unique. Stops at the first breach, so a
// million-entry network cannot flood the output.
inline void expectWellFormed(const nwsim::Network& net) {
    using nwsim::kNoEntry;
    ASSERT_FALSE(net.servers.empty());
    ASSERT_LT(net.defaultServer, net.servers.size());
    for (const auto& server : net.servers) {
        for (std::size_t v = 0; v < server.volumes.size(); ++v) {
            ASSERT_LE(server.volumes[v].number, 63);
            if (v > 0) {
                ASSERT_LT(server.volumes[v - 1].number, server.volumes[v].number) << server.name;
            }
        }
    }
    ASSERT_FALSE(net.entries.empty());
    ASSERT_EQ(net.entries[0].parent, kNoEntry);

    std::vector<std::uint32_t> timesListed(net.entries.size(), 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    std::unordered_set<nw::nuint32> ids;
    for (std::uint32_t i = 0; i < net.entries.size(); ++i) {
        const nwsim::Entry& e = net.entries[i];
        ASSERT_NE(e.objectId, 0u) << e.name;
        ASSERT_TRUE(ids.insert(e.objectId).second) << "object ID " << e.objectId << " given twice";
        if (i > 0) {
            ASSERT_LT(e.parent, net.entries.size()) << e.name;
            ASSERT_FALSE(e.name.empty());
        }
        std::vector<std::uint32_t> containers;
        for (const auto c : e.children) {
            ASSERT_LT(c, net.entries.size());
            ASSERT_EQ(net.entries[c].parent, i) << net.entries[c].name;
            ++timesListed[c];
            if (nwsim::isContainerClass(net.entries[c].cls))
                containers.push_back(c);
        }
        ASSERT_EQ(e.containers, containers) << e.name;
        if (i > 0 && !nwsim::isContainerClass(e.cls)) {
            ASSERT_TRUE(e.children.empty()) << e.name;
        }

        ASSERT_LE(std::size_t{e.usageBegin} + e.usageCount, net.usages.size()) << e.name;
        if (e.usageCount > 0)
            ranges.emplace_back(e.usageBegin, e.usageCount);
        std::set<std::pair<std::uint32_t, int>> places;
        for (std::uint32_t u = e.usageBegin; u < e.usageBegin + e.usageCount; ++u) {
            const nwsim::Usage& usage = net.usages[u];
            ASSERT_LT(usage.server, net.servers.size());
            const auto& volumes = net.servers[usage.server].volumes;
            ASSERT_TRUE(std::any_of(volumes.begin(), volumes.end(),
                                    [&](const nwsim::Volume& v) { return v.number == usage.volume; }))
                << e.name << " uses volume " << usage.volume << " which its server lacks";
            ASSERT_GE(usage.inUse, 0);
            ASSERT_TRUE(places.emplace(usage.server, usage.volume).second) << e.name << ": two figures for one volume";
        }
    }
    for (std::uint32_t i = 1; i < net.entries.size(); ++i)
        ASSERT_EQ(timesListed[i], 1u) << net.entries[i].name << " is not listed exactly once by its parent";

    std::sort(ranges.begin(), ranges.end());
    std::uint32_t next = 0;
    for (const auto& [begin, count] : ranges) {
        ASSERT_EQ(begin, next) << "usage ranges overlap or leave a gap";
        next = begin + count;
    }
    ASSERT_EQ(next, net.usages.size());
}

// The entry reached from [Root] through the given names (as stored, 8-bit),
// or nullptr.
inline const nwsim::Entry* find(const nwsim::Network& net, std::initializer_list<std::string_view> path) {
    std::uint32_t at = 0;
    for (const auto name : path) {
        const auto& children = net.entries[at].children;
        const auto it = std::find_if(children.begin(), children.end(),
                                     [&](std::uint32_t c) { return net.entries[c].name == name; });
        if (it == children.end())
            return nullptr;
        at = *it;
    }
    return &net.entries[at];
}

inline std::vector<nwsim::Usage> usagesOf(const nwsim::Network& net, const nwsim::Entry& e) {
    return {net.usages.begin() + e.usageBegin, net.usages.begin() + e.usageBegin + e.usageCount};
}

} // namespace loadertest
