#include "netware/sim/ResultBuffer.h"
#include "netware/sim/SimClient.h"
#include "sim/NetworkBuilder.h"

#include <gtest/gtest.h>

#include <chrono>

namespace nwsim {
namespace {

using test::NetworkBuilder;
using Names = std::vector<std::string>;

// O=ACME holding OU=SALES (OU=EAST with CN=JSMITH 501, CN=Mary.Ann 502 and
// CN=Printer1; OU=WEST; CN=Boss), CN=Admin and an OU=ACME.
Network acme() {
    NetworkBuilder b;
    b.server("FS1");
    const auto org = b.add(NetworkBuilder::kRoot, ObjectClass::Organization, "ACME");
    const auto sales = b.add(org, ObjectClass::OrganizationalUnit, "SALES");
    const auto east = b.add(sales, ObjectClass::OrganizationalUnit, "EAST");
    b.add(east, ObjectClass::User, "JSMITH", 501);
    b.add(east, ObjectClass::User, "Mary.Ann", 502);
    b.add(east, ObjectClass::Printer, "Printer1");
    b.add(sales, ObjectClass::OrganizationalUnit, "WEST");
    b.add(sales, ObjectClass::User, "Boss");
    b.add(org, ObjectClass::User, "Admin");
    b.add(org, ObjectClass::OrganizationalUnit, "ACME");
    return b.build();
}

// O=ACME holding USER1000 to USER1499, 27 bytes a record.
Network manyUsers() {
    NetworkBuilder b;
    const auto org = b.add(NetworkBuilder::kRoot, ObjectClass::Organization, "ACME");
    for (int i = 0; i < 500; ++i)
        b.add(org, ObjectClass::User, "USER" + std::to_string(1000 + i));
    return b.build();
}

template <Network (*Make)()> struct DirectoryOf : ::testing::Test {
    SimClient client{Make()};
    nw::NWDSContextHandle ctx = context("o=acme", true);

    nw::NWDSContextHandle context(const char* nameContext, bool typeless) {
        nw::NWDSContextHandle h = 0;
        nw::nuint32 flags = typeless ? kDefaultContextFlags | nw::kContextFlagTypelessNames : kDefaultContextFlags;
        EXPECT_EQ(client.NWDSCreateContextHandle(&h), 0);
        EXPECT_EQ(client.NWDSSetContext(h, nw::kContextKeyNameContext, nameContext), 0);
        EXPECT_EQ(client.NWDSSetContext(h, nw::kContextKeyFlags, &flags), 0);
        return h;
    }

    Names chunk(nw::pBuf_T buf) {
        nw::nuint32 count = 0;
        EXPECT_EQ(client.NWDSGetObjectCount(ctx, buf, &count), 0);
        Names names;
        char name[nw::kNameBufferSize];
        nw::nuint32 attrs = 9;
        nw::Object_Info_T info{};
        for (nw::nuint32 i = 0; i < count; ++i) {
            EXPECT_EQ(client.NWDSGetObjectName(ctx, buf, name, &attrs, &info), 0);
            names.emplace_back(name);
        }
        EXPECT_EQ(client.NWDSGetObjectName(ctx, buf, name, &attrs, &info), resultbuf::kErrBufferEmpty);
        return names;
    }

    // A whole listing of `ctx`; `chunks` gets each chunk's size.
    nw::NWRCODE list(const char* container, Names& out, bool containersOnly = false,
                     std::vector<std::size_t>* chunks = nullptr, nw::nuint32 bufferSize = 4096) {
        nw::pBuf_T buf = nullptr;
        EXPECT_EQ(client.NWDSAllocBuf(bufferSize, &buf), 0);
        nw::nint32 iteration = -1;
        nw::NWRCODE rc = 0;
        do {
            rc = containersOnly ? client.NWDSListContainers(ctx, container, &iteration, buf)
                                : client.NWDSList(ctx, container, &iteration, buf);
            if (rc != 0)
                break;
            const auto names = chunk(buf);
            if (chunks != nullptr)
                chunks->push_back(names.size());
            out.insert(out.end(), names.begin(), names.end());
        } while (iteration != -1);
        client.NWDSFreeBuf(buf);
        return rc;
    }
    Names list(const char* container, bool containersOnly = false) {
        Names out;
        EXPECT_EQ(list(container, out, containersOnly), 0) << container;
        return out;
    }

    // The container walk as the tool does it: one buffer and one iteration
    // per level, the level below run to its end between two names.
    void walk(const std::string cont, Names& out) { // by value: `out` grows below
        nw::pBuf_T buf = nullptr;
        ASSERT_EQ(client.NWDSAllocBuf(4096, &buf), 0);
        nw::nint32 iteration = -1;
        do {
            ASSERT_EQ(client.NWDSListContainers(ctx, cont.c_str(), &iteration, buf), 0);
            for (const auto& name : chunk(buf)) {
                out.push_back(cont.empty() ? name : name + "." + cont);
                walk(out.back(), out);
            }
        } while (iteration != -1);
        client.NWDSFreeBuf(buf);
    }
};
using Directory = DirectoryOf<acme>;
using ManyUsers = DirectoryOf<manyUsers>;

TEST_F(Directory, ListingsGiveNamesAsStoredInTheContextsForm) {
    EXPECT_EQ(list(""), (Names{"SALES", "Admin", "ACME"}));
    EXPECT_EQ(list("", true), (Names{"SALES", "ACME"}));
    EXPECT_EQ(list("east.sales"), (Names{"JSMITH", R"(Mary\.Ann)", "Printer1"}));
    EXPECT_EQ(list("OU=EAST.OU=SALES", true), Names{});
    EXPECT_EQ(list("JSMITH.EAST.SALES"), Names{}); // a leaf has no subordinates
    EXPECT_EQ(list("ACME"), Names{});              // the OU, not the organization

    ctx = context("[ROOT]", false);
    EXPECT_EQ(list("OU=EAST.OU=SALES.O=ACME"), (Names{"CN=JSMITH", R"(CN=Mary\.Ann)", "CN=Printer1"}));
    Names none;
    for (const char* missing : {"CN=SALES.ACME", "NOPE.ACME", "SALES.O=Other"})
        EXPECT_EQ(list(missing, none), nw::kNoSuchEntry) << missing;

    nw::pBuf_T buf = nullptr;
    ASSERT_EQ(client.NWDSAllocBuf(4096, &buf), 0);
    nw::nint32 iteration = -1;
    EXPECT_EQ(client.NWDSList(ctx, "ACME..X", &iteration, buf), nw::kInvalidDsName);
    EXPECT_EQ(iteration, -1);
    ASSERT_EQ(client.NWDSList(ctx, "", &iteration, buf), 0);
    nw::Object_Info_T info{};
    char name[nw::kNameBufferSize];
    ASSERT_EQ(client.NWDSGetObjectName(ctx, buf, name, nullptr, &info), 0);
    EXPECT_STREQ(name, "O=ACME");
    EXPECT_EQ(info.subordinateCount, 3u);
    EXPECT_STREQ(info.baseClass, "Organization");
}

TEST_F(ManyUsers, LongListingsComeInChunksThatFitTheBufferAndTheLimit) {
    const auto chunks = [&](nw::nuint32 bufferSize) {
        Names names;
        std::vector<std::size_t> sizes;
        EXPECT_EQ(list("", names, false, &sizes, bufferSize), 0);
        EXPECT_EQ(names.size(), 500u);
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(names[i], "USER" + std::to_string(1000 + i));
        return sizes;
    };
    EXPECT_EQ(chunks(4096), (std::vector<std::size_t>{151, 151, 151, 47}));
    EXPECT_EQ(chunks(4 + 27 * 2), std::vector<std::size_t>(250, 2));
    client.setChunkLimit(100);
    EXPECT_EQ(chunks(4096), std::vector<std::size_t>(5, 100));
    Names none;
    EXPECT_EQ(list("", none, false, nullptr, 30), kErrInsufficientBuffer);
    EXPECT_EQ(client.openIterationCount(), 0u);
    EXPECT_EQ(client.allocatedBufferCount(), 0u);
}

TEST_F(Directory, ListingsInterleaveAndBelongToTheirContext) {
    client.setChunkLimit(1);
    Names walked;
    walk("", walked);
    EXPECT_EQ(walked, (Names{"SALES", "EAST.SALES", "WEST.SALES", "ACME"}));
    EXPECT_EQ(client.peakAllocatedBufferCount(), 3u);
    EXPECT_EQ(client.allocatedBufferCount(), 0u);

    nw::pBuf_T buf = nullptr;
    ASSERT_EQ(client.NWDSAllocBuf(4096, &buf), 0);
    nw::nint32 iteration = -1;
    ASSERT_EQ(client.NWDSList(ctx, "", &iteration, buf), 0);
    ASSERT_GT(iteration, 0);
    const auto other = context("O=ACME", true);
    for (nw::nint32 copy : {iteration, 0x7FFF0000})
        EXPECT_EQ(client.NWDSList(other, "", &copy, buf), kErrInvalidIteration);
    EXPECT_EQ(client.NWDSListContainers(ctx, "", &iteration, buf), kErrInvalidIteration);
    EXPECT_EQ(client.openIterationCount(), 1u);
    EXPECT_EQ(client.NWDSFreeContext(ctx), 0); // an abandoned listing goes with its context
    EXPECT_EQ(client.openIterationCount(), 0u);

    EXPECT_EQ(client.NWDSFreeBuf(buf), 0);
    EXPECT_EQ(client.NWDSFreeBuf(buf), kErrInvalidHandle);
    EXPECT_EQ(client.NWDSFreeBuf(reinterpret_cast<nw::pBuf_T>(&iteration)), kErrInvalidHandle);
    ASSERT_EQ(client.NWDSAllocBuf(64, &buf), 0);
    nw::nuint32 count = 0;
    EXPECT_EQ(client.NWDSGetObjectCount(other, buf, &count), resultbuf::kErrBadVerb);
}

TEST(SimClientScale, ContinuingAListingCostsOnlyTheChunk) {
    NetworkBuilder b;
    b.server("FS1");
    const auto big = b.add(NetworkBuilder::kRoot, ObjectClass::Organization, "BIG");
    for (int i = 0; i < 100000; ++i)
        b.add(big, ObjectClass::User, "U" + std::to_string(i));
    SimClient client(b.build());
    client.setChunkLimit(1);
    nw::NWDSContextHandle ctx = 0;
    ASSERT_EQ(client.NWDSCreateContextHandle(&ctx), 0);
    nw::pBuf_T buf = nullptr;
    ASSERT_EQ(client.NWDSAllocBuf(4096, &buf), 0);
    // Rescanning from the start for every chunk would take many seconds.
    const auto start = std::chrono::steady_clock::now();
    nw::nint32 iteration = -1;
    int chunks = 0;
    do {
        ASSERT_EQ(client.NWDSList(ctx, "BIG", &iteration, buf), 0);
        ++chunks;
    } while (iteration != -1);
    nw::NWCONN_HANDLE conn = 0;
    nw::nuint32 id = 0;
    for (int i = 0; i < 100000; i += 7)
        ASSERT_EQ(client.NWDSResolveName(ctx, ("U" + std::to_string(i) + ".BIG").c_str(), &conn, &id), 0);
    EXPECT_EQ(chunks, 100000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

} // namespace
} // namespace nwsim
