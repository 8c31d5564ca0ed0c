#include "discovery/VolumeList.h"
#include "discovery/ServerScan.h"
#include "session/Startup.h"

#include "support/FaultSweep.h"
#include "support/MockClient.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using testing::_;
using testing::DoAll;
using testing::Return;
using testing::SetArgPointee;
using testing_support::FakeUserChannel;
using testing_support::MockClient;
using Volumes = std::vector<std::pair<std::string, int>>;

// addVolumes against a client whose volume names each test writes byte by byte.
class VolumeNames : public testing::Test {
protected:
    VolumeNames() {
        ON_CALL(client_, NWCCOpenConnByName(_, _, _, _, _, _)).WillByDefault(DoAll(SetArgPointee<5>(11u), Return(0)));
        ON_CALL(client_, NWCCGetConnRef(11u, _)).WillByDefault(DoAll(SetArgPointee<1>(5u), Return(0)));
        ON_CALL(client_, NWCCOpenConnByRef(5u, _, _, _)).WillByDefault(DoAll(SetArgPointee<3>(12u), Return(0)));
    }
    // Volume n answers with names[n] (all its bytes), then a failure.
    Volumes read(std::vector<std::string> names) {
        EXPECT_CALL(client_, NWGetVolumeName(12u, _, _))
            .WillRepeatedly([names](nw::NWCONN_HANDLE, nw::nuint16 number, char* out) {
                if (number >= names.size())
                    return nw::NWRCODE{0x8998};
                std::memcpy(out, names[number].data(), names[number].size());
                return nw::kSuccess;
            });
        Volumes seen;
        vorlane::addVolumes(client_, user_, 1, "FS1",
                            [&seen](const std::string& name, int number) { seen.emplace_back(name, number); });
        return seen;
    }
    testing::NiceMock<MockClient> client_;
    FakeUserChannel user_;
};

TEST_F(VolumeNames, NamesEndAtTheirNulOrFillTheWholeBuffer) {
    // The buffer is shared: what stands behind the NUL of a shorter name is
    // left from the one before and must be dropped.
    EXPECT_EQ(read({"ABCDEFGHIJKLMNOPQ", std::string("SYS\0", 4), std::string("M\xDCN\0", 4)}),
              (Volumes{{"ABCDEFGHIJKLMNOPQ", 0}, {"SYS", 1}, {"M\u00DCN", 2}}));
}

TEST_F(VolumeNames, AnEmptyNameOrAFailureEndsTheServersVolumes) {
    EXPECT_EQ(read({std::string("SYS\0", 4), std::string(1, '\0'), std::string("LATE\0", 5)}), (Volumes{{"SYS", 0}}));
    EXPECT_EQ(read({}), Volumes{});
}

TEST_F(VolumeNames, SixtyFourVolumesAtMost) {
    std::vector<std::string> names;
    for (int n = 0; n < 70; ++n)
        names.push_back("V" + std::to_string(n) + '\0');
    const Volumes seen = read(names);
    ASSERT_EQ(seen.size(), 64u);
    EXPECT_EQ(seen.back(), (std::pair<std::string, int>{"V63", 63}));
}

// Start-up is set up; the run is the server scan with every server's volumes.
struct DiscoveryRig {
    explicit DiscoveryRig(std::string_view network) : sim(testing_support::simulate(network)), client(*sim) {
        defConnH = vorlane::startClient(client, user).defConnH;
    }
    void run() {
        vorlane::scanKnownServers(client, user, defConnH, [this](const std::string& server) {
            vorlane::addVolumes(client, user, defConnH, server, [](const std::string&, int) {});
        });
    }
    std::unique_ptr<nwsim::SimClient> sim;
    testing_support::RecordingClient client;
    FakeUserChannel user;
    nw::NWCONN_HANDLE defConnH = 0;
};

TEST(DiscoveryFaults, EveryCallFailingAloneEndsWithItsReportOrEndsTheVolumesQuietly) {
    const auto kinds = testing_support::sweepFaults<DiscoveryRig>(R"json({
      "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" } ] },
                   { "name": "FS2", "volumes": [ { "number": 0, "name": "SYS" } ] } ],
      "defaultServer": "FS1", "serverBatchLimit": 1,
      "tree": [ { "name": "ACME", "class": "Organization" } ] })json");
    EXPECT_EQ(kinds.size(), 6u);
}

} // namespace
