#include "netware/sim/Generator.h"
#include "netware/sim/SampleNetwork.h"
#include "sim/SimSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <unordered_set>

namespace nwsim::test {
namespace {

// Everything of a network the stand-in client reads, as one text.
std::string fingerprint(const Network& net) {
    std::ostringstream out;
    for (const auto& s : net.servers) {
        out << s.name << ':';
        for (const auto& v : s.volumes)
            out << v.number << v.name << ',';
    }
    for (const auto& e : net.entries) {
        out << '\n' << e.name << ' ' << static_cast<int>(e.cls) << ' ' << e.objectId << ' ' << e.parent << ' ';
        for (const auto c : e.children)
            out << c << ',';
        for (auto u = e.usageBegin; u < e.usageBegin + e.usageCount; ++u)
            out << ' ' << net.usages[u].server << '/' << net.usages[u].volume << '=' << net.usages[u].inUse;
    }
    return out.str();
}

TEST(Generator, SameSettingsGiveTheSameNetworkAndAnotherSeedAnother) {
    const std::string first = fingerprint(generateNetwork({5000, 100, 3, 4, 8, 0.8, 42}));
    EXPECT_EQ(first, fingerprint(generateNetwork({5000, 100, 3, 4, 8, 0.8, 42})));
    EXPECT_NE(first, fingerprint(generateNetwork({5000, 100, 3, 4, 8, 0.8, 43})));
}

TEST(Generator, ShapeFollowsTheSettings) {
    const Network net = generateNetwork({20000, 100, 3, 4, 8, 0.6, 3});
    EXPECT_EQ(wellFormedProblem(net), "");
    EXPECT_EQ(net.servers.size(), 4u);
    EXPECT_EQ(net.servers[3].name, "FS4");
    EXPECT_EQ(net.servers[3].volumes.back().name, "VOL7");
    std::uint32_t leaves = 0, containers = 0, users = 0, usingSpace = 0, maxDepth = 0, heavy = 0;
    std::unordered_set<std::string> names;
    std::map<nw::nint32, int> figures;
    for (std::uint32_t i = 1; i < net.entries.size(); ++i) {
        const Entry& e = net.entries[i];
        EXPECT_TRUE(names.insert(e.name).second) << e.name << " appears twice";
        if (isContainerClass(e.cls)) {
            ++containers;
            EXPECT_EQ(e.children.size() - e.containers.size(), 100u) << e.name; // 20,000 divide evenly
            std::uint32_t depth = 0;
            for (auto p = e.parent; p != 0; p = net.entries[p].parent)
                ++depth;
            maxDepth = std::max(maxDepth, depth);
            continue;
        }
        ++leaves;
        users += e.cls == ObjectClass::User ? 1 : 0;
        usingSpace += e.usageCount > 0 ? 1 : 0;
        EXPECT_LE(e.usageCount, 3u);
        for (auto u = e.usageBegin; u < e.usageBegin + e.usageCount; ++u) {
            ++figures[net.usages[u].inUse];
            heavy += net.usages[u].inUse > 100000 ? 1 : 0;
        }
    }
    EXPECT_EQ(std::tuple(leaves, containers, maxDepth), std::tuple(20000u, 200u, 3u)); // CORP, then three levels
    EXPECT_NEAR(static_cast<double>(usingSpace) / leaves, 0.6, 0.02);
    EXPECT_NEAR(static_cast<double>(users) / leaves, 0.8, 0.02);
    EXPECT_NEAR(static_cast<double>(heavy) / static_cast<double>(net.usages.size()), 0.02 * 0.975, 0.01);
    EXPECT_GT(std::count_if(figures.begin(), figures.end(), [](const auto& f) { return f.second > 1; }), 100);
}

TEST(SampleNetwork, LoadsAndHoldsTheCasesTheToolMustGetRight) {
    const auto loaded = loadSampleNetwork();
    ASSERT_TRUE(loaded.network) << loaded.error;
    const Network& net = *loaded.network;
    EXPECT_EQ(wellFormedProblem(net), "");
    EXPECT_EQ(net.servers[net.defaultServer].name, "FS1");
    EXPECT_EQ(net.servers[1].name, "FS10");
    // The default context exists, or the first listing after start-up shows nothing.
    Session s(net);
    EXPECT_EQ(s.resolve(net.defaultContext).rc, 0) << net.defaultContext;
    std::size_t leaves = 0, idle = 0;
    bool nonAscii = false, overlong = false, behindAGap = false;
    for (const auto& e : net.entries) {
        leaves += isContainerClass(e.cls) || e.parent == kNoEntry ? 0 : 1;
        nonAscii |= std::any_of(e.name.begin(), e.name.end(), [](char c) { return c < 0; });
        overlong |= e.name.size() > 48;
        idle += e.usageCount == 0 ? 1 : 0;
        for (auto u = e.usageBegin; u < e.usageBegin + e.usageCount; ++u)
            behindAGap |= net.usages[u].volume > net.servers[net.usages[u].server].volumes.size() - 1;
    }
    EXPECT_GE(leaves, 60u);
    EXPECT_GE(idle, 10u);
    EXPECT_TRUE(nonAscii && overlong && behindAGap);
}

} // namespace
} // namespace nwsim::test
