// openClient(): the stand-in client picks its network from NWSIM_NETWORK.

#include "netware/ClientFactory.h"
#include "netware/sim/SimClient.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets NWSIM_NETWORK (or clears it) for one test and puts the old value back.
class NetworkSetting {
public:
    explicit NetworkSetting(const char* value) {
        if (const char* old = std::getenv("NWSIM_NETWORK"))
            old_ = old;
        if (value != nullptr)
            ::setenv("NWSIM_NETWORK", value, 1);
        else
            ::unsetenv("NWSIM_NETWORK");
    }
    ~NetworkSetting() {
        if (old_)
            ::setenv("NWSIM_NETWORK", old_->c_str(), 1);
        else
            ::unsetenv("NWSIM_NETWORK");
    }
    NetworkSetting(const NetworkSetting&) = delete;
    NetworkSetting& operator=(const NetworkSetting&) = delete;

private:
    std::optional<std::string> old_;
};

std::string defaultContextOf(const nw::ClientOpening& opening) {
    const auto* sim = dynamic_cast<const nwsim::SimClient*>(opening.client.get());
    return sim != nullptr ? sim->network().defaultContext : "(not the stand-in client)";
}

TEST(OpenClient, UnsetOrEmptyMeansTheSampleNetwork) {
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        const NetworkSetting setting(value);
        const nw::ClientOpening opening = nw::openClient();
        ASSERT_NE(opening.client, nullptr) << opening.error;
        EXPECT_EQ(opening.error, "");
        EXPECT_EQ(defaultContextOf(opening), "SALES.ACME");
    }
}

TEST(OpenClient, AGoodFileIsSimulated) {
    const NetworkSetting setting(VORLANE_TEST_DATA "/../../docs/example-network.json");
    const nw::ClientOpening opening = nw::openClient();
    ASSERT_NE(opening.client, nullptr) << opening.error;
    EXPECT_EQ(defaultContextOf(opening), "STAFF.EXAMPLE");
    // The client answers from that network.
    char context[nw::kNameBufferSize] = {};
    EXPECT_EQ(opening.client->NWGetDefaultNameContext(nw::kDefaultContextSize, context), 0);
    EXPECT_STREQ(context, "STAFF.EXAMPLE");
}

TEST(OpenClient, ABadFileGivesNoClientAndAMessageNamingIt) {
    const std::string path = VORLANE_TEST_DATA "/networks/loader-wrong-types.json";
    const NetworkSetting setting(path.c_str());
    const nw::ClientOpening opening = nw::openClient();
    EXPECT_EQ(opening.client, nullptr);
    EXPECT_EQ(opening.error.rfind(path + ": /servers/0/volumes/1/number: ", 0), 0u) << opening.error;

    const NetworkSetting missing("/nonexistent/network.json");
    const nw::ClientOpening none = nw::openClient();
    EXPECT_EQ(none.client, nullptr);
    EXPECT_EQ(none.error, "/nonexistent/network.json: cannot be read: there is no such file");
}

} // namespace
