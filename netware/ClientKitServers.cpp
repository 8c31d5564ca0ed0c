// The kit's calls and connection libraries: connection handles and
// references, the known-servers scan, volume names and disk figures.

#include "netware/ClientKit.h"

#include "netware/Charset.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace nw {
namespace {

// The bindery type of a file server, in the known-servers entries.
constexpr std::uint16_t kFileServerType = 0x0004;

// Writes one known-servers entry at `at` of the area; gives where the next
// one goes. The bytes ahead of the name are a made-up object ID and the
// bindery type of a file server, both big-endian as on the wire.
std::size_t writeServerEntry(nuint8* area, std::size_t at, std::size_t server, std::string_view name) {
    const auto id = static_cast<std::uint32_t>(0x01000001u + server);
    const std::array<nuint8, kKnownServersSkipBytes> lead = {static_cast<nuint8>(id >> 24),
                                                             static_cast<nuint8>(id >> 16),
                                                             static_cast<nuint8>(id >> 8),
                                                             static_cast<nuint8>(id),
                                                             static_cast<nuint8>(kFileServerType >> 8),
                                                             static_cast<nuint8>(kFileServerType)};
    std::memcpy(area + at, lead.data(), lead.size());
    std::memcpy(area + at + lead.size(), name.data(), name.size());
    area[at + lead.size() + name.size()] = 0;
    return at + lead.size() + name.size() + 1;
}

} // namespace

std::optional<std::string_view> boundedText(const char* text) {
    if (text == nullptr)
        return std::nullopt;
    return std::string_view(text, strnlen(text, kMaxDnChars + 1));
}

ClientKit::ClientKit(TypeRule namingTypes)
    : namingTypes_(namingTypes), nextConnection_(kFirstConnection), nextContext_(kFirstContext),
      nextIteration_(kFirstIteration) {}

ClientKit::~ClientKit() = default;

NWCONN_REF ClientKit::referenceOf(std::uint32_t server) {
    return kFirstReference + server;
}

std::vector<NWCONN_HANDLE> ClientKit::openConnections() const {
    std::vector<NWCONN_HANDLE> out;
    for (const auto& [handle, server] : connections_)
        out.push_back(handle);
    std::sort(out.begin(), out.end());
    return out;
}

void ClientKit::watchCalls(CallWatcher* watcher) {
    watcher_ = watcher;
    ++watchRound_;
}

std::optional<NWRCODE> ClientKit::enter(Call, const CallTarget&) {
    return std::nullopt;
}

std::optional<std::uint32_t> ClientKit::serverNamed(std::string_view name) const {
    for (std::uint32_t server = 0; server < serverCount(); ++server) {
        if (equalFoldedCp1252(serverName(server), name))
            return server;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ClientKit::serverOf(NWCONN_HANDLE conn) const {
    const auto it = connections_.find(conn);
    if (it == connections_.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::uint32_t> ClientKit::serverOfReference(NWCONN_REF ref) const {
    if (ref < kFirstReference || ref - kFirstReference >= serverCount())
        return std::nullopt;
    return ref - kFirstReference;
}

std::optional<std::string_view> ClientKit::nameOf(std::optional<std::uint32_t> server) const {
    if (!server)
        return std::nullopt;
    return serverName(*server);
}

// A closed handle's number is not given out again until the numbers wrap.
NWCONN_HANDLE ClientKit::open(std::uint32_t server) {
    while (connections_.contains(nextConnection_) || nextConnection_ == 0)
        ++nextConnection_;
    const NWCONN_HANDLE handle = nextConnection_++;
    connections_.emplace(handle, server);
    return handle;
}

NWRCODE ClientKit::NWCallsInit(nuint8*, nuint8*) {
    return enter(Call::NWCallsInit, {}).value_or(kSuccess);
}

NWRCODE ClientKit::NWCallsTerm(nuint8*) {
    return enter(Call::NWCallsTerm, {}).value_or(kSuccess);
}

NWRCODE ClientKit::NWGetDefaultConnRef(NWCONN_REF* connRef) {
    if (auto f = enter(Call::NWGetDefaultConnRef, {}))
        return *f;
    if (connRef == nullptr)
        return kErrInvalidParameter;
    if (defaultServer() >= serverCount())
        return kErrInvalidConnection;
    *connRef = referenceOf(defaultServer());
    return kSuccess;
}

NWRCODE ClientKit::NWGetKnownServersInfo(NWCONN_HANDLE conn, nuint32 scanIndex, nuint32, nuint8* record) {
    const auto server = serverOf(conn);
    if (auto f = enter(Call::NWGetKnownServersInfo, {nameOf(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (record == nullptr)
        return kErrInvalidParameter;
    if (scanIndex >= serverCount())
        return kNoMoreServers;

    // Only whole entries go into the area; the rest of it is left as it was,
    // since a reader must go by the count alone. The first 12 bytes are not
    // written either.
    nuint8* area = record + kKnownServersAreaOffset;
    std::size_t at = 0;
    std::uint32_t count = 0;
    const std::uint32_t limit = serverBatchLimit();
    for (std::uint32_t i = scanIndex; i < serverCount() && (limit == 0 || count < limit); ++i) {
        std::string_view name = serverName(i);
        if (at + kKnownServersSkipBytes + name.size() + 1 > kKnownServersAreaSize) {
            if (count > 0)
                break;
            // A name too long for an empty area would stall the scan for
            // good; it goes out cut to the room there is instead.
            name = name.substr(0, kKnownServersAreaSize - kKnownServersSkipBytes - 1);
        }
        at = writeServerEntry(area, at, i, name);
        ++count;
    }
    for (std::size_t k = 0; k < 4; ++k)
        record[kKnownServersCountOffset + k] = static_cast<nuint8>(count >> (8 * k));
    return kSuccess;
}

NWRCODE ClientKit::NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) {
    const auto server = serverOf(conn);
    if (auto f = enter(Call::NWGetVolumeName, {nameOf(server), {}, volumeNumber}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    // A number no volume can have is a bad argument; a number the server
    // merely does not use gives the empty name, which ends a volume scan.
    if (volumeName == nullptr || volumeNumber >= kMaxVolumes)
        return kErrInvalidParameter;
    const std::string_view name = nameOfVolume(*server, volumeNumber).value_or("").substr(0, kMaxVolumeNameChars);
    std::memcpy(volumeName, name.data(), name.size());
    volumeName[name.size()] = '\0';
    return kSuccess;
}

NWRCODE ClientKit::NWGetObjDiskRestrictions(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint32 objectId,
                                            nint32* restriction, nint32* inUse) {
    const auto server = serverOf(conn);
    if (auto f = enter(Call::NWGetObjDiskRestrictions, {nameOf(server), {}, volumeNumber}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (restriction == nullptr || inUse == nullptr)
        return kErrInvalidParameter;
    if (volumeNumber >= kMaxVolumes || !nameOfVolume(*server, volumeNumber))
        return kErrNoSuchVolume;
    DiskFigure figure;
    if (const NWRCODE rc = diskUsage(*server, volumeNumber, objectId, figure); rc != kSuccess)
        return rc;
    *restriction = figure.restriction;
    *inUse = figure.inUse;
    return kSuccess;
}

NWRCODE ClientKit::NWCCOpenConnByRef(NWCONN_REF connRef, nuint32, nuint32, NWCONN_HANDLE* conn) {
    const auto server = serverOfReference(connRef);
    if (auto f = enter(Call::NWCCOpenConnByRef, {nameOf(server), {}, {}}))
        return *f;
    if (conn == nullptr)
        return kErrInvalidParameter;
    if (!server)
        return kErrInvalidConnection;
    *conn = open(*server);
    return kSuccess;
}

NWRCODE ClientKit::NWCCOpenConnByName(NWCONN_HANDLE startConn, const char* name, nuint32 nameFormat, nuint32, nuint32,
                                      NWCONN_HANDLE* conn) {
    const auto text = boundedText(name);
    if (auto f = enter(Call::NWCCOpenConnByName, {text, text, {}}))
        return *f;
    if (!serverOf(startConn))
        return kErrInvalidConnection;
    // Only bindery names are known here; the tool asks for nothing else.
    if (name == nullptr || conn == nullptr || nameFormat != kNameFormatBindery)
        return kErrInvalidParameter;
    const auto server = serverNamed(*text);
    if (!server)
        return kErrServerUnknown;
    *conn = open(*server);
    return kSuccess;
}

NWRCODE ClientKit::NWCCGetConnRef(NWCONN_HANDLE conn, NWCONN_REF* connRef) {
    const auto server = serverOf(conn);
    if (auto f = enter(Call::NWCCGetConnRef, {nameOf(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (connRef == nullptr)
        return kErrInvalidParameter;
    *connRef = referenceOf(*server);
    return kSuccess;
}

NWRCODE ClientKit::NWCCCloseConn(NWCONN_HANDLE conn) {
    const auto server = serverOf(conn);
    if (auto f = enter(Call::NWCCCloseConn, {nameOf(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    connections_.erase(conn);
    return kSuccess;
}

} // namespace nw
