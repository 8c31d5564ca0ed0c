#include "discovery/ServerScan.h"

#include "support/FakeUserChannel.h"
#include "support/MockClient.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using testing::_;
using testing_support::FakeUserChannel;
using testing_support::MockClient;

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

} // namespace
