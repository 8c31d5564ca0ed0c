#include "netware/sim/Generator.h"

#include "sim/LoaderTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <unordered_set>

namespace {

using nwsim::generateNetwork;
using nwsim::GeneratorSettings;

// Everything of a network the stand-in client reads, as one text.
std::string fingerprint(const nwsim::Network& net) {
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
        for (const auto& u : loadertest::usagesOf(net, e))
            out << ' ' << u.server << '/' << u.volume << '=' << u.inUse << '/' << u.restriction;
    }
    return out.str();
}

TEST(Generator, SameSettingsGiveTheSameNetworkAndAnotherSeedAnother) {
    GeneratorSettings s;
    s.objects = 5000;
    s.seed = 42;
    const std::string first = fingerprint(generateNetwork(s));
    EXPECT_EQ(first, fingerprint(generateNetwork(s)));
    s.seed = 43;
    EXPECT_NE(first, fingerprint(generateNetwork(s)));
}

TEST(Generator, ShapeFollowsTheSettings) {
    GeneratorSettings s;
    s.objects = 20000;
    s.usageFraction = 0.6;
    s.seed = 3;
    const nwsim::Network net = generateNetwork(s); // 100 per container, depth 3, 4 servers of 8 volumes
    loadertest::expectWellFormed(net);
    EXPECT_EQ(net.servers.size() * net.servers[0].volumes.size(), 32u);

    std::uint32_t leaves = 0, containers = 0, users = 0, usingSpace = 0, maxDepth = 0;
    std::unordered_set<std::string> names;
    std::map<nw::nint32, int> figures;
    for (std::uint32_t i = 1; i < net.entries.size(); ++i) {
        const nwsim::Entry& e = net.entries[i];
        EXPECT_TRUE(names.insert(e.name).second) << e.name << " appears twice";
        if (nwsim::isContainerClass(e.cls)) {
            ++containers;
            EXPECT_EQ(e.children.size() - e.containers.size(), 100u) << e.name; // 20,000 divide evenly
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
    EXPECT_EQ(maxDepth, 3u); // CORP, then three levels of units
    EXPECT_NEAR(static_cast<double>(usingSpace) / leaves, 0.6, 0.02);
    EXPECT_NEAR(static_cast<double>(users) / leaves, 0.8, 0.02);
    EXPECT_GT(std::count_if(figures.begin(), figures.end(), [](const auto& f) { return f.second > 1; }), 100);
}

} // namespace
