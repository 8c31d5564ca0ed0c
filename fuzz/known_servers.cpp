// The known-servers record. Whatever its 528 bytes hold, the decoder reads
// nothing outside them, and the scan over a client that serves such records
// one after another ends, and passes on exactly the decoded names of each
// batch up to the first empty one, as UTF-8. (That only whole entries of the
// 512-byte area are read, how the count bounds a batch and when the scan
// stops, the unit tests assert.)

#include "FuzzSupport.h"
#include "discovery/ServerScan.h"
#include "netware/Charset.h"
#include "support/FakeUserChannel.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

using Record = std::array<nw::nuint8, nw::kKnownServersRecordSize>;

// Serves the records in turn, whatever index is asked for, then "no more".
class RecordClient final : public fuzzing::RefusingClient {
public:
    explicit RecordClient(const std::vector<Record>& records) : records_(records) {}

    nw::NWRCODE NWGetKnownServersInfo(nw::NWCONN_HANDLE, nw::nuint32, nw::nuint32, nw::nuint8* record) override {
        if (served_ == records_.size())
            return nw::kNoMoreServers;
        std::memcpy(record, records_[served_++].data(), nw::kKnownServersRecordSize);
        return nw::kSuccess;
    }

private:
    const std::vector<Record>& records_;
    std::size_t served_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Up to four records; a short last one is padded with zeros.
    std::vector<Record> records;
    for (std::size_t at = 0; at < size && records.size() < 4; at += nw::kKnownServersRecordSize) {
        Record r{};
        std::memcpy(r.data(), data + at, std::min(size - at, r.size()));
        records.push_back(r);
    }
    if (records.empty())
        records.push_back(Record{});

    std::vector<std::string> expected;
    for (const Record& r : records) {
        const auto names = vorlane::decodeKnownServers(r.data());
        if (names.empty())
            break; // the scan ends on an empty batch
        for (const auto& name : names)
            expected.push_back(nw::cp1252ToUtf8(name));
    }

    RecordClient client(records);
    testing_support::FakeUserChannel user;
    std::vector<std::string> seen;
    vorlane::scanKnownServers(client, user, 1, [&](const std::string& name) { seen.push_back(name); });
    FUZZ_REQUIRE(seen == expected && user.messages.empty());
    return 0;
}
