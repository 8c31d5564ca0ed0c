#include "netware/sim/Calls.h"
#include "netware/sim/SimClient.h"
#include "sim/NetworkBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <tuple>

namespace nwsim {
namespace {

using test::NetworkBuilder;
using Record = std::array<nw::nuint8, 528>;

// Reads a record the way the server scan does, checking that every entry
// lies wholly inside the entry area.
std::vector<std::string> entries(const Record& rec) {
    std::int32_t n = 0;
    std::memcpy(&n, rec.data() + 12, 4);
    std::vector<std::string> names(static_cast<std::size_t>(n));
    std::size_t p = 0;
    for (auto& name : names) {
        for (p += 14; p < 512 && rec[16 + p] != 0; ++p)
            name += static_cast<char>(rec[16 + p]);
        EXPECT_LT(p++, 512u) << "entry runs past the area";
    }
    return names;
}

TEST(SimClientKnownServers, RecordIsByteExactAndTheRestIsLeftAlone) {
    NetworkBuilder b;
    b.server("FS1");
    b.server("FS10");
    SimClient client(b.build());
    nw::NWCONN_HANDLE h = 0;
    ASSERT_EQ(client.NWCCOpenConnByRef(SimClient::referenceOf(0), 2, 0, &h), 0);
    Record rec;
    rec.fill(0xAA);
    ASSERT_EQ(client.NWGetKnownServersInfo(h, 0, 1024, rec.data()), 0);
    const nw::nuint8* area = rec.data() + 16;
    EXPECT_EQ(std::memcmp(rec.data() + 12, "\2\0\0\0", 4), 0);
    EXPECT_EQ(std::memcmp(area + 14, "FS1\0", 4), 0);
    EXPECT_EQ(std::memcmp(area + 32, "FS10\0", 5), 0);
    EXPECT_EQ(area[37], 0xAA);
    EXPECT_EQ(rec[0], 0xAA);
    const auto before = rec;
    EXPECT_EQ(client.NWGetKnownServersInfo(h, 2, 1024, rec.data()), nw::kNoMoreServers);
    EXPECT_EQ(rec, before);
}

TEST(SimClientKnownServers, BatchesHoldOnlyWholeEntriesAndGoOnFromTheStartIndex) {
    NetworkBuilder b;
    for (char c = 'A'; c < 'A' + 20; ++c)
        b.server(std::string(47, c)); // 62 bytes an entry: 8 fit in 512
    b.server("LAST");
    SimClient client(b.build());
    nw::NWCONN_HANDLE h = 0;
    ASSERT_EQ(client.NWCCOpenConnByRef(SimClient::referenceOf(3), 2, 0, &h), 0);
    Record rec{};
    std::vector<std::size_t> batches;
    std::vector<std::string> all;
    for (std::uint32_t start = 0; client.NWGetKnownServersInfo(h, start, 1024, rec.data()) == 0;) {
        const auto names = entries(rec);
        ASSERT_FALSE(names.empty());
        batches.push_back(names.size());
        all.insert(all.end(), names.begin(), names.end());
        start += static_cast<std::uint32_t>(names.size());
    }
    EXPECT_EQ(batches, (std::vector<std::size_t>{8, 8, 5}));
    ASSERT_EQ(all.size(), 21u);
    EXPECT_EQ(all[8], std::string(47, 'I'));
    EXPECT_EQ(all[20], "LAST");
    client.setServerBatchLimit(3);
    ASSERT_EQ(client.NWGetKnownServersInfo(h, 0, 1024, rec.data()), 0);
    EXPECT_EQ(entries(rec).size(), 3u);
}

struct Servers : ::testing::Test {
    static Network build() {
        NetworkBuilder b;
        b.server("FS1", {{0, "SYS"}, {1, "VOL1"}, {3, "SIXTEEN_CHARS_NM"}});
        b.server("FS2");
        const auto user =
            b.add(b.add(NetworkBuilder::kRoot, ObjectClass::Organization, "ACME"), ObjectClass::User, "JS", 77);
        b.use(user, 0, 1, 10, 500).use(user, 1, 0, 7);
        b.knobs().defaultContext = "O=ACME";
        return b.build();
    }
    nw::NWCONN_HANDLE open(const char* name) {
        nw::NWCONN_REF ref = 0;
        nw::NWCONN_HANDLE def = 0, h = 0;
        EXPECT_EQ(client.NWGetDefaultConnRef(&ref), 0);
        EXPECT_EQ(client.NWCCOpenConnByRef(ref, 2, 0, &def), 0);
        EXPECT_EQ(client.NWCCOpenConnByName(def, name, 2, 1, 0x8000, &h), 0);
        return h;
    }
    SimClient client{build()};
    nw::NWCONN_HANDLE fs1 = open("FS1");
    nw::NWCONN_HANDLE fs2 = open("fs2");
};

TEST_F(Servers, EveryOpenGivesANewHandleAndClosedOnesAreRefused) {
    nw::NWCONN_REF ref = 0;
    ASSERT_EQ(client.NWCCGetConnRef(fs2, &ref), 0);
    EXPECT_EQ(ref, SimClient::referenceOf(1));
    nw::NWCONN_HANDLE again = 0;
    ASSERT_EQ(client.NWCCOpenConnByRef(ref, 2, 0, &again), 0);
    EXPECT_NE(again, fs2);
    EXPECT_EQ(client.openConnections().size(), 5u); // two default handles, fs1, fs2, again
    EXPECT_EQ(client.NWCCCloseConn(again), 0);
    EXPECT_EQ(client.NWCCCloseConn(again), kErrInvalidConnection);
    char vol[17] = "";
    EXPECT_EQ(client.NWGetVolumeName(again, 0, vol), kErrInvalidConnection);
    EXPECT_EQ(client.openConnections().size(), 4u);

    nw::NWCONN_HANDLE h = 123;
    EXPECT_EQ(client.NWCCOpenConnByName(fs1, "FS9", 2, 1, 0x8000, &h), kErrServerUnknown);
    EXPECT_EQ(client.NWCCOpenConnByName(again, "FS1", 2, 1, 0x8000, &h), kErrInvalidConnection);
    EXPECT_EQ(client.NWCCOpenConnByRef(fs1, 2, 0, &h), kErrInvalidConnection); // a handle is no reference
    EXPECT_EQ(h, 123u);
}

TEST_F(Servers, VolumesDiskFiguresAndDefaultContextFitTheirCallers) {
    std::array<char, 20> text;
    text.fill('#');
    ASSERT_EQ(client.NWGetVolumeName(fs1, 3, text.data()), 0);
    EXPECT_STREQ(text.data(), "SIXTEEN_CHARS_NM");
    EXPECT_EQ(text[17], '#');
    ASSERT_EQ(client.NWGetVolumeName(fs1, 2, text.data()), 0); // a gap ends the scan
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(client.NWGetVolumeName(fs1, 64, text.data()), kErrInvalidParameter);

    const auto usage = [&](nw::NWCONN_HANDLE conn, nw::nuint8 volume, nw::nuint32 id) {
        nw::nint32 restriction = 0, inUse = -1;
        const auto rc = client.NWGetObjDiskRestrictions(conn, volume, id, &restriction, &inUse);
        return std::tuple{rc, inUse, restriction};
    };
    EXPECT_EQ(usage(fs1, 1, 77), std::tuple(0, 10, 500));
    EXPECT_EQ(usage(fs2, 0, 77), std::tuple(0, 7, Usage{}.restriction));
    EXPECT_EQ(usage(fs1, 0, 77), std::tuple(0, 0, Usage{}.restriction));    // nothing on that volume
    EXPECT_EQ(usage(fs1, 1, 99999), std::tuple(0, 0, Usage{}.restriction)); // unknown object
    EXPECT_EQ(usage(fs1, 2, 77), std::tuple(kErrNoSuchVolume, -1, 0));

    text.fill('#');
    EXPECT_EQ(client.NWGetDefaultNameContext(6, text.data()), kErrInsufficientBuffer);
    EXPECT_EQ(text[0], '#');
    ASSERT_EQ(client.NWGetDefaultNameContext(7, text.data()), 0);
    EXPECT_STREQ(text.data(), "O=ACME");
}

TEST_F(Servers, FaultsFireOnMatchingArgumentsAndOccurrence) {
    client.addFault({"NWGetVolumeName", 0x89FF, "FS2", {}, {}, {}});
    client.addFault({"NWGetObjDiskRestrictions", 5, {}, {}, 1, 2});
    client.addFault({"NWCCOpenConnByName", -1, {}, "fs1", {}, {}});
    client.addFault({"NWCCCloseConn", 0, {}, {}, {}, {}});

    char vol[17] = "keep";
    EXPECT_EQ(client.NWGetVolumeName(fs2, 0, vol), 0x89FF);
    EXPECT_STREQ(vol, "keep");
    EXPECT_EQ(client.NWGetVolumeName(fs1, 0, vol), 0);

    nw::nint32 r = 0, used = -1;
    std::vector<nw::NWRCODE> codes;
    for (int volume : {0, 1, 0, 1, 1})
        codes.push_back(client.NWGetObjDiskRestrictions(fs1, static_cast<nw::nuint8>(volume), 77, &r, &used));
    EXPECT_EQ(codes, (std::vector<nw::NWRCODE>{0, 0, 0, 5, 0}));

    nw::NWCONN_HANDLE h = 0;
    EXPECT_EQ(client.NWCCOpenConnByName(fs1, "FS1", 2, 1, 0x8000, &h), -1);
    EXPECT_EQ(client.NWCCOpenConnByName(fs1, "FS2", 2, 1, 0x8000, &h), 0);
    EXPECT_EQ(client.NWCCCloseConn(h), 0);
    EXPECT_EQ(client.openConnections().size(), 5u); // code 0: the call does nothing
}

TEST(SimClientFaults, EveryCallCanBeFaultedAndCounted) {
    const auto& calls = kCallNames;
    Network net;
    for (const std::string_view call : calls)
        net.faults.push_back({std::string(call), 4242, {}, {}, {}, {}});
    SimClient c(std::move(net));
    nw::nuint8 z = 0;
    nw::nuint32 u = 0;
    nw::nint32 i = -1;
    char text[nw::kNameBufferSize] = "";
    nw::pBuf_T buf = nullptr;
    const nw::NWRCODE codes[] = {c.NWCallsInit(&z, &z),
                                 c.NWGetDefaultConnRef(&u),
                                 c.NWGetKnownServersInfo(1, 0, 1024, nullptr),
                                 c.NWGetVolumeName(1, 0, text),
                                 c.NWGetObjDiskRestrictions(1, 0, 0, &i, &i),
                                 c.NWCallsTerm(&z),
                                 c.NWCCOpenConnByRef(0, 2, 0, &u),
                                 c.NWCCOpenConnByName(1, "FS1", 2, 1, 0x8000, &u),
                                 c.NWCCGetConnRef(1, &u),
                                 c.NWCCCloseConn(1),
                                 c.NWNetInit(&z, &z),
                                 c.NWGetDefaultNameContext(256, text),
                                 c.NWDSCreateContextHandle(&u),
                                 c.NWDSSetContext(1, 3, "O=X"),
                                 c.NWDSGetContext(1, 1, &u),
                                 c.NWDSAllocBuf(4096, &buf),
                                 c.NWDSList(1, "", &i, buf),
                                 c.NWDSListContainers(1, "", &i, buf),
                                 c.NWDSGetObjectCount(1, buf, &u),
                                 c.NWDSGetObjectName(1, buf, text, &u, nullptr),
                                 c.NWDSResolveName(1, "X", &u, &u),
                                 c.NWDSFreeBuf(buf),
                                 c.NWDSFreeContext(1),
                                 c.NWNetTerm(&z)};
    for (std::size_t k = 0; k < std::size(calls); ++k) {
        EXPECT_EQ(codes[k], 4242) << std::string(calls[k]);
        EXPECT_EQ(c.callCount(calls[k]), 1u) << std::string(calls[k]);
    }
}

TEST(SimClientLatency, CallsWaitTheirConfiguredTime) {
    Network net;
    net.latencyMicros = 2000;
    net.callLatencyMicros["NWNetInit"] = 20000;
    SimClient client(std::move(net));
    const auto start = std::chrono::steady_clock::now();
    client.NWNetInit(nullptr, nullptr);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(22000));
}

} // namespace
} // namespace nwsim
