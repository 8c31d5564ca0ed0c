// The stand-in's own behaviour behind the calls: how it packs the server
// scan, chunks listings at scale, types names, hands out figures, injects
// faults and waits. (What every client does alike, the contract suite
// asserts for both.)

#include "sim/SimSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <ctime>

namespace nwsim::test {
namespace {

using Names = std::vector<std::string>;

// FS1 with volumes 0, 1 and 3, FS2 (the default server) with volume 0.
// O=ACME holds OU=SALES (OU=EAST with the user JSMITH 501, who uses space on
// three volumes; the alias Boss), the user Admin and an OU ACME 130.
constexpr std::string_view kAcme = R"({
  "servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}, {"number": 1, "name": "VOL1"},
                                          {"number": 3, "name": "SIXTEEN_CHARS_NM"}]},
              {"name": "FS2", "volumes": [{"number": 0, "name": "SYS"}]}],
  "defaultServer": "FS2", "defaultContext": "O=ACME",
  "tree": [{"name": "ACME", "class": "Organization", "id": 100, "children": [
    {"name": "SALES", "class": "Organizational Unit", "id": 110, "children": [
      {"name": "EAST", "class": "Organizational Unit", "id": 111, "children": [
        {"name": "JSMITH", "class": "User", "id": 501, "usage": [{"server": "FS1", "volume": 0, "inUse": 3},
          {"server": "FS1", "volume": 1, "inUse": 10, "restriction": 500}, {"server": "FS2", "volume": 0, "inUse": 7}]},
        {"name": "Printer1", "class": "Printer", "id": 503}]},
      {"name": "Boss", "class": "Alias", "id": 113}]},
    {"name": "Admin", "class": "User", "id": 120},
    {"name": "ACME", "class": "Organizational Unit", "id": 130}]}]})";

// A session in the context O=ACME (typeless names), a connection to each
// server and out-parameters for the calls.
struct AcmeTest : ::testing::Test {
    AcmeTest() { EXPECT_EQ(session.setContext("O=ACME"), 0); }

    nw::NWCONN_HANDLE connect(std::uint32_t server) {
        nw::NWCONN_HANDLE handle = 0;
        EXPECT_EQ(c.NWCCOpenConnByRef(SimClient::referenceOf(server), nw::kOpenStatePrivate, 0, &handle), 0);
        return handle;
    }

    Session session{networkFrom(kAcme)};
    SimClient& c = session.client;
    nw::NWCONN_HANDLE fs1 = connect(0);
    nw::NWCONN_HANDLE fs2 = connect(1);
    nw::nuint32 u = 0, v = 0;
    nw::nint32 n = 0, m = 0;
    nw::NWCONN_HANDLE h = 0;
    std::array<char, 300> text{};
};

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
    EXPECT_EQ(session.list("EAST.SALES").rc, -3);
    EXPECT_EQ(session.list("EAST.SALES").rc, 0);
    EXPECT_EQ(c.NWDSSetContext(session.context, nw::kContextKeyNameContext, "X"), -4);
    EXPECT_EQ(c.NWDSSetContext(session.context, nw::kContextKeyFlags, &u), 0); // no text, no match
    EXPECT_EQ(c.NWDSResolveName(session.context, "SALES", &u, &v), 0);
    EXPECT_EQ(c.NWCCCloseConn(h), 0);
    EXPECT_EQ(c.openConnections(), (std::vector<nw::NWCONN_HANDLE>{1, 2, 3, 4})); // h: a fault of code 0 kept it open
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

// ACME holding the users U100000, U100001, ... with the IDs 100, 101, ...
Network flat(std::uint32_t users) {
    Network net = networkFrom(R"({"servers": [{"name": "FS1", "volumes": []}], "tree": [{"name": "ACME",
                                  "class": "Organization"}]})");
    for (std::uint32_t i = 0; i < users; ++i) {
        net.entries[1].children.push_back(i + 2);
        net.entries.push_back({"U" + std::to_string(100000 + i), ObjectClass::User, 100 + i, 1, {}, {}, 0, 0});
    }
    return net;
}

TEST(SimClientListing, ChunksHoldAtMostTheChunkLimitAndContinuingCostsOnlyTheChunk) {
    Session s(flat(500));
    ASSERT_EQ(s.setContext("[Root]"), 0);
    s.client.setChunkLimit(100);
    const auto listing = s.list("ACME");
    EXPECT_EQ(std::tuple(listing.rc, listing.names.size(), listing.names.back()), std::tuple(0, 500u, "U100499"));
    EXPECT_EQ(listing.chunks, std::vector<std::size_t>(5, 100));
    EXPECT_EQ(std::tuple(s.client.openIterationCount(), s.client.peakAllocatedBufferCount()), std::tuple(0u, 1u));

    // At scale, continuing a listing costs only the chunk and a name one
    // probe a component: rescanning from the start for every chunk, or every
    // sibling for every name, would take many seconds.
    Session big(flat(100000));
    big.client.setChunkLimit(1);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(big.list("ACME").chunks.size(), 100000u);
    for (std::uint32_t i = 0; i < 100000; i += 7)
        ASSERT_EQ(big.resolve("U" + std::to_string(100000 + i) + ".ACME").id, 100 + i);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(4));
}

// Typed components take only the attributes C, O, OU, L and CN; aliases are
// flagged; the figures are those of the object on that server's volume.
TEST_F(AcmeTest, TypesClassesAndFiguresAreTheNetworksOwn) {
    EXPECT_EQ(session.resolve("UID=ADMIN").rc, nw::kInvalidDsName);
    nw::nint32 iteration = -1;
    nw::Object_Info_T info{};
    ASSERT_EQ(c.NWDSList(session.context, "SALES", &iteration, session.buffer), 0);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(c.NWDSGetObjectName(session.context, session.buffer, text.data(), nullptr, &info), 0);
    EXPECT_EQ(std::tuple(std::string(text.data()), info.objectFlags, std::string(info.baseClass)),
              std::tuple("Boss", nw::kObjectFlagAlias, "Alias"));
    const std::tuple<nw::NWCONN_HANDLE, nw::nuint8, nw::nuint32, nw::nint32, nw::nint32> figures[] = {
        {fs1, 1, 501, 500, 10}, {fs2, 0, 501, nw::kNoRestriction, 7}, {fs1, 3, 501, nw::kNoRestriction, 0}};
    for (const auto& [conn, volume, id, restriction, inUse] : figures) {
        ASSERT_EQ(c.NWGetObjDiskRestrictions(conn, volume, id, &n, &m), 0);
        EXPECT_EQ(std::pair(n, m), std::pair(restriction, inUse));
    }
    ASSERT_EQ(c.NWGetVolumeName(fs1, 3, text.data()), 0);
    EXPECT_STREQ(text.data(), "SIXTEEN_CHARS_NM");
    ASSERT_EQ(c.NWGetVolumeName(fs1, 2, text.data()), 0); // a gap ends the volume scan
    EXPECT_STREQ(text.data(), "");
}

// A network built in code may hold references that point nowhere, which are
// dropped rather than followed: reading past the entries or the figures
// would read memory that is not the network's.
TEST(SimClientNetwork, ReferencesThatPointNowhereAreDropped) {
    Network net = networkFrom(kAcme);
    net.entries[3].children = {4, 99, 0, 9}; // EAST: JSMITH, no such entry, [Root], past the end
    net.entries[3].containers = {0, 9};
    net.entries[4].usageCount = 9; // JSMITH: past the end of the usages
    net.entries[5].usageBegin = 99;
    Session s(std::move(net));
    ASSERT_EQ(s.setContext("EAST.SALES.ACME"), 0);
    EXPECT_EQ(std::pair(s.list("").names, s.list("", true).names), std::pair(Names{"JSMITH"}, Names{}));
    nw::NWCONN_HANDLE fs1 = 0;
    nw::nint32 restriction = 0, inUse = -1;
    ASSERT_EQ(s.client.NWCCOpenConnByRef(SimClient::referenceOf(0), 2, 0, &fs1), 0);
    for (const nw::nuint32 id : {501u, 503u})
        ASSERT_EQ(std::pair(s.client.NWGetObjDiskRestrictions(fs1, 3, id, &restriction, &inUse), inUse),
                  std::pair(0, 0));
}

// Nor has a network without servers (only one built in code can have none) a
// default connection, or a server to hand back with a resolved name.
TEST(SimClientNetwork, WithoutServersThereIsNoConnectionToHandOut) {
    Network rootOnly;
    rootOnly.entries.emplace_back();
    Session none(std::move(rootOnly));
    nw::NWCONN_REF ref = 0;
    EXPECT_EQ(std::pair(none.client.NWGetDefaultConnRef(&ref), none.resolve("[Root]").rc),
              std::pair(nw::kErrInvalidConnection, nw::kErrUnreachableServer));
}

} // namespace
} // namespace nwsim::test
