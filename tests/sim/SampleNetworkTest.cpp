#include "netware/sim/SampleNetwork.h"

#include "netware/Charset.h"
#include "sim/LoaderTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using nwsim::Network;
using nwsim::ObjectClass;

const Network& sample() {
    static const Network net = [] {
        auto loaded = nwsim::loadSampleNetwork();
        EXPECT_TRUE(loaded.network) << loaded.error;
        return loaded.network ? std::move(*loaded.network) : Network{};
    }();
    return net;
}

std::uint32_t serverIndex(const Network& net, std::string_view name) {
    for (std::uint32_t i = 0; i < net.servers.size(); ++i) {
        if (net.servers[i].name == name)
            return i;
    }
    return nwsim::kNoEntry;
}

// The volumes a volume scan reaches: from 0 up to the first missing number.
std::set<int> scannedVolumes(const nwsim::Server& server) {
    std::set<int> out;
    for (int n = 0; std::any_of(server.volumes.begin(), server.volumes.end(),
                                [&](const nwsim::Volume& v) { return v.number == n; });
         ++n)
        out.insert(n);
    return out;
}

TEST(SampleNetwork, LoadsAndHoldsTogether) {
    ASSERT_FALSE(sample().entries.empty());
    loadertest::expectWellFormed(sample());
}

TEST(SampleNetwork, DefaultsPointAtSomethingToList) {
    const Network& net = sample();
    EXPECT_EQ(net.servers[net.defaultServer].name, "FS1");
    EXPECT_EQ(net.defaultContext, "SALES.ACME");
    // The default context must exist, or the first listing after start-up shows nothing.
    const nwsim::Entry* sales = loadertest::find(net, {"ACME", "SALES"});
    ASSERT_NE(sales, nullptr);
    EXPECT_TRUE(nwsim::isContainerClass(sales->cls));
}

TEST(SampleNetwork, ServersShowAPrefixPairAndAVolumeGap) {
    const Network& net = sample();
    EXPECT_GE(net.servers.size(), 3u);
    const auto fs1 = serverIndex(net, "FS1");
    const auto fs10 = serverIndex(net, "FS10");
    ASSERT_NE(fs1, nwsim::kNoEntry);
    ASSERT_NE(fs10, nwsim::kNoEntry);
    // Some server has a volume the scan never reaches, and some object uses space there.
    bool hiddenUsage = false;
    for (const auto& u : net.usages)
        hiddenUsage |= scannedVolumes(net.servers[u.server]).count(u.volume) == 0;
    EXPECT_TRUE(hiddenUsage);
    bool gap = false;
    for (const auto& s : net.servers)
        gap |= scannedVolumes(s).size() < s.volumes.size() && scannedVolumes(s).size() >= 2;
    EXPECT_TRUE(gap);
}

TEST(SampleNetwork, TreeHasTheVarietyTheToolNeedsToShow) {
    const Network& net = sample();
    std::set<ObjectClass> classes;
    std::size_t leaves = 0, idle = 0, maxUnitDepth = 0;
    bool nonAscii = false, overlong = false, severalVolumesOfOneServer = false, severalServers = false;
    for (std::uint32_t i = 1; i < net.entries.size(); ++i) {
        const nwsim::Entry& e = net.entries[i];
        std::size_t depth = 0; // levels of containers between the entry and the Organization
        for (auto p = e.parent; p != 0 && net.entries[p].cls != ObjectClass::Organization; p = net.entries[p].parent)
            ++depth;
        if (nwsim::isContainerClass(e.cls)) {
            if (e.cls == ObjectClass::OrganizationalUnit)
                maxUnitDepth = std::max(maxUnitDepth, depth + 1);
            continue;
        }
        ++leaves;
        classes.insert(e.cls);
        nonAscii |=
            std::any_of(e.name.begin(), e.name.end(), [](char c) { return static_cast<unsigned char>(c) > 127; });
        overlong |= e.name.size() > 48;
        std::set<std::uint32_t> servers;
        std::set<std::pair<std::uint32_t, int>> volumes;
        bool usesAnything = false;
        for (const auto& u : loadertest::usagesOf(net, e)) {
            servers.insert(u.server);
            volumes.emplace(u.server, u.volume);
            usesAnything |= u.inUse > 0;
        }
        idle += usesAnything ? 0 : 1;
        severalServers |= servers.size() > 1;
        severalVolumesOfOneServer |= volumes.size() > servers.size();
    }
    EXPECT_GE(leaves, 60u);
    EXPECT_GE(classes.size(), 5u);
    EXPECT_GE(idle, 10u);
    EXPECT_GE(maxUnitDepth, 3u); // OU=BOSTON.OU=EAST.OU=SALES
    EXPECT_TRUE(nonAscii);
    EXPECT_TRUE(overlong);
    EXPECT_TRUE(severalServers);
    EXPECT_TRUE(severalVolumesOfOneServer);
    EXPECT_NE(loadertest::find(net, {"ACME", "SALES", "JOS\xC9"}), nullptr);
    EXPECT_NE(loadertest::find(net, {"ACME", "SALES", "EAST", "SMITH"}), nullptr);
}

TEST(SampleNetwork, SalesHasTiesOnOneVolume) {
    const Network& net = sample();
    const nwsim::Entry* sales = loadertest::find(net, {"ACME", "SALES"});
    ASSERT_NE(sales, nullptr);
    std::map<std::pair<std::uint32_t, int>, std::set<nw::nint32>> seen;
    bool tie = false;
    for (const auto c : sales->children) {
        for (const auto& u : loadertest::usagesOf(net, net.entries[c]))
            tie |= u.inUse > 0 && !seen[{u.server, u.volume}].insert(u.inUse).second;
    }
    EXPECT_TRUE(tie);
}

} // namespace
