#include "netware/sim/Generator.h"
#include "sim/SimSupport.h"

#include <gtest/gtest.h>

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
    // 7 containers fill two levels of two below CORP exactly; no room to
    // spare, which at a million objects would be memory wasted.
    EXPECT_EQ(std::tuple(small.entries.size(), small.entries[1].containers.size(), small.entries.capacity()),
              std::tuple(78u, 2u, 78u));
}

} // namespace
} // namespace nwsim::test
