#include "netware/sim/SampleNetwork.h"

#include "sim/LoaderTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace {

using nwsim::ObjectClass;

TEST(SampleNetwork, LoadsAndPointsAtSomethingToList) {
    const auto loaded = nwsim::loadSampleNetwork();
    ASSERT_TRUE(loaded.network) << loaded.error;
    const nwsim::Network& net = *loaded.network;
    loadertest::expectWellFormed(net);
    EXPECT_EQ(net.servers[net.defaultServer].name, "FS1");
    // The default context must exist, or the first listing after start-up shows nothing.
    EXPECT_EQ(net.defaultContext, "SALES.ACME");
    ASSERT_NE(loadertest::find(net, {"ACME", "SALES"}), nullptr);
}

TEST(SampleNetwork, HoldsTheCasesTheToolMustGetRight) {
    const nwsim::Network net = *nwsim::loadSampleNetwork().network;
    const auto scanned = [&](std::uint32_t server, int volume) { // the volume scan stops at the first gap
        for (int n = 0; n <= volume; ++n) {
            const auto& v = net.servers[server].volumes;
            if (std::none_of(v.begin(), v.end(), [&](const nwsim::Volume& x) { return x.number == n; }))
                return false;
        }
        return true;
    };
    std::set<std::string> serverNames;
    for (const auto& s : net.servers)
        serverNames.insert(s.name);
    EXPECT_TRUE(serverNames.count("FS1") && serverNames.count("FS10"));

    std::set<ObjectClass> classes;
    std::size_t leaves = 0, idle = 0;
    bool nonAscii = false, overlong = false, severalVolumes = false, severalServers = false, hidden = false;
    std::map<std::tuple<std::uint32_t, std::uint32_t, int>, std::set<nw::nint32>> figuresByContainer;
    bool tie = false;
    for (const auto& e : net.entries) {
        if (nwsim::isContainerClass(e.cls) || e.parent == nwsim::kNoEntry)
            continue;
        ++leaves;
        classes.insert(e.cls);
        nonAscii |=
            std::any_of(e.name.begin(), e.name.end(), [](char c) { return static_cast<unsigned char>(c) > 127; });
        overlong |= e.name.size() > 48;
        std::set<std::uint32_t> servers;
        bool uses = false;
        for (const auto& u : loadertest::usagesOf(net, e)) {
            severalVolumes |= servers.count(u.server) > 0;
            servers.insert(u.server);
            uses |= u.inUse > 0;
            hidden |= !scanned(u.server, u.volume);
            tie |= u.inUse > 0 && !figuresByContainer[{e.parent, u.server, u.volume}].insert(u.inUse).second;
        }
        idle += uses ? 0 : 1;
        severalServers |= servers.size() > 1;
    }
    EXPECT_GE(leaves, 60u);
    EXPECT_GE(classes.size(), 5u);
    EXPECT_GE(idle, 10u);
    EXPECT_TRUE(nonAscii);
    EXPECT_TRUE(overlong);
    EXPECT_TRUE(severalVolumes);
    EXPECT_TRUE(severalServers);
    EXPECT_TRUE(hidden); // space on a volume behind a gap
    EXPECT_TRUE(tie);    // equal figures on one volume in one container
}

} // namespace
