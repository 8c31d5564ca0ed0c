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
#include <vector>

namespace loadertest {

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the stand-in client relies on in every network, however it was made:
// links both ways agree, Entry::containers is exactly the container children
// in order, usage ranges tile Network::usages and point at existing volumes,
// object IDs are unique. Stops at the first breach.
inline void expectWellFormed(const nwsim::Network& net) {
    ASSERT_LT(net.defaultServer, net.servers.size());
    ASSERT_EQ(net.entries.at(0).parent, nwsim::kNoEntry);
    std::set<nw::nuint32> ids;
    std::uint32_t listed = 0, nextUsage = 0;
    for (std::uint32_t i = 0; i < net.entries.size(); ++i) {
        const nwsim::Entry& e = net.entries[i];
        ASSERT_TRUE(e.objectId != 0 && ids.insert(e.objectId).second) << e.name << " has ID " << e.objectId;
        std::vector<std::uint32_t> containers;
        for (const auto c : e.children) {
            ASSERT_EQ(net.entries.at(c).parent, i) << net.entries[c].name;
            if (nwsim::isContainerClass(net.entries[c].cls))
                containers.push_back(c);
        }
        listed += static_cast<std::uint32_t>(e.children.size());
        ASSERT_EQ(e.containers, containers) << e.name;
        ASSERT_TRUE(i == 0 || e.children.empty() || nwsim::isContainerClass(e.cls)) << e.name;
        // Usages are appended entry by entry, so the ranges come in entry order.
        ASSERT_TRUE(e.usageCount == 0 || e.usageBegin == nextUsage) << e.name;
        nextUsage += e.usageCount;
        std::set<std::pair<std::uint32_t, int>> places;
        for (std::uint32_t u = e.usageBegin; u < e.usageBegin + e.usageCount; ++u) {
            const nwsim::Usage& usage = net.usages.at(u);
            const auto& volumes = net.servers.at(usage.server).volumes;
            ASSERT_TRUE(std::any_of(volumes.begin(), volumes.end(),
                                    [&](const nwsim::Volume& v) { return v.number == usage.volume; }))
                << e.name << " uses missing volume " << usage.volume;
            ASSERT_TRUE(places.emplace(usage.server, usage.volume).second) << e.name;
        }
    }
    ASSERT_EQ(listed + 1, net.entries.size()); // every entry but [Root] listed by its parent
    ASSERT_EQ(nextUsage, net.usages.size());
}

// The entry reached from [Root] through the given names (8-bit), or nullptr.
inline const nwsim::Entry* find(const nwsim::Network& net, std::initializer_list<std::string_view> path) {
    const nwsim::Entry* at = &net.entries[0];
    for (const auto name : path) {
        const auto it = std::find_if(at->children.begin(), at->children.end(),
                                     [&](std::uint32_t c) { return net.entries[c].name == name; });
        if (it == at->children.end())
            return nullptr;
        at = &net.entries[*it];
    }
    return at;
}

inline std::vector<nwsim::Usage> usagesOf(const nwsim::Network& net, const nwsim::Entry& e) {
    return {net.usages.begin() + e.usageBegin, net.usages.begin() + e.usageBegin + e.usageCount};
}

} // namespace loadertest
