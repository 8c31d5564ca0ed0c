// The server scan and each server's volumes, against scripted clients and,
// call by call failing, the stand-in.

#include "discovery/ServerScan.h"
#include "discovery/VolumeList.h"
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
using Record = std::vector<nw::nuint8>;

// A known-servers record as the client lays it out: the count at offset 12,
// then each entry as 14 bytes, the name and a zero byte, packed; `filler`
// stands everywhere else.
Record record(std::int32_t count, const std::vector<std::string>& names, nw::nuint8 filler = 0) {
    Record r(nw::kKnownServersRecordSize, filler);
    std::memcpy(r.data() + nw::kKnownServersCountOffset, &count, 4);
    std::size_t at = nw::kKnownServersAreaOffset;
    for (const auto& name : names) {
        std::memset(r.data() + at, 0xEE, nw::kKnownServersSkipBytes); // bytes nobody may read as a name
        at += nw::kKnownServersSkipBytes;
        std::memcpy(r.data() + at, name.c_str(), name.size() + 1);
        at += name.size() + 1;
    }
    return r;
}

TEST(KnownServersRecord, OnlyWholeEntriesInsideTheAreaAreRead) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(vorlane::decodeKnownServers(record(2, {"FS1", "FS10"}).data()), (Names{"FS1", "FS10"}));
    EXPECT_EQ(vorlane::decodeKnownServers(record(1, {"FS1", "FS10"}).data()), Names{"FS1"});
    EXPECT_EQ(vorlane::decodeKnownServers(record(-5, {"FS1"}).data()), Names{});
    // A count far beyond what the area holds, and a last name that runs to
    // the end of the area without its zero byte.
    Record r = record(1000, {"XXXXX"}, 'X');
    EXPECT_EQ(vorlane::decodeKnownServers(r.data()), Names{"XXXXX"});
    // An entry whose name is the last byte of the area, and one that begins past it.
    const std::string longest(nw::kKnownServersAreaSize - nw::kKnownServersSkipBytes - 1, 'L');
    EXPECT_EQ(vorlane::decodeKnownServers(record(2, {longest}).data()), Names{longest});
}

// Answers the scan with the given batches in turn, then "no more servers".
class ServerScan : public testing::Test {
protected:
    std::vector<std::string> scan(std::vector<Record> batches) {
        EXPECT_CALL(client_, NWGetKnownServersInfo(42, _, nw::kKnownServersConstant, _))
            .WillRepeatedly([&](nw::NWCONN_HANDLE, nw::nuint32 start, nw::nuint32, nw::nuint8* out) {
                starts_.push_back(start);
                if (starts_.size() > batches.size())
                    return nw::kNoMoreServers;
                std::memcpy(out, batches[starts_.size() - 1].data(), nw::kKnownServersRecordSize);
                return nw::kSuccess;
            });
        std::vector<std::string> seen;
        vorlane::scanKnownServers(client_, user_, 42, [&seen](const std::string& name) { seen.push_back(name); });
        return seen;
    }

    testing::StrictMock<MockClient> client_;
    FakeUserChannel user_;
    std::vector<nw::nuint32> starts_;
};

TEST_F(ServerScan, EachBatchStartsWhereTheLastEndedAndNamesArriveAsUtf8) {
    EXPECT_EQ(scan({record(2, {"FS1", "M\xDC"}), record(2, {"FS3", "FS4"}), record(1, {"FS5"})}),
              (std::vector<std::string>{"FS1", "M\u00DC", "FS3", "FS4", "FS5"}));
    EXPECT_EQ(starts_, (std::vector<nw::nuint32>{0, 2, 4, 5}));
}

TEST_F(ServerScan, ACountThatOverstatesTheBatchSkipsNoServer) {
    EXPECT_EQ(scan({record(5, {"A", "B"}, 'Z'), record(1, {"C"})}), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(starts_, (std::vector<nw::nuint32>{0, 2, 3}));
}

TEST_F(ServerScan, SuccessWithNoEntriesEndsTheScanInsteadOfAskingForEver) {
    EXPECT_TRUE(scan(std::vector<Record>(5, record(0, {}))).empty());
    EXPECT_EQ(starts_.size(), 1u);
}

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
