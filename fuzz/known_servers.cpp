// The known-servers record. Whatever its 528 bytes hold, the decoder hands back
// only whole entries of the 512-byte area, in order: names without NUL whose
// entries (lead bytes, name, NUL) add up to no more than the area, and no
// fewer than the count asks for while another whole entry follows. The scan
// over a client that serves such records one after another ends, and passes on
// exactly the decoded names of each batch, as UTF-8.

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

void checkDecoded(const Record& record, const std::vector<std::string>& names) {
    std::int32_t count = 0;
    std::memcpy(&count, record.data() + nw::kKnownServersCountOffset, sizeof count); // the machine is little-endian
    FUZZ_REQUIRE(names.size() <= static_cast<std::size_t>(std::max(count, 0)));

    const nw::nuint8* area = record.data() + nw::kKnownServersAreaOffset;
    std::size_t used = 0;
    for (const std::string& name : names) {
        FUZZ_REQUIRE(name.find('\0') == std::string::npos);
        const std::size_t at = used + nw::kKnownServersSkipBytes;
        used = at + name.size() + 1;
        FUZZ_REQUIRE(used <= nw::kKnownServersAreaSize);
        FUZZ_REQUIRE(std::memcmp(area + at, name.data(), name.size()) == 0 && area[at + name.size()] == 0);
    }
    // Stopping short of the count is right only where no whole entry follows.
    if (names.size() < static_cast<std::size_t>(std::max(count, 0))) {
        const std::size_t next = used + nw::kKnownServersSkipBytes;
        FUZZ_REQUIRE(next >= nw::kKnownServersAreaSize ||
                     std::memchr(area + next, 0, nw::kKnownServersAreaSize - next) == nullptr);
    }
}

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
    std::size_t served() const { return served_; }

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
    std::size_t batchesUsed = 0;
    for (const Record& r : records) {
        const auto names = vorlane::decodeKnownServers(r.data());
        checkDecoded(r, names);
        ++batchesUsed;
        if (names.empty())
            break; // the scan ends on an empty batch
        for (const auto& name : names)
            expected.push_back(nw::cp1252ToUtf8(name));
    }

    RecordClient client(records);
    testing_support::FakeUserChannel user;
    std::vector<std::string> seen;
    vorlane::scanKnownServers(client, user, 1, [&](const std::string& name) { seen.push_back(name); });
    FUZZ_REQUIRE(seen == expected);
    FUZZ_REQUIRE(user.messages.empty());
    // Either an empty batch or "no more servers" ended it, nothing else.
    FUZZ_REQUIRE(client.served() == batchesUsed);
    return 0;
}
