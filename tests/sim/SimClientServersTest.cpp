// Connections, the known-servers scan, volume names and disk figures; faults
// and latency.

#include "sim/Acme.h"

#include <chrono>

namespace nwsim::test {
namespace {

TEST_F(AcmeTest, EveryOpenGivesANewHandleAndResolvingOneToTheDefaultServer) {
    nw::NWCONN_HANDLE resolved = 0, again = 0;
    ASSERT_EQ(c.NWDSResolveName(ctx, "SALES", &resolved, &u), 0);
    ASSERT_EQ(c.NWCCGetConnRef(resolved, &v), 0);
    EXPECT_EQ(v, SimClient::referenceOf(1)); // the server holding the directory: the default server
    ASSERT_EQ(c.NWCCCloseConn(fs2), 0);
    ASSERT_EQ(c.NWCCOpenConnByRef(v, 2, 0, &again), 0);
    EXPECT_EQ(c.openConnections(), (std::vector<nw::NWCONN_HANDLE>{fs1, resolved, again}));
    EXPECT_GT(again, resolved); // a closed handle's number is not given out again
}

TEST_F(AcmeTest, KnownServersRecordIsByteExactAndTheRestIsLeftAlone) {
    record.fill(0xAA);
    ASSERT_EQ(c.NWGetKnownServersInfo(fs2, 0, 0, record.data()), 0);
    // The count, then each entry: object ID and bindery type big-endian, the name, a NUL.
    std::string expected = std::string(12, '\xAA') + std::string("\2\0\0\0", 4);
    for (const char server : {'1', '2'})
        expected += std::string("\1\0\0", 3) + static_cast<char>(server - '0') + std::string("\0\4", 2) +
                    std::string(8, '\0') + "FS" + server + '\0';
    expected.resize(record.size(), '\xAA');
    EXPECT_EQ(std::string(record.begin(), record.end()), expected);
}

TEST(SimClientServers, BatchesHoldOnlyWholeEntriesAndGoOnFromTheStartIndex) {
    // 62 bytes an entry of 47 characters: eight and one of 16 bytes fill the
    // 512 bytes exactly, eight and one of 17 do not fit. A name too long for
    // an empty area (no network file holds one) goes out cut.
    Network net;
    for (const auto& [name, copies] : std::vector<std::pair<std::string, std::size_t>>{{std::string(47, 'A'), 8},
                                                                                       {"X", 1},
                                                                                       {std::string(47, 'B'), 8},
                                                                                       {"YZ", 1},
                                                                                       {std::string(600, 'Z'), 1},
                                                                                       {"LAST", 1},
                                                                                       {"FS1", 1}})
        net.servers.insert(net.servers.end(), copies, Server{name, {}});
    SimClient client(std::move(net));
    nw::NWCONN_HANDLE h = 0;
    ASSERT_EQ(client.NWCCOpenConnByRef(SimClient::referenceOf(20), 2, 0, &h), 0);
    std::array<nw::nuint8, nw::kKnownServersRecordSize> rec{};
    std::vector<std::vector<std::string>> batches;
    for (nw::nuint32 at = 0; client.NWGetKnownServersInfo(h, at, 0, rec.data()) == 0; at += rec[12]) {
        batches.emplace_back(rec[12]); // the tool's way: by the count, skipping 14 bytes ahead of each name
        const char* entry = reinterpret_cast<const char*>(rec.data()) + 16;
        for (auto& name : batches.back())
            entry += 14 + (name = entry + 14).size() + 1;
    }
    std::vector<std::size_t> sizes;
    for (const auto& batch : batches)
        sizes.push_back(batch.size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{9, 8, 1, 1, 2}));
    EXPECT_EQ(batches.at(1).back(), std::string(47, 'B'));
    EXPECT_EQ(batches.at(3).back(), std::string(497, 'Z'));
    EXPECT_EQ(batches.at(4), (std::vector<std::string>{"LAST", "FS1"}));
    client.setServerBatchLimit(2);
    ASSERT_EQ(client.NWGetKnownServersInfo(h, 7, 0, rec.data()), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.data()) + 16 + 62 + 14), "X");
    EXPECT_EQ(rec[12], 2);
}

// A longer volume name, which only a network built in code can hold, is cut
// to the caller's buffer.
TEST_F(AcmeTest, ALongerVolumeNameIsCut) {
    Network net = networkFrom(kAcme);
    net.servers[0].volumes[0].name = std::string(20, 'V');
    SimClient cut(std::move(net));
    ASSERT_EQ(cut.NWCCOpenConnByRef(SimClient::referenceOf(0), 2, 0, &u), 0);
    text.fill('#');
    ASSERT_EQ(cut.NWGetVolumeName(u, 0, text.data()), 0);
    EXPECT_EQ(std::tuple(text.data(), text[17]), std::tuple(std::string(16, 'V'), '#'));
}

TEST_F(AcmeTest, FaultsFireOnCallsThatAgreeWithEveryMatcherEachCountingItsOwn) {
    c.addFault({"NWGetVolumeName", 0x89FF, "fs2", {}, {}, {}}); // the handle's server
    c.addFault({"NWGetVolumeName", 0x89FE, {}, {}, 3, {}});     // whatever the fault before it
    c.addFault({"NWGetObjDiskRestrictions", 5, {}, {}, 1, 2});  // the second call for volume 1
    c.addFault({"NWGetObjDiskRestrictions", 8, {}, {}, 1, 3});  // the third, whatever fired before
    c.addFault({"NWGetObjDiskRestrictions", 7, "FS1", {}, {}, {}});
    c.addFault({"NWCCOpenConnByName", -1, {}, "fs1", {}, {}}); // the name asked for
    c.addFault({"NWCCOpenConnByRef", -2, "FS1", {}, {}, {}});  // the reference's server
    c.addFault({"NWDSList", -3, {}, "east.SALES", {}, 1});     // the container
    c.addFault({"NWDSSetContext", -4, {}, "x", {}, {}});       // the name context set
    c.addFault({"NWDSResolveName", -5, "FS2", {}, {}, {}});    // names address no server
    c.addFault({"NWCCCloseConn", 0, {}, {}, {}, {}});          // code 0: does nothing
    EXPECT_EQ(c.network().faults.size(), 11u);
    std::vector<nw::NWRCODE> codes;
    for (const auto& [conn, volume] : std::vector<std::pair<nw::NWCONN_HANDLE, nw::nuint8>>{
             {fs1, 0}, {fs2, 1}, {fs1, 1}, {fs1, 0}, {fs1, 1}, {fs1, 1}})
        codes.push_back(c.NWGetObjDiskRestrictions(conn, volume, 501, &n, &m));
    EXPECT_EQ(codes, (std::vector<nw::NWRCODE>{7, kErrNoSuchVolume, 5, 7, 8, 7}));
    EXPECT_EQ(c.NWGetVolumeName(fs2, 0, text.data()), 0x89FF);
    EXPECT_EQ(c.NWGetVolumeName(fs1, 0, text.data()), 0);
    EXPECT_EQ(c.NWGetVolumeName(fs1, 3, text.data()), 0x89FE);
    EXPECT_EQ(c.NWCCOpenConnByName(fs1, "FS1", 2, 1, 0, &h), -1);
    EXPECT_EQ(c.NWCCOpenConnByRef(SimClient::referenceOf(0), 2, 0, &h), -2);
    EXPECT_EQ(c.NWCCOpenConnByName(fs1, "FS2", 2, 1, 0, &h), 0);
    EXPECT_EQ(c.NWDSList(ctx, "EAST.SALES", &start, buf), -3);
    EXPECT_EQ(c.NWDSList(ctx, "EAST.SALES", &start, buf), 0);
    EXPECT_EQ(c.NWDSSetContext(ctx, nw::kContextKeyNameContext, "X"), -4);
    EXPECT_EQ(c.NWDSSetContext(ctx, nw::kContextKeyFlags, &u), 0); // no text, no match
    EXPECT_EQ(c.NWDSResolveName(ctx, "SALES", &u, &v), 0);
    EXPECT_EQ(c.NWCCCloseConn(h), 0);
    EXPECT_EQ(c.openConnections().size(), 4u);
}

TEST(SimClientLatency, CallsWaitTheTimeForAllCallsPlusTheirOwn) {
    for (const auto& [all, own] : {std::pair(20000u, 0u), std::pair(0u, 20000u), std::pair(10000u, 10000u)}) {
        Network net;
        net.latencyMicros = all;
        net.callLatencyMicros["NWNetInit"] = own;
        SimClient client(std::move(net));
        const auto begin = std::chrono::steady_clock::now();
        client.NWNetInit(nullptr, nullptr);
        EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::microseconds(20000)) << all << " " << own;
    }
}

} // namespace
} // namespace nwsim::test
