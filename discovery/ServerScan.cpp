#include "discovery/ServerScan.h"

#include "netware/Charset.h"
#include "session/Fatal.h"

#include <array>
#include <cstring>

namespace vorlane {

std::vector<std::string> decodeKnownServers(const nw::nuint8* record) {
    std::uint32_t rawCount = 0;
    for (std::size_t i = 0; i < 4; ++i)
        rawCount |= std::uint32_t{record[nw::kKnownServersCountOffset + i]} << (8 * i);
    const auto count = static_cast<std::int32_t>(rawCount);

    const nw::nuint8* area = record + nw::kKnownServersAreaOffset;
    std::vector<std::string> names;
    std::size_t nameStart = nw::kKnownServersSkipBytes;
    for (std::int32_t i = 0; i < count; ++i) {
        if (nameStart >= nw::kKnownServersAreaSize)
            return names;
        const void* zero = std::memchr(area + nameStart, 0, nw::kKnownServersAreaSize - nameStart);
        if (zero == nullptr)
            return names; // the entry runs past the area: not a whole entry
        const auto end = static_cast<std::size_t>(static_cast<const nw::nuint8*>(zero) - area);
        names.emplace_back(reinterpret_cast<const char*>(area + nameStart), end - nameStart);
        nameStart = end + 1 + nw::kKnownServersSkipBytes;
    }
    return names;
}

void scanKnownServers(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH,
                      const std::function<void(const std::string&)>& onServer) {
    // One record for the whole scan, cleared once: the client writes each
    // batch over the one before.
    std::array<nw::nuint8, nw::kKnownServersRecordSize> record{};
    // The index grows by what was actually read, so a count that claimed
    // more entries than the record held skips no server.
    nw::nuint32 startIndex = 0;
    for (;;) {
        const nw::NWRCODE rc =
            client.NWGetKnownServersInfo(defConnH, startIndex, nw::kKnownServersConstant, record.data());
        if (rc == nw::kNoMoreServers)
            return;
        if (rc != nw::kSuccess)
            die(user, rc, "NWGetKnownServersInfo");
        const std::vector<std::string> names = decodeKnownServers(record.data());
        if (names.empty())
            return;
        for (const std::string& name : names)
            onServer(nw::cp1252ToUtf8(name));
        startIndex += static_cast<nw::nuint32>(names.size());
    }
}

} // namespace vorlane
