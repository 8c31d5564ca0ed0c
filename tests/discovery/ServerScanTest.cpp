#include "discovery/ServerScan.h"
#include "discovery/ServerConnection.h"

#include "support/FakeUserChannel.h"
#include "support/MockClient.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using testing::_;
using testing::Return;
using testing_support::FakeUserChannel;
using testing_support::MockClient;
using testing_support::ProgramEnded;

using Record = std::vector<nw::nuint8>;

// A known-servers record as the client lays it out: the count at offset 12,
// then each entry as 14 bytes, the name and a zero byte, packed.
Record record(std::int32_t count, const std::vector<std::string>& names) {
    Record r(nw::kKnownServersRecordSize, 0);
    std::memcpy(r.data() + nw::kKnownServersCountOffset, &count, 4);
    std::size_t at = nw::kKnownServersAreaOffset;
    for (const auto& name : names) {
        std::memset(r.data() + at, 0xEE, nw::kKnownServersSkipBytes); // bytes nobody may read as a name
        at += nw::kKnownServersSkipBytes;
        std::memcpy(r.data() + at, name.data(), name.size());
        at += name.size() + 1;
    }
    return r;
}

// Answers the scan with the given batches in turn, then "no more servers";
// records the start index of every call.
struct BatchScript {
    std::vector<std::vector<std::string>> batches;
    std::vector<nw::nuint32> startIndices;
    std::size_t next = 0;

    nw::NWRCODE answer(nw::nuint32 start, nw::nuint8* out) {
        startIndices.push_back(start);
        if (next == batches.size())
            return nw::kNoMoreServers;
        const auto& batch = batches[next++];
        const Record r = record(static_cast<std::int32_t>(batch.size()), batch);
        std::memcpy(out, r.data(), r.size());
        return nw::kSuccess;
    }
};

std::vector<std::string> scan(MockClient& client, FakeUserChannel& user) {
    std::vector<std::string> seen;
    vorlane::scanKnownServers(client, user, 42, [&seen](const std::string& name) { seen.push_back(name); });
    return seen;
}

TEST(KnownServersRecord, NamesSitFifteenBytesAfterThePreviousZero) {
    const Record r = record(2, {"FS1", "FS10"});
    const nw::nuint8* area = r.data() + nw::kKnownServersAreaOffset;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(area + 14), 3), "FS1");
    EXPECT_EQ(area[17], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(area + 32), 4), "FS10");
    EXPECT_EQ(vorlane::decodeKnownServers(r.data()), (std::vector<std::string>{"FS1", "FS10"}));
}

TEST(KnownServersRecord, NeverReadsPastTheEntryArea) {
    // A count far beyond what the area holds, and a last name with no zero
    // byte before the end of the area: only whole entries are read.
    Record r(nw::kKnownServersRecordSize, 'X');
    const std::int32_t count = 1000;
    std::memcpy(r.data() + nw::kKnownServersCountOffset, &count, 4);
    r[nw::kKnownServersAreaOffset + 14 + 5] = 0; // "XXXXX" is whole
    const auto names = vorlane::decodeKnownServers(r.data());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "XXXXX");

    const Record empty = record(-5, {});
    EXPECT_TRUE(vorlane::decodeKnownServers(empty.data()).empty());
}

class ServerScan : public testing::Test {
protected:
    void script(std::vector<std::vector<std::string>> batches) {
        batches_.batches = std::move(batches);
        EXPECT_CALL(client_, NWGetKnownServersInfo(42, _, nw::kKnownServersConstant, _))
            .WillRepeatedly([this](nw::NWCONN_HANDLE, nw::nuint32 start, nw::nuint32, nw::nuint8* out) {
                return batches_.answer(start, out);
            });
    }

    testing::StrictMock<MockClient> client_;
    FakeUserChannel user_;
    BatchScript batches_;
};

TEST_F(ServerScan, StartIndexPassesSixteenBits) {
    std::vector<std::vector<std::string>> batches;
    for (int b = 0; b < 1200; ++b)
        batches.push_back(std::vector<std::string>(30, "S"));
    script(std::move(batches));
    EXPECT_EQ(scan(client_, user_).size(), 36000u);
    EXPECT_EQ(batches_.startIndices.back(), 36000u);
}

TEST_F(ServerScan, SuccessWithNoEntriesEndsTheScanInsteadOfAskingForEver) {
    int calls = 0;
    EXPECT_CALL(client_, NWGetKnownServersInfo(_, _, _, _))
        .WillRepeatedly([&calls](nw::NWCONN_HANDLE, nw::nuint32, nw::nuint32, nw::nuint8* out) {
            ++calls;
            const Record r = record(0, {});
            std::memcpy(out, r.data(), r.size());
            return nw::kSuccess;
        });
    EXPECT_TRUE(scan(client_, user_).empty());
    EXPECT_EQ(calls, 1);
}

TEST_F(ServerScan, ACountThatOverstatesTheBatchSkipsNoServer) {
    // The first batch claims five entries but holds two; the scan goes on
    // from the third server.
    std::vector<nw::nuint32> starts;
    EXPECT_CALL(client_, NWGetKnownServersInfo(_, _, _, _))
        .WillRepeatedly([&starts](nw::NWCONN_HANDLE, nw::nuint32 start, nw::nuint32, nw::nuint8* out) {
            starts.push_back(start);
            if (starts.size() > 2)
                return nw::kNoMoreServers;
            Record r = starts.size() == 1 ? record(5, {"A", "B"}) : record(1, {"C"});
            // Fill the rest of the area so no further zero byte ends an entry.
            const std::size_t used = nw::kKnownServersAreaOffset + (starts.size() == 1 ? 2 * 16 : 16);
            std::memset(r.data() + used, 'Z', r.size() - used);
            std::memcpy(out, r.data(), r.size());
            return nw::kSuccess;
        });
    EXPECT_EQ(scan(client_, user_), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(starts, (std::vector<nw::nuint32>{0, 2, 3}));
}

} // namespace

namespace {

using testing::_;
using testing::DoAll;
using testing::Return;
using testing::SetArgPointee;
using testing_support::FakeUserChannel;
using testing_support::MockClient;

// addVolumes against a client whose volume names a test writes byte by byte.
class VolumeNames : public testing::Test {
protected:
    VolumeNames() {
        ON_CALL(client_, NWCCOpenConnByName(_, _, _, _, _, _)).WillByDefault(DoAll(SetArgPointee<5>(11u), Return(0)));
        ON_CALL(client_, NWCCGetConnRef(11u, _)).WillByDefault(DoAll(SetArgPointee<1>(5u), Return(0)));
        ON_CALL(client_, NWCCOpenConnByRef(5u, _, _, _)).WillByDefault(DoAll(SetArgPointee<3>(12u), Return(0)));
    }
    std::vector<std::pair<std::string, int>> read() {
        std::vector<std::pair<std::string, int>> seen;
        vorlane::addVolumes(client_, user_, 1, "FS1",
                            [&seen](const std::string& name, int number) { seen.emplace_back(name, number); });
        return seen;
    }
    testing::NiceMock<MockClient> client_;
    FakeUserChannel user_;
};

TEST_F(VolumeNames, SeventeenCharactersWithoutANulAreTakenWhole) {
    EXPECT_CALL(client_, NWGetVolumeName(12u, _, _))
        .WillOnce([](nw::NWCONN_HANDLE, nw::nuint16, char* out) {
            std::memcpy(out, "ABCDEFGHIJKLMNOPQ", nw::kVolumeNameBufferSize);
            return nw::kSuccess;
        })
        .WillOnce(Return(1));
    EXPECT_EQ(read(), (std::vector<std::pair<std::string, int>>{{"ABCDEFGHIJKLMNOPQ", 0}}));
}

TEST_F(VolumeNames, WhatStandsBehindTheNulOfAShorterNameIsDropped) {
    EXPECT_CALL(client_, NWGetVolumeName(12u, _, _))
        .WillOnce([](nw::NWCONN_HANDLE, nw::nuint16, char* out) {
            std::memcpy(out, "VOLUMENUMBERZERO", 17);
            return nw::kSuccess;
        })
        .WillOnce([](nw::NWCONN_HANDLE, nw::nuint16, char* out) {
            std::memcpy(out, "SYS", 4); // the rest of the earlier name stays in the buffer
            return nw::kSuccess;
        })
        .WillOnce(Return(1));
    EXPECT_EQ(read(), (std::vector<std::pair<std::string, int>>{{"VOLUMENUMBERZERO", 0}, {"SYS", 1}}));
}

TEST_F(VolumeNames, BothHandlesAreClosedAfterTheScanAndOnlyThen) {
    testing::InSequence order;
    EXPECT_CALL(client_, NWGetVolumeName(12u, 0, _)).WillOnce(Return(1));
    EXPECT_CALL(client_, NWCCCloseConn(12u));
    EXPECT_CALL(client_, NWCCCloseConn(11u));
    read();
}

} // namespace
