// Connections, the known-servers scan, volume names and disk figures; faults
// and latency. (That a fault comes before the arguments of every call, and
// every call is counted and logged, the contract suite asserts through its
// table of calls.)

#include "sim/Acme.h"

#include <chrono>
#include <ctime>

namespace nwsim::test {
namespace {

TEST(SimClientServers, BatchesHoldOnlyWholeEntriesAndGoOnFromTheStartIndex) {
    // 62 bytes an entry of 47 characters: eight and one of 16 bytes fill the
    // 512 bytes exactly, eight and one of 17 do not fit. A name too long for
    // an empty area (no network file holds one) goes out cut.
    Network net;
    const std::string a(47, 'A'), b(47, 'B');
    std::vector<std::string> names(8, a);
    names.emplace_back("X");
    names.resize(17, b);
    names.insert(names.end(), {"YZ", std::string(600, 'Z'), "LAST", "FS1"});
    for (const auto& name : names)
        net.servers.push_back({name, {}});
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
    EXPECT_EQ(batches,
              (std::vector<Names>{
                  {a, a, a, a, a, a, a, a, "X"}, Names(8, b), {"YZ"}, {std::string(497, 'Z')}, {"LAST", "FS1"}}));
    client.setServerBatchLimit(2);
    ASSERT_EQ(client.NWGetKnownServersInfo(h, 7, 0, rec.data()), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.data()) + 16 + 62 + 14), "X");
    EXPECT_EQ(rec[12], 2);
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
    std::vector<nw::NWRCODE> codes;
    for (const auto& [conn, volume] : std::vector<std::pair<nw::NWCONN_HANDLE, nw::nuint8>>{
             {fs1, 0}, {fs2, 1}, {fs1, 1}, {fs1, 0}, {fs1, 1}, {fs1, 1}})
        codes.push_back(c.NWGetObjDiskRestrictions(conn, volume, 501, &n, &m));
    EXPECT_EQ(codes, (std::vector<nw::NWRCODE>{7, nw::kErrNoSuchVolume, 5, 7, 8, 7}));
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
    EXPECT_EQ(c.openConnections(), (std::vector<nw::NWCONN_HANDLE>{1, 2, 3, 4})); // h: a fault of code 0 kept it open
}

// A network without servers (only one built in code can have none) has no
// default connection, and no server to hand back with a resolved name.
TEST(SimClientServers, WithoutServersThereIsNoConnectionToHandOut) {
    Network rootOnly;
    rootOnly.entries.emplace_back();
    Session none(std::move(rootOnly));
    nw::NWCONN_REF ref = 0;
    EXPECT_EQ(none.client.NWGetDefaultConnRef(&ref), nw::kErrInvalidConnection);
    EXPECT_EQ(none.resolve("[Root]").rc, nw::kErrUnreachableServer);
}

// Half the wait for all calls, half the call's own: each alone falls short.
// The wait sleeps: it takes next to no processor time.
TEST(SimClientLatency, CallsWaitTheTimeForAllCallsPlusTheirOwn) {
    SimClient client(networkFrom(R"({"servers": [{"name": "F", "volumes": []}],
                                     "latency": {"all": 20000, "calls": {"NWNetInit": 20000}}})"));
    const auto begin = std::chrono::steady_clock::now();
    const std::clock_t processor = std::clock();
    client.NWNetInit(nullptr, nullptr);
    const auto spent = std::chrono::duration<double>(std::clock() - processor) / CLOCKS_PER_SEC;
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::microseconds(40000));
    EXPECT_LT(spent, std::chrono::milliseconds(10));
}

} // namespace
} // namespace nwsim::test
