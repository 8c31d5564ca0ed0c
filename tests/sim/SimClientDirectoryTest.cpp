// Contexts, resolving names and listing containers.

#include "sim/Acme.h"

#include <chrono>
#include <functional>

namespace nwsim::test {
namespace {

using Names = std::vector<std::string>;

TEST_F(AcmeTest, ListingsDeliverEachObjectsOwnNameInTheContextsForm) {
    EXPECT_EQ(session.walkProblem(false) + session.walkProblem(true), "");
    ASSERT_EQ(session.setContext("[Root]", false), 0);
    EXPECT_EQ(session.list("EAST.SALES.ACME").names, (Names{"CN=JSMITH", "CN=Mary\\.Ann", "CN=Printer1"}));
    EXPECT_EQ(session.list("ACME", true).names, (Names{"OU=SALES", "OU=ACME"}));
}

TEST(SimClientListing, LongListingsComeInChunksThatFitTheBufferAndTheLimit) {
    Network net = networkFrom(R"({"servers": [{"name": "FS1", "volumes": []}], "tree": [{"name": "ACME",
                                  "class": "Organization"}]})");
    for (std::uint32_t i = 0; i < 500; ++i) { // 27 bytes a record
        net.entries[1].children.push_back(i + 2);
        net.entries.push_back({"USER" + std::to_string(1000 + i), ObjectClass::User, i + 1, 1, {}, {}, 0, 0});
    }
    Session s(std::move(net));
    ASSERT_EQ(s.setContext("[Root]"), 0);
    const auto chunks = [&](nw::nuint32 bufferSize) {
        const nw::pBuf_T old = s.buffer;
        s.client.NWDSAllocBuf(bufferSize, &s.buffer);
        s.client.NWDSFreeBuf(old);
        const auto listing = s.list("ACME");
        EXPECT_EQ(std::tuple(listing.rc, listing.names.size(), listing.names.back()), std::tuple(0, 500u, "USER1499"));
        return listing.chunks;
    };
    EXPECT_EQ(chunks(4096), (std::vector<std::size_t>{151, 151, 151, 47}));
    EXPECT_EQ(chunks(4 + 27 * 2), std::vector<std::size_t>(250, 2));
    s.client.setChunkLimit(100);
    EXPECT_EQ(chunks(4096), std::vector<std::size_t>(5, 100));
    EXPECT_EQ(
        std::tuple(s.client.openIterationCount(), s.client.allocatedBufferCount(), s.client.peakAllocatedBufferCount()),
        std::tuple(0u, 1u, 2u));
}

TEST_F(AcmeTest, ListingsInterleaveAndBelongToTheirContextAndKind) {
    c.setChunkLimit(1);
    // The container walk: the level below runs to its end between two names.
    Names walked;
    const std::function<void(std::string)> walk = [&](std::string container) { // by value: `walked` grows
        const nw::pBuf_T level = newBuffer(64);
        nw::nint32 iteration = -1;
        do {
            ASSERT_EQ(c.NWDSListContainers(ctx, container.c_str(), &iteration, level), 0);
            for (const auto& name : chunk(level)) {
                walked.push_back(name + "." + container);
                walk(walked.back());
            }
        } while (iteration != -1);
        c.NWDSFreeBuf(level);
    };
    walk("SALES");
    EXPECT_EQ(walked, (Names{"EAST.SALES", "WEST.SALES"}));
    EXPECT_EQ(c.peakAllocatedBufferCount(), 3u);

    ASSERT_EQ(c.NWDSList(ctx, "", &start, buf), 0);
    ASSERT_GT(start, 0);
    nw::NWDSContextHandle other = 0;
    ASSERT_EQ(c.NWDSCreateContextHandle(&other), 0);
    nw::nint32 copy = start;
    EXPECT_EQ(c.NWDSList(other, "", &copy, buf), kErrInvalidIteration);
    EXPECT_EQ(c.NWDSListContainers(ctx, "", &copy, buf), kErrInvalidIteration);
    EXPECT_EQ(c.NWDSList(ctx, "NOPE", &copy, buf), 0); // goes on where the listing stands
    EXPECT_EQ(std::tuple(copy, chunk(buf), c.openIterationCount()), std::tuple(start, Names{"Admin"}, 1u));
    EXPECT_EQ(c.NWDSFreeContext(ctx), 0); // a listing not run to its end goes with its context
    EXPECT_EQ(c.openIterationCount(), 0u);
    EXPECT_EQ(c.NWDSList(other, "", &copy, buf), kErrInvalidIteration);
    // A leaf lists into a buffer that holds no more than the count.
    const nw::pBuf_T headerOnly = newBuffer(4);
    start = -1;
    ASSERT_EQ(c.NWDSList(other, "ADMIN.ACME", &start, headerOnly), 0);
    ASSERT_EQ(c.NWDSGetObjectCount(other, headerOnly, &u), 0);
    EXPECT_EQ(std::tuple(start, u), std::tuple(-1, 0u));
}

// A network built in code may hold references that point nowhere; they are
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

TEST(SimClientScale, ContinuingAListingCostsOnlyTheChunkAndANameOneProbeAComponent) {
    Network net = networkFrom(R"({"servers": [{"name": "FS1", "volumes": []}],
        "tree": [{"name": "BIG", "class": "Organization"}]})");
    for (std::uint32_t i = 0; i < 100000; ++i) {
        net.entries[1].children.push_back(static_cast<std::uint32_t>(net.entries.size()));
        net.entries.push_back({"U" + std::to_string(i), ObjectClass::User, 100 + i, 1, {}, {}, 0, 0});
    }
    Session s(std::move(net));
    s.client.setChunkLimit(1);
    // Rescanning from the start for every chunk, or every sibling for every
    // name, would take many seconds.
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(s.list("BIG").chunks.size(), 100000u);
    for (std::uint32_t i = 0; i < 100000; i += 7)
        ASSERT_EQ(s.resolve("U" + std::to_string(i) + ".BIG").id, 100 + i);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(4));
}

} // namespace
} // namespace nwsim::test
