#include "netware/sim/Generator.h"

#include "sim/LoaderTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <unordered_set>

namespace {

using nwsim::generateNetwork;
using nwsim::GeneratorSettings;
using nwsim::Network;

bool sameNetwork(const Network& a, const Network& b) {
    if (a.servers.size() != b.servers.size() || a.entries.size() != b.entries.size() ||
        a.usages.size() != b.usages.size() || a.defaultServer != b.defaultServer)
        return false;
    for (std::size_t i = 0; i < a.servers.size(); ++i) {
        const auto &x = a.servers[i], &y = b.servers[i];
        if (x.name != y.name || x.volumes.size() != y.volumes.size())
            return false;
        for (std::size_t v = 0; v < x.volumes.size(); ++v) {
            if (x.volumes[v].number != y.volumes[v].number || x.volumes[v].name != y.volumes[v].name)
                return false;
        }
    }
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        const auto &x = a.entries[i], &y = b.entries[i];
        if (x.name != y.name || x.cls != y.cls || x.objectId != y.objectId || x.parent != y.parent ||
            x.children != y.children || x.containers != y.containers || x.usageBegin != y.usageBegin ||
            x.usageCount != y.usageCount)
            return false;
    }
    for (std::size_t i = 0; i < a.usages.size(); ++i) {
        const auto &x = a.usages[i], &y = b.usages[i];
        if (x.server != y.server || x.volume != y.volume || x.inUse != y.inUse || x.restriction != y.restriction)
            return false;
    }
    return true;
}

TEST(Generator, SameSettingsGiveTheSameNetworkAndAnotherSeedAnother) {
    GeneratorSettings s;
    s.objects = 5000;
    s.seed = 42;
    const Network first = generateNetwork(s);
    EXPECT_TRUE(sameNetwork(first, generateNetwork(s)));
    s.seed = 43;
    const Network other = generateNetwork(s);
    EXPECT_FALSE(sameNetwork(first, other));
    // The seed changes the figures and classes, not the size of the tree.
    EXPECT_EQ(first.entries.size(), other.entries.size());
}

// The figures below come from the splitmix64 stream and would change with any
// change in the order of the draws: a generated network is meant to stay the
// same across versions, so that a file with "generate" means the same network
// tomorrow.
TEST(Generator, OutputIsPinnedForAGivenSeed) {
    GeneratorSettings s;
    s.objects = 10;
    s.seed = 7;
    const Network net = generateNetwork(s);
    ASSERT_EQ(net.entries.size(), 12u); // [Root], CORP, 10 leaves
    std::string names;
    for (std::size_t i = 2; i < net.entries.size(); ++i)
        names += net.entries[i].name + " ";
    EXPECT_EQ(names, "P1 G2 U3 U4 U5 U6 Q7 U8 U9 U10 ");
    ASSERT_FALSE(net.usages.empty());
    EXPECT_EQ(net.usages.size(), 19u);
    EXPECT_EQ(net.usages[0].inUse, 7650);
}

TEST(Generator, ShapeFollowsTheSettings) {
    GeneratorSettings s;
    s.objects = 20000;
    s.objectsPerContainer = 100;
    s.depth = 3;
    s.usageFraction = 0.6;
    s.seed = 3;
    const Network net = generateNetwork(s);
    loadertest::expectWellFormed(net);

    ASSERT_EQ(net.servers.size(), 4u);
    EXPECT_EQ(net.servers[3].name, "FS4");
    ASSERT_EQ(net.servers[0].volumes.size(), 8u);
    EXPECT_EQ(net.servers[0].volumes[0].name, "SYS");
    EXPECT_EQ(net.servers[0].volumes[7].name, "VOL7");

    std::uint32_t leaves = 0, containers = 0, users = 0, usingSpace = 0;
    std::uint32_t fullContainers = 0, maxDepth = 0;
    std::unordered_set<std::string> names;
    std::map<nw::nint32, int> figures;
    for (std::uint32_t i = 1; i < net.entries.size(); ++i) {
        const nwsim::Entry& e = net.entries[i];
        EXPECT_TRUE(names.insert(e.name).second) << e.name << " appears twice";
        if (nwsim::isContainerClass(e.cls)) {
            ++containers;
            const auto ownLeaves = e.children.size() - e.containers.size();
            EXPECT_LE(ownLeaves, 100u);
            fullContainers += ownLeaves == 100 ? 1 : 0;
            std::uint32_t depth = 0;
            for (auto p = e.parent; p != 0; p = net.entries[p].parent)
                ++depth;
            maxDepth = std::max(maxDepth, depth);
            continue;
        }
        ++leaves;
        users += e.cls == nwsim::ObjectClass::User ? 1 : 0;
        usingSpace += e.usageCount > 0 ? 1 : 0;
        EXPECT_LE(e.usageCount, 3u);
        for (const auto& u : loadertest::usagesOf(net, e))
            ++figures[u.inUse];
    }
    EXPECT_EQ(leaves, 20000u);
    EXPECT_EQ(containers, 200u);
    EXPECT_EQ(fullContainers, 200u); // 20,000 divides evenly: no container is short
    EXPECT_EQ(maxDepth, 3u);         // CORP at 0, three levels of units below it
    EXPECT_NEAR(static_cast<double>(usingSpace) / leaves, 0.6, 0.02);
    EXPECT_NEAR(static_cast<double>(users) / leaves, 0.8, 0.02);
    const auto ties = std::count_if(figures.begin(), figures.end(), [](const auto& f) { return f.second > 1; });
    EXPECT_GT(ties, 100);
}

TEST(Generator, SmallAndUnevenCountsStillPlaceEveryObject) {
    GeneratorSettings s;
    s.objects = 0;
    Network net = generateNetwork(s);
    loadertest::expectWellFormed(net);
    EXPECT_EQ(net.entries.size(), 2u); // [Root] and CORP

    s.objects = 1001; // eleven containers, the last holding one object
    s.objectsPerContainer = 100;
    s.depth = 1;
    s.servers = 1;
    s.volumesPerServer = 1;
    s.usageFraction = 1.0;
    net = generateNetwork(s);
    loadertest::expectWellFormed(net);
    const nwsim::Entry& corp = net.entries[1];
    EXPECT_EQ(corp.containers.size(), 10u);
    EXPECT_EQ(corp.children.size(), 110u);
    EXPECT_EQ(net.entries[corp.containers.back()].children.size(), 1u);
    // One volume in all: nobody can have more than one figure.
    for (const auto& e : net.entries) {
        if (!nwsim::isContainerClass(e.cls) && e.parent != nwsim::kNoEntry) {
            EXPECT_EQ(e.usageCount, 1u);
        }
    }
}

} // namespace
