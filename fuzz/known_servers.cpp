// The known-servers record. Whatever its 528 bytes hold, the decoder reads
// nothing outside them (the record is sized exactly, so the address sanitizer
// sees any overrun) and hands back names without NUL. (That only whole
// entries of the 512-byte area are read, how the count bounds a batch, and
// how the scan goes on from batch to batch and ends, the unit tests assert.)

#include "FuzzSupport.h"
#include "discovery/ServerScan.h"

#include <algorithm>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Up to four records; a short last one is padded with zeros.
    for (std::size_t at = 0; at == 0 || (at < size && at < 4 * nw::kKnownServersRecordSize);
         at += nw::kKnownServersRecordSize) {
        const auto record = std::make_unique<nw::nuint8[]>(nw::kKnownServersRecordSize);
        std::memcpy(record.get(), data + at, std::min(size - at, nw::kKnownServersRecordSize));
        for (const std::string& name : vorlane::decodeKnownServers(record.get()))
            FUZZ_REQUIRE(name.find('\0') == std::string::npos);
    }
    return 0;
}
