// The stand-in's directory: chunks as its chunk limit says, at scale, and a
// network built in code that points nowhere.

#include "sim/Acme.h"

#include <chrono>

namespace nwsim::test {
namespace {

// The directory of the names fuzz target, whose names hold every character
// that needs care, walks whole under each object's own name, typed and
// typeless.
TEST(SimClientListing, TheNamesDirectoryWalksWholeUnderEachObjectsOwnName) {
    Session names(*loadNetworkFile(VORLANE_TEST_DATA "/../../fuzz/names-directory.json"));
    EXPECT_EQ(names.walkProblem(false) + names.walkProblem(true), "");
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

// Typed components name only objects of their own classes, and only with
// the attributes C, O, OU, L and CN; aliases are flagged; the figures are
// those of the object on that server's volume.
TEST_F(AcmeTest, TypesClassesAndFiguresAreTheNetworksOwn) {
    for (const auto& [name, id] :
         std::vector<std::pair<std::string, std::int64_t>>{{"CN=jsmith.OU=EAST.ou=SALES", 501},
                                                           {"CN=SALES", nw::kNoSuchEntry},
                                                           {"ACME", 130},
                                                           {"O=ACME", -601},
                                                           {"UID=ADMIN", nw::kInvalidDsName}}) {
        const auto resolved = session.resolve(name);
        EXPECT_EQ(resolved.rc == 0 ? std::int64_t{resolved.id} : resolved.rc, id) << name;
    }
    nw::nint32 iteration = -1;
    nw::Object_Info_T info{};
    ASSERT_EQ(c.NWDSList(ctx, "SALES", &iteration, buf), 0);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(c.NWDSGetObjectName(ctx, buf, text.data(), nullptr, &info), 0);
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
// dropped rather than followed.
TEST(SimClientNetwork, ReferencesThatPointNowhereAreDropped) {
    Network net = networkFrom(kAcme);
    net.entries[3].children = {4, 99, 0, 11}; // EAST: JSMITH, no such entry, [Root], past the end
    net.entries[3].containers = {0, 11};
    net.entries[4].usageCount = 9; // JSMITH: past the end of the usages
    net.entries[5].usageBegin = 99;
    Session s(std::move(net));
    ASSERT_EQ(s.setContext("EAST.SALES.ACME"), 0);
    EXPECT_EQ(s.list("").names, Names{"JSMITH"});
    EXPECT_EQ(s.list("", true).names, Names{});
    nw::NWCONN_HANDLE fs1 = 0;
    nw::nint32 restriction = 0, inUse = -1;
    ASSERT_EQ(s.client.NWCCOpenConnByRef(SimClient::referenceOf(0), 2, 0, &fs1), 0);
    ASSERT_EQ(s.client.NWGetObjDiskRestrictions(fs1, 3, 502, &restriction, &inUse), 0);
    EXPECT_EQ(inUse, 0);
}

} // namespace
} // namespace nwsim::test
