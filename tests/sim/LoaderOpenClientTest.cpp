// openStandInClient(): the stand-in client picks its network from NWSIM_NETWORK.

#include "netware/ClientFactory.h"
#include "netware/sim/SimClient.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Sets NWSIM_NETWORK (nullptr: unsets it) for one scope; unset again after,
// as the test programs run with it empty.
struct NetworkSetting {
    explicit NetworkSetting(const char* value) {
        value != nullptr ? ::setenv("NWSIM_NETWORK", value, 1) : ::unsetenv("NWSIM_NETWORK");
    }
    ~NetworkSetting() { ::unsetenv("NWSIM_NETWORK"); }
};

std::string defaultContextOf(const nw::ClientOpening& opening) {
    const auto* sim = dynamic_cast<const nwsim::SimClient*>(opening.client.get());
    return sim != nullptr ? sim->network().defaultContext : "(no stand-in client) " + opening.error;
}

TEST(OpenClient, UnsetOrEmptyMeansTheSampleNetwork) {
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        const NetworkSetting setting(value);
        const nw::ClientOpening opening = nw::openStandInClient();
        EXPECT_EQ(defaultContextOf(opening), "SALES.ACME");
        EXPECT_EQ(opening.error, "");
    }
}

TEST(OpenClient, AGoodFileIsSimulated) {
    const NetworkSetting setting(VORLANE_TEST_DATA "/../../docs/example-network.json");
    const nw::ClientOpening opening = nw::openStandInClient();
    ASSERT_EQ(defaultContextOf(opening), "STAFF.EXAMPLE");
    char context[nw::kNameBufferSize] = {};
    EXPECT_EQ(opening.client->NWGetDefaultNameContext(nw::kDefaultContextSize, context), 0);
    EXPECT_STREQ(context, "STAFF.EXAMPLE");
}

TEST(OpenClient, ABadFileGivesNoClientButAMessageNamingIt) {
    const std::string path = VORLANE_TEST_DATA "/networks/loader-wrong-types.json";
    const NetworkSetting setting(path.c_str());
    const nw::ClientOpening opening = nw::openStandInClient();
    EXPECT_EQ(opening.client, nullptr);
    EXPECT_EQ(opening.error.rfind(path + ": /servers/0/volumes/1/number: ", 0), 0u) << opening.error;
}

} // namespace
