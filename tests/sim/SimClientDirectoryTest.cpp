// Contexts, resolving names and listing containers.

#include "sim/Acme.h"

#include <chrono>

namespace nwsim::test {
namespace {

// Each name written as the directory writes it (CN=Mary\.Ann, OU=SALES, or
// typeless Mary\.Ann) and each resolving to its own object; also in the
// directory of the names fuzz target, whose names hold every character that
// needs care.
TEST_F(AcmeTest, ListingsDeliverEachObjectsOwnNameInTheContextsForm) {
    EXPECT_EQ(session.walkProblem(false) + session.walkProblem(true), "");
    Session names(*loadNetworkFile(VORLANE_TEST_DATA "/../../fuzz/names-directory.json"));
    EXPECT_EQ(names.walkProblem(false) + names.walkProblem(true), "");
}

// ACME holding the users U100000, U100001, ... with the IDs 100, 101, ...:
// 26 bytes a record.
Network flat(std::uint32_t users) {
    Network net = networkFrom(R"({"servers": [{"name": "FS1", "volumes": []}], "tree": [{"name": "ACME",
                                  "class": "Organization"}]})");
    for (std::uint32_t i = 0; i < users; ++i) {
        net.entries[1].children.push_back(i + 2);
        net.entries.push_back({"U" + std::to_string(100000 + i), ObjectClass::User, 100 + i, 1, {}, {}, 0, 0});
    }
    return net;
}

TEST(SimClientListing, LongListingsComeInChunksThatFitTheBufferAndTheLimitAndCostOnlyTheChunk) {
    Session s(flat(500));
    ASSERT_EQ(s.setContext("[Root]"), 0); // typeless names
    const auto chunks = [&](nw::nuint32 bufferSize) {
        const nw::pBuf_T old = s.buffer;
        s.client.NWDSAllocBuf(bufferSize, &s.buffer);
        s.client.NWDSFreeBuf(old);
        const auto listing = s.list("ACME");
        EXPECT_EQ(std::tuple(listing.rc, listing.names.size(), listing.names.back()), std::tuple(0, 500u, "U100499"));
        return listing.chunks;
    };
    EXPECT_EQ(chunks(4096), (std::vector<std::size_t>{157, 157, 157, 29}));
    EXPECT_EQ(chunks(4 + 26 * 2), std::vector<std::size_t>(250, 2));
    s.client.setChunkLimit(100);
    EXPECT_EQ(chunks(4096), std::vector<std::size_t>(5, 100));
    EXPECT_EQ(
        std::tuple(s.client.openIterationCount(), s.client.allocatedBufferCount(), s.client.peakAllocatedBufferCount()),
        std::tuple(0u, 1u, 2u));

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

TEST_F(AcmeTest, ListingsInterleaveAndBelongToTheirContextAndKind) {
    c.setChunkLimit(1);
    // As in the container walk: a listing runs to its end, in a buffer of
    // its own, between two chunks of another.
    const nw::pBuf_T level = newBuffer(64);
    ASSERT_EQ(c.NWDSListContainers(ctx, "SALES", &start, level), 0);
    EXPECT_EQ(chunk(level), Names{"EAST"});
    EXPECT_EQ(session.list("EAST.SALES").names, (Names{"JSMITH", "Mary\\.Ann", "Printer1"}));
    ASSERT_EQ(c.NWDSListContainers(ctx, "SALES", &start, level), 0);
    EXPECT_EQ(std::tuple(chunk(level), start), std::tuple(Names{"WEST"}, -1));

    ASSERT_EQ(c.NWDSList(ctx, "", &start, buf), 0);
    nw::NWDSContextHandle other = 0;
    ASSERT_EQ(c.NWDSCreateContextHandle(&other), 0);
    nw::nint32 copy = start;
    EXPECT_EQ(c.NWDSList(other, "", &copy, buf), kErrInvalidIteration);
    EXPECT_EQ(c.NWDSListContainers(ctx, "", &copy, buf), kErrInvalidIteration);
    EXPECT_EQ(c.NWDSList(ctx, "NOPE", &copy, buf), 0); // goes on where the listing stands
    EXPECT_EQ(std::tuple(copy, chunk(buf), c.openIterationCount()), std::tuple(start, Names{"Admin"}, 1u));
    EXPECT_EQ(c.NWDSFreeContext(ctx), 0); // a listing not run to its end goes with its context
    EXPECT_EQ(c.openIterationCount(), 0u);
}

// A network built in code may hold references that point nowhere, which are
// dropped rather than followed, and names too long to deliver once typed.
TEST(SimClientNetwork, ReferencesThatPointNowhereAreDroppedAndNamesTooLongAreRefused) {
    for (const std::size_t length : {nw::kMaxDnChars - 3, nw::kMaxDnChars - 2}) { // with "CN=", 256 and 257
        Network net = networkFrom(kAcme);
        net.entries[3].children = {4, 99, 0, 11}; // EAST: JSMITH, no such entry, [Root], past the end
        net.entries[3].containers = {0, 11};
        net.entries[4].name = std::string(length, 'L'); // JSMITH
        net.entries[4].usageCount = 9;                  // past the end of the usages
        net.entries[5].usageBegin = 99;
        Session s(std::move(net));
        ASSERT_EQ(s.setContext("EAST.SALES.ACME"), 0);
        EXPECT_EQ(s.list("").names, Names{std::string(length, 'L')});
        EXPECT_EQ(s.list("", true).names, Names{});
        ASSERT_EQ(s.setContext("EAST.SALES.ACME", false), 0);
        EXPECT_EQ(s.list("").rc, length == nw::kMaxDnChars - 3 ? 0 : kErrDnTooLong);
        nw::NWCONN_HANDLE fs1 = 0;
        nw::nint32 restriction = 0, inUse = -1;
        ASSERT_EQ(s.client.NWCCOpenConnByRef(SimClient::referenceOf(0), 2, 0, &fs1), 0);
        ASSERT_EQ(s.client.NWGetObjDiskRestrictions(fs1, 3, 502, &restriction, &inUse), 0);
        EXPECT_EQ(inUse, 0);
    }
}

} // namespace
} // namespace nwsim::test
