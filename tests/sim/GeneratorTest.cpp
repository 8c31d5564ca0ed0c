#include "netware/sim/Generator.h"
#include "netware/sim/SampleNetwork.h"
#include "sim/SimSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace nwsim::test {
namespace {

// FNV-1a, the same on every machine.
std::uint64_t digest(const std::string& text) {
    std::uint64_t h = 14695981039346656037u;
    for (const unsigned char c : text)
        h = (h ^ c) * 1099511628211u;
    return h;
}

// The same settings give the same network on every machine and in every
// version: a network used to compare two runs must not change under them.
TEST(Generator, SameSettingsGiveTheSameNetworkAndAnotherSeedAnother) {
    const std::string first = networkText(generateNetwork({5000, 100, 3, 4, 8, 0.8, 42}));
    EXPECT_EQ(digest(first), 1569339217655533637u);
    EXPECT_NE(first, networkText(generateNetwork({5000, 100, 3, 4, 8, 0.8, 43})));
    const Network small = generateNetwork({70, 10, 2, 2, 2, 0.5, 7});
    EXPECT_EQ(networkText(small).substr(70, 78),
              "P1 Printer 16777219 1/0=7650 \nG2 Group 16777220 1/0=74775 0/0=33200 1/1=70350 ");
    // 7 containers fill two levels of two below CORP exactly.
    EXPECT_EQ(std::tuple(small.entries.size(), small.entries[1].containers.size()), std::tuple(78u, 2u));
}

// Every container but the last filled holds its 100 leaves, and the fraction
// asked for of them use space. (The mix of kinds and figures is pinned by the
// network above.)
TEST(Generator, ShapeFollowsTheSettings) {
    const Network net = generateNetwork({20000, 100, 3, 4, 8, 0.6, 3});
    EXPECT_EQ(Session(net).walkProblem(), "");
    EXPECT_EQ(net.entries.capacity(), net.entries.size()); // no room to spare at a million objects
    std::uint32_t leaves = 0, usingSpace = 0, maxDepth = 0;
    for (std::uint32_t i = 1; i < net.entries.size(); ++i) {
        const Entry& e = net.entries[i];
        std::uint32_t depth = 0;
        for (auto p = e.parent; p != 0; p = net.entries[p].parent)
            ++depth;
        maxDepth = std::max(maxDepth, depth);
        const bool leaf = !isContainerClass(e.cls);
        EXPECT_TRUE(leaf || e.children.size() - e.containers.size() == 100u) << e.name; // 20,000 divide evenly
        leaves += leaf ? 1 : 0;
        usingSpace += leaf && e.usageCount > 0 ? 1 : 0;
    }
    // CORP, then three levels of containers, the last holding leaves.
    EXPECT_EQ(std::tuple(leaves, net.entries.size() - 1 - leaves, maxDepth), std::tuple(20000u, 200u, 4u));
    EXPECT_NEAR(static_cast<double>(usingSpace) / leaves, 0.6, 0.02);
}

// `make run` starts on the sample: its window must open on a context that
// lists. A new context handle starts at the default context.
TEST(SampleNetwork, LoadsAndItsDefaultContextExists) {
    const auto loaded = loadSampleNetwork();
    ASSERT_TRUE(loaded) << loaded.error();
    Session s(*loaded);
    std::array<char, nw::kNameBufferSize> context{};
    ASSERT_EQ(s.client.NWDSGetContext(s.context, nw::kContextKeyNameContext, context.data()), 0);
    EXPECT_EQ(std::tuple(context.data(), s.resolve("").rc), std::tuple(loaded->defaultContext, 0));
}

} // namespace
} // namespace nwsim::test
