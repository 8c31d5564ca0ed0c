// The floor of a listing is only a floor if it makes exactly the client
// calls the tool makes: fewer would flatter the tool, more would hide its
// cost.

#include "bench/Floor.h"
#include "bench/Fixtures.h"
#include "bench/Suite.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

nwsim::Network smallNetwork() {
    nwsim::Network network = bench::generatedNetwork(1500);
    network.chunkLimit = 7; // every container in several chunks
    return network;
}

nw::NWCONN_HANDLE defaultConnection(nwsim::SimClient& sim) {
    nw::NWCONN_REF ref = 0;
    nw::NWCONN_HANDLE handle = 0;
    EXPECT_EQ(sim.NWGetDefaultConnRef(&ref), nw::kSuccess);
    EXPECT_EQ(sim.NWCCOpenConnByRef(ref, nw::kOpenStateUnlicensed, 0, &handle), nw::kSuccess);
    return handle;
}

class FloorAgainstTool : public testing::TestWithParam<bool> {};

TEST_P(FloorAgainstTool, MakesTheSameCallsInTheSameOrderAndFindsTheSameRows) {
    const bool byServer = GetParam();

    nwsim::SimClient toolSim(smallNetwork());
    bench::ToolWindow tool(toolSim);
    tool.setContext(QString::fromLatin1(bench::kTopContext));
    tool.setRecurse(true);
    toolSim.setCallLogging(true);
    if (byServer) {
        tool.selectServer(QString::fromLatin1(bench::kServer));
        tool.listByServer();
    } else {
        tool.selectVolume(QString::fromLatin1(bench::kVolumeEntry));
        tool.listByVolume();
    }
    ASSERT_TRUE(tool.messages().empty());

    nwsim::SimClient floorSim(smallNetwork());
    const nw::NWCONN_HANDLE defConnH = defaultConnection(floorSim);
    const auto connectionsBefore = floorSim.openConnections();
    floorSim.setCallLogging(true);
    const bench::FloorResult floor = bench::floorListing(floorSim, defConnH, bench::listingFloorRequest(byServer));

    EXPECT_EQ(floor.failure, nw::kSuccess);
    EXPECT_EQ(floorSim.callLog(), toolSim.callLog());
    EXPECT_GT(floor.objects, 1500u);
    ASSERT_GT(floor.rows, 0u);
    EXPECT_EQ(floor.rows, static_cast<std::uint64_t>(tool.users().count()));
    std::int64_t shown = 0;
    for (int row = 0; row < tool.usage().count(); ++row)
        shown += tool.usage().model()->index(row, 0).data().toLongLong();
    EXPECT_EQ(floor.kilobytes, shown);

    EXPECT_EQ(floorSim.openConnections(), connectionsBefore);
    EXPECT_EQ(floorSim.allocatedBufferCount(), 0u);
    EXPECT_EQ(floorSim.openContextCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ByVolumeAndByServer, FloorAgainstTool, testing::Bool());

} // namespace
